// Database files and connections.
#pragma once

#include <optional>
#include <string>

// Opens SettingsConnection on DatabasePath, replacing the previous one.
bool InitConnections();
