#include "CheckFarm.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/Ado.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Printing.h"
#include "platform/Text.h"

namespace nightly {

namespace {

using platform::LCase;

// What a failure says, without the application folder in front of its paths: the messages read
// the same wherever the folder lies.
std::string Shown(const std::string& description) {
  return platform::Replace(description, platform::AppFolder() + "/", "");
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// "; write X" for the nearest candidate, else "; " + what lists them.
std::string Suggestion(const std::string& name, const std::vector<std::string>& candidates, const std::string& kind) {
  std::string nearest = NearestName(name, candidates);
  if (!nearest.empty()) return "; write " + Quoted(nearest);
  if (candidates.empty()) return "; it has no " + kind;
  return "; its " + kind + " are " + Listed(candidates);
}

}  // namespace

std::string Listed(const std::vector<std::string>& names) {
  const size_t shown = std::min<size_t>(names.size(), 5);
  std::string text;
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) text += i + 1 == shown && shown == names.size() ? " and " : ", ";
    text += Quoted(names[i]);
  }
  if (shown < names.size()) text += " and " + std::to_string(names.size() - shown) + " more";
  return text;
}

Farm::Farm(const Sources& sources) : sources_(sources) {
  const std::string servers = platform::AppFolder() + "/Servers";
  if (platform::IsFolder(servers))
    for (const std::string& name : platform::FolderEntries(servers))
      if (platform::IsFolder(servers + "/" + name)) knownServers_.push_back(name);
  for (const Source& source : sources.sources) knownServers_.push_back(source.server);
}

Farm::Server& Farm::Look(const std::string& name) {
  auto [found, added] = servers_.try_emplace(LCase(name));
  Server& server = found->second;
  if (!added) return server;
  if (!IsServerName(name)) {
    server.problem = Quoted(name) + " is not a server name: it holds letters, digits, \".\", \"-\" and \"_\" only";
    return server;
  }
  try {
    server.snapshot = iis::LoadSnapshot(name);
  } catch (const platform::RuntimeError& error) {
    const bool hasSource = std::any_of(sources_.sources.begin(), sources_.sources.end(),
                                       [&](const Source& s) { return LCase(s.server) == LCase(name); });
    if (error.Number() != platform::errFileNotFound)
      server.problem = Shown(error.Description()) + "; fetch it again, or copy a whole snapshot there";
    else if (hasSource)
      return server;  // the fetch brings its first snapshot
    else if (platform::IsFolder(platform::AppFolder() + "/Servers/" + name))
      server.problem = "Servers/" + name +
                       " holds neither applicationHost.config nor MetaBase.xml, and Sources.ini has no source for it; "
                       "copy its snapshot there, or add a source";
    else
      server.problem = "server " + Quoted(name) + " has neither a snapshot folder Servers/" + name +
                       " nor a source in Sources.ini; add " + name + "= and its source to Sources.ini" +
                       (NearestName(name, knownServers_).empty() ? "" : ", or write " + NearestName(name, knownServers_));
    return server;
  }
  for (const iis::Site& site : server.snapshot->Sites()) {
    server.sites.emplace(LCase(site.name), &site);
    server.siteNames.push_back(site.name);
  }
  return server;
}

std::string Farm::ServerProblem(const std::string& server) { return Look(server).problem; }

void Farm::ReadDirectories(Server& server) {
  server.directoriesRead = true;
  for (const auto& [siteId, directories] : iis::SiteDirectories(*server.snapshot))
    for (const std::vector<std::string>& directory : directories) {
      const std::string path = platform::Join(directory, "\\");
      server.lowerDirectories[siteId].insert(LCase(path));
      server.directories[siteId].push_back(path);
    }
}

std::string Farm::SiteProblem(const std::string& name, const std::string& site,
                              const std::vector<std::string>& directories) {
  Server& server = Look(name);
  if (!server.snapshot) return "";
  auto found = server.sites.find(LCase(site));
  if (found == server.sites.end())
    return "the snapshot of " + name + " has no web site " + Quoted(site) + Suggestion(site, server.siteNames, "web sites");
  if (directories.empty()) return "";
  if (!server.directoriesRead) ReadDirectories(server);
  const std::string& id = found->second->id;
  const std::string path = platform::Join(directories, "\\");
  if (server.lowerDirectories[id].count(LCase(path))) return "";
  return "web site " + Quoted(site) + " of " + name + " has no application or virtual directory " + Quoted(path) +
         Suggestion(path, server.directories[id], "directories");
}

std::vector<std::string> Farm::LongSiteNames(const std::string& name, size_t length) {
  std::vector<std::string> names;
  for (const std::string& site : Look(name).siteNames)
    if (site.size() > length) names.push_back(site);
  return names;
}

std::string Farm::FolderProblem(const std::string& path) {
  auto [found, added] = folders_.try_emplace(path);
  std::string& problem = found->second;
  if (!added) return problem;
  if (path.empty()) {
    problem = "an empty Path writes the reports into the root folder \"/\"; write No for the application folder";
    return problem;
  }
  const std::string native = platform::NativePath(path);
  const platform::FileInfo folder = platform::FindFile(native[0] == '/' ? native : platform::AppFolder() + "/" + native);
  if (folder.normalFile)
    problem = Quoted(path) + " is a file, not a folder; write a folder's path, or No for the application folder";
  else if (!folder.folder)
    problem = "the folder " + Quoted(path) + " is not there" +
              (native[0] == '/' ? "" : " (a relative Path starts from the application folder)") +
              "; make it, or write No for the application folder";
  else if (::access(folder.path.c_str(), W_OK | X_OK) != 0)
    problem = "the folder " + Quoted(path) + " cannot be written into (" + std::strerror(errno) +
              "); let the user of the run write there, or write another folder";
  return problem;
}

std::string Farm::CustomProblem(const std::string& file, const std::string& report) {
  auto [found, added] = definitions_.try_emplace(file);
  Definitions& definitions = found->second;
  if (added) {
    const platform::FileInfo info = platform::FindFile(platform::AppFolder() + "/" + file);
    if (!info.normalFile) {
      definitions.problem = "the application folder has no " + file +
                            ", so no custom report can be made at this level; copy the definition file there, or write "
                            "No for a standard report";
    } else {
      try {
        // Read only: the definitions belong to the interactive half of the tool.
        platform::ado::Connection connection;
        connection.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + info.path + "\";Mode=Read");
        platform::ado::Catalog catalog;
        catalog.SetActiveConnection(&connection);
        for (long i = 0; i < catalog.TableCount(); ++i) {
          definitions.reports.push_back(catalog.TableName(i));
          definitions.lowerReports.insert(LCase(definitions.reports.back()));
        }
        catalog.SetActiveConnection(nullptr);
      } catch (const platform::RuntimeError& error) {
        definitions.problem = file + " cannot be read as a definition file (" + Shown(error.Description()) +
                              "); copy a good one there, or write No for a standard report";
      }
    }
  }
  if (report.empty()) return "an empty Custom entry asks for a report with no name; write No for a standard report";
  if (!definitions.problem.empty()) return definitions.problem;
  if (definitions.lowerReports.count(LCase(report))) {
    if (std::all_of(report.begin(), report.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }))
      return "";
    return "the run reads report " + Quoted(report) + " with \"Select * from " + report +
           "\", which takes a name of letters, digits and \"_\" only; rename the report in " + file;
  }
  if (LCase(report) == "no")
    return Quoted(report) + " is not No: the run looks for a custom report named " + Quoted(report) +
           "; write No for a standard report";
  return file + " holds no report " + Quoted(report) + Suggestion(report, definitions.reports, "reports");
}

std::string Farm::PrinterProblem(const std::string& printer) {
  if (!printersRead_) {
    printersRead_ = true;
    for (const platform::PrinterInfo& queue : platform::Printers()) printers_.insert(platform::UCase(queue.DeviceName));
  }
  if (printers_.count(printer)) return "";
  if (printers_.count(platform::UCase(printer)))
    return Quoted(printer) + " never matches: the run compares it with the printer names in capitals; write " +
           platform::UCase(printer);
  if (printers_.empty())
    return "the print system has no printer, so nothing can be printed; add a print queue (lpadmin), or write Option 0";
  return "the print system has no printer " + Quoted(printer) +
         ", so the report goes to the default printer; write a print queue's name in capitals (lpstat -e lists them)";
}

}  // namespace nightly
