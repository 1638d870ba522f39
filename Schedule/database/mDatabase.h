// The category catalogue's procedures: label lists and tables by catalogue index, the SQL texts
// built from them, the settings tables re-created at every level, and an export database's
// report table.
#pragma once

#include <string>

// The label list of catalogue index (and, at index 5 of the web-site family, sub-index) of the
// level's family, with its table and category key; "" when the row has no labels. A level
// outside 1..5 gives "" and leaves table and key as they were.
std::string GetQueryForProcessing(short index, short subIndex, short level, std::string& tableName,
                                  std::string& categoryKey);
// The settings-database CREATE TABLE text of a category table.
std::string ConstructQueryForTableCreating(const std::string& labels, const std::string& tableName, bool webSite);
// The export-database CREATE TABLE text of a report table.
std::string ConstructQueryForExport(const std::string& labels, const std::string& tableName, bool webSite);
// The labels as a select list, "B."-qualified when asked.
std::string ConstructSelectColumns(const std::string& labels, bool qualified);
// The level's tab captions (caption n for catalogue index n) and, for the web-site family, the
// application sub-tab captions.
void GetTabCaptions(short level, std::string& captions, std::string& applicationCaptions);
// Makes sure the settings database exists and drops and re-creates every category table.
void CreateDBResource();
// Creates the report table of the given columns in an export database, replacing an older one:
// first column [Web Site Name] text(25), or [Directory Name] text(255) when webSite is false.
void GetDataFromSource(const std::string& columns, const std::string& exportPath, const std::string& table,
                       bool webSite = true);
