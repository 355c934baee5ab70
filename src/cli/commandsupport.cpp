// Opening a data table with its side files, and the value-type option.
#include "cli/commandsupport.h"

#include "cli/interrupt.h"

#include "common/error.h"
#include "common/numbers.h"

#include "data/treeselection.h"

#include "model/transituncertainty.h"

#include <filesystem>

namespace cli {

std::unique_ptr<model::Survey> openSurvey(const std::string &path)
{
    auto survey = std::make_unique<model::Survey>(path, [] { return InterruptWatch::signal() != 0; });
    survey->readSetup();
    return survey;
}

SelectedTrees::SelectedTrees(const std::string &path, const std::string &conditions)
    : survey(openSurvey(path)), query(survey->connection())
{
    survey->setConditions(conditions);
    const model::TableSetup &setup = survey->setup();
    data::prepareTreeQuery(query, setup.tableFile, setup.roles, setup.conditions);
}

model::ValueType parseValueType(const std::string &text)
{
    if (text == "percent") return model::ValueType::Percent;
    if (text == "classes") return model::ValueType::DamageClasses;
    throw common::Error("--value-type must be percent or classes");
}

double levelOption(const Options &options)
{
    double level = model::kDefaultIntervalLevel;
    if (options.has("level")) {
        try {
            level = static_cast<double>(common::strToFloat(options.value("level")));
        } catch (const common::ConvertError &e) {
            throw common::ConvertError("--level: " + std::string(e.what()));
        }
    }
    if (!(level > 0 && level < 1)) throw common::Error("--level must be more than 0 and less than 1");
    // A level whose quantile cannot be computed is refused here, in plain words.
    model::WilsonZ(level);
    return level;
}

model::ModelSettings settingsOptions(const Options &options, common::MessageSink &sink)
{
    model::ModelSettings settings;
    settings.interval = options.intValue("interval", 1);
    if (settings.interval < 1) throw common::Error("--interval must be at least 1");
    settings.valueType = parseValueType(options.value("value-type", "percent"));
    long double share = 25;
    if (options.has("share")) {
        try {
            share = common::strToFloat(options.value("share"));
        } catch (const common::ConvertError &e) {
            throw common::ConvertError("--share: " + std::string(e.what()));
        }
    }
    settings.prcTreeFactor = model::ComputePrcTreeFactor(share, sink);
    return settings;
}

std::vector<model::SpeciesNameRow> speciesNameRows(model::Survey &table, const std::string &file,
                                                   common::MessageSink &sink)
{
    return model::TableSpeciesNames(table.connection(), table.setup(), file, sink);
}

} // namespace cli
