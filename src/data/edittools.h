// The two tools of the "Data table" page that correct the shown rows in bulk, with a question for
// every change: Replace, which finds a value and replaces it, and Check deads, which keeps a tree
// once recorded as dead dead in every later year.
//
// Both walk a live query from its first row to past its last, in the order it delivers the rows,
// and visit the defoliation columns in the order of the year list (the table's column order, not
// necessarily chronological). A cell is compared as the text the engine gives for its value, exactly.
// A change confirmed with Yes is put into the row's edit buffer and stored when the query moves on to
// the next row. When the user answers Cancel, or a value cannot be stored, the changes already
// confirmed in that row are stored too before the tool ends: what was confirmed is on disk.
#pragma once

#include "data/database.h"
#include "data/selection.h"

#include <string>
#include <vector>

namespace data {

enum class Answer { Yes, No, Cancel };

// The confirmations the tools ask, each with the buttons Yes, No and Cancel.
class Confirmations
{
public:
    virtual ~Confirmations() = default;
    virtual Answer confirm(const std::string &question) = 0;
};

// What a run did: the cells set, and whether it ended on Cancel.
struct ToolRun
{
    int changed = 0;
    bool cancelled = false;
};

// The value a dead tree holds: "100" on the per-cent scale (valueType 0), "5" in damage classes (1).
std::string standardDeadValue(int valueType);

// Asks "Replace the case of " and the tree's name (the text of the TreeID column of the current row,
// or "the record" when no column has that role); on Yes sets the column of the current row to the
// replacement. The value is checked first: common::DataError when the column cannot hold it.
Answer ConfirmReplace(Query &trees, const std::string &treeIdField, const std::string &column,
                      const std::string &replacement, Confirmations &confirmations);

struct ReplaceSettings
{
    std::string find;
    std::string replacement;
    bool selectedOnly = false;
    std::string selectedColumn;          // searched alone when selectedOnly; an empty name is not found
    std::vector<std::string> yearFields; // searched otherwise, in this order
    std::string treeIdField;
};

// Replace over every row of the open live query. Throws common::DataError for a column that does not
// exist, a value the column cannot hold or a row that cannot be stored; rows stored before stay.
ToolRun replaceValues(Query &trees, const ReplaceSettings &settings, Confirmations &confirmations);

struct DeadCheckSettings
{
    std::string deadValue;         // the value that marks a tree as dead, as the user entered it
    std::string standardDead;      // the value written into the later years
    std::vector<YearColumn> years; // in the order of the year list
};

// Check deads over every row: after the first column holding the dead value, every later column that
// differs from it asks "Replace the case of year " and its survey year; Yes writes the standard dead
// value. Throws as replaceValues does.
ToolRun checkDeads(Query &trees, const DeadCheckSettings &settings, Confirmations &confirmations);

} // namespace data
