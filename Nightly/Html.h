// The pages quorva-nightly writes (the change pages, the run pages and their index) and their
// comma-separated twins. Every text that came from a configuration file, a schedule or a log goes
// through platform::HtmlEscape before it reaches a page.
#pragma once

#include <string>
#include <vector>

namespace nightly {

// The start of a page: doctype, UTF-8, the title (escaped here) and the house style, one plain
// HTML file with its CSS inside, readable at 1,400 pixels and printable. The body follows.
std::string PageStart(const std::string& title);
// Closes what PageStart opened.
std::string PageEnd();

// One field as RFC 4180 has it: in double quotes, inner quotes doubled, when it holds a comma, a
// quote, CR or LF; as it is otherwise.
std::string CsvField(const std::string& text);
// The fields joined by commas, ended by CR LF.
std::string CsvLine(const std::vector<std::string>& fields);

}  // namespace nightly
