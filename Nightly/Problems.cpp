#include "Problems.h"

#include <algorithm>

#include "platform/Text.h"

namespace nightly {

std::string Problem::Format() const {
  std::string text = file + ":";
  if (line > 0) text += std::to_string(line) + ":";
  text += " ";
  if (!where.empty()) text += where + ": ";
  return text + this->text;
}

namespace {

// Edit distance with adjacent swaps counted as one edit, letter case aside.
size_t Distance(const std::string& a, const std::string& b) {
  const std::string x = platform::LCase(a), y = platform::LCase(b);
  std::vector<std::vector<size_t>> d(x.size() + 1, std::vector<size_t>(y.size() + 1));
  for (size_t i = 0; i <= x.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= y.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= x.size(); ++i)
    for (size_t j = 1; j <= y.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[x.size()][y.size()];
}

}  // namespace

std::string NearestName(const std::string& name, const std::vector<std::string>& candidates) {
  std::string best;
  size_t bestDistance = 0;
  for (const std::string& candidate : candidates) {
    size_t distance = Distance(name, candidate);
    if (best.empty() || distance < bestDistance) best = candidate, bestDistance = distance;
  }
  // A third of the letters, at least two, may be wrong.
  const size_t allowed = std::max<size_t>(2, best.size() / 3);
  return !best.empty() && bestDistance <= allowed ? best : std::string();
}

}  // namespace nightly
