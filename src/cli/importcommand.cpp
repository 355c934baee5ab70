// fenoris-cli import: long CSV files of tree observations made into a data table with its side
// files, never over an existing table unless --force is given.
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/terminalprogress.h"

#include "common/consolesink.h"
#include "common/error.h"
#include "data/csvimport.h"

#include <filesystem>
#include <optional>
#include <ostream>

namespace cli {

namespace {

data::Duplicates parseDuplicates(const std::string &text)
{
    if (text == "refuse") return data::Duplicates::Refuse;
    if (text == "agree") return data::Duplicates::Agree;
    if (text == "first") return data::Duplicates::First;
    if (text == "last") return data::Duplicates::Last;
    throw common::Error("--duplicates must be refuse, agree, first or last");
}

} // namespace

int runImport(const Args &args, std::ostream &out, std::ostream &err)
{
    Options options(args,
                    {"plot", "tree", "species", "year", "value", "dbh", "height", "where", "duplicates",
                     "encoding", "na"},
                    {"force"});
    bool complete = options.positional().size() >= 2;
    for (const char *required : {"plot", "tree", "species", "year", "value"})
        complete = complete && options.has(required);
    if (!complete) {
        err << usage("import");
        return 2;
    }
    data::ImportSettings settings;
    settings.table = options.positional()[0];
    settings.files.assign(options.positional().begin() + 1, options.positional().end());
    settings.plot = options.value("plot");
    settings.tree = options.value("tree");
    settings.species = options.value("species");
    settings.year = options.value("year");
    settings.value = options.value("value");
    settings.dbh = options.value("dbh");
    settings.height = options.value("height");
    settings.condition = options.value("where");
    settings.duplicates = parseDuplicates(options.value("duplicates", "refuse"));
    settings.encoding = options.value("encoding", settings.encoding);
    settings.missing = options.value("na", settings.missing);
    settings.replace = options.has("force");

    // A user's table is never overwritten by mistake.
    if (std::filesystem::exists(settings.table) && !settings.replace)
        throw common::FileError("Table " + settings.table.string() +
                                " already exists: give --force to replace it");
    common::ConsoleSink sink(err);
    // Ctrl+C stops the expressions at once, however slow a row is, and nothing is written.
    const InterruptWatch interrupts;
    TerminalProgress progress(err, TerminalProgress::watched(err));
    progress.setUnit("file");
    data::ImportSummary summary;
    const std::optional<Interrupted> interrupted =
        progress.runInterruptible([&] { summary = data::importCsv(settings, sink, &progress); });
    if (interrupted || summary.cancelled) {
        err << "Import interrupted: " << settings.table.string() << " was left as it was\n";
        return 128 + (interrupted ? interrupted->signal : InterruptWatch::signal());
    }
    for (const std::string &line : data::describeImport(summary))
        err << line << "\n";
    out << "wrote " << summary.trees << " trees and " << summary.years.size() << " survey years to "
        << settings.table.string() << "\n";
    return 0;
}

} // namespace cli
