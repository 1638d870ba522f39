#include "DriftPages.h"

#include <map>

#include "Html.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace nightly {

namespace {

using platform::HtmlEscape;

std::string Cell(const std::string& text) { return "<td>" + HtmlEscape(text) + "</td>"; }

std::string Summary(const ServerDrift& server) {
  if (!server.problem.empty()) return "not compared: " + server.problem;
  if (server.changes.changes.empty()) return "no change since " + server.older;
  return std::to_string(server.changes.changes.size()) + " changes since " + server.older;
}

std::string ServerSection(const ServerDrift& server, const std::map<std::string, const SideBySide*>& reports) {
  std::string html = "<h2 id=\"" + HtmlEscape(server.server) + "\">" + HtmlEscape(server.server) + "</h2>\n<p class=\"muted\">History/" +
                     HtmlEscape(server.server + "/" + server.older) + " &rarr; History/" +
                     HtmlEscape(server.server + "/" + server.newer) + "</p>\n";
  if (!server.problem.empty()) return html + "<p class=\"bad\">Not compared: " + HtmlEscape(server.problem) + "</p>\n";
  if (server.changes.changes.empty()) return html + "<p class=\"ok\">No change since " + HtmlEscape(server.older) + ".</p>\n";
  const std::vector<Change>& changes = server.changes.changes;
  for (size_t i = 0; i < changes.size(); ++i) {
    if (i == 0 || changes[i].item != changes[i - 1].item) {
      if (i) html += "</table>\n";
      html += "<h3>" + HtmlEscape(changes[i].item) + "</h3>\n";
      auto report = reports.find(server.server + "\n" + changes[i].item);
      if (report != reports.end() && !report->second->report.empty())
        html += "<p><a href=\"" + HtmlEscape(report->second->report) + "\">Side-by-side report of the two versions</a></p>\n";
      else if (report != reports.end())
        html += "<p class=\"warn\">" + HtmlEscape(report->second->note) + "</p>\n";
      html += "<table>\n<tr><th>Category</th><th>Property</th><th>Before</th><th>After</th></tr>\n";
    }
    const Change& c = changes[i];
    html += "<tr>" + Cell(c.category) + Cell(c.property) + Cell(c.before) + Cell(c.after) + "</tr>\n";
  }
  return html + "</table>\n";
}

}  // namespace

void WriteChangePages(const std::string& folder, const std::string& stamp, const std::vector<ServerDrift>& servers,
                      const SideBySideRun& sideBySide, const std::vector<std::string>& notes,
                      const std::vector<std::string>& problems) {
  std::string csv = CsvLine({"Server", "Site or directory", "Category", "Property", "Before", "After"});
  for (const ServerDrift& server : servers) {
    if (server.changes.changes.empty()) csv += CsvLine({server.server, "", "", Summary(server), "", ""});
    for (const Change& c : server.changes.changes)
      csv += CsvLine({server.server, c.item, c.category, c.property, c.before, c.after});
  }

  std::map<std::string, const SideBySide*> reports;  // by server and site
  for (const SideBySide& site : sideBySide.sites) reports[site.server + "\n" + site.site] = &site;
  std::string html = PageStart("IIS configuration drift " + stamp) +
                     "<h1>What changed in the IIS configuration</h1>\n<p class=\"muted\">" + HtmlEscape(stamp) +
                     ": each server's newest snapshot against the one before it. The same list: "
                     "<a href=\"changes.csv\">changes.csv</a>.</p>\n";
  if (!problems.empty()) {
    html += "<h2>Problems</h2>\n<ul>\n";
    for (const std::string& problem : problems) html += "<li class=\"bad\">" + HtmlEscape(problem) + "</li>\n";
    html += "</ul>\n";
  }
  html += "<table class=\"summary\">\n";
  for (const ServerDrift& server : servers)
    html += "<tr><td><a href=\"#" + HtmlEscape(server.server) + "\">" + HtmlEscape(server.server) + "</a></td>" +
            Cell(Summary(server)) + "</tr>\n";
  html += "</table>\n";
  for (const std::string& note : notes) html += "<p class=\"muted\">" + HtmlEscape(note) + "</p>\n";
  for (const ServerDrift& server : servers) html += ServerSection(server, reports);
  if (!sideBySide.sites.empty()) {
    html += "<h2>QUORVASchedule's run for the side-by-side reports</h2>\n";
    if (!sideBySide.problem.empty()) html += "<p class=\"bad\">" + HtmlEscape(sideBySide.problem) + "</p>\n";
    html += "<pre class=\"mono\">";
    for (const std::string& line : sideBySide.statusLog) html += HtmlEscape(line) + "\n";
    html += "</pre>\n";
  }
  platform::WriteAllBytes(folder + "/changes.csv", csv);
  platform::WriteAllBytes(folder + "/changes.html", html + PageEnd());
}

}  // namespace nightly
