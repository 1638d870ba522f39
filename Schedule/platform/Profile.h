// The profile-string reader the schedule file was written for.
#pragma once

#include <string>
#include <vector>

namespace platform {

// One line of a profile file as the reader sees it: a section heading ("[name]"), a key line
// ("name=value", or a bare name with no "=" and an empty value), or a line it passes over (blank,
// a comment after ";", anything before the first section). Names and values are trimmed; a value
// in matching double quotes has lost them. Lines are counted from 1.
struct ProfileLine {
  enum class Kind { Section, Key, Other } kind = Kind::Other;
  long number = 0;
  std::string name;
  std::string value;
  bool hasEquals = false;
};
// Every line of a profile text, in order; never raises.
std::vector<ProfileLine> ScanProfile(const std::string& text);

// Reads key in section of the profile file at path. Section and key names match without regard
// to case; the value is trimmed and loses a pair of matching double quotes around it. An absent
// file, section or key gives the default with its trailing blanks removed. The result is cut to
// size - 1 characters and written into buffer followed by a NUL, as into a fixed buffer of size
// characters. Returns the number of characters copied.
long GetPrivateProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                             std::string& buffer, long size, const std::string& path);

}  // namespace platform
