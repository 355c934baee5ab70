// The report run over all plots and species.
#include "model/report.h"

#include "common/error.h"
#include "common/messagesink.h"
#include "common/numbers.h"
#include "common/progress.h"
#include "common/replacingfile.h"
#include "model/modelpictures.h"
#include "model/reportfolder.h"
#include "model/reportpages.h"
#include "model/transitlist.h"

#include <climits>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <type_traits>

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

std::string LocalTimeText()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

bool FitsFileName(const std::string &name)
{
    // The temporary file that ReplacingFile writes beside it takes 9 bytes more.
    return name.size() + 9 <= NAME_MAX;
}

ReportFigures ComputeReportFigures(const TreeValues &trees, const YearSeries &series,
                                   const std::vector<data::YearColumn> &years, ValueType type, double level)
{
    ReportFigures f;
    std::vector<double> means;
    std::vector<stats::YearValue> yearMeans;
    std::optional<std::size_t> first, last;
    for (std::size_t y = 0; y < series.size(); ++y) {
        if (!series.hasStatistics(y)) continue;
        if (!first) first = y;
        last = y;
        // A year whose trees are all dead has no mean: the 0 that AVERAGE.DBF keeps is no figure.
        if (series.YearTrees[y] == 0) continue;
        means.push_back(series.YearDefAvg[y]);
        yearMeans.push_back({years[y].year, series.YearDefAvg[y]});
    }
    if (!first) return f;
    f.firstYear = years[*first].year;
    f.lastYear = years[*last].year;
    f.livingFirst = series.YearTrees[*first];
    f.livingLast = series.YearTrees[*last];
    if (*f.livingFirst > 0) f.meanFirst = series.YearDefAvg[*first];
    if (*f.livingLast > 0) f.meanLast = series.YearDefAvg[*last];
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
    const double z = WilsonZ(level);
    f.trendYears = static_cast<int>(means.size());
    f.mannKendall = stats::MannKendallTest(means);
    f.senSlope = stats::SenSlope(yearMeans);
    if (f.mannKendall)
        if (const auto interval = stats::SenSlopeInterval(yearMeans, f.mannKendall->variance, z)) {
            f.senLo = interval->lo;
            f.senHi = interval->hi;
        }
    return f;
}

namespace {

// The bytes of the figures: a flag byte before each optional value, numbers in this machine's own
// representation (the processes that exchange them run the same program).
class FigureWriter
{
public:
    template <class T> void put(const T &value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        m_bytes.append(reinterpret_cast<const char *>(&value), sizeof value);
    }
    template <class T> void put(const std::optional<T> &value)
    {
        put<char>(value ? 1 : 0);
        if (value) put(*value);
    }
    std::string take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

class FigureReader
{
public:
    explicit FigureReader(std::string_view bytes) : m_bytes(bytes) {}
    template <class T> void get(T &value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        if (m_bytes.size() < sizeof value) throw common::Error("The figures of a report row are cut short");
        std::memcpy(&value, m_bytes.data(), sizeof value);
        m_bytes.remove_prefix(sizeof value);
    }
    template <class T> void get(std::optional<T> &value)
    {
        char present = 0;
        get(present);
        value.reset();
        if (present) get(value.emplace());
    }
    void end() const
    {
        if (!m_bytes.empty()) throw common::Error("The figures of a report row have bytes left over");
    }

private:
    std::string_view m_bytes;
};

} // namespace

std::string EncodeReportFigures(const ReportFigures &f)
{
    FigureWriter out;
    out.put(f.firstYear);
    out.put(f.lastYear);
    out.put(f.meanFirst);
    out.put(f.meanLast);
    out.put(f.shareOver25);
    out.put(f.deadLast);
    out.put<char>(f.mannKendall ? 1 : 0);
    if (f.mannKendall) {
        out.put(f.mannKendall->s);
        out.put(f.mannKendall->variance);
        out.put(f.mannKendall->z);
        out.put(f.mannKendall->p);
    }
    out.put(f.senSlope);
    out.put(f.homogeneityP);
    out.put(f.livingFirst);
    out.put(f.livingLast);
    out.put(f.trendYears);
    out.put(f.senLo);
    out.put(f.senHi);
    out.put(f.homogeneityChi2);
    out.put(f.homogeneityDf);
    out.put(f.homogeneityExactP);
    return out.take();
}

ReportFigures DecodeReportFigures(std::string_view bytes)
{
    ReportFigures f;
    FigureReader in(bytes);
    in.get(f.firstYear);
    in.get(f.lastYear);
    in.get(f.meanFirst);
    in.get(f.meanLast);
    in.get(f.shareOver25);
    in.get(f.deadLast);
    char trend = 0;
    in.get(trend);
    if (trend) {
        auto &mk = f.mannKendall.emplace();
        in.get(mk.s);
        in.get(mk.variance);
        in.get(mk.z);
        in.get(mk.p);
    }
    in.get(f.senSlope);
    in.get(f.homogeneityP);
    in.get(f.livingFirst);
    in.get(f.livingLast);
    in.get(f.trendYears);
    in.get(f.senLo);
    in.get(f.senHi);
    in.get(f.homogeneityChi2);
    in.get(f.homogeneityDf);
    in.get(f.homogeneityExactP);
    in.end();
    return f;
}

std::string ReportRun::uniqueName(const std::string &name, const std::string &extension)
{
    std::string safe = ModelPictureFile("", name, "", "").path;
    safe.pop_back(); // the "_" before the (empty) species
    if (safe.empty()) safe = "_";
    std::string candidate = safe + extension;
    for (int n = 2; !m_usedNames.insert(candidate).second; ++n)
        candidate = safe + "~" + std::to_string(n) + extension;
    return candidate;
}

ReportRun::ReportRun(TableSetup setup, ReportSettings settings, std::vector<SpeciesNameRow> names)
    : m_setup(std::move(setup)), m_settings(std::move(settings)), m_names(std::move(names))
{
}

ReportSummary ReportRun::execute(data::Query &trees, PlotSpeciesSelection &selection,
                                 ReportPictureMaker &maker, common::MessageSink &sink,
                                 common::Progress *progress)
{
    // The folder is flushed whole when it is put in place; its files need not wait for the disk each.
    const common::DeferredSync deferSync;
    const std::size_t count = start(selection);
    for (std::size_t p = 0; p < count; ++p) {
        if (progress && !progress->step(static_cast<int>(p), m_summary.plotCount, m_plots[p].name))
            return m_summary;
        listPlot(p, selection, sink);
        writePlot(p, trees, maker, sink);
        m_summary.plotsDone = static_cast<int>(p) + 1;
    }
    finish();
    if (progress) progress->step(m_summary.plotCount, m_summary.plotCount, "");
    return m_summary;
}

std::size_t ReportRun::start(PlotSpeciesSelection &selection)
{
    m_summary = {};
    m_rows.clear();
    m_plots.clear();
    m_usedNames.clear();
    m_species.clear();
    // A level out of range is refused before anything is written.
    WilsonZ(m_settings.level);
    std::filesystem::create_directory(std::filesystem::path(m_settings.folder) / "plots");

    m_info = {};
    m_info.table = m_setup.tableFile;
    m_info.date = m_settings.date;
    m_info.version = m_settings.version;
    for (const auto &year : m_setup.years)
        m_info.years.push_back(year.year);
    const ModelSettings &model = m_settings.model;
    m_info.settings = "at least " + std::to_string(m_settings.minTrees) + " trees, interval " +
                      std::to_string(model.interval) + ", intervals at " +
                      common::formatGeneral(100 * m_settings.level, 6, 0) + " %, values as " +
                      (model.valueType == ValueType::Percent ? "per cent" : "damage classes") +
                      (m_setup.conditions.empty() ? "" : ", condition " + m_setup.conditions);

    for (auto &plot : selection.plots())
        m_plots.push_back({std::move(plot), {}, 0, 0});
    m_summary.plotCount = m_info.plots = static_cast<int>(m_plots.size());
    return m_plots.size();
}

void ReportRun::listPlot(std::size_t index, PlotSpeciesSelection &selection, common::MessageSink &sink)
{
    Plot &plot = m_plots.at(index);
    PairMessages messages(sink, m_summary.warnings);
    const auto species = selection.selectPlot(index);
    plot.firstRow = m_rows.size();
    bool pageNamed = false;
    for (std::size_t s = 0; s < species.size(); ++s) {
        m_species.insert(species[s]);
        const long long count = selection.selectSpecies(s);
        m_info.trees += count;
        if (count < m_settings.minTrees) continue;
        messages.setPair(plot.name, species[s]);
        if (!pageNamed) {
            pageNamed = true;
            const std::string name = uniqueName(plot.name, ".html");
            if (FitsFileName(name))
                plot.page = "plots/" + name;
            else
                passOver(messages, "plot page");
        }
        ReportRow row;
        row.plot = plot.name;
        row.species = species[s];
        row.speciesName = SpeciesDisplayName(m_names, species[s]);
        row.trees = count;
        row.page = plot.page;
        // Without its page nobody would see the picture: it is not drawn either.
        if (!plot.page.empty()) {
            const std::string picture =
                uniqueName(ModelPictureFile("", plot.name, species[s], "").path, ".svg");
            if (FitsFileName(picture))
                row.picture = picture;
            else
                passOver(messages, "model picture");
        }
        m_rows.push_back(std::move(row));
    }
    plot.endRow = m_rows.size();
    m_summary.rows = static_cast<int>(m_rows.size());
    m_info.species = static_cast<int>(m_species.size());
}

void ReportRun::writePlot(std::size_t index, data::Query &trees, ReportPictureMaker &maker,
                          common::MessageSink &sink)
{
    const Plot &plot = m_plots.at(index);
    PairMessages messages(sink, m_summary.warnings);
    std::vector<PlotSection> sections;
    const ModelSettings &model = m_settings.model;
    for (std::size_t r = plot.firstRow; r < plot.endRow; ++r) {
        ReportRow &row = m_rows[r];
        messages.setPair(plot.name, row.species);
        const TreeValues values = ReadTreeValues(trees, plot.name, row.species, m_setup.years);
        const auto list = BuildTransitList(values, plot.name, m_setup.years, model.interval, model.valueType);
        YearSeries series = ComputeYearStatistics(values, model.valueType);
        const auto lines = ModelChartLines(list, series, m_setup.years, model, messages);
        row.figures = ComputeReportFigures(values, series, m_setup.years, model.valueType, m_settings.level);
        PlotSection section{&row, std::move(series), list ? *list : std::vector<TTransit>{}, std::nullopt,
                            list.has_value()};
        section.homogeneity = TestHomogeneity(section.transits, ExactP::WhenRough);
        if (section.homogeneity) {
            row.figures.homogeneityP = section.homogeneity->p;
            row.figures.homogeneityChi2 = section.homogeneity->chi2;
            row.figures.homogeneityDf = section.homogeneity->df;
            row.figures.homogeneityExactP = section.homogeneity->exactP;
        }
        if (!row.picture.empty())
            maker.savePicture(
                ModelChartTitle(m_settings.titlePlot, plot.name, m_settings.titleSpecies, row.speciesName),
                lines, m_settings.folder + "/plots/" + row.picture);
        sections.push_back(std::move(section));
    }
    if (sections.empty() || plot.page.empty()) return;
    common::writeFileWhole(m_settings.folder + "/" + plot.page,
                           PlotHtml(plot.name, sections, m_setup.years, model.interval, m_settings.level,
                                    model.band.has_value()));
}

void ReportRun::finish()
{
    const std::filesystem::path folder(m_settings.folder);
    common::writeFileWhole((folder / "index.html").string(), IndexHtml(m_info, m_rows));
    common::writeFileWhole((folder / "summary.csv").string(), SummaryCsv(m_rows));
    common::writeFileWhole((folder / kReportMarkerFile).string(),
                           ReportMarkerText(m_settings.version, m_settings.date));
}

void ReportRun::passOver(common::MessageSink &messages, const std::string &what)
{
    ++m_summary.passedOver;
    messages.warning("The " + what +
                     "'s file name would be longer than a file name may be; it was passed over");
}

} // namespace model
