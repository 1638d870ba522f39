// The standard export driver of levels 1 to 3: every job's reports, one per chosen tab, in the
// job's format, printed as its option asks, with the job's activity log. Both procedures report
// under mCollect.
#pragma once

#include <string>

// Turns the settings collected for the level into the level's scheduled reports. A failing
// report or job is reported and the next one still runs.
void ExportIISSettings();

// One standard report: the tab's query fills grdReport, which is then written in the job's
// format ("MDB" into the export database at exportDbPath, "CSV", "HTML") when the job's option
// is "0" or "2", and printed when it is "1" or "2".
void ExportReportIntoSelectedFormat(const std::string& labels, const std::string& exportDbPath,
                                    const std::string& caption, const std::string& table, std::string entry);
