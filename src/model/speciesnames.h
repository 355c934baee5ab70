// Display names of species for the titles of the model pictures, and the file "SpeciesNames.txt" that
// keeps them: one line per species, the code, ";" and the name (SM;Picea abies), 8-bit text in the
// data table's code page, every line ended by CR LF.
#pragma once

#include <string>
#include <vector>

namespace common {
class MessageSink;
}

namespace data {
class Connection;
}

namespace model {

struct TableSetup;

inline constexpr const char *kSpeciesNamesFile = "SpeciesNames.txt";

// One species with the name its pictures are titled with.
struct SpeciesNameRow
{
    std::string code; // UTF-8, as the species list shows it
    std::string name; // UTF-8; the code itself until the user names it
    bool operator==(const SpeciesNameRow &) const = default;
};

// One row per code, in the given order, each named by its code.
std::vector<SpeciesNameRow> SpeciesNameRows(const std::vector<std::string> &codes);

// The name of the first row whose code equals `code` without regard to ASCII case; "<" code ">" when
// no row has it.
std::string SpeciesDisplayName(const std::vector<SpeciesNameRow> &rows, const std::string &code);

// The bytes of the file for the rows, every row in order. codePage is an iconv name (the table's).
// Throws common::DataError, naming the species, for a code or name with a character the code page
// lacks.
std::string SpeciesNamesText(const std::vector<SpeciesNameRow> &rows, const std::string &codePage);

// Applies a file's bytes to the rows: every line is split at its first ";" into code and name, and
// every row whose code equals that code without regard to ASCII case takes the name. Lines whose code
// no row has, and lines without ";" (whose code is empty), are passed over; rows the file does not
// name keep their names. Returns the number of lines that named a row. sink (optional) is warned
// once about the lines that hold text but no ";", naming the file and the lines by number.
int ReadSpeciesNames(std::vector<SpeciesNameRow> &rows, const std::string &bytes, const std::string &codePage,
                     common::MessageSink *sink = nullptr, const std::string &file = "");

// Every species of the table under the setup's condition, in the order of the species lists, each
// named as the file of species names `file` names it (none for an empty name), read in the table's
// code page with its messages to sink. The window's report and the commands take their names here.
// Throws common::Error when the table or the file cannot be read.
std::vector<SpeciesNameRow> TableSpeciesNames(data::Connection &connection, const TableSetup &setup,
                                              const std::string &file, common::MessageSink &sink);

} // namespace model
