// fenoris-cli: the program's computations without a window.
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/pictures.h"
#include "common/error.h"
#include "common/version.h"
#ifdef FENORIS_CLI_DRAWING
#include "cli/drawing/chartpictures.h"
#endif

#include <clocale>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>

namespace {

struct Command
{
    std::function<int(const cli::Args &, std::ostream &, std::ostream &)> run;
    const char *usage;
};

const std::map<std::string, Command> &commands()
{
    static const std::map<std::string, Command> table = {
        {"query", {cli::runQuery, "query DIR \"SQL\""}},
        {"info", {cli::runInfo, "info TABLE.dbf"}},
        {"import",
         {cli::runImport, "import OUT.dbf FILE.csv [FILE.csv ...] --plot EXPR --tree EXPR --species EXPR "
                          "--year EXPR --value EXPR [--dbh EXPR] [--height EXPR] [--where COND] "
                          "[--duplicates refuse|agree|first|last] [--encoding CP] [--na TEXT] [--force]"}},
        {"setup",
         {cli::runSetup,
          "setup TABLE.dbf [--year COLUMN=YEAR ...] [--role ROLE=COLUMN ...] [--dry-run] [--force]"}},
        {"generate", {cli::runGenerate, "generate DIR/TABLE.dbf [--trees N] [--plots N] [--years N] ..."}},
        {"regression",
         {cli::runRegression, "regression TABLE.dbf X Y [--degree N] [--log-x] [--log-y] [--missing-x V] "
                              "[--missing-y V] [--plot P --species S] [--picture FILE [--size WxH] "
                              "[--settings FILE.gsf]]"}},
        {"model",
         {cli::runModel, "model TABLE.dbf --plot P --species S [--interval N] [--max-deads P] [--share P] "
                         "[--value-type percent|classes] [--conditions TEXT] [--picture FILE [--size WxH] "
                         "[--graph-ini FILE] [--settings FILE.gsf]]"}},
        {"transitions",
         {cli::runTransitions, "transitions TABLE.dbf --plot P --species S [--interval N] [--level L] "
                               "[--value-type percent|classes] [--conditions TEXT] [--homogeneity]"}},
        {"models",
         {cli::runModels,
          "models TABLE.dbf --out DIR [--type .bmp|.wmf|.emf|.png|.svg|.pdf] [--min-trees N] "
          "[--interval N] [--max-deads P] [--share P] [--value-type percent|classes] "
          "[--conditions TEXT] [--species-names FILE] [--title-plot TEXT] [--title-species TEXT] "
          "[--size WxH] [--graph-ini FILE] [--settings FILE.gsf] [--overwrite]"}},
        {"report",
         {cli::runReport, "report TABLE.dbf --out DIR [--min-trees N] [--interval N] [--level L] [--share P] "
                          "[--value-type percent|classes] [--conditions TEXT] [--species-names FILE] "
                          "[--jobs N] [--overwrite]"}},
        {"statistics",
         {cli::runStatistics, "statistics TABLE.dbf [--interval N] [--share P] [--value-type "
                              "percent|classes] [--conditions TEXT]"}},
    };
    return table;
}

void printUsage(std::ostream &err)
{
    err << "usage: fenoris-cli COMMAND ...   (fenoris-cli --version, fenoris-cli --help)\n";
    for (const auto &[name, command] : commands())
        err << "  fenoris-cli " << command.usage << "\n";
}

} // namespace

int main(int argc, char **argv)
{
    // Numbers in files and on the command line always use the point, whatever the user's locale.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");

    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(argc < 2 ? std::cerr : std::cout);
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::cout << "fenoris-cli " << common::kProgramVersion << "\n";
        return 0;
    }
    auto found = commands().find(argv[1]);
    if (found == commands().end()) {
        std::cerr << "fenoris-cli: unknown command '" << argv[1] << "'\n";
        printUsage(std::cerr);
        return 2;
    }
#ifdef FENORIS_CLI_DRAWING
    // Qt comes up only when a command draws a picture.
    cli::setPictureWriters(cli::drawing::chartPictureWriters());
#endif
    cli::Args args(argv + 2, argv + argc);
    try {
        return found->second.run(args, std::cout, std::cerr);
    } catch (const common::Error &e) {
        // Ctrl+C or SIGTERM that stopped the engine before the command's run began.
        if (const int signal = cli::InterruptWatch::signal()) {
            std::cerr << "fenoris-cli: interrupted\n";
            return 128 + signal;
        }
        std::cerr << e.what() << "\n";
        return 1;
    } catch (const std::exception &e) {
        std::cerr << "fenoris-cli: " << e.what() << "\n";
        return 1;
    }
}
