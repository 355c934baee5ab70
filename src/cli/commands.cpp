// The commands of fenoris-cli with their usage, for the program's list and each command's own message.
#include "cli/commands.h"

#include "common/picturetype.h"

#include <algorithm>
#include <stdexcept>

namespace cli {

namespace {

std::vector<Command> commandTable()
{
    const std::string pictures = common::pictureExtensionList("|", "|");
    std::vector<Command> table = {
        {"generate",
         runGenerate,
         {"DIR/TABLE.dbf [--trees N] [--plots N] [--years N]",
          "[--first-year Y] [--seed S] [--value-type percent|classes]", "[--blank-share P] [--force]"},
         "  P: per cent of tree-years left blank (0 to 100, default 3)\n"
         "  --force: replace an existing table and its side files\n"},
        {"import",
         runImport,
         {"OUT.dbf FILE.csv [FILE.csv ...] --plot EXPR --tree EXPR --species EXPR",
          "--year EXPR --value EXPR [--dbh EXPR] [--height EXPR] [--where COND]",
          "[--duplicates refuse|agree|first|last] [--encoding CP] [--na TEXT] [--force]"},
         "  EXPR, COND: SQL over the files' columns, every field a text; NA and empty fields are NULL\n"
         "  --duplicates: several rows of a tree in one survey are refused (default), or give their\n"
         "                common value (a blank where they differ), the first or the last row's value\n"
         "  --encoding: the code page of files that are not UTF-8 (default Windows-1250)\n"
         "  --force: replace an existing table and its side files\n"},
        {"info", runInfo, {"TABLE.dbf"}, ""},
        {"model",
         runModel,
         {"TABLE.dbf --plot P --species S [--interval N] [--max-deads P] [--share P]",
          "[--value-type percent|classes] [--conditions TEXT]", "[--band L [--draws B] [--seed S]]",
          "[--picture FILE" + pictures + " [--size WxH]",
          "           [--graph-ini FILE] [--settings FILE.gsf]]"},
         ""},
        {"models",
         runModels,
         {"TABLE.dbf --out DIR [--type " + pictures + "]",
          "[--min-trees N] [--interval N] [--max-deads P] [--share P]",
          "[--value-type percent|classes] [--conditions TEXT]",
          "[--species-names FILE] [--title-plot TEXT] [--title-species TEXT]",
          "[--size WxH] [--graph-ini FILE] [--settings FILE.gsf] [--overwrite]"},
         ""},
        {"query", runQuery, {"DIR \"SQL\""}, ""},
        {"regression",
         runRegression,
         {"TABLE.dbf X Y [--degree N] [--log-x] [--log-y] [--missing-x V]",
          "[--missing-y V] [--plot P --species S]", "[--picture FILE" + pictures + " [--size WxH]",
          "           [--settings FILE.gsf]]"},
         ""},
        {"report",
         runReport,
         {"TABLE.dbf --out DIR [--min-trees N] [--interval N] [--level L] [--share P]",
          "[--value-type percent|classes] [--conditions TEXT]",
          "[--species-names FILE] [--graph-ini FILE] [--settings FILE.gsf]", "[--jobs N] [--overwrite]"},
         ""},
        {"setup",
         runSetup,
         {"TABLE.dbf [--year COLUMN=YEAR ...] [--role ROLE=COLUMN ...]", "[--dry-run] [--force]"},
         ""},
        {"statistics",
         runStatistics,
         {"TABLE.dbf [--interval N] [--share P]", "[--value-type percent|classes] [--conditions TEXT]"},
         ""},
        {"transitions",
         runTransitions,
         {"TABLE.dbf --plot P --species S [--interval N] [--level L]",
          "[--value-type percent|classes] [--conditions TEXT] [--homogeneity]"},
         ""},
    };
    std::sort(table.begin(), table.end(), [](const Command &a, const Command &b) { return a.name < b.name; });
    return table;
}

// The command's synopsis after `lead`, its continued lines under the first one's arguments.
std::string synopsisText(const std::string &lead, const Command &command)
{
    const std::string first = lead + "fenoris-cli " + command.name + " ";
    std::string text;
    for (const std::string &line : command.synopsis)
        text += (text.empty() ? first : std::string(first.size(), ' ')) + line + "\n";
    return text;
}

} // namespace

const std::vector<Command> &commands()
{
    static const std::vector<Command> table = commandTable();
    return table;
}

const Command *findCommand(std::string_view name)
{
    for (const Command &command : commands())
        if (command.name == name) return &command;
    return nullptr;
}

std::string usage(std::string_view name)
{
    const Command *command = findCommand(name);
    if (!command) throw std::logic_error("no command " + std::string(name));
    return synopsisText("usage: ", *command) + command->notes;
}

std::string overview()
{
    std::string text = "usage: fenoris-cli COMMAND ...   (fenoris-cli --version, fenoris-cli --help)\n";
    for (const Command &command : commands())
        text += synopsisText("  ", command);
    return text;
}

} // namespace cli
