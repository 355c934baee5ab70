// Replace and Check deads over the rows of a live query.
#include "data/edittools.h"

#include "common/error.h"

namespace data {

namespace {

// Walks the rows and runs the per-row part; the edits of a row are stored as the cursor moves on, and
// also when the row ends the tool.
template <typename Row> ToolRun scanRows(Query &trees, Row row)
{
    ToolRun run;
    for (trees.first(); !trees.eof(); trees.next()) {
        try {
            if (!row(run)) {
                trees.post();
                run.cancelled = true;
                return run;
            }
        } catch (...) {
            // The row's confirmed changes are stored before the failure is reported; when that
            // fails too, the first failure is the one the user must see.
            try {
                trees.post();
            } catch (...) {
                trees.cancel();
            }
            throw;
        }
    }
    return run;
}

} // namespace

std::string standardDeadValue(int valueType)
{
    return valueType == 1 ? "5" : "100";
}

Answer ConfirmReplace(Query &trees, const std::string &treeIdField, const std::string &column,
                      const std::string &replacement, Confirmations &confirmations)
{
    trees.checkValue(column, replacement);
    const std::string tree = treeIdField.empty() ? "the record" : trees.asString(treeIdField);
    const Answer answer = confirmations.confirm("Replace the case of " + tree);
    if (answer == Answer::Yes) {
        trees.edit();
        trees.setField(column, replacement);
    }
    return answer;
}

ToolRun replaceValues(Query &trees, const ReplaceSettings &settings, Confirmations &confirmations)
{
    const std::vector<std::string> selected{settings.selectedColumn};
    const std::vector<std::string> &columns = settings.selectedOnly ? selected : settings.yearFields;
    return scanRows(trees, [&](ToolRun &run) {
        for (const std::string &column : columns) {
            if (trees.asString(column) != settings.find) continue;
            const Answer answer =
                ConfirmReplace(trees, settings.treeIdField, column, settings.replacement, confirmations);
            if (answer == Answer::Cancel) return false;
            if (answer == Answer::Yes) ++run.changed;
        }
        return true;
    });
}

ToolRun checkDeads(Query &trees, const DeadCheckSettings &settings, Confirmations &confirmations)
{
    return scanRows(trees, [&](ToolRun &run) {
        bool dead = false;
        for (const YearColumn &year : settings.years) {
            const std::string text = trees.asString(year.field);
            if (!dead) {
                dead = text == settings.deadValue;
                continue;
            }
            if (text == settings.deadValue) continue;
            trees.checkValue(year.field, settings.standardDead);
            const Answer answer =
                confirmations.confirm("Replace the case of year " + std::to_string(year.year));
            if (answer == Answer::Cancel) return false;
            if (answer == Answer::Yes) {
                trees.edit();
                trees.setField(year.field, settings.standardDead);
                ++run.changed;
            }
        }
        return true;
    });
}

} // namespace data
