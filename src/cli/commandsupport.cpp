// Opening a data table with its side files, and the value-type option.
#include "cli/commandsupport.h"

#include "cli/interrupt.h"

#include "common/error.h"
#include "common/numbers.h"
#include "common/textfile.h"
#include "data/condition.h"
#include "data/fieldgrid.h"
#include "data/listorder.h"
#include "data/selection.h"
#include "data/sidefiles.h"
#include "data/sqlnames.h"
#include "data/tableinfo.h"
#include "data/treeselection.h"

#include "model/transituncertainty.h"

#include <filesystem>

namespace cli {

OpenedTable::OpenedTable(const std::string &path)
{
    const std::filesystem::path file(path);
    data::requireTableFileType(file);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw common::FileError("Cannot open table " + path + ": no such file");
    std::filesystem::path dir = file.parent_path();
    if (dir.empty()) dir = ".";
    const std::string dataDir = dir.string() + "/";
    m_setup.tableFile = file.filename().string();
    m_connection.setParam("PATH", dataDir);
    // Ctrl+C or SIGTERM noted by the command's InterruptWatch stops a slow statement at once.
    m_connection.setStopCheck([] { return InterruptWatch::signal() != 0; });
    m_connection.open();

    std::vector<std::string> columns;
    {
        data::Query query(m_connection);
        query.setSql({"SELECT * FROM " + data::tableName(m_setup.tableFile)});
        query.open();
        columns = query.fieldNames();
        query.close();
    }

    m_setup.years = data::readYearsSideFile(dataDir, m_setup.tableFile, columns);
    m_setup.roles = data::readRolesSideFile(dataDir, m_setup.tableFile, columns);
    for (const auto &[role, column] :
         {std::pair{"PlotNames", m_setup.roles.plot}, std::pair{"TreeID", m_setup.roles.treeId},
          std::pair{"Species", m_setup.roles.species}})
        if (column.empty())
            throw common::Error("The roles side file of " + m_setup.tableFile + " gives no column the role " +
                                role);
    if (m_setup.years.empty())
        throw common::Error("The years side file of " + m_setup.tableFile + " gives no column a survey year");
}

void OpenedTable::setConditions(const std::string &conditions)
{
    m_setup.conditions = data::checkCondition(m_connection, m_setup.tableFile, conditions);
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

std::vector<model::SpeciesNameRow> speciesNameRows(OpenedTable &table, const std::string &file,
                                                   common::MessageSink &sink)
{
    const auto &setup = table.setup();
    data::Query query(table.connection());
    query.setSql(data::distinctSql(setup.tableFile, setup.roles.species, "", setup.conditions));
    auto codes = data::firstColumnValues(query);
    data::sortListValues(codes);
    auto rows = model::SpeciesNameRows(codes);
    if (!file.empty()) {
        const auto codePage = data::describeTable(table.connection(), setup.tableFile).codePage.name;
        model::ReadSpeciesNames(rows, common::readTextFile(file), codePage, &sink, file);
    }
    return rows;
}

} // namespace cli
