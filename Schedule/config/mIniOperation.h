// The schedule file ScheduleInfo\ScheduleConfig.ini: one section per report level, eight keys
// of "|"-separated job lists, and section Length for values of 1999 characters or more.
#pragma once

#include <optional>
#include <string>

// Reads the section of CurrentLevel into the eight job lists and sets up ServerInfoComponent and
// ServerVersion. An error here ends the program.
void InitSchedular();
// The raw value of key in the level's section; empty (no value) for a level outside 1..5.
std::optional<std::string> ReadFromIni(short level, const std::string& key);
// The value of key in section of the file at ScheduleConfigPath.
std::string GetSetting(const std::string& section, const std::string& key, const std::string& defaultValue);
// Blanks around the text removed, then cut before the first NUL.
std::string StripAtNull(const std::string& text);
