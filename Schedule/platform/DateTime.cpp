#include "platform/DateTime.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace platform {

DateTime Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string GeneralDate(const DateTime& t) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, "%d/%d/%d", t.Month, t.Day, t.Year);
  std::string text(buffer, static_cast<size_t>(n));
  if (t.Hour == 0 && t.Minute == 0 && t.Second == 0) return text;
  int hour12 = t.Hour % 12 == 0 ? 12 : t.Hour % 12;
  n = std::snprintf(buffer, sizeof buffer, " %d:%02d:%02d %s", hour12, t.Minute, t.Second, t.Hour < 12 ? "AM" : "PM");
  return text + std::string(buffer, static_cast<size_t>(n));
}

std::string FormatDate(const DateTime& t, const std::string& pattern) {
  std::string out;
  bool afterHour = false;
  auto number = [&](int value, size_t width) {
    char buffer[16];
    int n = std::snprintf(buffer, sizeof buffer, width == 2 ? "%02d" : "%d", value);
    out.append(buffer, static_cast<size_t>(n));
  };
  for (size_t i = 0; i < pattern.size();) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    size_t run = 1;
    while (i + run < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i + run])) == c) ++run;
    switch (c) {
      case 'd': number(t.Day, run >= 2 ? 2 : 1); afterHour = false; break;
      case 'm':
        number(afterHour ? t.Minute : t.Month, run >= 2 ? 2 : 1);
        afterHour = false;
        break;
      case 'n': number(t.Minute, run >= 2 ? 2 : 1); afterHour = false; break;
      case 'y':
        if (run >= 4) number(t.Year, 4);
        else number(t.Year % 100, 2);
        afterHour = false;
        break;
      case 'h': number(t.Hour, run >= 2 ? 2 : 1); afterHour = true; break;
      case 's': number(t.Second, run >= 2 ? 2 : 1); afterHour = false; break;
      default: out.append(pattern, i, run); break;
    }
    i += run;
  }
  return out;
}

}  // namespace platform
