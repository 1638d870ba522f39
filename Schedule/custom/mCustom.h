// Custom reports: the columns a user-defined report picks from several categories, read from the
// level's definition database, laid into the report grid and written in the job's format.
#pragma once

#include <string>

// Writes the custom report reportName for the job entry server in format ("MDB", "CSV" or
// "HTML", exact); never prints. Errors go to the status log under mCustom; nothing is raised.
void ExportCustomReportIntoSelectedFormat(const std::string& reportName, const std::string& server,
                                          const std::string& format);
