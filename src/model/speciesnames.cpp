// Species display names and their file.
#include "model/speciesnames.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "common/messagesink.h"
#include "common/textfile.h"
#include "data/codepage.h"
#include "data/database.h"
#include "data/tableinfo.h"
#include "data/treeselection.h"
#include "model/statisticsrun.h"

#include <limits>

namespace model {

std::vector<SpeciesNameRow> SpeciesNameRows(const std::vector<std::string> &codes)
{
    std::vector<SpeciesNameRow> rows;
    rows.reserve(codes.size());
    for (const auto &code : codes)
        rows.push_back({code, code});
    return rows;
}

std::string SpeciesDisplayName(const std::vector<SpeciesNameRow> &rows, const std::string &code)
{
    for (const auto &row : rows)
        if (common::equalsIgnoreCase(row.code, code)) return row.name;
    return "<" + code + ">";
}

std::string SpeciesNamesText(const std::vector<SpeciesNameRow> &rows, const std::string &codePage)
{
    const data::CodePage page(codePage);
    constexpr auto unlimited = std::numeric_limits<std::size_t>::max();
    std::string text;
    for (const auto &row : rows) {
        try {
            text += page.encode(row.code + ";" + row.name, unlimited, false);
        } catch (const common::DataError &e) {
            throw common::DataError(std::string(kSpeciesNamesFile) + " cannot hold the name of species " +
                                    row.code + ": " + e.what());
        }
        text += "\r\n";
    }
    return text;
}

int ReadSpeciesNames(std::vector<SpeciesNameRow> &rows, const std::string &bytes, const std::string &codePage,
                     common::MessageSink *sink, const std::string &file)
{
    const data::CodePage page(codePage);
    int named = 0, number = 0;
    std::vector<int> unsplit; // lines with text but no ";"
    for (const auto &line : common::splitLines(bytes)) {
        ++number;
        const std::size_t semicolon = line.find(';');
        if (semicolon == std::string::npos && line.find_first_not_of(" \t") != std::string::npos)
            unsplit.push_back(number);
        if (semicolon == std::string::npos || semicolon == 0) continue;
        const std::string code = page.decode(line.substr(0, semicolon));
        const std::string name = page.decode(line.substr(semicolon + 1));
        bool found = false;
        for (auto &row : rows) {
            if (!common::equalsIgnoreCase(row.code, code)) continue;
            row.name = name;
            found = true;
        }
        named += found ? 1 : 0;
    }
    if (sink && !unsplit.empty()) {
        std::string lines;
        for (std::size_t i = 0; i < unsplit.size() && i < 10; ++i)
            lines += (i ? ", " : "") + std::to_string(unsplit[i]);
        if (unsplit.size() > 10) lines += " and " + std::to_string(unsplit.size() - 10) + " more";
        sink->warning((file.empty() ? std::string("The species names") : file) + ": " +
                      (unsplit.size() == 1 ? "line " : "lines ") + lines +
                      " give no code and name separated by \";\" and were passed over");
    }
    return named;
}

std::vector<SpeciesNameRow> TableSpeciesNames(data::Connection &connection, const TableSetup &setup,
                                              const std::string &file, common::MessageSink &sink)
{
    data::Query query(connection);
    auto rows =
        SpeciesNameRows(data::listValues(query, setup.tableFile, setup.roles.species, "", setup.conditions));
    if (!file.empty()) {
        const auto codePage = data::describeTable(connection, setup.tableFile).codePage.name;
        ReadSpeciesNames(rows, common::readTextFile(file), codePage, &sink, file);
    }
    return rows;
}

} // namespace model
