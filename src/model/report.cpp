// The report run over all plots and species.
#include "model/report.h"

#include "common/error.h"
#include "common/messagesink.h"
#include "common/numbers.h"
#include "common/progress.h"
#include "common/replacingfile.h"
#include "model/modelpictures.h"
#include "model/reportpages.h"
#include "model/transitlist.h"

#include <climits>
#include <filesystem>
#include <map>
#include <set>

namespace model {

namespace {

// The per-cent value of a stored value as the yearly statistics count it, or -1 when they pass it over.
double percentOf(long long stored, ValueType type)
{
    if (stored < 0) return -1;
    if (type == ValueType::Percent) return static_cast<double>(stored);
    return ClassValue(stored > 5 ? -1 : static_cast<int>(stored));
}

// The warnings of the model computation, told with the plot and species they came from.
class PairMessages final : public common::MessageSink
{
public:
    PairMessages(common::MessageSink &target, int &warnings) : m_target(target), m_warnings(warnings) {}
    void setPair(const std::string &plot, const std::string &species)
    {
        m_pair = "plot " + plot + ", species " + species;
    }
    void message(common::MessageKind kind, const std::string &text) override
    {
        if (kind == common::MessageKind::Warning) ++m_warnings;
        m_target.message(kind, text + " (" + m_pair + ")");
    }

private:
    common::MessageSink &m_target;
    int &m_warnings;
    std::string m_pair;
};

} // namespace

bool FitsFileName(const std::string &name)
{
    // The temporary file that ReplacingFile writes beside it takes 9 bytes more.
    return name.size() + 9 <= NAME_MAX;
}

ReportFigures ComputeReportFigures(const TreeValues &trees, const YearSeries &series,
                                   const std::vector<data::YearColumn> &years, ValueType type)
{
    ReportFigures f;
    std::vector<double> means;
    std::vector<stats::YearValue> yearMeans;
    std::optional<std::size_t> first, last;
    for (std::size_t y = 0; y < series.size(); ++y) {
        if (!series.hasStatistics(y)) continue;
        if (!first) first = y;
        last = y;
        means.push_back(series.YearDefAvg[y]);
        yearMeans.push_back({years[y].year, series.YearDefAvg[y]});
    }
    if (!first) return f;
    f.firstYear = years[*first].year;
    f.lastYear = years[*last].year;
    f.meanFirst = series.YearDefAvg[*first];
    f.meanLast = series.YearDefAvg[*last];
    f.deadLast = series.YearDead[*last];
    long long living = 0, over = 0;
    for (std::size_t t = 0; t < trees.treeCount(); ++t) {
        const auto &stored = trees.value(t, *last);
        if (!stored) continue;
        const double v = percentOf(*stored, type);
        if (v < 0 || v >= 100) continue;
        ++living;
        if (v > 25) ++over;
    }
    if (living > 0) f.shareOver25 = 100.0 * static_cast<double>(over) / static_cast<double>(living);
    f.mannKendall = stats::MannKendallTest(means);
    f.senSlope = stats::SenSlope(yearMeans);
    return f;
}

// File names made safe as the model pictures' are, and kept apart: a second name that comes out the
// same ("A/1" after "A_1") gets "~2", so that no page or picture overwrites another.
class ReportRun::Names
{
public:
    std::string unique(const std::string &name, const std::string &extension)
    {
        std::string safe = ModelPictureFile("", name, "", "").path;
        safe.pop_back(); // the "_" before the (empty) species
        if (safe.empty()) safe = "_";
        std::string candidate = safe + extension;
        for (int n = 2; !m_used.insert(candidate).second; ++n)
            candidate = safe + "~" + std::to_string(n) + extension;
        return candidate;
    }

private:
    std::set<std::string> m_used;
};

ReportRun::ReportRun(data::Query &trees, TableSetup setup, ReportSettings settings,
                     std::vector<SpeciesNameRow> names)
    : m_trees(trees), m_setup(std::move(setup)), m_settings(std::move(settings)), m_names(std::move(names))
{
}

ReportSummary ReportRun::execute(PlotSpeciesSelection &selection, ReportPictureMaker &maker,
                                 common::MessageSink &sink, common::Progress *progress)
{
    m_summary = {};
    m_rows.clear();
    // A level out of range is refused before anything is written.
    WilsonZ(m_settings.level);
    namespace fs = std::filesystem;
    const fs::path folder(m_settings.folder);
    fs::create_directory(folder / "plots");

    ReportInfo info;
    info.table = m_setup.tableFile;
    info.date = m_settings.date;
    info.version = m_settings.version;
    for (const auto &year : m_setup.years)
        info.years.push_back(year.year);
    const ModelSettings &model = m_settings.model;
    info.settings = "at least " + std::to_string(m_settings.minTrees) + " trees, interval " +
                    std::to_string(model.interval) + ", intervals at " +
                    common::formatGeneral(100 * m_settings.level, 6, 0) + " %, values as " +
                    (model.valueType == ValueType::Percent ? "per cent" : "damage classes") +
                    (m_setup.conditions.empty() ? "" : ", condition " + m_setup.conditions);

    // The folder is flushed whole when it is put in place; its files need not wait for the disk each.
    const common::DeferredSync deferSync;
    Names names;
    std::set<std::string> species;
    const auto plots = selection.plots();
    m_summary.plotCount = info.plots = static_cast<int>(plots.size());
    for (std::size_t p = 0; p < plots.size(); ++p) {
        if (progress && !progress->step(static_cast<int>(p), m_summary.plotCount, plots[p])) return m_summary;
        const auto plotSpecies = selection.selectPlot(p);
        species.insert(plotSpecies.begin(), plotSpecies.end());
        writePlot(plots[p], plotSpecies, selection, maker, sink, names, info);
        m_summary.plotsDone = static_cast<int>(p) + 1;
    }
    info.species = static_cast<int>(species.size());
    common::writeFileWhole((folder / "index.html").string(), IndexHtml(info, m_rows));
    common::writeFileWhole((folder / "summary.csv").string(), SummaryCsv(m_rows));
    if (progress) progress->step(m_summary.plotCount, m_summary.plotCount, "");
    return m_summary;
}

void ReportRun::writePlot(const std::string &plot, const std::vector<std::string> &species,
                          PlotSpeciesSelection &selection, ReportPictureMaker &maker,
                          common::MessageSink &sink, Names &names, ReportInfo &info)
{
    PairMessages messages(sink, m_summary.warnings);
    std::vector<PlotSection> sections;
    const std::size_t firstRow = m_rows.size();
    std::string page;
    bool pageNamed = false;
    const ModelSettings &model = m_settings.model;
    for (std::size_t s = 0; s < species.size(); ++s) {
        const long long count = selection.selectSpecies(s);
        info.trees += count;
        if (count < m_settings.minTrees) continue;
        messages.setPair(plot, species[s]);
        if (!pageNamed) {
            pageNamed = true;
            const std::string name = names.unique(plot, ".html");
            if (FitsFileName(name))
                page = "plots/" + name;
            else
                passOver(messages, "plot page");
        }
        const TreeValues trees = ReadTreeValues(m_trees, plot, species[s], m_setup.years);
        const auto list = BuildTransitList(trees, plot, m_setup.years, model.interval, model.valueType);
        YearSeries series = ComputeYearStatistics(trees, model.valueType);
        const auto lines = ModelChartLines(list, series, m_setup.years, model, messages);

        ReportRow row;
        row.plot = plot;
        row.species = species[s];
        row.speciesName = SpeciesDisplayName(m_names, species[s]);
        row.trees = count;
        row.page = page;
        row.figures = ComputeReportFigures(trees, series, m_setup.years, model.valueType);
        PlotSection section{nullptr, std::move(series), list ? *list : std::vector<TTransit>{}, std::nullopt,
                            list.has_value()};
        section.homogeneity = TestHomogeneity(section.transits);
        if (section.homogeneity) row.figures.homogeneityP = section.homogeneity->p;
        // Without its page nobody would see the picture: it is not drawn either.
        if (!page.empty()) {
            const std::string picture = names.unique(ModelPictureFile("", plot, species[s], "").path, ".svg");
            if (FitsFileName(picture)) {
                row.picture = picture;
                maker.savePicture(
                    ModelChartTitle(m_settings.titlePlot, plot, m_settings.titleSpecies, row.speciesName),
                    lines, m_settings.folder + "/plots/" + row.picture);
            } else {
                passOver(messages, "model picture");
            }
        }
        m_rows.push_back(std::move(row));
        sections.push_back(std::move(section));
        ++m_summary.rows;
    }
    if (sections.empty() || page.empty()) return;
    for (std::size_t i = 0; i < sections.size(); ++i)
        sections[i].row = &m_rows[firstRow + i];
    common::writeFileWhole(m_settings.folder + "/" + page,
                           PlotHtml(plot, sections, m_setup.years, model.interval, m_settings.level));
}

void ReportRun::passOver(common::MessageSink &messages, const std::string &what)
{
    ++m_summary.passedOver;
    messages.warning("The " + what +
                     "'s file name would be longer than a file name may be; it was passed over");
}

} // namespace model
