// fenoris-cli: the program's computations without a window.
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/pictures.h"
#include "common/consolesink.h"
#include "common/error.h"
#include "common/replacingfile.h"
#include "common/terminaltext.h"
#include "common/version.h"
#ifdef FENORIS_CLI_DRAWING
#include "cli/drawing/chartpictures.h"
#endif

#include <clocale>
#include <cstring>
#include <iostream>

int main(int argc, char **argv)
{
    // Numbers in files and on the command line always use the point, whatever the user's locale.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");

    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        (argc < 2 ? std::cerr : std::cout) << cli::overview();
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::cout << "fenoris-cli " << common::kProgramVersion << "\n";
        return 0;
    }
    const cli::Command *command = cli::findCommand(argv[1]);
    if (!command) {
        std::cerr << "fenoris-cli: unknown command '" << argv[1] << "'\n" << cli::overview();
        return 2;
    }
#ifdef FENORIS_CLI_DRAWING
    // Qt comes up only when a command draws a picture.
    cli::setPictureWriters(cli::drawing::chartPictureWriters());
#endif
    // A journal of an interrupted save that does not match its files is set aside with a warning.
    common::ConsoleSink warnings(std::cerr);
    common::setCommitWarnings(&warnings);
    cli::Args args(argv + 2, argv + argc);
    // `fenoris-cli COMMAND --help`: the command's usage, as asked for, on standard output.
    for (const std::string &arg : args)
        if (arg == "--help" || arg == "-h") {
            std::cout << cli::usage(command->name);
            return 0;
        }
    try {
        return command->run(args, std::cout, std::cerr);
    } catch (const common::Error &e) {
        // Ctrl+C or SIGTERM that stopped the engine before the command's run began.
        if (const int signal = cli::InterruptWatch::signal()) {
            std::cerr << "fenoris-cli: interrupted\n";
            return 128 + signal;
        }
        std::cerr << common::terminalText(e.what()) << "\n";
        return 1;
    } catch (const std::exception &e) {
        std::cerr << "fenoris-cli: " << common::terminalText(e.what()) << "\n";
        return 1;
    }
}
