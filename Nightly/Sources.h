// ScheduleInfo/Sources.ini in the application folder: where each server's configuration snapshot
// is fetched from, and the options of fetching and of the night's run.
//
//   [Sources]
//   WEBFARM01=ssh://svc-quorva@web01.example.com/C:/Windows/System32/inetsrv/config/applicationHost.config
//   LEGACY01=smb://legacy01/C$/WINDOWS/system32/inetsrv/MetaBase.xml
//   STAGING=file:///mnt/iis-drop/staging/applicationHost.config
//   [Options]
//   Concurrency=8
//   Timeout=60
//   KeepDays=30
//   SshConfig=/etc/quorva/ssh_config
//   SmbAuthFile=/etc/quorva/smb.auth
//   MaxMinutes=240
//
// The file is read as the schedule file is (sections and keys without regard to case, values
// trimmed, the first section of a name). A source with a problem is left out and its problem
// said; the others stand.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Problems.h"

namespace nightly {

struct Source {
  enum class Transport { Ssh, Smb, File };
  std::string server;  // the name under Servers/ and History/: letters, digits, ".", "-", "_"
  std::string text;    // the source as written
  long line = 0;       // its line in Sources.ini
  Transport transport = Transport::File;
  std::string user;    // ssh: the user before "@", "" when OpenSSH's configuration chooses
  std::string host;    // ssh, smb: the host (an IPv6 address without its brackets)
  int port = 0;        // ssh, smb: 0 when the source names none
  std::string share;   // smb: the share ("C$")
  std::string path;    // ssh: the path after the host, sent unchanged ("/C:/Windows/...");
                       // smb: the path inside the share ("WINDOWS/system32/inetsrv/MetaBase.xml");
                       // file: the local path
  std::string fileName;  // "applicationHost.config" or "MetaBase.xml": the snapshot's kind
};

struct FetchOptions {
  int concurrency = 8;   // fetches at once
  int timeout = 60;      // seconds a fetch may take before it is stopped
  int keepDays = 30;     // history entries and run pages older than this go
  std::string sshConfig;    // OpenSSH client configuration (-F), "" for the user's own
  std::string smbAuthFile;  // smbclient credentials file (-A)
  std::optional<int> maxMinutes;  // how long QUORVASchedule may run; none when absent
};

struct Sources {
  bool present = false;  // false when the application folder has no Sources.ini
  std::string path;      // the file's native path
  std::vector<Source> sources;  // in the file's order, the ones without problems
  FetchOptions options;
  std::vector<Problem> problems;
};

// Reads ScheduleInfo/Sources.ini of the application folder; never raises. A missing file is no
// problem: it has no sources and the default options.
Sources ReadSources();
// Reads a sources text; file names the file in problems.
Sources ParseSources(const std::string& text, const std::string& file = "Sources.ini");

// True when a server name can stand in the schedule, the comparison entries, the settings tables
// and a folder name: letters, digits, ".", "-" and "_" only, and not "." or "..".
bool IsServerName(const std::string& name);

}  // namespace nightly
