// Local date and time, the general date format and the file-name stamps.
#pragma once

#include <string>

namespace platform {

struct DateTime {
  int Year = 1899, Month = 12, Day = 30, Hour = 0, Minute = 0, Second = 0;
};

DateTime Now();

// "M/d/yyyy h:mm:ss AM/PM"; at exactly midnight only the date.
std::string GeneralDate(const DateTime& t);

// Formats with the classic date tokens the program's stamps use, letters in any case:
// d dd, m mm (minutes right after an hour token), yyyy yy, h hh, n nn, s ss. Anything else is
// copied. "dd_mm_yyyy_hh_mm_ss" gives "04_12_2026_13_05_09".
std::string FormatDate(const DateTime& t, const std::string& pattern);

}  // namespace platform
