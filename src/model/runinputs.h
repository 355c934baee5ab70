// What a statistics run is given, checked before it writes anything: a run refused at its start must
// leave the tables of the last run as they are, with a message that says what to fix.
#pragma once

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

// Checks the run's inputs against the table and returns nothing when they are sound; throws
// common::Error naming what to fix otherwise: an interval below 1 year; a data table that cannot be
// read; PlotNames or Species without a column, a role naming a column the table lacks; no survey
// year, or a year column the table lacks; a condition refused by data::checkCondition, whose kept
// form replaces the setup's condition.
void CheckRunInputs(data::Connection &connection, TableSetup &setup, const ModelSettings &settings);

} // namespace model
