// A problem found in the schedule or the sources file, said as a person can act on it.
#pragma once

#include <string>
#include <vector>

namespace nightly {

struct Problem {
  std::string file;   // "ScheduleConfig.ini", "Sources.ini"
  long line = 0;      // 0 when the problem belongs to no line (a file that cannot be read)
  std::string where;  // "[WebSite] Format, job 2", "[Sources] WEBFARM01"; may be empty
  std::string text;   // what is wrong, and what to write instead
  // "file:line: where: text" (without "line:" when it is 0, without "where: " when empty).
  std::string Format() const;
};

// The candidate the name most likely meant (letter case aside, a few letters off, or letters
// swapped), or "" when none is close enough to suggest.
std::string NearestName(const std::string& name, const std::vector<std::string>& candidates);

}  // namespace nightly
