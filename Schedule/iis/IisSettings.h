// The effective settings of a web site or a directory, as IIS computes them from a snapshot,
// laid out as the rows of the settings categories (values in the catalogue's column order).
//
// Value conventions: yes/no values "Yes"/"No"; numbers in decimal (times in seconds, session
// timeout in minutes, sizes in bytes); a setting a format has no source for is empty text; one
// row per entry in the list categories. docs/collectors.md lists the source of every column.
#pragma once

#include <string>
#include <vector>

#include "iis/IisConfig.h"

namespace iis {

using Row = std::vector<std::string>;

// The rows of a web-site category key ("General", "AppScriptMappings", ...) for one site.
// serverVersion selects the fifth Home Directory column (script source access with 1001,
// FrontPage web otherwise). An unknown key raises error 5.
std::vector<Row> SiteCategoryRows(const Snapshot& snapshot, const Site& site, const std::string& categoryKey,
                                  long serverVersion);

// The rows of a directory category key ("VirtualDirectory", "VirApplication", ...) for a
// directory of a site (directories: the path parts below the site's root, none for the root).
// A site the snapshot does not hold raises error 5.
std::vector<Row> DirectoryCategoryRows(const Snapshot& snapshot, const std::string& siteId,
                                       const std::vector<std::string>& directories, const std::string& categoryKey);

// True for the categories of both families with one row per entry (bindings, filters, mappings,
// restrictions, headers, documents, SSL identities, custom errors); the others have one row.
// In a list, a row whose entry columns are all empty stands for no entry.
bool IsListCategory(const std::string& categoryKey);
// The columns of a list category's rows that hold one setting of the whole site or directory,
// repeated on every row (General's connection limits and state, the Documents switches and
// footer); none for other categories.
std::vector<size_t> SettingColumns(const std::string& categoryKey);

}  // namespace iis
