#include "platform/Text.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/Err.h"

namespace platform {

std::vector<std::string> Split(const std::string& text, const std::string& delimiter) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  if (delimiter.empty()) return {text};
  size_t start = 0;
  for (size_t at = text.find(delimiter); at != std::string::npos; at = text.find(delimiter, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + delimiter.size();
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::string Join(const std::vector<std::string>& parts, const std::string& delimiter) {
  std::string text;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) text += delimiter;
    text += parts[i];
  }
  return text;
}

std::string Replace(const std::string& text, const std::string& what, const std::string& with) {
  if (what.empty()) return text;
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, start)) {
    out.append(text, start, at - start);
    out += with;
    start = at + what.size();
  }
  out.append(text, start, std::string::npos);
  return out;
}

std::string QuoteSql(const std::string& text) { return Replace(text, "'", "''"); }

std::string HtmlEscape(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  size_t end = text.find_last_not_of(' ');
  return text.substr(begin, end - begin + 1);
}

std::string LCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string UCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string TextBefore(const std::string& text, const std::string& delimiter) {
  size_t at = text.find(delimiter);
  return at == std::string::npos ? text : text.substr(0, at);
}

double CDbl(const std::string& text) {
  std::string trimmed = Trim(text);
  if (trimmed.empty()) Raise(errTypeMismatch);
  errno = 0;
  char* end = nullptr;
  double value = std::strtod(trimmed.c_str(), &end);
  if (end != trimmed.c_str() + trimmed.size() || std::isnan(value) || std::isinf(value)) Raise(errTypeMismatch);
  if (errno == ERANGE) Raise(errOverflow);
  return value;
}

long WholePart(double value) {
  double whole = std::floor(value);
  if (whole < -2147483648.0 || whole > 2147483647.0) Raise(errOverflow);
  return static_cast<long>(whole);
}

}  // namespace platform
