// Removing a server's earlier rows from the settings tables before it is collected again.
#pragma once

#include <string>

// Deletes the job entry's rows: at levels 1, 2 and 4 every row of its server in the web-site
// tables, at levels 3 and 5 the rows of its directory path in the directory tables. With
// scriptMappingsOnly (levels 1, 2 and 4) only its server's rows in the script-mapping table, the one
// web-site table whose rows follow the job's own site.
void DeleteDataForServer(std::string entry, bool scriptMappingsOnly = false);
