// What the commands share: a data table opened with the roles and years of its side files, and the
// value-type option.
#pragma once

#include "cli/options.h"
#include "data/database.h"
#include "model/defclass.h"
#include "model/speciesnames.h"
#include "model/statisticsrun.h"
#include "model/survey.h"

#include <memory>
#include <string>

namespace cli {

// The table at `path` opened with the roles and years of its side files (model::Survey::readSetup,
// with its errors). Ctrl+C or SIGTERM noted by the command's InterruptWatch stops a slow statement
// at once.
std::unique_ptr<model::Survey> openSurvey(const std::string &path);

// The table at `path` opened as openSurvey opens it, under the user's condition, with the query of
// its selected trees prepared (data::prepareTreeQuery): what a command of one plot and species reads.
// The caller sets the query's plot and species and opens it.
struct SelectedTrees
{
    SelectedTrees(const std::string &path, const std::string &conditions);

    std::unique_ptr<model::Survey> survey;
    data::Query query; // on the survey's connection
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
std::vector<model::SpeciesNameRow> speciesNameRows(model::Survey &table, const std::string &file,
                                                   common::MessageSink &sink);

} // namespace cli
