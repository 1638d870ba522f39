// The profile-string reader the schedule file was written for.
#pragma once

#include <string>

namespace platform {

// Reads key in section of the profile file at path. Section and key names match without regard
// to case; the value is trimmed and loses a pair of matching double quotes around it. An absent
// file, section or key gives the default with its trailing blanks removed. The result is cut to
// size - 1 characters and written into buffer followed by a NUL, as into a fixed buffer of size
// characters. Returns the number of characters copied.
long GetPrivateProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                             std::string& buffer, long size, const std::string& path);

}  // namespace platform
