// The text functions the program leans on, with the classic run-time's behaviour.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Splits at every delimiter. An empty text gives no elements; adjacent delimiters give an
// empty element between them.
std::vector<std::string> Split(const std::string& text, const std::string& delimiter);
// Joins with the delimiter between elements.
std::string Join(const std::vector<std::string>& parts, const std::string& delimiter);
// Replaces every occurrence of what by with.
std::string Replace(const std::string& text, const std::string& what, const std::string& with);
// Doubles every single quote, for a value placed between quotes in SQL.
std::string QuoteSql(const std::string& text);
// The text with &, <, > and " as character references, for data placed in an HTML page: the
// browser shows exactly these characters and reads no markup in them.
std::string HtmlEscape(const std::string& text);
// Removes leading and trailing blanks (spaces only).
std::string Trim(const std::string& text);
std::string LCase(std::string text);
std::string UCase(std::string text);
// The text before the first occurrence of delimiter, or the whole text when it has none.
std::string TextBefore(const std::string& text, const std::string& delimiter);
// A text read as a number, blanks around it allowed; anything else raises 13.
double CDbl(const std::string& text);
// The whole part of a number, towards minus infinity; outside the 32-bit range raises 6.
long WholePart(double value);

}  // namespace platform
