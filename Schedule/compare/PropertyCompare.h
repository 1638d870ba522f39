// Property comparison: the two items of a comparison job turned into rows of the scratch table
// TmpTable (TabName, Properties, WebSite1, WebSite2), category after category, the first item's
// value beside the second's. Rows keep the order they are added in, which is the report's order.
//
// Single-row categories give every property; categories of several rows give every property of
// every record pair when both items have as many rows, and only the differing properties when
// they do not. Level 4 compares the restricted addresses as sets instead: each column lists the
// entries one site has and the other lacks. A category in which one item has no row adds nothing.
// Every procedure reports under mCollect and goes on with its next statement.
#pragma once

#include <string>

#include "platform/Ado.h"

// SettingsConnection, on which the comparison makes TmpTable, writes its rows and reads them;
// error 91 when there is no settings connection.
platform::ado::Connection& SettingsDatabase();

// Drops and re-creates TmpTable on SettingsConnection, then adds the rows of every category of
// the level's family (1 to CompareCategoryCount - 1) for the two items. Level 4 reads the sites
// (server, site index); level 5 the directories of the comparison state.
void CompareSiteProperties(const std::string& server1, const std::string& server2, const std::string& siteIndex1,
                           const std::string& siteIndex2);

// One category: runs both queries and hands the two results to the multi-row comparison. A query
// that cannot be run, or that finds no row for either item, adds no row.
void CompareProp(const std::string& caption, const std::string& query1, const std::string& query2,
                 platform::ado::Recordset& tmpRs);

// Closes an open recordset; a closed one is left as it is.
void CloseRecordset(platform::ado::Recordset& rs);

// Both record sets hold as many records: every field of every record pair, equal or not, item 1's
// value in WebSite1.
void CompIsEqualRecordCount(const std::string& caption, platform::ado::Recordset& rs1, platform::ado::Recordset& rs2,
                            platform::ado::Recordset& tmpRs);

// The longer record set first; swapped when it is item 2's. Records are paired by position and
// only differing fields are written (text compared without regard to case, Null as empty); each
// record beyond the shorter set's end is set against the shorter set's last record (values
// compared exactly, a Null never a difference). Item 1's values always go to WebSite1.
void CompIsDiffRecordCount(const std::string& caption, platform::ado::Recordset& longer,
                           platform::ado::Recordset& shorter, platform::ado::Recordset& tmpRs, bool swapped);

// Level 4's restricted addresses: for each column of the list, the entries only the first site
// has beside the entries only the second has (" " where one list runs out). Shared entries and
// columns with no difference add no row; an empty list adds nothing.
void CompareRestrictedIPAddress1(platform::ado::Recordset& tmpRs, const std::string& columns, const std::string& table);

// Writes two difference lists side by side under the caption "Restricted IP Address".
void WriteIPAddressInfo(platform::ado::Recordset& list1, platform::ado::Recordset& list2, const std::string& column,
                        platform::ado::Recordset& tmpRs);
