// Writing the imported trees as a data table with its side files.
#include "data/importtable.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "common/replacingfile.h"
#include "common/scopeexit.h"
#include "data/codepage.h"
#include "data/sidefiles.h"
#include "data/tablewriter.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

namespace data {

void TextAttribute::offer(const std::string &value, int valueYear, std::uint32_t valueRow, bool lastWins)
{
    if (set && value != text && !differs) {
        differs = true;
        otherKeptText = text;
        otherKeptYear = year;
        otherText = value;
        otherYear = valueYear;
    }
    if (!set || valueYear > year || (valueYear == year && lastWins)) {
        text = value;
        year = valueYear;
        row = valueRow;
        set = true;
    }
}

void NumberAttribute::offer(double number, int numberYear, std::uint32_t numberRow, bool lastWins)
{
    if (!set || numberYear > year || (numberYear == year && lastWins)) {
        value = number;
        year = numberYear;
        row = numberRow;
        set = true;
    }
}

namespace {

namespace fs = std::filesystem;

using PlaceOf = std::function<std::string(std::uint32_t)>;

// dBASE numeric fields hold at most this many digits (the engine's DECIMAL(p,s) limit).
constexpr int kMaxDigits = 20;
// The statistics read values as 64-bit whole numbers: a value of more whole digits would be written
// and then refused on every run.
constexpr int kMaxWholeDigits = 18;
constexpr std::size_t kMaxTextBytes = 254;
// Digits beyond the twelfth significant one are taken for rounding noise of the expressions.
constexpr double kRelativeNoise = 1e-12;

// Digits before and after the point, wide enough for every value seen.
struct NumberSize
{
    int digits = 1;
    int decimals = 0;

    void widen(double value, const std::string &column, std::uint32_t row, const PlaceOf &placeOf)
    {
        // As many decimals as the value has, up to the noise of binary fractions: 144.3 / 10 is
        // 14.430000000000001 in double arithmetic and goes in as 14.43, with two decimals.
        char buffer[400];
        std::string_view text;
        for (int places = 0; places <= kMaxDigits; ++places) {
            const auto end =
                std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, places).ptr;
            text = std::string_view(buffer, static_cast<std::size_t>(end - buffer));
            double back = 0;
            std::from_chars(text.data(), text.data() + text.size(), back);
            if (std::fabs(back - value) <= std::fabs(value) * kRelativeNoise) break;
        }
        const std::string shown(text);
        if (!text.empty() && text.front() == '-') text.remove_prefix(1);
        const std::size_t point = text.find('.');
        const int before = static_cast<int>(point == std::string_view::npos ? text.size() : point);
        const int after = static_cast<int>(point == std::string_view::npos ? 0 : text.size() - point - 1);
        if (before > kMaxWholeDigits)
            throw common::DataError(placeOf(row) + ": the value " + shown + " of column " + column +
                                    " is too large: a number of the table has at most " +
                                    std::to_string(kMaxWholeDigits) + " digits before the point");
        const int newDigits = std::max(digits, before), newDecimals = std::max(decimals, after);
        if (newDigits + newDecimals > kMaxDigits)
            throw common::DataError(placeOf(row) + ": the value " + shown + " of column " + column +
                                    " does not fit a dBASE numeric field (" + std::to_string(kMaxDigits) +
                                    " digits at most, " + std::to_string(newDigits + newDecimals) +
                                    " needed)");
        digits = newDigits;
        decimals = newDecimals;
    }
    std::string declared() const
    {
        return "DECIMAL(" + std::to_string(digits + decimals) + "," + std::to_string(decimals) + ")";
    }
};

// A tree that is a whole number as plainly written: "10001", not "0101", "+5" or "1e3".
bool isPlainInteger(const std::string &key)
{
    const std::string_view digits = std::string_view(key).substr(!key.empty() && key[0] == '-' ? 1 : 0);
    if (digits.empty() || digits.size() > 18 || (digits[0] == '0' && digits.size() > 1)) return false;
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The texts of the table, its columns and their fields, decided from all trees.
struct Fields
{
    bool utf8 = false;
    bool numericTree = true;
    std::size_t plotWidth = 1, treeWidth = 1, speciesWidth = 1;
    NumberSize tree, dbh, height;
    std::vector<NumberSize> years;
};

Fields sizeFields(const ImportTableLayout &layout, const std::vector<ImportTree> &trees,
                  const PlaceOf &placeOf)
{
    Fields f;
    f.years.resize(layout.years.size());
    const CodePage windows(kDefaultCodePage);
    for (const ImportTree &tree : trees) {
        f.numericTree = f.numericTree && isPlainInteger(tree.key);
        for (const std::string *text : {&tree.plot.text, &tree.species.text, &tree.key}) {
            if (f.utf8) break;
            try {
                windows.encode(*text, std::string::npos, false);
            } catch (const common::DataError &) {
                f.utf8 = true;
            }
        }
    }
    auto bytes = [&](const std::string &text) {
        return f.utf8 ? text.size() : windows.encode(text, std::string::npos, false).size();
    };
    auto widenText = [&](std::size_t &width, const std::string &text, const char *column, std::uint32_t row) {
        const std::size_t size = bytes(text);
        if (size > kMaxTextBytes)
            throw common::DataError(placeOf(row) + ": the text of column " + column + " is " +
                                    std::to_string(size) +
                                    " bytes long, more than a dBASE character field holds (" +
                                    std::to_string(kMaxTextBytes) + ")");
        width = std::max(width, size);
    };
    for (const ImportTree &tree : trees) {
        widenText(f.plotWidth, tree.plot.text, "PLOT", tree.plot.row);
        widenText(f.speciesWidth, tree.species.text, "SP", tree.species.row);
        widenText(f.treeWidth, tree.key, "TREE", tree.firstRow);
        if (f.numericTree)
            f.tree.widen(std::strtod(tree.key.c_str(), nullptr), "TREE", tree.firstRow, placeOf);
        if (layout.dbh && tree.dbh.set) f.dbh.widen(tree.dbh.value, "DBH", tree.dbh.row, placeOf);
        if (layout.height && tree.height.set)
            f.height.widen(tree.height.value, "HEIGHT", tree.height.row, placeOf);
        for (std::size_t y = 0; y < layout.years.size(); ++y)
            if (const ImportCell &cell = tree.cells[y]; cell.value)
                f.years[y].widen(*cell.value, "D" + std::to_string(layout.years[y]), cell.row, placeOf);
    }
    return f;
}

std::vector<std::string> createTable(const ImportTableLayout &layout, const Fields &f)
{
    auto chars = [](std::size_t width) { return "CHAR(" + std::to_string(width) + ")"; };
    std::vector<std::string> columns{"PLOT " + chars(f.plotWidth),
                                     "TREE " + (f.numericTree ? f.tree.declared() : chars(f.treeWidth)),
                                     "SP " + chars(f.speciesWidth)};
    if (layout.dbh) columns.push_back("DBH " + f.dbh.declared());
    if (layout.height) columns.push_back("HEIGHT " + f.height.declared());
    for (std::size_t y = 0; y < layout.years.size(); ++y)
        columns.push_back("D" + std::to_string(layout.years[y]) + " " + f.years[y].declared());
    std::vector<std::string> lines{"CREATE TABLE imported ("};
    for (std::size_t i = 0; i < columns.size(); ++i)
        lines.push_back(" " + columns[i] + (i + 1 < columns.size() ? "," : ""));
    lines.push_back(")");
    return lines;
}

// Trees by plot, then by tree: numbers by value, texts as texts.
std::vector<const ImportTree *> ordered(const std::vector<ImportTree> &trees, bool numericTree)
{
    std::vector<const ImportTree *> order;
    for (const ImportTree &tree : trees)
        order.push_back(&tree);
    std::sort(order.begin(), order.end(), [&](const ImportTree *a, const ImportTree *b) {
        if (a->plot.text != b->plot.text) return a->plot.text < b->plot.text;
        if (numericTree)
            return std::strtoll(a->key.c_str(), nullptr, 10) < std::strtoll(b->key.c_str(), nullptr, 10);
        return a->key < b->key;
    });
    return order;
}

void writeRows(const fs::path &file, const std::string &displayName, const ImportTableLayout &layout,
               const std::vector<ImportTree> &trees, const Fields &f)
{
    TableWriter writer(file, createTable(layout, f), displayName);
    const int plot = writer.field("PLOT"), tree = writer.field("TREE"), species = writer.field("SP");
    const int dbh = layout.dbh ? writer.field("DBH") : -1,
              height = layout.height ? writer.field("HEIGHT") : -1;
    std::vector<int> years;
    for (int year : layout.years)
        years.push_back(writer.field("D" + std::to_string(year)));
    for (const ImportTree *t : ordered(trees, f.numericTree)) {
        writer.append();
        if (t->plot.set) writer.setString(plot, t->plot.text);
        if (f.numericTree)
            writer.setInteger(tree, std::strtoll(t->key.c_str(), nullptr, 10));
        else
            writer.setString(tree, t->key);
        if (t->species.set) writer.setString(species, t->species.text);
        if (dbh >= 0 && t->dbh.set) writer.setFloat(dbh, t->dbh.value);
        if (height >= 0 && t->height.set) writer.setFloat(height, t->height.value);
        for (std::size_t y = 0; y < years.size(); ++y)
            if (t->cells[y].value) writer.setFloat(years[y], *t->cells[y].value);
    }
    writer.finish();
}

// Writes text to file, a scratch file beside the table being written; a fault names target, the file
// the user knows, with the system's reason.
void writeText(const fs::path &file, const std::string &text, const fs::path &target)
{
    errno = 0;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        const int error = errno;
        throw common::FileError("Cannot write file " + target.string() + ": " +
                                (error ? std::strerror(error) : "the write failed"));
    }
}

// The .cpg file of the table as it exists, in any case of its name; the lower-case name when none.
fs::path cpgOf(const fs::path &table)
{
    const fs::path dir = table.parent_path().empty() ? fs::path(".") : table.parent_path();
    const std::string wanted = table.stem().string() + ".cpg";
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(dir, ec))
        if (common::equalsIgnoreCase(entry.path().filename().string(), wanted)) return entry.path();
    return table.parent_path() / wanted;
}

} // namespace

ImportTableText importTableText(const ImportTableLayout &layout, const std::vector<ImportTree> &trees,
                                std::size_t maxRows, const PlaceOf &placeOf)
{
    const Fields f = sizeFields(layout, trees, placeOf);
    ImportTableText text;
    text.codePage = f.utf8 ? "UTF-8" : kDefaultCodePage;
    text.columns = {"PLOT", "TREE", "SP"};
    if (layout.dbh) text.columns.push_back("DBH");
    if (layout.height) text.columns.push_back("HEIGHT");
    for (int year : layout.years)
        text.columns.push_back("D" + std::to_string(year));
    auto number = [](bool set, double value, const NumberSize &size) {
        if (!set) return std::string();
        char buffer[400];
        const auto end =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, size.decimals).ptr;
        return std::string(buffer, end);
    };
    for (const ImportTree *t : ordered(trees, f.numericTree)) {
        if (text.rows.size() == maxRows) break;
        std::vector<std::string> row{t->plot.text, t->key, t->species.text};
        if (layout.dbh) row.push_back(number(t->dbh.set, t->dbh.value, f.dbh));
        if (layout.height) row.push_back(number(t->height.set, t->height.value, f.height));
        for (std::size_t y = 0; y < layout.years.size(); ++y)
            row.push_back(number(t->cells[y].value.has_value(), t->cells[y].value.value_or(0), f.years[y]));
        text.rows.push_back(std::move(row));
    }
    return text;
}

std::string writeImportTable(const fs::path &table, const ImportTableLayout &layout,
                             const std::vector<ImportTree> &trees, const PlaceOf &placeOf)
{
    const Fields fields = sizeFields(layout, trees, placeOf);
    const fs::path dir = table.parent_path().empty() ? fs::path(".") : table.parent_path();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw common::FileError("Cannot create the directory " + dir.string() + ": " + ec.message());

    // One writer of the table and its side files at a time: two imports whose renames interleave
    // would leave the table of one with the side files of the other. A commit that a kill cut short
    // is finished (or set aside) before this one begins, and the full-size temporary tables of
    // killed imports go.
    const std::string dataDir = dir.string() + "/";
    const std::string tableFile = table.filename().string();
    const TableLock lock(dir, tableFile, "import");
    const fs::path cpg = cpgOf(table);
    for (const std::string &target :
         {table.string(), yearsSideFile(dataDir, tableFile), rolesSideFile(dataDir, tableFile), cpg.string()})
        common::removeLeftoverTemporaries(target);

    common::ReplacingFile replacing(table.string());
    {
        // The writer reads the table's code page as the engine does: for UTF-8 from a .cpg file
        // beside the temporary table, there only while it is written.
        const fs::path scratchCpg = fs::path(replacing.path()).replace_extension(".cpg");
        fs::path scratch;
        const common::ScopeExit removeScratch([&scratch] {
            std::error_code ignored;
            if (!scratch.empty()) fs::remove(scratch, ignored);
        });
        if (fields.utf8) {
            scratch = scratchCpg;
            writeText(scratchCpg, "UTF-8", table);
        }
        writeRows(replacing.path(), table.filename().string(), layout, trees, fields);
    }
    std::vector<std::string> years{"Defoliations", "-", "-", "-"};
    std::vector<std::string> roles{"Specials", "PlotNames", "TreeID", "Species"};
    for (const auto &[given, role] : {std::pair{layout.dbh, "DBH"}, std::pair{layout.height, "Height"}})
        if (given) {
            years.push_back("-");
            roles.push_back(role);
        }
    for (int year : layout.years) {
        years.push_back(std::to_string(year));
        roles.push_back("-");
    }
    common::ReplacingFile yearsFile(yearsSideFile(dataDir, tableFile));
    yearsFile.write(sideFileBytes(years));
    common::ReplacingFile rolesFile(rolesSideFile(dataDir, tableFile));
    rolesFile.write(sideFileBytes(roles));
    // The table, its side files and its .cpg file are put in place as one: a kill leaves the old set
    // or the new one, never a new table with old side files. A .cpg file decides the code page over
    // the language driver: one left from an older table must not outlive it.
    std::vector<common::ReplacingFile *> together{&replacing, &yearsFile, &rolesFile};
    std::optional<common::ReplacingFile> cpgFile;
    if (fields.utf8 || fs::exists(cpg, ec)) {
        cpgFile.emplace(cpg.string());
        cpgFile->write(fields.utf8 ? "UTF-8" : "1250");
        together.push_back(&*cpgFile);
    }
    common::commitTogether(together);
    return fields.utf8 ? "UTF-8" : kDefaultCodePage;
}

} // namespace data
