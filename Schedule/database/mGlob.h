// Database files and connections: creating a database file, opening connections, finding and
// dropping tables, a job's export database.
#pragma once

#include <string>

#include "platform/Ado.h"

// The provider every connection and catalog names.
extern const char* const kJetProvider;

// Creates a new database file at path. An existing file is kept as it is unless replace is set,
// in which case it is deleted first. True when a new file was created.
bool CheckAndCreateDB(const std::string& path, bool replace);
// Opens a connection the caller made on the database file at path. True when opened.
bool OpenConnection(platform::ado::Connection& connection, const std::string& path);
// Opens SettingsConnection on DatabasePath, replacing the previous one. True when opened.
bool InitConnections();
// The name itself when the database holds a table of that name in any letter case, else "".
std::string FindTable(const std::string& name, platform::ado::Connection& connection);
// Drops the table when the database holds it.
bool DropTable(const std::string& name, platform::ado::Connection& connection);
// Creates the current job's export database and returns its full path ("" on failure).
std::string CreateExportDatabase(const std::string& nameText);
