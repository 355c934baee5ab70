// dBASE files read back by an independent reader: shapelib's dbfdump, its field list and its
// one-line-per-field record listing, values as stored with surrounding blanks removed.
#pragma once

#include "support/testsupport.h"

#include <cctype>
#include <filesystem>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace dbfdump {

struct Field
{
    std::string name;
    char type = 0; // 'C' or 'N'
    int width = 0;
    int decimals = 0;
};

struct Table
{
    std::vector<Field> fields;
    std::vector<std::vector<std::string>> rows; // "" for a blank value

    std::size_t column(const std::string &name) const
    {
        // dBASE field names are matched without regard to case, as the program addresses them.
        auto lower = [](std::string text) {
            for (char &c : text)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return text;
        };
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (lower(fields[i].name) == lower(name)) return i;
        throw std::out_of_range("no field " + name);
    }
    const std::string &at(std::size_t row, const std::string &name) const
    {
        return rows.at(row).at(column(name));
    }
    double number(std::size_t row, const std::string &name) const { return std::stod(at(row, name)); }
};

inline std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

inline Table read(const std::filesystem::path &file)
{
    std::string output;
    if (testsupport::runCommand("dbfdump -h -m '" + file.string() + "' 2>&1", &output) != 0)
        throw std::runtime_error("dbfdump failed on " + file.string() + ": " + output);
    Table table;
    std::istringstream in(output);
    std::string line;
    const std::regex fieldLine(R"(Field \d+: Type=(.)/\w+, Title=`([^']*)', Width=(\d+), Decimals=(\d+))");
    std::smatch m;
    std::size_t next = 0;
    while (std::getline(in, line)) {
        if (std::regex_match(line, m, fieldLine)) {
            table.fields.push_back({m[2], m[1].str()[0], std::stoi(m[3]), std::stoi(m[4])});
        } else if (line.rfind("Record: ", 0) == 0) {
            table.rows.emplace_back(table.fields.size());
            next = 0;
        } else if (!table.rows.empty() && next < table.fields.size()) {
            const std::string prefix = table.fields[next].name + ": ";
            if (line.rfind(prefix, 0) != 0) throw std::runtime_error("unexpected dbfdump line: " + line);
            const std::string value = trimmed(line.substr(prefix.size()));
            table.rows.back()[next++] = value == "(NULL)" ? "" : value;
        }
    }
    return table;
}

} // namespace dbfdump
