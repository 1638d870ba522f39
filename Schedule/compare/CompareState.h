// The comparison state of levels 4 and 5: the two items of the current comparison job, as the
// driver resolves them and the property comparison and difference display read them. It is
// written afresh by every job; an item that cannot be resolved leaves the value the job before
// it left.
#pragma once

#include <string>
#include <vector>

extern short CompareCategoryCount;  // 18 at level 4, 14 at level 5: categories 1 to count - 1
extern std::string CompareItem1, CompareItem2;            // server\site[\dir...]; the grid's headings
extern std::string CompareServer1, CompareServer2;
extern std::string CompareSiteName1, CompareSiteName2;
extern std::string CompareSiteIndex1, CompareSiteIndex2;  // as FindSiteIndex gives them ("" unknown)
extern std::string CompareDirName1, CompareDirName2;      // level 5: the item's last segment
extern std::string CompareParentPath1, CompareParentPath2;  // level 5: IIS://server/W3SVC/n/ROOT[/dir...]
// The level's tab captions (caption n for catalogue index n) and the application sub-tab captions.
extern std::vector<std::string> CompareTabCaptions;
extern std::string CompareAppTabCaptions;
