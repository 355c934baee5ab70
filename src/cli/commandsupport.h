// What the commands share: a data table opened with the roles and years of its side files, and the
// value-type option.
#pragma once

#include "cli/options.h"
#include "data/database.h"
#include "model/defclass.h"
#include "model/speciesnames.h"
#include "model/statisticsrun.h"

#include <string>

namespace cli {

// The table at `path` through a connection to its directory, with the column roles and the year list
// taken from its years and roles side files as Fenoris stored them (Set OK). Throws common::Error with
// a message naming the file when a side file is missing, does not have one line per column of the
// table, holds a year that is not a whole number, or leaves PlotNames, TreeID or Species without a
// column or the table without a year column.
class OpenedTable
{
public:
    explicit OpenedTable(const std::string &path);
    OpenedTable(const OpenedTable &) = delete;
    OpenedTable &operator=(const OpenedTable &) = delete;

    data::Connection &connection() { return m_connection; }
    const model::TableSetup &setup() const { return m_setup; }
    // Checks the user's condition (data::checkCondition) and keeps it for the queries.
    void setConditions(const std::string &conditions);

private:
    data::Connection m_connection;
    model::TableSetup m_setup;
};

// "percent" or "classes"; anything else throws common::Error.
model::ValueType parseValueType(const std::string &text);

// The settings of a run from --interval (1 when not given; at least 1), --value-type and --share (the
// per cent of trees below the lower limit, 25 when not given). The share is read in the precision the
// window reads its share field in, so that both compute the same factor; its messages go to sink.
// "Max deads %" keeps its default. Throws common::Error for a value out of range.
model::ModelSettings settingsOptions(const Options &options, common::MessageSink &sink);

// The level of the matrices' intervals from --level (0.95 when not given); a level that is not a
// number between 0 and 1 throws common::Error.
double levelOption(const Options &options);

// The species of the whole table under the user's condition, in list order, named as the file of
// species names (--species-names, empty for none) names them: the rows of the window's species grid.
// The file's messages go to sink; throws common::Error when it cannot be read.
std::vector<model::SpeciesNameRow> speciesNameRows(OpenedTable &table, const std::string &file,
                                                   common::MessageSink &sink);

} // namespace cli
