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

// Prints grdReport on the job's printer (the printer whose upper-cased device name is
// printerName; the current printer when none is) under the title, "Report for: " + heading and
// the date. Each call to the printing class that fails is reported through the caller's handler,
// and the next call is still made.
void PrintReportGrid(platform::OnError& onError, const std::string& printerName, const std::string& heading);
