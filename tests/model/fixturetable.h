// Small tree tables for the data tests, written with shapelib (not through the program's engine) as
// a user's dBASE file with its years and roles side files: PLOT C(12), TREE N(6,0), SP C(4), then one
// N(4,0) column per defoliation column, blank where a tree was not observed.
#pragma once

#include <shapefil.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fixture {

struct Column
{
    std::string name;
    int year;
};

struct Tree
{
    std::string plot;
    std::string species;
    std::vector<std::optional<int>> values; // one per column
};

inline void writeLines(const std::filesystem::path &file, const std::vector<std::string> &lines)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (const auto &line : lines)
        out << line << "\r\n";
}

// Writes dir/name (name ending in ".dbf") and the side files dir/<stem>.yrs and dir/<stem>.var.
inline std::filesystem::path writeTable(const std::filesystem::path &dir, const std::string &name,
                                        const std::vector<Column> &columns, const std::vector<Tree> &trees)
{
    const auto file = dir / name;
    DBFHandle h = DBFCreate(file.string().c_str());
    if (!h) throw std::runtime_error("cannot create " + file.string());
    DBFAddField(h, "PLOT", FTString, 12, 0);
    DBFAddField(h, "TREE", FTInteger, 6, 0);
    DBFAddField(h, "SP", FTString, 4, 0);
    for (const auto &c : columns)
        DBFAddField(h, c.name.c_str(), FTInteger, 4, 0);
    for (std::size_t t = 0; t < trees.size(); ++t) {
        const int row = static_cast<int>(t);
        DBFWriteStringAttribute(h, row, 0, trees[t].plot.c_str());
        DBFWriteIntegerAttribute(h, row, 1, row + 1);
        DBFWriteStringAttribute(h, row, 2, trees[t].species.c_str());
        for (std::size_t c = 0; c < columns.size(); ++c)
            if (trees[t].values.at(c))
                DBFWriteIntegerAttribute(h, row, static_cast<int>(c) + 3, *trees[t].values[c]);
    }
    DBFClose(h);

    std::vector<std::string> years{"Defoliations", "-", "-", "-"},
        roles{"Specials", "PlotNames", "TreeID", "Species"};
    for (const auto &c : columns) {
        years.push_back(std::to_string(c.year));
        roles.push_back("-");
    }
    const std::string stem = name.substr(0, name.size() - 3);
    writeLines(dir / (stem + "yrs"), years);
    writeLines(dir / (stem + "var"), roles);
    return file;
}

// n trees of one plot and species with the same values.
inline void addTrees(std::vector<Tree> &trees, int n, const std::string &plot, const std::string &species,
                     const std::vector<std::optional<int>> &values)
{
    for (int i = 0; i < n; ++i)
        trees.push_back({plot, species, values});
}

} // namespace fixture
