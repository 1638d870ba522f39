// Connection strings: the provider and the file a text names, "Key = value" pairs joined by ";"
// (keys without regard to case, a quoted value may hold ";"), or a bare path. A text is worked out
// once and kept.
#include "platform/AdoInternal.h"

#include "platform/Text.h"

namespace platform::ado::internal {

namespace {

std::string ValueOfKey(const std::string& text, const std::string& key) {
  std::string lower = LCase(text);
  size_t at = lower.find(LCase(key));
  while (at != std::string::npos) {
    size_t j = at + key.size();
    while (j < text.size() && text[j] == ' ') ++j;
    if (j < text.size() && text[j] == '=') {
      ++j;
      while (j < text.size() && text[j] == ' ') ++j;
      if (j < text.size() && text[j] == '"') {  // a quoted value may hold ";"
        size_t close = text.find('"', j + 1);
        return text.substr(j + 1, close == std::string::npos ? std::string::npos : close - j - 1);
      }
      size_t end = text.find(';', j);
      return text.substr(j, end == std::string::npos ? std::string::npos : end - j);
    }
    at = lower.find(LCase(key), at + 1);
  }
  return {};
}

bool HasKey(const std::string& text, const std::string& key) {
  std::string lower = LCase(text);
  size_t at = lower.find(LCase(key));
  if (at == std::string::npos) return false;
  size_t j = at + key.size();
  while (j < text.size() && text[j] == ' ') ++j;
  return j < text.size() && text[j] == '=';
}

}  // namespace

const ConnectionText& ParseConnectionText(const std::string& text) {
  static std::unordered_map<std::string, ConnectionText> known;
  auto found = known.find(text);
  if (found != known.end()) return found->second;
  if (known.size() >= 1024) known.clear();
  ConnectionText parsed;
  if (HasKey(text, "Provider")) parsed.provider = Trim(ValueOfKey(text, "Provider"));
  parsed.namesDataSource = HasKey(text, "Data Source");
  parsed.dataSource = parsed.namesDataSource ? ValueOfKey(text, "Data Source") : text;
  parsed.readOnly = parsed.namesDataSource && HasKey(text, "Mode") && LCase(Trim(ValueOfKey(text, "Mode"))) == "read";
  return known.emplace(text, std::move(parsed)).first->second;
}

}  // namespace platform::ado::internal
