// What a statistics run is given, checked before it writes anything: a run refused at its start must
// leave the tables of the last run as they are, with a message that says what to fix.
#pragma once

#include <filesystem>
#include <string>

namespace data {
class Connection;
}

namespace model {

struct ModelSettings;
struct TableSetup;

// Throws common::Error "No column has the role <role>: double-click a cell under "Specials" to assign
// it" when column is empty: the column of a role the caller needs.
void RequireRole(const std::string &column, const char *role);

// Throws common::Error "The table cannot be named TRANSIT.DBF or AVERAGE.DBF: the statistics are
// written under these names beside it" when the data table is one of the run's result tables, by its
// name in any case or as the same file under another name: the run would replace it. dir is the
// folder of the table and of the results.
void RequireNotResultTable(const std::filesystem::path &dir, const std::string &tableFile);

// Checks the run's inputs against the table and returns nothing when they are sound; throws
// common::Error naming what to fix otherwise: an interval below 1 year; a result table as the data
// table (RequireNotResultTable); a data table that cannot be
// read; PlotNames or Species without a column, a role naming a column the table lacks; no survey
// year, or a year column the table lacks; a condition refused by data::checkCondition, whose kept
// form replaces the setup's condition.
void CheckRunInputs(data::Connection &connection, TableSetup &setup, const ModelSettings &settings);

} // namespace model
