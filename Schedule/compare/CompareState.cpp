#include "compare/CompareState.h"

short CompareCategoryCount = 0;
std::string CompareItem1, CompareItem2;
std::string CompareServer1, CompareServer2;
std::string CompareSiteName1, CompareSiteName2;
std::string CompareSiteIndex1, CompareSiteIndex2;
std::string CompareDirName1, CompareDirName2;
std::string CompareParentPath1, CompareParentPath2;
std::vector<std::string> CompareTabCaptions;
std::string CompareAppTabCaptions;
