// The comparison driver of levels 4 and 5: each job sets two web sites (level 4) or two virtual
// directories (level 5) side by side. The job entry "name(item,item)" is parsed, both items are
// resolved to server, site and site index (and directory), TmpTable is filled, the report grid
// shows it with the differences in bold, and the grid is written in the job's format and printed
// as its option asks.
//
// Every procedure of the comparison reports under mCollect and goes on after a failing step: a
// job whose comparison fails still gets its activity log, and the next job runs.
#pragma once

#include <string>

// Writes the comparison report of every job of the level. Without jobs it returns before the
// status window is shown. An entry that is not "name(item,item)" is one status-log line and no
// report; its job still gets its activity log.
void ExportComparisonDetails();

// One job (JobIndex) on CompareItem1 and CompareItem2: resolves them, fills TmpTable and the grid,
// then writes name_<dd_mm_yyyy_hh_mm_ss>.csv or .html (in the job's folder, or the application
// folder for "No"), or a table named by the report in a new export database ("MDB"), when the
// option is "0" or "2", and prints when it is "1" or "2".
void Merge();

// Splits server\site into server and site name; a missing part is error 9 and leaves its output.
void GetServerAndSite(std::string item, std::string& server, std::string& siteName);

// Splits server\site\dir...\dir into server, site name, site index, the last segment and the
// path of its parent. True when the item has at least two segments; false, with every output
// left as it was, when it has no "\".
bool GetDirectoryInforForCompare(std::string item, std::string& server, std::string& siteName,
                                 std::string& siteIndex, std::string& dirName, std::string& parentPath);
