// The import of long CSV files: rows staged in SQLite, gathered per tree, written as a data table.
#include "data/csvimport.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "common/messagesink.h"
#include "common/progress.h"
#include "common/terminaltext.h"
#include "data/csvreader.h"
#include "data/csvstage.h"
#include "data/importtable.h"
#include "data/listorder.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <unordered_map>

namespace data {

namespace {

// The columns of the SELECT after the row number.
enum Column { PlotColumn = 1, TreeColumn, SpeciesColumn, YearColumn, ValueColumn, DbhColumn, HeightColumn };

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string columnText(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))) : "";
}

// At most this many trees, repeats or rows are named in one message; the rest are counted.
constexpr std::size_t kNamed = 10;

// A text from the data as a message quotes it: control characters escaped.
std::string shown(const std::string &text)
{
    return common::escapeControls(text);
}

// 199990 as "199,990".
std::string groupedCount(std::size_t count)
{
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

// Reads the results of one row, with the place of the row in every message.
class RowValues
{
public:
    RowValues(const CsvStage &stage, const RowOrigin &origin, sqlite3_stmt *statement)
        : m_stage(stage), m_origin(origin), m_statement(statement)
    {
    }

    bool isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    std::string text(int column) const { return isNull(column) ? "" : columnText(m_statement, column); }

    // A number, nothing for NULL; a text must be a number as a whole, spaces around it aside.
    std::optional<double> number(int column, const char *what) const
    {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_NULL:
            return std::nullopt;
        case SQLITE_INTEGER:
            return static_cast<double>(sqlite3_column_int64(m_statement, column));
        case SQLITE_FLOAT: {
            const double value = sqlite3_column_double(m_statement, column);
            if (!std::isfinite(value)) refuse(std::string("the ") + what + " is not a finite number");
            return value;
        }
        default:
            break;
        }
        const std::string text = columnText(m_statement, column);
        const std::string_view digits = trimmed(text);
        double value = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
            !std::isfinite(value))
            refuse(std::string("the ") + what + " '" + shown(text) + "' is not a number");
        return value;
    }

    int year() const
    {
        if (isNull(YearColumn)) refuse("the year is blank");
        const std::optional<double> year = number(YearColumn, "year");
        if (*year != std::floor(*year) || *year < 1 || *year > 9999)
            refuse("the year " + shown(text(YearColumn)) + " is not a whole number from 1 to 9999");
        return static_cast<int>(*year);
    }

    [[noreturn]] void refuse(const std::string &what) const
    {
        throw common::DataError(m_stage.place(m_origin) + ": " + what);
    }

private:
    const CsvStage &m_stage;
    const RowOrigin &m_origin;
    sqlite3_stmt *m_statement;
};

// Reports the trees whose plot or species differs between rows, ten by name and the rest counted.
void reportDiffering(const std::vector<ImportTree> &trees, const char *what,
                     TextAttribute ImportTree::*attribute, common::MessageSink &sink)
{
    std::size_t count = 0;
    for (const ImportTree &tree : trees) {
        const TextAttribute &a = tree.*attribute;
        if (!a.differs) continue;
        if (++count > kNamed) continue;
        // The two values in the order of their surveys.
        std::pair first{a.otherKeptYear, a.otherKeptText}, second{a.otherYear, a.otherText};
        if (second.first < first.first) std::swap(first, second);
        sink.warning("Tree " + shown(tree.key) + ": " + what + " " + shown(first.second) + " in " +
                     std::to_string(first.first) + ", " + shown(second.second) + " in " +
                     std::to_string(second.first) + "; the table has " + shown(a.text) + ", of " +
                     std::to_string(a.year));
    }
    if (count > kNamed)
        sink.warning(std::to_string(count - kNamed) + " more trees have rows with different " + what + "s");
}

// The table must not take the place of an input, nor of the tables a statistics run writes beside it
// (the same names as model::RequireNotResultTable refuses; the data layer cannot call it).
void checkTarget(const ImportSettings &settings)
{
    namespace fs = std::filesystem;
    const fs::path &table = settings.table;
    fs::path dir = table.parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    for (const char *result : {"TRANSIT.DBF", "AVERAGE.DBF"}) {
        bool same = common::equalsIgnoreCase(table.filename().string(), result);
        for (const auto &entry : fs::directory_iterator(dir, ec))
            if (!same && common::equalsIgnoreCase(entry.path().filename().string(), result))
                same = fs::equivalent(entry.path(), table, ec);
        if (same)
            throw common::Error("The table cannot be named TRANSIT.DBF or AVERAGE.DBF: the statistics are "
                                "written under these names beside it");
    }
    if (fs::exists(table, ec)) {
        if (!settings.replace) throw common::FileError("Table " + table.string() + " already exists");
        for (const fs::path &file : settings.files)
            if (fs::equivalent(file, table, ec))
                throw common::Error("The table " + table.string() +
                                    " cannot replace the file it is read from");
    }
}

// Adds the row to its tree and returns its survey year.
int gatherRow(const RowValues &row, std::uint32_t rowIndex, bool lastWins,
              std::unordered_map<std::string, std::size_t> &index, std::vector<ImportTree> &trees)
{
    if (row.isNull(TreeColumn)) row.refuse("the tree is blank");
    const int year = row.year();
    const std::string key = row.text(TreeColumn);
    auto [found, added] = index.try_emplace(key, trees.size());
    if (added) {
        trees.emplace_back();
        trees.back().key = key;
        trees.back().firstRow = rowIndex;
    }
    ImportTree &tree = trees[found->second];
    tree.observations.push_back({year, row.number(ValueColumn, "value"), rowIndex});
    if (!row.isNull(PlotColumn)) tree.plot.offer(row.text(PlotColumn), year, rowIndex, lastWins);
    if (!row.isNull(SpeciesColumn)) tree.species.offer(row.text(SpeciesColumn), year, rowIndex, lastWins);
    if (auto dbh = row.number(DbhColumn, "DBH")) tree.dbh.offer(*dbh, year, rowIndex, lastWins);
    if (auto height = row.number(HeightColumn, "height"))
        tree.height.offer(*height, year, rowIndex, lastWins);
    return year;
}

// Sorts each tree's observations by year (row order kept within a year) and resolves repeats into
// one value per survey year; throws with the first ten repeats under Duplicates::Refuse.
void resolveRepeats(std::vector<ImportTree> &trees, const std::vector<int> &years, const CsvStage &stage,
                    const std::vector<RowOrigin> &origins, ImportSummary &summary)
{
    std::vector<std::string> refused;
    for (ImportTree &tree : trees) {
        auto &seen = tree.observations;
        std::stable_sort(seen.begin(), seen.end(),
                         [](const auto &a, const auto &b) { return a.year < b.year; });
        tree.cells.assign(years.size(), {});
        std::size_t column = 0;
        for (auto first = seen.begin(); first != seen.end();) {
            auto end = std::find_if(first, seen.end(), [&](const auto &o) { return o.year != first->year; });
            while (years[column] != first->year)
                ++column;
            ImportCell &cell = tree.cells[column];
            cell = {first->value, first->row};
            if (end - first > 1) {
                ++summary.repeatedCells;
                summary.repeatRows += static_cast<std::size_t>(end - first - 1);
                const bool differ =
                    std::any_of(first, end, [&](const auto &o) { return o.value != first->value; });
                summary.disagreeing += differ;
                if (summary.duplicates == Duplicates::Refuse && refused.size() < kNamed) {
                    std::string line = "tree " + shown(tree.key) + " in " + std::to_string(first->year) + ":";
                    const auto rows = static_cast<std::size_t>(end - first);
                    for (auto o = first; o != end && o - first < static_cast<std::ptrdiff_t>(kNamed); ++o)
                        line += (o == first ? " " : ", ") + stage.place(origins[o->row]);
                    if (rows > kNamed) line += " … and " + groupedCount(rows - kNamed) + " more";
                    refused.push_back(line);
                }
                if (summary.duplicates == Duplicates::Agree && differ) cell.value.reset();
                if (summary.duplicates == Duplicates::Last) cell = {(end - 1)->value, (end - 1)->row};
            }
            first = end;
        }
        seen.clear();
        seen.shrink_to_fit();
    }
    if (!refused.empty()) {
        std::string message = groupedCount(summary.repeatedCells) +
                              " times a tree has more than one row in a survey; choose how such repeats are "
                              "resolved (agree, first or last). The first ones:";
        for (const std::string &line : refused)
            message += "\n  " + line;
        throw common::DataError(message);
    }
}

// The iconv name of the code page asked for; refused before anything is read when it is blank or
// iconv does not know it.
std::string knownEncoding(const std::string &asked)
{
    const std::string name = codePageOfCpgText(asked);
    if (name.empty())
        throw common::Error("The code page of files that are not UTF-8 is empty: name one, such as "
                            "Windows-1250 or UTF-8");
    const CodePage known(name);
    return name;
}

// The expressions of the roles in the order of Column, each checked over the staged columns; DBH
// and height may be left out.
std::vector<std::string> checkedExpressions(const ImportSettings &s, const CsvStage &stage)
{
    const std::pair<const char *, const std::string *> roles[] = {
        {"plot expression", &s.plot},    {"tree expression", &s.tree},   {"species expression", &s.species},
        {"year expression", &s.year},    {"value expression", &s.value}, {"DBH expression", &s.dbh},
        {"height expression", &s.height}};
    std::vector<std::string> expressions;
    for (const auto &[what, expression] : roles) {
        const bool optional = expression == &s.dbh || expression == &s.height;
        if (!(optional && expression->empty())) stage.check(what, *expression, false);
        expressions.push_back(*expression);
    }
    if (!s.condition.empty()) stage.check("condition", s.condition, true);
    return expressions;
}

std::string stepName(const std::filesystem::path &file)
{
    return file.filename().string();
}

// The rows of the files gathered per tree, repeats resolved: everything of an import but the table.
struct Gathered
{
    CsvStage stage;
    std::vector<ImportTree> trees;
    std::vector<RowOrigin> origins;
    ImportTableLayout layout;

    std::string place(std::uint32_t row) const { return stage.place(origins[row]); }
};

// Reads the files into gathered and fills the summary but for the code page; false when cancelled.
bool gather(const ImportSettings &settings, common::MessageSink &sink, common::Progress *progress,
            ImportSummary &summary, Gathered &gathered)
{
    if (settings.files.empty()) throw common::Error("No CSV file to import");
    const std::string encoding = knownEncoding(settings.encoding);

    summary.duplicates = settings.duplicates;
    const int steps = static_cast<int>(settings.files.size()) + 1;
    CsvStage &stage = gathered.stage;
    for (const auto &file : settings.files) {
        if (progress && !progress->step(static_cast<int>(summary.files.size()), steps, stepName(file))) {
            summary.cancelled = true;
            return false;
        }
        const CsvText text = readCsvText(file, encoding);
        if (text.codePage != "UTF-8")
            sink.warning("File " + file.string() + " is not UTF-8: it is read as " +
                         codePageDisplayName(text.codePage));
        const std::size_t rows = stage.add(file.string(), text.text, settings.missing);
        summary.files.push_back({file, rows, text.codePage});
    }
    if (progress && !progress->step(steps - 1, steps, stepName(settings.table))) {
        summary.cancelled = true;
        return false;
    }

    const std::vector<std::string> selected = checkedExpressions(settings, stage);

    std::vector<ImportTree> &trees = gathered.trees;
    std::vector<RowOrigin> &origins = gathered.origins;
    std::unordered_map<std::string, std::size_t> index;
    std::map<int, bool> years;
    // A cancel stops the expressions within moments, however much one row costs.
    if (progress) stage.setStopCheck([progress] { return progress->cancelRequested(); });
    const bool complete =
        stage.select(selected, settings.condition, [&](const RowOrigin &origin, sqlite3_stmt *statement) {
            const RowValues row(stage, origin, statement);
            const int year = gatherRow(row, static_cast<std::uint32_t>(origins.size()),
                                       settings.duplicates == Duplicates::Last, index, trees);
            years[year] = true;
            origins.push_back(origin);
        });
    if (!complete) {
        summary.cancelled = true;
        return false;
    }
    if (trees.empty())
        throw common::DataError("No row of the files meets the condition: there is nothing to import");
    summary.keptRows = origins.size();
    summary.trees = trees.size();
    for (const auto &[year, seen] : years)
        summary.years.push_back(year);
    resolveRepeats(trees, summary.years, stage, origins, summary);
    std::set<std::string> species;
    for (const ImportTree &tree : trees)
        if (tree.species.set && !tree.species.text.empty()) species.insert(tree.species.text);
    summary.species.assign(species.begin(), species.end());
    sortListValues(summary.species);
    for (const ImportTree &tree : trees)
        for (const ImportCell &cell : tree.cells)
            ++(cell.value ? summary.values : summary.blanks);
    reportDiffering(trees, "plot", &ImportTree::plot, sink);
    reportDiffering(trees, "species", &ImportTree::species, sink);

    gathered.layout.years = summary.years;
    gathered.layout.dbh = !settings.dbh.empty();
    gathered.layout.height = !settings.height.empty();
    return true;
}

} // namespace

ImportSummary importCsv(const ImportSettings &settings, common::MessageSink &sink, common::Progress *progress)
{
    if (settings.files.empty()) throw common::Error("No CSV file to import");
    checkTarget(settings);
    ImportSummary summary;
    Gathered gathered;
    if (!gather(settings, sink, progress, summary, gathered)) return summary;
    summary.codePage = writeImportTable(settings.table, gathered.layout, gathered.trees,
                                        [&](std::uint32_t row) { return gathered.place(row); });
    return summary;
}

ImportPreview previewCsv(const ImportSettings &settings, common::MessageSink &sink, std::size_t rows,
                         common::Progress *progress)
{
    ImportPreview preview;
    Gathered gathered;
    if (!gather(settings, sink, progress, preview.summary, gathered)) return preview;
    ImportTableText text = importTableText(gathered.layout, gathered.trees, rows,
                                           [&](std::uint32_t row) { return gathered.place(row); });
    preview.columns = std::move(text.columns);
    preview.rows = std::move(text.rows);
    preview.summary.codePage = text.codePage;
    return preview;
}

std::vector<std::string> describeImport(const ImportSummary &s)
{
    std::vector<std::string> lines;
    std::size_t read = 0;
    for (const ImportedFile &file : s.files) {
        lines.push_back(file.file.string() + ": " + std::to_string(file.rows) + " rows (" +
                        codePageDisplayName(file.codePage) + ")");
        read += file.rows;
    }
    lines.push_back(std::to_string(s.keptRows) + " of " + std::to_string(read) + " rows meet the condition");
    std::string years;
    for (int year : s.years)
        years += (years.empty() ? "" : ", ") + std::to_string(year);
    lines.push_back(std::to_string(s.trees) + " trees, " + std::to_string(s.years.size()) +
                    " survey years (" + years + ")");
    lines.push_back(std::to_string(s.values) + " values, " + std::to_string(s.blanks) + " blanks");
    std::string repeats = std::to_string(s.repeatedCells) +
                          " tree and survey pairs with more than one row (" + std::to_string(s.repeatRows) +
                          " rows more), " + std::to_string(s.disagreeing) + " of them with different values";
    switch (s.duplicates) {
    case Duplicates::Refuse:
        break;
    case Duplicates::Agree:
        repeats += ": the common value kept, a blank where they differ";
        break;
    case Duplicates::First:
        repeats += ": the first row kept";
        break;
    case Duplicates::Last:
        repeats += ": the last row kept";
        break;
    }
    lines.push_back(repeats);
    lines.push_back("The table is marked " + codePageDisplayName(s.codePage));
    return lines;
}

} // namespace data
