// The three output writers: every report kind (standard, custom, comparison) is assembled in the
// report grid grdReport and written from it by one of these. This is the one place the three
// file formats are made.
//
// Row 0 of the grid is the headings, rows 1 and up the data, column 0 each row's key. Text files
// are replaced, written as the grid's bytes stand (no quoting, no escaping), every line ended by
// CR LF. Errors go to the status log under mExport; no writer raises to its caller.
#pragma once

#include <string>

// Inserts every data row of grdReport into the table of the export database at path, each cell
// a quoted text literal with its apostrophes doubled; the caller has made the table. The rows go
// in as one transaction, but a failing row (a value too long for its column) keeps the rows
// before it and stops the rest. True after all rows were inserted; false when the database could
// not be opened or a row failed.
bool ExportReport(const std::string& table, const std::string& path);

// Writes grdReport as a comma-separated text file with the product banner at its head; an empty
// line stands between groups of rows whose first cells differ. A failing write leaves what was
// written so far.
void Export_TabSepFormat(const std::string& path);

// Writes grdReport as an HTML page: a title table, an optional difference legend, then one table
// row per data row, the first cell of a group of equal keys spanning the group. A file that
// cannot be opened is reported and nothing is written.
void Export_HTMLFormat(const std::string& path, bool legend);

// The number of consecutive grid rows, from start on, whose first cell is exactly text (0 when
// the start row's is not).
long CountRowSpan(long start, const std::string& text);

// The title line every report file and printed report opens with.
extern const char* const kReportTitle;
