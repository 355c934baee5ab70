// The report folder's marker and the checks of what a report replaces and reads.
#include "model/reportfolder.h"

#include "common/error.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace model {

namespace fs = std::filesystem;

namespace {

// True when `inner` is `outer` or lies under it; both canonical.
bool isWithin(const fs::path &inner, const fs::path &outer)
{
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i)
        if (i == inner.end() || *i != *o) return false;
    return true;
}

// The user's home folders: $HOME and the one of the password database, canonical.
std::vector<fs::path> homeFolders()
{
    std::vector<fs::path> homes;
    std::error_code ec;
    if (const char *home = std::getenv("HOME"); home && *home) {
        const fs::path path = fs::canonical(home, ec);
        if (!ec) homes.push_back(path);
    }
    if (const passwd *user = ::getpwuid(::getuid()); user && user->pw_dir) {
        const fs::path path = fs::canonical(user->pw_dir, ec);
        if (!ec) homes.push_back(path);
    }
    return homes;
}

// The marker is input like any file read back: a plain, small file whose first line is the marker's.
bool isMarker(const fs::path &file)
{
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(file, ec)) || fs::file_size(file, ec) > 4096 || ec)
        return false;
    std::ifstream in(file, std::ios::binary);
    std::string first;
    return std::getline(in, first) && first == kReportMarkerLine;
}

bool isPlainFile(const fs::directory_entry &entry)
{
    std::error_code ec;
    return entry.symlink_status(ec).type() == fs::file_type::regular;
}

// The first thing in the folder that a report does not write ("notes.txt", "plots/x.png"), or nothing.
std::optional<std::string> foreignEntry(const fs::path &folder, bool &marked, bool &empty)
{
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(folder, ec)) {
        empty = false;
        const std::string name = entry.path().filename().string();
        if (name == kReportMarkerFile) {
            if (!isMarker(entry.path())) return name + " (not the marker of a report)";
            marked = true;
        } else if ((name == "index.html" || name == "summary.csv") && isPlainFile(entry)) {
        } else if (name == "plots" && entry.symlink_status(ec).type() == fs::file_type::directory) {
            for (const auto &inner : fs::directory_iterator(entry.path(), ec)) {
                const std::string file = inner.path().filename().string();
                const std::string extension = inner.path().extension().string();
                if (!isPlainFile(inner) || (extension != ".html" && extension != ".svg"))
                    return "plots/" + file;
            }
            if (ec) return "plots";
        } else {
            return name;
        }
    }
    if (ec)
        throw common::FileError("Cannot replace the folder " + folder.string() + ": it cannot be read (" +
                                ec.message() + ")");
    return std::nullopt;
}

} // namespace

std::string ReportMarkerText(const std::string &version, const std::string &date)
{
    return std::string(kReportMarkerLine) + "\nversion " + version + "\nmade " + date +
           "\nThis folder was written whole by Fenoris. A new report replaces it whole only while it holds\n"
           "nothing but the report's own files and this one: anything else put into it keeps it as it is.\n";
}

void CheckReplaceableReport(const std::string &folder, const std::string &table)
{
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(folder, ec))) return;
    const fs::path at = fs::canonical(folder, ec);
    if (ec) return;
    const auto refuse = [&](const std::string &why) {
        throw common::FileError("Cannot replace the folder " + folder + ": " + why);
    };
    for (const auto &home : homeFolders())
        if (at == home) refuse("it is your home folder");
    const fs::path tablePath = fs::weakly_canonical(table, ec);
    if (!ec && isWithin(tablePath, at)) refuse("it holds the table " + table);
    bool marked = false, empty = true;
    if (const auto foreign = foreignEntry(at, marked, empty))
        refuse("it holds " + *foreign + ", which a report does not write");
    if (!empty && !marked)
        refuse(std::string("it is not a report of this program (it has no ") + kReportMarkerFile + ")");
}

ReportTableCheck::ReportTableCheck(std::string table)
    : m_table(std::move(table)), m_identity(common::fileIdentity(m_table))
{
}

void ReportTableCheck::check() const
{
    const auto now = common::fileIdentity(m_table);
    if (!m_identity || !now || !now->sameContent(*m_identity))
        throw common::FileError("The table " + m_table +
                                " changed while the report was written; the report was not written");
}

} // namespace model
