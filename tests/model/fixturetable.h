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

// The names of the plot, tree and species columns.
struct RoleColumns
{
    std::string plot = "PLOT";
    std::string tree = "TREE";
    std::string species = "SP";
    int plotWidth = 12;
    int speciesWidth = 4;
};

// Writes dir/name (name ending in ".dbf") and the side files dir/<stem>.yrs and dir/<stem>.var.
inline std::filesystem::path writeTable(const std::filesystem::path &dir, const std::string &name,
                                        const std::vector<Column> &columns, const std::vector<Tree> &trees,
                                        const RoleColumns &roleColumns = {})
{
    const auto file = dir / name;
    DBFHandle h = DBFCreate(file.string().c_str());
    if (!h) throw std::runtime_error("cannot create " + file.string());
    DBFAddField(h, roleColumns.plot.c_str(), FTString, roleColumns.plotWidth, 0);
    DBFAddField(h, roleColumns.tree.c_str(), FTInteger, 6, 0);
    DBFAddField(h, roleColumns.species.c_str(), FTString, roleColumns.speciesWidth, 0);
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

// A table whose names SQL must quote: O'Hara.dbf with the columns ORDER, ID and GROUP for plot, tree
// and species and VALUES and D1996 for the survey years 1995 and 1996, or the same trees in T.dbf with
// plain names. Plot O'Neil has 7 trees of SM (3 of them dying) and 6 of BK, plot P2 7 of SM.
inline std::filesystem::path writeQuotedNamesTable(const std::filesystem::path &dir, bool plainNames = false)
{
    std::vector<Tree> trees;
    addTrees(trees, 4, "O'Neil", "SM", {10, 30});
    addTrees(trees, 3, "O'Neil", "SM", {45, 100});
    addTrees(trees, 6, "O'Neil", "BK", {20, 25});
    addTrees(trees, 7, "P2", "SM", {5, 15});
    if (plainNames) return writeTable(dir, "T.dbf", {{"D1995", 1995}, {"D1996", 1996}}, trees);
    return writeTable(dir, "O'Hara.dbf", {{"VALUES", 1995}, {"D1996", 1996}}, trees,
                      {"ORDER", "ID", "GROUP"});
}

} // namespace fixture
