// Filling the report grid from the settings database, and printing it.
#pragma once

#include <string>

#include "platform/Err.h"
#include "platform/Grid.h"

// Fills grid with the query's result on a connection of its own: row 0 the field names, then
// one row per record in the order the database returns them, a Null shown as one blank " ".
// The grid is emptied first: a query that fails is reported (mReport.DisplayReport) and leaves
// the grid without rows or columns.
void DisplayReport(const std::string& query, platform::Grid& grid);

// True when the current job's option asks for a file ("0" or "2"); a job without an option
// entry writes none.
bool JobWritesFile();
// The folder of the current job's files: its Path entry, "No" for the application folder. A job
// whose Path list ends before it raises 9 naming the job: its files have no folder, and a
// report is never written under a name it does not have.
const std::string& JobFolder(const std::string& entry);

// Prints grdReport on the job's printer (the printer whose upper-cased device name is
// printerName; the current printer when none is) under the title, "Report for: " + heading and
// the date. Each call to the printing class that fails is reported through the caller's handler,
// and the next call is still made.
void PrintReportGrid(platform::OnError& onError, const std::string& printerName, const std::string& heading);
