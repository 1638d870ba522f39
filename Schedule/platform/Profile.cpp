#include "platform/Profile.h"

#include <algorithm>
#include <strings.h>

#include "platform/Files.h"

namespace platform {

namespace {

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Finds the value of key in section; false when the file, the section or the key is absent.
bool FindValue(const std::string& section, const std::string& key, const std::string& path, std::string& value) {
  if (!IsNormalFile(path)) return false;
  std::string text;
  try {
    text = ReadAllBytes(path);
  } catch (...) {
    return false;
  }
  bool inSection = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end;
    while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      // The first section of a name is the one read; a later one of the same name is not.
      if (inSection) return false;
      inSection = SameName(name, section);
      continue;
    }
    if (!inSection) continue;
    size_t equals = line.find('=');
    std::string name = Trim(line.substr(0, equals));
    if (!SameName(name, key)) continue;
    value = equals == std::string::npos ? std::string() : Trim(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return true;
  }
  return false;
}

}  // namespace

long GetPrivateProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                             std::string& buffer, long size, const std::string& path) {
  std::string value;
  if (!FindValue(section, key, path, value)) {
    value = defaultValue;
    while (!value.empty() && value.back() == ' ') value.pop_back();
  }
  if (size <= 0) {
    buffer.clear();
    return 0;
  }
  size_t copied = std::min(value.size(), static_cast<size_t>(size - 1));
  // What lies past the terminating NUL is never read, so the buffer stops there.
  buffer.assign(value, 0, copied);
  buffer.push_back('\0');
  return static_cast<long>(copied);
}

}  // namespace platform
