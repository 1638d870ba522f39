#include "Html.h"

#include "platform/Text.h"

namespace nightly {

namespace {

const char* const kStyle = R"(<style>
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 14px; color: #1b1b1b; margin: 24px auto;
       max-width: 1360px; padding: 0 20px; }
h1 { font-size: 22px; margin: 0 0 4px 0; }
h2 { font-size: 17px; margin: 28px 0 8px 0; border-bottom: 1px solid #c8c8c8; padding-bottom: 3px; }
h3 { font-size: 15px; margin: 18px 0 6px 0; }
table { border-collapse: collapse; margin: 6px 0 12px 0; }
th, td { border: 1px solid #c8c8c8; padding: 3px 8px; text-align: left; vertical-align: top; }
th { background: #eef1f4; }
td { overflow-wrap: anywhere; }
code, .mono { font-family: "DejaVu Sans Mono", monospace; font-size: 13px; }
.ok { color: #1d6b2f; }
.bad { color: #a4161a; font-weight: bold; }
.warn { color: #8a5a00; }
.muted { color: #666; }
.summary td:first-child { font-weight: bold; white-space: nowrap; }
iframe { width: 100%; height: 420px; border: 1px solid #c8c8c8; }
pre.lines { white-space: pre-wrap; margin: 4px 0; }
ul.files { margin: 4px 0; padding-left: 20px; }
details.view, details.view summary { display: inline; cursor: pointer; color: #666; }
details.view[open] { display: block; }
@media print {
  body { margin: 0; max-width: none; font-size: 11px; }
  a { color: inherit; text-decoration: none; }
  iframe, details.view { display: none; }
  h2 { break-after: avoid; }
  tr { break-inside: avoid; }
}
</style>
)";

}  // namespace

std::string PageStart(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + platform::HtmlEscape(title) +
         "</title>\n" + kStyle + "</head>\n<body>\n";
}

std::string PageEnd() { return "</body>\n</html>\n"; }

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  return "\"" + platform::Replace(text, "\"", "\"\"") + "\"";
}

std::string CsvLine(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + CsvField(fields[i]);
  return line + "\r\n";
}

}  // namespace nightly
