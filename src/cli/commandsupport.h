// What the model and statistics commands share: a data table opened with the roles and years of its
// side files, a message sink on the console, and the value-type option.
#pragma once

#include "common/messagesink.h"
#include "data/database.h"
#include "model/defclass.h"
#include "model/statisticsrun.h"

#include <iosfwd>
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

// Prints messages on a stream, one per line; warnings and errors with their kind in front.
class ConsoleSink : public common::MessageSink
{
public:
    explicit ConsoleSink(std::ostream &stream) : m_stream(stream) {}
    void message(common::MessageKind kind, const std::string &text) override;

private:
    std::ostream &m_stream;
};

// "percent" or "classes"; anything else throws common::Error.
model::ValueType parseValueType(const std::string &text);

} // namespace cli
