#include "TestServices.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include "TestSupport.h"
#include "platform/Text.h"

namespace testsupport {

namespace {
// What the script said, run at most once per test process.
const std::string& StartServices() {
  static const std::string said =
      Capture("bash '" + SourceDir() + "/scripts/test-services.sh' 2>&1");
  return said;
}

bool CupsUp() {
  return Capture("lpstat -r 2>/dev/null").find("is running") != std::string::npos &&
         Capture(std::string("lpstat -p ") + kPdfQueue + " 2>/dev/null").find(kPdfQueue) != std::string::npos &&
         Capture("cupsctl 2>/dev/null").find("PreserveJobFiles=Yes") != std::string::npos;
}

// The display and the window manager that draws window captions on it.
bool XvfbUp() {
  std::string number = kTestDisplay + 1;
  if (!std::filesystem::exists("/tmp/.X11-unix/X" + number)) return false;
  std::string pid = ReadFile("/tmp/quorva-twm" + number + ".pid");
  return !pid.empty() && Capture("kill -0 " + pid + " 2>/dev/null && echo alive").find("alive") != std::string::npos;
}

}  // namespace

std::string Unavailable(const std::string& service, bool (*up)()) {
  if (up()) return {};
  std::string said = StartServices();
  return up() ? std::string() : service + " could not be started: " + said;
}

std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  std::array<char, 4096> chunk{};
  for (size_t got; pipe && (got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) out.append(chunk.data(), got);
  if (pipe) ::pclose(pipe);
  return out;
}

std::set<std::string> SpooledDocuments() {
  std::set<std::string> documents;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(kSpool, ec)) {
    std::string name = entry.path().filename().string();
    if (name.size() > 4 && name[0] == 'd' && name.ends_with("-001")) documents.insert(entry.path().string());
  }
  return documents;
}

std::string NewSpooledDocument(const std::set<std::string>& before, const std::string& containing) {
  for (int tries = 0; tries < 150; ++tries) {
    for (const std::string& document : SpooledDocuments()) {
      const bool whole = Capture("pdfinfo '" + document + "' 2>/dev/null").find("Pages:") != std::string::npos;
      if (before.contains(document) || !whole) continue;
      if (containing.empty() || Capture("pdftotext '" + document + "' -").find(containing) != std::string::npos)
        return document;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return {};
}

std::string MisprintedWords(const std::string& pdf, const std::vector<std::vector<std::string>>& rows) {
  struct Word { std::string text; double x0, y0, x1, y1; int page; };
  std::vector<Word> words;
  const std::string xml = Capture("pdftotext -bbox '" + pdf + "' -");
  const std::regex pageOrWord(R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re");
  int page = 0;
  for (std::sregex_iterator at(xml.begin(), xml.end(), pageOrWord), end; at != end; ++at) {
    page += !(*at)[1].matched;
    if (!(*at)[1].matched) continue;
    std::string text = (*at)[5];
    for (auto [entity, character] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}})
      for (size_t i; (i = text.find(entity)) != std::string::npos;) text.replace(i, std::string(entity).size(), character);
    words.push_back({text, std::stod((*at)[1]), std::stod((*at)[2]), std::stod((*at)[3]), std::stod((*at)[4]), page});
  }
  std::map<std::string, int> unprinted;
  for (const auto& row : rows)
    for (const auto& cell : row)
      for (const std::string& word : platform::Split(cell, " ")) unprinted[word] += !word.empty();
  std::string problems;
  for (size_t i = 0; i < words.size(); ++i) {
    const Word& a = words[i];
    --unprinted[a.text];
    if (a.y1 - a.y0 < 6) problems += "'" + a.text + "' is too small\n";
    // The boxes of lines one under the other touch; more than half a point is one word over another.
    for (size_t j = i + 1; j < words.size() && words[j].page == a.page; ++j)
      if (std::min(a.x1, words[j].x1) - std::max(a.x0, words[j].x0) > 0.5 &&
          std::min(a.y1, words[j].y1) - std::max(a.y0, words[j].y0) > 0.5)
        problems += "'" + a.text + "' and '" + words[j].text + "' overlap on page " + std::to_string(a.page) + "\n";
  }
  for (const auto& [word, count] : unprinted)
    if (count > 0) problems += "'" + word + "' is not printed whole\n";
  return problems.substr(0, 2000);
}

std::string CupsUnavailable() { return Unavailable("CUPS", CupsUp); }
std::string XvfbUnavailable() { return Unavailable("Xvfb", XvfbUp); }

}  // namespace testsupport
