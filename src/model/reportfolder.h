// What a report may replace and what it may read: the marker file that names a folder as a report of
// this program, the check that an existing folder holds nothing else before a new report replaces it,
// and the check that the table stayed the same file while the report read it.
#pragma once

#include "common/fileio.h"

#include <optional>
#include <string>

namespace model {

// The marker every report folder holds: its first line is kReportMarkerLine, the next ones name the
// version that wrote it and when, and say what the file is for.
inline constexpr const char *kReportMarkerFile = ".fenoris-report";
inline constexpr const char *kReportMarkerLine = "Fenoris survey report";

// The marker's text for a report of `version` made at `date` (ReportSettings' fields).
std::string ReportMarkerText(const std::string &version, const std::string &date);

// Throws common::FileError "Cannot replace the folder FOLDER: WHY" when the existing folder may not be
// replaced by a new report, which would delete what it holds: it is the user's home folder; it holds
// `table` (the report's table), directly or further down; it holds anything but the files a report
// writes (kReportMarkerFile, index.html, summary.csv, and plots/ with pages and pictures, plain
// files only); or it holds those without the marker. An empty folder may be replaced. A folder that
// does not exist, and a file or link in its place, are left to the caller.
void CheckReplaceableReport(const std::string &folder, const std::string &table);

// The report's table as it was when the report began to read it. The engine reads the file the path
// names at every query, so a table changed or replaced meanwhile would give figures of two tables.
class ReportTableCheck
{
public:
    // Notes the file that `table` names now (nothing when there is none: check() then throws).
    explicit ReportTableCheck(std::string table);

    // Throws common::FileError "The table TABLE changed while the report was written ..." when the
    // path names another file now or one of another size or modification time.
    void check() const;

    const std::string &table() const { return m_table; }

private:
    std::string m_table;
    std::optional<common::FileIdentity> m_identity;
};

} // namespace model
