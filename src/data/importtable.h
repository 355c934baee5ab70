// The trees an import gathered, and the data table written from them: fields sized to the values, the
// code page the text needs, years and roles side files. Internal to the import (csvimport.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace data {

// A plot or species of a tree: the value of its newest survey that has one. Within one survey the
// first row's value is kept, or the last one's when the last row wins. differs tells that two rows
// gave different values, and which two were seen first.
struct TextAttribute
{
    std::string text;
    int year = 0;
    std::uint32_t row = 0;
    bool set = false;
    bool differs = false;
    std::string otherKeptText, otherText;
    int otherKeptYear = 0, otherYear = 0;

    void offer(const std::string &value, int valueYear, std::uint32_t valueRow, bool lastWins);
};

// DBH or height, kept as TextAttribute keeps its value.
struct NumberAttribute
{
    double value = 0;
    int year = 0;
    std::uint32_t row = 0;
    bool set = false;

    void offer(double number, int numberYear, std::uint32_t numberRow, bool lastWins);
};

// The defoliation of one survey year as the table gets it, with the row it came from.
struct ImportCell
{
    std::optional<double> value;
    std::uint32_t row = 0;
};

struct ImportTree
{
    std::string key; // the tree expression's value as text
    std::uint32_t firstRow = 0;
    TextAttribute plot, species;
    NumberAttribute dbh, height;
    struct Observation
    {
        int year = 0;
        std::optional<double> value;
        std::uint32_t row = 0;
    };
    std::vector<Observation> observations; // as gathered, before repeats are resolved
    std::vector<ImportCell> cells;         // one per survey year of the table
};

struct ImportTableLayout
{
    std::vector<int> years; // ascending
    bool dbh = false;
    bool height = false;
};

// Writes the table PLOT, TREE, SP, [DBH], [HEIGHT], D<year>... with one row per tree, ordered by plot
// and tree, and its years and roles side files, each written whole under a temporary name. TREE is
// numeric when every tree is a whole number written plainly (no leading zero or sign of plus),
// otherwise text like PLOT and SP. Character fields are as wide as their longest text, numeric
// fields as their longest number with the most decimals any value has. The table is marked
// Windows-1250 when every text is in that code page, UTF-8 otherwise (a .cpg file, committed
// together with the table). Returns the code page's iconv name. Throws common::DataError naming the
// place (placeOf a row: "File F, line N") and the column of a value that does not fit a dBASE field,
// common::FileError when a file cannot be written.
std::string writeImportTable(const std::filesystem::path &table, const ImportTableLayout &layout,
                             const std::vector<ImportTree> &trees,
                             const std::function<std::string(std::uint32_t row)> &placeOf);

// The columns of the table writeImportTable writes and its first maxRows rows as text: numbers with
// the decimals of their field, blanks empty. Throws as writeImportTable does for a value that does
// not fit a field.
struct ImportTableText
{
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    std::string codePage; // iconv name, as writeImportTable returns it
};
ImportTableText importTableText(const ImportTableLayout &layout, const std::vector<ImportTree> &trees,
                                std::size_t maxRows,
                                const std::function<std::string(std::uint32_t row)> &placeOf);

} // namespace data
