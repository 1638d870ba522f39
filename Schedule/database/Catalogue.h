// The category catalogue: every settings category of the two families with its table, category
// key, tab caption and column labels. The labels are at once the columns of the category tables,
// the report headings and the export fields, so every module reads them from here and nowhere
// else types them.
#pragma once

#include <string>

namespace iis {
// The version code of the IIS versions the components read (6 and later); it selects the newer
// label lists.
constexpr long kServerVersionIIS6AndLater = 1001;
}  // namespace iis

namespace catalogue {

enum class Family { WebSite, Directory };

// Web-site family for levels 1, 2 and 4; directory family for levels 3 and 5; false otherwise.
bool FamilyOfLevel(short level, Family& family);

// The highest catalogue index of a family: 18 (WebSiteInfo) and 14.
short LastIndex(Family family);

// Element index of the family's table and key lists ("ZZZ" / "AA" at index 0). An index
// outside the list raises error 9.
std::string TableName(Family family, short index);
std::string CategoryKey(Family family, short index);

// True when the table at index is shared with other indices of its family (the directory
// application tabs); such a table is created from the family's combined list.
bool IsSharedTable(Family family, short index);

// The web-site label list of an index ("" for the placeholder rows and beyond the list);
// index 5 gives the combined application list. serverVersion 1001 selects the newer lists of
// the Home Directory and Directory Security categories.
std::string WebSiteLabels(short index, long serverVersion);
// The label list of an application sub-index (0 to 5) of the web-site family.
std::string ApplicationLabels(short subIndex);
// The table and key of the application sub-tables of a non-zero sub-index.
std::string ApplicationTable(short subIndex);
std::string ApplicationKey(short subIndex);
// The directory label list of an index; index 0 gives the combined application list.
std::string DirectoryLabels(short index);

// The tab captions of a family, caption n for catalogue index n, and the web-site
// family's application sub-tab captions.
const char* TabCaptions(Family family);
const char* ApplicationCaptions();

}  // namespace catalogue
