// Writes realistic tree tables for tests, benchmarks and the bundled example: plots with one to four
// species, trees with DBH and height, one defoliation column per survey year with blanks for trees
// not observed, and dead trees that stay dead. The years and roles side files are written beside it.
#pragma once

#include "data/selection.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace data {

struct GeneratorSettings
{
    int trees = 1000;
    int plots = 50;
    int years = 10;
    int firstYear = 1995;
    ValueType valueType = ValueType::Percent;
    double blankShare = 0.03;    // share of tree-years left blank (not observed)
    std::uint64_t seed = 1;
};

struct GeneratorSummary
{
    int trees = 0;
    int plots = 0;
    int speciesPlots = 0; // plot and species pairs
    int deadTrees = 0;    // trees dead in the last survey year
};

// Writes the table to `file` through the engine, with its years and roles side files, creating the
// directory when it is missing. An existing table and side files are replaced only once the new ones
// are complete (common::ReplacingFile): an error, a full disk among them, keeps them as they were.
// Columns: PLOT C(10), TREE N, SP C(2), DBH N(.1), HEIGHT N(.1), D<year> N per survey year.
// Throws common::Error on failure, common::FileError when a file cannot be written.
GeneratorSummary generateTable(const std::filesystem::path &file, const GeneratorSettings &settings);

} // namespace data
