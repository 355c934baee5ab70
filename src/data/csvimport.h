// Tree observations in long CSV files (one row per tree and survey, as monitoring data arrive) made
// into a data table: one row per tree with its plot, tree, species, DBH and height, and one
// defoliation column per survey year, written with its years and roles side files so that it opens
// ready for the statistics.
//
// The files are read once, every field as text (an empty field and the missing-value text are
// NULL), into an in-memory SQLite table with their columns, so that each role is an SQL expression
// over those columns: "upper(sp)", "last_main_census_dbh / 10.0", a CASE over status codes. Several
// files are one table when their headers agree.
#pragma once

#include "data/codepage.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace common {
class MessageSink;
class Progress;
} // namespace common

namespace data {

// What to do with several rows of one tree in one survey.
enum class Duplicates {
    Refuse, // an error listing the first ten
    Agree,  // their common value, a blank when they differ
    First,  // the row that comes first (files in the order given, then lines)
    Last,   // the row that comes last
};

struct ImportSettings
{
    std::vector<std::filesystem::path> files; // CSV files, read in this order
    std::filesystem::path table;              // the dBASE table written
    // SQL expressions over the files' columns. DBH and height are left out of the table when empty.
    std::string plot, tree, species, year, value, dbh, height;
    std::string condition; // SQL condition a row must meet to be used; empty: every row
    Duplicates duplicates = Duplicates::Refuse;
    std::string encoding = kDefaultCodePage; // the code page of files that are not UTF-8; not blank
    std::string missing = "NA";              // the text of a missing value
    bool replace = false;                    // an existing table may be replaced
};

struct ImportedFile
{
    std::filesystem::path file;
    std::size_t rows = 0;
    std::string codePage; // iconv name of the code page it was read in
};

struct ImportSummary
{
    std::vector<ImportedFile> files;
    std::size_t keptRows = 0; // rows that met the condition
    std::size_t trees = 0;
    std::vector<int> years;
    std::vector<std::string> species; // the species codes written, in the order of the species list
    std::size_t values = 0; // cells of the defoliation columns holding a value
    std::size_t blanks = 0;
    std::size_t repeatedCells = 0; // tree and survey pairs with more than one row
    std::size_t repeatRows = 0;    // the rows beyond the first of those
    std::size_t disagreeing = 0;   // repeated cells whose rows give different values
    Duplicates duplicates = Duplicates::Refuse;
    std::string codePage; // the code page the table is marked with
    bool cancelled = false;
};

// Reads the files and writes the table with its side files; with the text of a plot, species or tree
// beyond Windows-1250 the table is marked UTF-8 by a .cpg file, otherwise by its language driver.
// Files that are not UTF-8 are read in settings.encoding, told to sink; so are trees whose plot or
// species differs between rows (the table has the value of the newest survey that has one). The
// progress steps once per file, and its cancelRequested() is asked while the expressions run; a
// cancel leaves everything as it was and returns with cancelled set.
//
// Throws common::Error before anything is written: an existing table without replace, a table named
// TRANSIT.DBF or AVERAGE.DBF, a blank or unknown encoding, a file that cannot be read, is not a
// regular file or whose header differs from the first file's (the first differing column named), a
// NUL byte, a line longer than kMaxCsvLineBytes or bytes that are not text in the encoding
// (csvreader.h), a fault of CSV form, an expression SQLite refuses (its message) or that does not
// stand alone (csvstage.h), a year that is not a whole number from 1 to 9999, a blank tree, a value,
// DBH or height that is not a number, a value that does not fit a dBASE field or has more than 18
// digits before the point, repeats with Duplicates::Refuse (ten named, each with at most ten rows);
// the faults of a row name its file and line, and text quoted from the data has its control
// characters escaped. common::FileError when the table cannot be written, naming it and the reason.
ImportSummary importCsv(const ImportSettings &settings, common::MessageSink &sink,
                        common::Progress *progress = nullptr);

// The first rows of the table importCsv would write, as text, and what it would say of them.
struct ImportPreview
{
    std::vector<std::string> columns;           // PLOT, TREE, SP, [DBH], [HEIGHT], D<year>...
    std::vector<std::vector<std::string>> rows; // in the table's order; a blank is empty
    ImportSummary summary;                      // as importCsv returns it, for the whole table
};

// Reads the files as importCsv does and returns the first `rows` rows of the table, numbers written
// with the decimals of their field, without writing anything: settings.table and replace are not
// looked at. Tells sink and throws as importCsv does, but for the faults of the table's name; a
// cancel returns with summary.cancelled set and no rows.
ImportPreview previewCsv(const ImportSettings &settings, common::MessageSink &sink, std::size_t rows,
                         common::Progress *progress = nullptr);

// The summary as lines for the user: rows per file, rows kept, trees, years, values, blanks,
// repeats and how they were resolved, the table's code page.
std::vector<std::string> describeImport(const ImportSummary &summary);

} // namespace data
