#include "Sources.h"

#include <algorithm>
#include <cctype>

#include "Transports.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace nightly {

namespace {

const std::vector<std::string> kSections = {"Sources", "Options"};
const std::vector<std::string> kOptions = {"Concurrency", "Timeout", "KeepDays", "SshConfig", "SmbAuthFile",
                                           "MaxMinutes"};

bool SameName(const std::string& a, const std::string& b) { return platform::LCase(a) == platform::LCase(b); }

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && SameName(text.substr(text.size() - end.size()), end);
}

// The source as it may be shown: a password someone wrote into it never reaches a message.
std::string Shown(const std::string& text) {
  size_t scheme = text.find("://");
  if (scheme == std::string::npos) return text;
  size_t start = scheme + 3, end = text.find('/', start);
  std::string authority = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  size_t at = authority.rfind('@'), colon = authority.find(':');
  if (at == std::string::npos || colon == std::string::npos || colon > at) return text;
  return text.substr(0, start + colon) + ":***" + text.substr(start + at);
}

// Splits "[user@]host[:port]" into its parts; false with the reason when it is not of that form.
bool ParseAuthority(const std::string& authority, Source& source, bool userAllowed, std::string& reason) {
  std::string rest = authority;
  size_t at = rest.rfind('@');
  if (at != std::string::npos) {
    source.user = rest.substr(0, at);
    rest = rest.substr(at + 1);
    if (!userAllowed) {
      reason = "an smb:// source takes no user; put the account into the file SmbAuthFile names";
      return false;
    }
    if (source.user.find(':') != std::string::npos) {
      reason = "a password in a source is never used; remove it and let OpenSSH's keys (SshConfig) log in";
      return false;
    }
    if (source.user.empty()) {
      reason = "the user before \"@\" is empty; write user@host or leave out \"@\"";
      return false;
    }
    // A user is handed to ssh as part of an argument: it may not read as an option.
    if (source.user[0] == '-' || std::any_of(source.user.begin(), source.user.end(), [](char c) {
          return std::iscntrl(static_cast<unsigned char>(c)) || c == ' ' || c == '/';
        })) {
      reason = "the user \"" + source.user + "\" cannot begin with \"-\" or hold blanks, \"/\" or control characters";
      return false;
    }
  }
  std::string port;
  if (!rest.empty() && rest[0] == '[') {
    size_t close = rest.find(']');
    if (close == std::string::npos) {
      reason = "the address in [ ] has no closing \"]\"";
      return false;
    }
    source.host = rest.substr(1, close - 1);
    if (close + 1 < rest.size()) {
      if (rest[close + 1] != ':') {
        reason = "after \"]\" only \":port\" may follow";
        return false;
      }
      port = rest.substr(close + 2);
    }
  } else {
    size_t colon = rest.find(':');
    source.host = rest.substr(0, colon);
    if (colon != std::string::npos) port = rest.substr(colon + 1);
  }
  if (source.host.empty()) {
    reason = "the source names no host; write the server's host name after \"//\"";
    return false;
  }
  for (char c : source.host)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_' && c != ':') {
      reason = "the host \"" + source.host + "\" holds \"" + std::string(1, c) + "\"; a host name is letters, digits, \".\" and \"-\"";
      return false;
    }
  if (source.host[0] == '-') {
    reason = "a host name cannot begin with \"-\"";
    return false;
  }
  if (!port.empty()) {
    bool digits = port.size() <= 5 && std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
    source.port = digits ? std::stoi(port) : 0;
    if (source.port < 1 || source.port > 65535) {
      reason = "the port \"" + port + "\" is not a number from 1 to 65535";
      return false;
    }
  }
  return true;
}

// Fills the transport, host, path and kind of a source; false with the reason when it cannot.
bool ParseLocation(Source& source, std::string& reason) {
  const std::string& text = source.text;
  std::string location;
  if (text.rfind("ssh://", 0) == 0 || text.rfind("smb://", 0) == 0) {
    const bool ssh = text[1] == 's';
    source.transport = ssh ? Source::Transport::Ssh : Source::Transport::Smb;
    size_t slash = text.find('/', 6);
    if (!ParseAuthority(text.substr(6, slash == std::string::npos ? std::string::npos : slash - 6), source, ssh,
                        reason))
      return false;
    location = slash == std::string::npos ? "" : text.substr(slash);
    if (ssh) {
      source.path = location;
    } else {
      size_t next = location.find('/', 1);
      source.share = location.substr(1, next == std::string::npos ? std::string::npos : next - 1);
      source.path = next == std::string::npos ? "" : location.substr(next + 1);
      if (source.share.empty() || source.path.empty()) {
        reason = "an smb:// source is smb://host[:port]/share/path/to/file";
        return false;
      }
    }
  } else if (text.rfind("file://", 0) == 0 || (!text.empty() && text[0] == '/')) {
    source.transport = Source::Transport::File;
    location = text[0] == '/' ? text : text.substr(7);
    if (location.rfind("localhost/", 0) == 0) location = location.substr(9);
    if (location.empty() || location[0] != '/') {
      reason = "a file source is an absolute path, or file:///path/to/file";
      return false;
    }
    source.path = location;
  } else {
    std::string scheme = text.substr(0, text.find("://"));
    reason = (text.find("://") != std::string::npos ? "\"" + scheme + "://\" is not a transport this program knows"
                                                    : std::string("the source is not a location")) +
             "; write ssh://[user@]host[:port]/path, smb://host[:port]/share/path, file:///path or an absolute path";
    return false;
  }
  if (location.empty() || location == "/") {
    reason = "the source names no file; end it with the path of applicationHost.config or MetaBase.xml";
    return false;
  }
  reason = UnsafePath(source);
  if (!reason.empty()) return false;
  if (EndsWithNoCase(location, "/applicationHost.config")) {
    source.fileName = "applicationHost.config";
  } else if (EndsWithNoCase(location, "/MetaBase.xml")) {
    source.fileName = "MetaBase.xml";
  } else {
    reason = "the file \"" + location.substr(location.rfind('/') + 1) +
             "\" is not a snapshot this program reads; the last part of the path must be applicationHost.config "
             "(IIS 7 and later) or MetaBase.xml (IIS 6)";
    return false;
  }
  return true;
}

// A whole number from low up, or false.
bool ReadNumber(const std::string& value, int low, int& number) {
  if (value.empty() || value.size() > 9 || !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  number = std::stoi(value);
  return number >= low;
}

}  // namespace

bool IsServerName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
  });
}

Sources ParseSources(const std::string& text, const std::string& file) {
  Sources result;
  result.present = true;
  auto problem = [&](long line, const std::string& where, const std::string& what) {
    result.problems.push_back({file, line, where, what});
  };
  std::string section;          // the section being read, as this program names it; "" when none
  std::vector<std::string> seenSections;
  for (const platform::ProfileLine& line : platform::ScanProfile(text)) {
    if (line.kind == platform::ProfileLine::Kind::Section) {
      section.clear();
      auto known = std::find_if(kSections.begin(), kSections.end(), [&](auto& s) { return SameName(s, line.name); });
      if (known == kSections.end()) {
        std::string nearest = NearestName(line.name, kSections);
        problem(line.number, "[" + line.name + "]",
                "unknown section, its lines are not read; " +
                    (nearest.empty() ? std::string("the sections are [Sources] and [Options]")
                                     : "write [" + nearest + "]"));
      } else if (std::find(seenSections.begin(), seenSections.end(), *known) != seenSections.end()) {
        problem(line.number, "[" + *known + "]",
                "a second section of this name is not read; move its lines into the first one");
      } else {
        section = *known;
        seenSections.push_back(section);
      }
      continue;
    }
    if (line.kind != platform::ProfileLine::Kind::Key || section.empty()) continue;
    const std::string where = "[" + section + "] " + line.name;
    if (section == "Sources") {
      Source source;
      source.server = line.name;
      source.text = line.value;
      source.line = line.number;
      std::string reason;
      if (!IsServerName(line.name)) {
        problem(line.number, where,
                "a server name holds letters, digits, \".\", \"-\" and \"_\" only (the schedule, the comparison "
                "entries and the settings tables cannot carry others); rename it");
      } else if (std::any_of(result.sources.begin(), result.sources.end(),
                             [&](const Source& s) { return SameName(s.server, line.name); })) {
        problem(line.number, where,
                "this server has a source already (names are compared without regard to case); keep one line");
      } else if (!line.hasEquals || line.value.empty()) {
        problem(line.number, where, "the server has no source; write " + line.name + "=ssh://host/path, smb://host/share/path or file:///path");
      } else if (!ParseLocation(source, reason)) {
        problem(line.number, "[Sources] " + line.name + " = " + Shown(line.value), reason);
      } else {
        result.sources.push_back(std::move(source));
      }
      continue;
    }
    auto option = std::find_if(kOptions.begin(), kOptions.end(), [&](auto& o) { return SameName(o, line.name); });
    if (option == kOptions.end()) {
      std::string nearest = NearestName(line.name, kOptions);
      problem(line.number, where,
              "unknown option, not read; " + (nearest.empty() ? "the options are " + platform::Join(kOptions, ", ")
                                                               : "write " + nearest + "="));
      continue;
    }
    FetchOptions& o = result.options;
    int number = 0;
    auto numberOption = [&](int low, int& into, const std::string& meaning) {
      if (ReadNumber(line.value, low, number))
        into = number;
      else
        problem(line.number, "[Options] " + *option,
                "\"" + line.value + "\" is not a whole number of " + meaning + " from " + std::to_string(low) +
                    "; the default stays");
    };
    if (*option == "Concurrency") numberOption(1, o.concurrency, "fetches at once");
    if (*option == "Timeout") numberOption(1, o.timeout, "seconds");
    if (*option == "KeepDays") numberOption(1, o.keepDays, "days");
    if (*option == "MaxMinutes") {
      int minutes = 0;
      numberOption(1, minutes, "minutes");
      if (minutes > 0) o.maxMinutes = minutes;
    }
    if (*option == "SshConfig" || *option == "SmbAuthFile") {
      std::string& into = *option == "SshConfig" ? o.sshConfig : o.smbAuthFile;
      if (!line.value.empty() && line.value[0] != '/')
        problem(line.number, "[Options] " + *option, "\"" + line.value + "\" is not an absolute path; write the file's full path");
      else if (!line.value.empty() && !platform::IsNormalFile(line.value))
        problem(line.number, "[Options] " + *option, "the file " + line.value + " is not there or not a file");
      else
        into = line.value;
    }
  }
  // smbclient without a credentials file would ask for a password, and nobody is there to answer.
  std::erase_if(result.sources, [&](const Source& source) {
    if (source.transport != Source::Transport::Smb || !result.options.smbAuthFile.empty()) return false;
    problem(source.line, "[Sources] " + source.server + " = " + source.text,
            "an smb:// source needs a credentials file: write SmbAuthFile=/path/to/file in [Options] "
            "(see docs/snapshots.md)");
    return true;
  });
  std::stable_sort(result.problems.begin(), result.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
  return result;
}

Sources ReadSources() {
  const std::string path = platform::FilePath(platform::AppFolder() + "/ScheduleInfo/Sources.ini");
  Sources result;
  const platform::FileInfo info = platform::FindFile(path);
  if (!info.normalFile && !info.folder) {
    result.path = path;
    return result;
  }
  std::string text;
  try {
    text = platform::ReadAllBytes(path);
  } catch (const std::exception& error) {
    result.path = path;
    result.present = true;
    result.problems.push_back({"Sources.ini", 0, "", "cannot be read (" + std::string(error.what()) + "); no server is fetched"});
    return result;
  }
  result = ParseSources(text);
  result.path = path;
  return result;
}

}  // namespace nightly
