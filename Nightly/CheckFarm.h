// What the jobs of a schedule name, each looked up once however many jobs name it: the servers'
// snapshots with their web sites and directories, the output folders, the custom report
// definition files and the print queues. Every answer is "" when all is well, else what is wrong
// and what to write instead.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Sources.h"
#include "iis/IisConfig.h"

namespace nightly {

class Farm {
 public:
  explicit Farm(const Sources& sources);

  // A server with a snapshot that can be read, or with a source that will fetch one.
  std::string ServerProblem(const std::string& server);
  // A web site and, when directories are given, an application or virtual directory of it.
  // Nothing is said when the server has no snapshot to look in (ServerProblem says why).
  std::string SiteProblem(const std::string& server, const std::string& site,
                          const std::vector<std::string>& directories);
  // The names of the server's web sites longer than length, in the snapshot's order.
  std::vector<std::string> LongSiteNames(const std::string& server, size_t length);
  // An output folder as a job's Path entry names it: there, a folder, and writable.
  std::string FolderProblem(const std::string& path);
  // A custom report in the definition file of that name in the application folder.
  std::string CustomProblem(const std::string& file, const std::string& report);
  // A printer name as a job's Printername entry holds it, against the print queues.
  std::string PrinterProblem(const std::string& printer);

 private:
  struct Server {
    std::string problem;
    std::shared_ptr<const iis::Snapshot> snapshot;       // null when there is none to look in
    std::unordered_map<std::string, const iis::Site*> sites;  // by lower-case name
    std::vector<std::string> siteNames;
    // Directories by site id ("shop\images"), as the snapshot readers list them: as written and
    // in lower case.
    bool directoriesRead = false;
    std::unordered_map<std::string, std::vector<std::string>> directories;
    std::unordered_map<std::string, std::unordered_set<std::string>> lowerDirectories;
  };
  Server& Look(const std::string& server);
  void ReadDirectories(Server& server);

  const Sources& sources_;
  std::vector<std::string> knownServers_;  // snapshot folders and sources, for suggestions
  std::unordered_map<std::string, Server> servers_;  // by lower-case name
  std::unordered_map<std::string, std::string> folders_;
  struct Definitions {
    std::string problem;
    std::vector<std::string> reports;
    std::unordered_set<std::string> lowerReports;
  };
  std::unordered_map<std::string, Definitions> definitions_;
  bool printersRead_ = false;
  std::unordered_set<std::string> printers_;  // the queue names in capitals, as the run compares them
};

// Up to five of the names, quoted and joined for a sentence: "a", "b" and "c".
std::string Listed(const std::vector<std::string>& names);

}  // namespace nightly
