// Custom reports: the columns a user-defined report picks from several categories, read from the
// level's definition database, laid into the report grid and written in the job's format.
//
// A definition is one table of the definition database (QUORVACustomReport_Server.cfg for levels 1
// and 2, QUORVACustomReport_Directory.cfg for level 3), named by the report; only its first record's
// first two fields count: the column lists ("|" between tables, "," between columns) and the table
// names ("|" between them). The first table leads: it decides the rows; every further table fills
// its own columns from the leading row down. Every error goes to the status log under mCustom and
// the procedure goes on with its next step: a bad table costs its own cells, never the report.
#pragma once

#include <string>
#include <vector>

#include "platform/Ado.h"

// Lays out grdReport for a report: one row, the key column ("Directory Name" at level 3, else "Web
// Site Name"), then every name of every column list in order. An empty list adds no column.
void AlignGridForCustomReport(const std::vector<std::string>& columnLists);

// Fills grdReport below its header for the job entry server: for every web site of the entry
// (levels 1, 2), or its one site (level 3), one block of rows per record of the leading table. An
// entity without leading records gets no rows; when nothing is found the grid keeps its header.
void GenerateCustomReport(std::string server, const std::vector<std::string>& columnLists,
                          const std::vector<std::string>& tableNames);

// Copies every record of a further table into grdReport, one row each from startRow down, fields
// from startColumn on, growing the grid as needed. A Null leaves its cell as it was; a closed or
// empty recordset writes nothing.
void DisplayQueryValues(platform::ado::Recordset& records, long startRow, short startColumn);

// Grows grdReport so that neededRows rows fit from startRow on; never shrinks it.
void ExtendCustomReportGrid(long neededRows, long startRow);

// Writes the custom report reportName for the job entry server in format ("MDB", "CSV" or
// "HTML", exact; anything else writes nothing); never prints. A definition database that cannot
// be opened, or a report without a table, writes nothing.
void ExportCustomReportIntoSelectedFormat(const std::string& reportName, const std::string& server,
                                          const std::string& format);
