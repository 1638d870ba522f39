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
  for (const ProfileLine& line : ScanProfile(text)) {
    if (line.kind == ProfileLine::Kind::Section) {
      // The first section of a name is the one read; a later one of the same name is not.
      if (inSection) return false;
      inSection = SameName(line.name, section);
    } else if (inSection && line.kind == ProfileLine::Kind::Key && SameName(line.name, key)) {
      value = line.value;
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<ProfileLine> ScanProfile(const std::string& text) {
  std::vector<ProfileLine> lines;
  bool inAnySection = false;
  size_t pos = 0;
  long number = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    ProfileLine line;
    line.number = ++number;
    std::string content = Trim(text.substr(pos, end - pos));
    // A line ends at CR LF, LF or CR.
    pos = end;
    if (pos < text.size() && text[pos] == '\r') {
      ++pos;
      if (pos < text.size() && text[pos] == '\n') ++pos;
    } else if (pos < text.size()) {
      ++pos;
    }
    if (!content.empty() && content[0] == '[') {
      size_t close = content.find(']');
      line.kind = ProfileLine::Kind::Section;
      line.name = Trim(content.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      inAnySection = true;
    } else if (!content.empty() && content[0] != ';' && inAnySection) {
      size_t equals = content.find('=');
      line.kind = ProfileLine::Kind::Key;
      line.name = Trim(content.substr(0, equals));
      line.hasEquals = equals != std::string::npos;
      line.value = line.hasEquals ? Trim(content.substr(equals + 1)) : std::string();
      if (line.value.size() >= 2 && line.value.front() == '"' && line.value.back() == '"')
        line.value = line.value.substr(1, line.value.size() - 2);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

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
