#include "iis/IisSettings.h"

#include <cstring>
#include <map>
#include <strings.h>

#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace iis {

using namespace platform;

namespace {

// ---- value conventions ----

std::string YesNo(bool value) { return value ? "Yes" : "No"; }

bool IsTrue(const std::string& text) { return LCase(Trim(text)) == "true" || Trim(text) == "1"; }

bool SameText(const std::string& a, const std::string& b) { return ::strcasecmp(a.c_str(), b.c_str()) == 0; }

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && ::strncasecmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

std::string TrimSpace(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

unsigned long long Number(const std::string& text, unsigned long long fallback = 0) {
  try {
    return std::stoull(TrimSpace(text), nullptr, 0);
  } catch (...) {
    return fallback;
  }
}

// "hh:mm:ss" or "d.hh:mm:ss" as seconds.
unsigned long long TimeSpanSeconds(const std::string& text) {
  std::string span = TrimSpace(text);
  unsigned long long days = 0;
  size_t dot = span.find('.');
  size_t colon = span.find(':');
  if (dot != std::string::npos && colon != std::string::npos && dot < colon) {
    days = Number(span.substr(0, dot));
    span = span.substr(dot + 1);
  }
  std::vector<std::string> parts = Split(span, ":");
  unsigned long long seconds = 0;
  for (const std::string& part : parts) seconds = seconds * 60 + Number(TextBefore(part, "."));
  return days * 86400 + seconds;
}

// A metabase list value (MULTISZ): one entry per line.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> result;
  for (std::string line : Split(Replace(text, "\r", "\n"), "\n")) {
    line = TrimSpace(line);
    if (!line.empty()) result.push_back(line);
  }
  return result;
}

// Flag names of the metabase and of applicationHost.config, with their bits.
const std::map<std::string, unsigned long long, NoCaseLess>& FlagBits() {
  static const std::map<std::string, unsigned long long, NoCaseLess> bits = {
      {"AccessRead", 0x1}, {"AccessWrite", 0x2}, {"AccessExecute", 0x4}, {"AccessSSL", 0x8},
      {"AccessSource", 0x10}, {"AccessSSLNegotiateCert", 0x20}, {"AccessSSLRequireCert", 0x40},
      {"AccessSSLMapCert", 0x80}, {"AccessSSL128", 0x100}, {"AccessScript", 0x200},
      {"AuthAnonymous", 0x1}, {"AuthBasic", 0x2}, {"AuthNTLM", 0x4}, {"AuthMD5", 0x10}, {"AuthPassport", 0x40},
      {"DirBrowseShowDate", 0x2}, {"DirBrowseShowTime", 0x4}, {"DirBrowseShowSize", 0x8},
      {"DirBrowseShowExtension", 0x10}, {"DirBrowseShowLongDate", 0x20}, {"EnableDefaultDoc", 0x40000000},
      {"EnableDirBrowsing", 0x80000000},
      // applicationHost.config handler access policy and SSL flags
      {"Read", 0x1}, {"Write", 0x2}, {"Execute", 0x4}, {"Source", 0x10}, {"Script", 0x200},
      {"Ssl", 0x8}, {"SslNegotiateCert", 0x20}, {"SslRequireCert", 0x40}, {"SslMapCert", 0x80}, {"Ssl128", 0x100},
      // extended log fields: IIS 7 names; the metabase writes them with "LogExtFile" in front
      {"Date", 0x1}, {"Time", 0x2}, {"ClientIP", 0x4}, {"UserName", 0x8}, {"SiteName", 0x10},
      {"ComputerName", 0x20}, {"ServerIP", 0x40}, {"Method", 0x80}, {"UriStem", 0x100}, {"UriQuery", 0x200},
      {"HttpStatus", 0x400}, {"Win32Status", 0x800}, {"BytesSent", 0x1000}, {"BytesRecv", 0x2000},
      {"TimeTaken", 0x4000}, {"ServerPort", 0x8000}, {"UserAgent", 0x10000}, {"Cookie", 0x20000},
      {"Referer", 0x40000}, {"ProtocolVersion", 0x80000}, {"Host", 0x100000}, {"HttpSubStatus", 0x200000},
  };
  return bits;
}

// "AccessRead | AccessScript", "Read, Script", "513" or "0x201".
unsigned long long Flags(const std::string& text) {
  unsigned long long result = 0;
  for (std::string token : Split(Replace(text, ",", "|"), "|")) {
    token = TrimSpace(token);
    if (token.empty()) continue;
    if (token[0] >= '0' && token[0] <= '9') {
      result |= Number(token);
      continue;
    }
    if (StartsWithNoCase(token, "LogExtFile")) token = token.substr(10);
    auto it = FlagBits().find(token);
    if (it != FlagBits().end()) result |= it->second;
  }
  return result;
}

constexpr unsigned long long kRead = 0x1, kWrite = 0x2, kExecute = 0x4, kSsl = 0x8, kSource = 0x10,
                             kNegotiateCert = 0x20, kRequireCert = 0x40, kMapCert = 0x80, kSsl128 = 0x100,
                             kScript = 0x200;
constexpr unsigned long long kEnableDefaultDoc = 0x40000000, kEnableDirBrowsing = 0x80000000;
constexpr unsigned long long kUnlimited = 4294967295ULL;

// The extended-log columns in catalogue order, as bits.
constexpr unsigned long long kExtLogColumns[] = {0x1,    0x2,    0x4,    0x8,     0x10,    0x20,   0x40,
                                                  0x8000, 0x80,   0x100,  0x200,   0x400,   0x800,  0x1000,
                                                  0x2000, 0x4000, 0x80000, 0x10000, 0x20000, 0x40000};

std::string ExecutePermissions(unsigned long long access) {
  if (access & kExecute) return "Scripts and Executables";
  if (access & kScript) return "Scripts only";
  return "None";
}

std::string AllUnassigned(const std::string& ip) {
  return ip.empty() || ip == "*" ? "(All Unassigned)" : ip;
}

// "ip:port:host" (the ip may be bracketed IPv6) into its three parts.
Row Binding(const std::string& information) {
  size_t hostColon = information.rfind(':');
  if (hostColon == std::string::npos) return {AllUnassigned(""), information, ""};
  std::string front = information.substr(0, hostColon);
  size_t portColon = front.rfind(':');
  if (portColon == std::string::npos) return {AllUnassigned(""), front, information.substr(hostColon + 1)};
  return {AllUnassigned(front.substr(0, portColon)), front.substr(portColon + 1), information.substr(hostColon + 1)};
}

// A PICS label ("(PICS-1.1 "..." l by "..." on "..." exp "..." r (v 0 s 0 n 0 l 0))") as the
// eight Content Rating columns.
Row Ratings(const std::string& label) {
  if (TrimSpace(label).empty()) return {"No", "", "", "", "", "", "", ""};
  auto quoted = [&](const std::string& word) -> std::string {
    size_t at = label.find(" " + word + " \"");
    if (at == std::string::npos) return "";
    size_t start = at + word.size() + 3;
    size_t end = label.find('"', start);
    return end == std::string::npos ? "" : label.substr(start, end - start);
  };
  std::string ratings;
  size_t r = label.find(" r (");
  if (r != std::string::npos) ratings = TextBefore(label.substr(r + 4), ")");
  auto rating = [&](const std::string& letter) -> std::string {
    std::vector<std::string> words = Split(TrimSpace(ratings), " ");
    for (size_t i = 0; i + 1 < words.size(); ++i)
      if (words[i] == letter) return words[i + 1];
    return "";
  };
  return {"Yes", rating("v"), rating("s"), rating("n"), rating("l"), quoted("by"), quoted("on"), quoted("exp")};
}

std::string LogFormatName(const std::string& name) {
  std::string n = UCase(TrimSpace(name));
  if (n == "W3C" || n == "{FF160663-DE82-11CF-BC0A-00AA006111E0}") return "W3C Extended Log File Format";
  if (n == "IIS" || n == "{FF160657-DE82-11CF-BC0A-00AA006111E0}") return "Microsoft IIS Log File Format";
  if (n == "NCSA" || n == "{FF16065F-DE82-11CF-BC0A-00AA006111E0}") return "NCSA Common Log File Format";
  if (n == "{FF16065B-DE82-11CF-BC0A-00AA006111E0}") return "ODBC Logging";
  if (n == "CUSTOM") return "Custom";
  return name;
}

// Everything the categories of one site or directory show.
struct Settings {
  // site level
  std::vector<Row> general, filters, ssl;
  Row log, performance, extLog;
  // home directory or directory
  Row home;  // content source, path, read, write, script source access, browsing, log visits, index, user, redirect
  std::string frontPageWeb;
  Row application;  // 21 columns
  std::vector<Row> mappings;
  Row security;  // 6 columns
  std::vector<std::string> grantedIp, deniedIp, grantedDomain, deniedDomain;
  Row httpHeader;  // 4 columns
  std::vector<Row> customHeaders;
  Row ratings;  // 8 columns
  std::string documentsEnabled, footerEnabled, footer;
  std::vector<std::string> documents;
  Row secure;  // 6 columns
  std::vector<Row> customErrors;
};

Row SecureColumns(unsigned long long ssl, bool mapping) {
  bool negotiate = (ssl & kNegotiateCert) != 0, require = (ssl & kRequireCert) != 0;
  return {YesNo(ssl & kSsl), YesNo(ssl & kSsl128), YesNo(!negotiate && !require), YesNo(negotiate && !require),
          YesNo(require), YesNo(mapping)};
}

Row ExtLogColumns(unsigned long long flags) {
  Row row;
  for (unsigned long long bit : kExtLogColumns) row.push_back(YesNo(flags & bit));
  return row;
}

// ---- applicationHost.config ----

const char* const kAspErrorMessage =
    "An error occurred on the server when processing the URL. Please contact the system administrator.";

Settings ReadApplicationHost(const Snapshot& snapshot, const Site& site, const std::vector<std::string>& directories) {
  Settings s;
  const std::string configPath = site.name + (directories.empty() ? "" : "/" + Join(directories, "/"));
  const std::string url = "/" + Join(directories, "/");
  auto section = [&](const std::string& name) { return snapshot.Section(name, configPath); };
  pugi::xml_node siteElement = snapshot.SiteElement(site.id);

  // Site-level elements: <siteDefaults> first, the site's own on top.
  auto siteLevel = [&](const char* name) {
    ConfigNode node;
    if (pugi::xml_node d = snapshot.SiteDefaults().child(name)) node.Apply(d);
    if (pugi::xml_node own = siteElement.child(name)) node.Apply(own);
    return node;
  };
  ConfigNode limits = siteLevel("limits");
  ConfigNode logFile = siteLevel("logFile");
  ConfigNode httpProtocol = section("system.webServer/httpProtocol");
  ConfigNode authentication = section("system.webServer/security/authentication");
  ConfigNode isapiFilters = section("system.webServer/isapiFilters");

  std::string maxConnections = limits.Get("maxConnections", "4294967295");
  std::string timeout = std::to_string(TimeSpanSeconds(limits.Get("connectionTimeout", "00:02:00")));
  std::string state = IsTrue(siteElement.attribute("serverAutoStart").as_string("true")) ? "Started" : "Stopped";
  for (pugi::xml_node binding : siteElement.child("bindings").children("binding")) {
    std::string protocol = LCase(binding.attribute("protocol").value());
    Row parts = Binding(binding.attribute("bindingInformation").value());
    if (protocol == "http") {
      bool unlimited = Number(maxConnections, kUnlimited) >= kUnlimited;
      s.general.push_back(
          {parts[0], parts[1], parts[2], YesNo(unlimited), unlimited ? "" : maxConnections, timeout, state});
    } else if (protocol == "https") {
      s.ssl.push_back({parts[0], parts[1]});
    }
  }
  for (const Attributes& filter : isapiFilters.entries) {
    auto get = [&](const char* n, const char* d) {
      auto it = filter.find(n);
      return it == filter.end() ? std::string(d) : it->second;
    };
    s.filters.push_back({get("name", ""), get("path", ""), IsTrue(get("enabled", "true")) ? "Enabled" : "Disabled"});
  }
  {
    std::string period = logFile.Get("period", "Daily");
    unsigned long long size = Number(logFile.Get("truncateSize", "20971520"));
    bool bySize = SameText(period, "MaxSize");
    bool unlimited = bySize && size >= kUnlimited;
    std::string periodText = unlimited ? "Unlimited file size" : bySize ? "When file size reaches" : period;
    s.log = {YesNo(IsTrue(logFile.Get("enabled", "true"))), LogFormatName(logFile.Get("logFormat", "W3C")),
             YesNo(unlimited), bySize && !unlimited ? std::to_string(size) : "",
             logFile.Get("directory", "%SystemDrive%\\inetpub\\logs\\LogFiles"), periodText, "", "", ""};
    s.extLog = ExtLogColumns(Flags(logFile.Get(
        "logExtFileFlags",
        "Date, Time, ClientIP, UserName, ServerIP, Method, UriStem, UriQuery, HttpStatus, Win32Status, ServerPort, "
        "UserAgent, HttpSubStatus")));
  }
  {
    unsigned long long bandwidth = Number(limits.Get("maxBandwidth", "4294967295"), kUnlimited);
    s.performance = {"", YesNo(bandwidth < kUnlimited), bandwidth < kUnlimited ? std::to_string(bandwidth) : "",
                     YesNo(IsTrue(httpProtocol.Get("allowKeepAlive", "true")))};
  }

  // The application and virtual directory that serve the path: the longest matching paths.
  auto covers = [](const std::string& prefix, const std::string& path) {
    if (prefix == "/") return true;
    return SameText(path, prefix) || (StartsWithNoCase(path, prefix) && path[prefix.size()] == '/');
  };
  pugi::xml_node application, directory;
  std::string applicationPath, directoryUrl;
  for (pugi::xml_node app : siteElement.children("application")) {
    std::string path = app.attribute("path").as_string("/");
    if (covers(path, url) && (!application || path.size() > applicationPath.size())) {
      application = app;
      applicationPath = path;
    }
  }
  for (pugi::xml_node vdir : application.children("virtualDirectory")) {
    std::string relative = vdir.attribute("path").as_string("/");
    std::string full = applicationPath == "/" ? relative
                       : relative == "/"      ? applicationPath
                                              : applicationPath + relative;
    if (covers(full, url) && (!directory || full.size() > directoryUrl.size())) {
      directory = vdir;
      directoryUrl = full;
    }
  }
  std::string physical = directory.attribute("physicalPath").value();
  std::string remainder = directoryUrl == "/" ? url.substr(1) : url.size() > directoryUrl.size() ? url.substr(directoryUrl.size() + 1) : "";
  if (!remainder.empty()) physical += (physical.empty() || physical.back() == '\\' ? "" : "\\") + Replace(remainder, "/", "\\");
  std::string userName = directory.attribute("userName").as_string(
      snapshot.VirtualDirectoryDefaults().attribute("userName").as_string(""));
  ConfigNode handlers = section("system.webServer/handlers");
  ConfigNode redirect = section("system.webServer/httpRedirect");
  unsigned long long access = Flags(handlers.Get("accessPolicy", "Read"));
  bool redirected = IsTrue(redirect.Get("enabled", "false"));
  std::string contentSource = redirected                        ? "A redirection to a URL"
                              : physical.rfind("\\\\", 0) == 0 ? "A share located on another computer"
                                                               : "A directory located on this computer";
  s.home = {contentSource,
            physical,
            YesNo(access & kRead),
            YesNo(access & kWrite),
            YesNo(access & kSource),
            YesNo(IsTrue(section("system.webServer/directoryBrowse").Get("enabled", "false"))),
            YesNo(!IsTrue(section("system.webServer/httpLogging").Get("dontLog", "false"))),
            "",
            userName,
            redirected ? redirect.Get("destination") : ""};

  ConfigNode asp = section("system.webServer/asp");
  const ConfigNode& session = asp.Child("session");
  const ConfigNode& aspCache = asp.Child("cache");
  bool detailed = IsTrue(asp.Get("scriptErrorSentToBrowser", "false"));
  s.application = {applicationPath,
                   ExecutePermissions(access),
                   "",
                   "",
                   YesNo(IsTrue(session.Get("allowSessionState", "true"))),
                   std::to_string(TimeSpanSeconds(session.Get("timeout", "00:20:00")) / 60),
                   YesNo(IsTrue(asp.Get("bufferingOn", "true"))),
                   YesNo(IsTrue(asp.Get("enableParentPaths", "false"))),
                   asp.Get("scriptLanguage", "VBScript"),
                   std::to_string(TimeSpanSeconds(asp.Child("limits").Get("scriptTimeout", "00:01:30"))),
                   YesNo(IsTrue(asp.Get("logErrorRequests", "true"))),
                   YesNo(IsTrue(asp.Get("exceptionCatchEnable", "true"))),
                   aspCache.Get("scriptEngineCacheMax", "250"),
                   aspCache.Get("scriptFileCacheSize", "500"),
                   aspCache.Get("maxDiskTemplateCacheFiles", "2000"),
                   std::to_string(TimeSpanSeconds(section("system.webServer/cgi").Get("timeout", "00:15:00"))),
                   YesNo(IsTrue(asp.Get("appAllowDebugging", "false"))),
                   YesNo(IsTrue(asp.Get("appAllowClientDebug", "false"))),
                   YesNo(detailed),
                   YesNo(!detailed),
                   asp.Get("scriptErrorMessage", kAspErrorMessage)};
  for (const Attributes& handler : handlers.entries) {
    auto it = handler.find("scriptProcessor");
    if (it == handler.end() || it->second.empty()) continue;
    auto path = handler.find("path");
    auto verb = handler.find("verb");
    std::string verbs = verb == handler.end() || verb->second == "*" ? "All" : verb->second;
    // IIS 6 names a mapping by its extension (".asp"), IIS 7 by a pattern ("*.asp"): one form.
    std::string extension = path == handler.end() ? "" : path->second;
    if (extension.rfind("*.", 0) == 0) extension.erase(0, 1);
    s.mappings.push_back({extension, it->second, verbs});
  }

  const ConfigNode& anonymous = authentication.Child("anonymousAuthentication");
  const ConfigNode& basic = authentication.Child("basicAuthentication");
  s.security = {YesNo(IsTrue(anonymous.Get("enabled", "false"))), anonymous.Get("userName", "IUSR"), "",
                YesNo(IsTrue(basic.Get("enabled", "false"))), basic.Get("defaultLogonDomain"),
                YesNo(IsTrue(authentication.Child("windowsAuthentication").Get("enabled", "false")))};

  for (const Attributes& entry : section("system.webServer/security/ipSecurity").entries) {
    auto get = [&](const char* n, const char* d) {
      auto it = entry.find(n);
      return it == entry.end() ? std::string(d) : it->second;
    };
    bool allowed = IsTrue(get("allowed", "false"));
    std::string ip = get("ipAddress", "");
    std::string domain = get("domainName", "");
    // An IPv6 entry's subnetMask is a prefix length; without one the entry is a single address.
    const char* single = ip.find(':') != std::string::npos ? "128" : "255.255.255.255";
    if (!ip.empty()) (allowed ? s.grantedIp : s.deniedIp).push_back(ip + ", " + get("subnetMask", single));
    if (!domain.empty()) (allowed ? s.grantedDomain : s.deniedDomain).push_back(domain);
  }

  ConfigNode staticContent = section("system.webServer/staticContent");
  const ConfigNode& clientCache = staticContent.Child("clientCache");
  std::string mode = clientCache.Get("cacheControlMode", "NoControl");
  bool maxAge = SameText(mode, "UseMaxAge"), expires = SameText(mode, "UseExpires");
  s.httpHeader = {YesNo(!SameText(mode, "NoControl")), YesNo(SameText(mode, "DisableCache")),
                  maxAge ? std::to_string(TimeSpanSeconds(clientCache.Get("cacheControlMaxAge", "1.00:00:00"))) : "",
                  expires ? clientCache.Get("httpExpires") : ""};

  std::string pics;
  for (const Attributes& header : httpProtocol.Child("customHeaders").entries) {
    auto name = header.find("name");
    auto value = header.find("value");
    std::string n = name == header.end() ? "" : name->second, v = value == header.end() ? "" : value->second;
    s.customHeaders.push_back({n, v});
    if (SameText(n, "PICS-Label")) pics = v;
  }
  s.ratings = Ratings(pics);

  ConfigNode defaultDocument = section("system.webServer/defaultDocument");
  s.documentsEnabled = YesNo(IsTrue(defaultDocument.Get("enabled", "true")));
  for (const Attributes& file : defaultDocument.Child("files").entries) {
    auto value = file.find("value");
    if (value != file.end()) s.documents.push_back(value->second);
  }

  const ConfigNode& mappingAuthentication = authentication.Child("iisClientCertificateMappingAuthentication");
  bool mapping = IsTrue(mappingAuthentication.Get("enabled", "false")) ||
                 IsTrue(authentication.Child("clientCertificateMappingAuthentication").Get("enabled", "false"));
  s.secure = SecureColumns(Flags(section("system.webServer/security/access").Get("sslFlags", "None")), mapping);

  for (const Attributes& error : section("system.webServer/httpErrors").entries) {
    auto get = [&](const char* n, const char* d) {
      auto it = error.find(n);
      return it == error.end() ? std::string(d) : it->second;
    };
    std::string code = get("statusCode", "");
    std::string sub = get("subStatusCode", "-1");
    std::string responseMode = get("responseMode", "File");
    std::string type = SameText(responseMode, "ExecuteURL") ? "URL" : SameText(responseMode, "Redirect") ? "Redirect" : "File";
    std::string contents = get("path", "");
    std::string prefix = get("prefixLanguageFilePath", "");
    if (type == "File" && !prefix.empty()) contents = prefix + "\\<language>\\" + contents;
    s.customErrors.push_back({sub == "-1" ? code : code + ";" + sub, type, contents});
  }
  return s;
}

// ---- MetaBase.xml ----

// Properties that belong to the key that sets them and are not inherited by keys below it.
bool OwnKeyOnly(const std::string& name) {
  static const char* const own[] = {"ServerComment", "ServerBindings", "SecureBindings", "Path", "AppRoot",
                                    "AppFriendlyName", "ServerAutoStart", "FrontPageWeb", "KeyType"};
  for (const char* o : own)
    if (SameText(name, o)) return true;
  return false;
}

class MetabaseScope {
 public:
  // The keys from the directory up to /LM/W3SVC, nearest first (missing keys skipped).
  MetabaseScope(const Snapshot& snapshot, const std::string& siteId, const std::vector<std::string>& directories)
      : snapshot_(snapshot) {
    std::vector<std::string> locations = {"/LM/W3SVC", "/LM/W3SVC/" + siteId, "/LM/W3SVC/" + siteId + "/ROOT"};
    for (const std::string& d : directories) locations.push_back(locations.back() + "/" + d);
    directoryLocation_ = locations.back();
    for (auto it = locations.rbegin(); it != locations.rend(); ++it) {
      if (pugi::xml_node key = snapshot.Key(*it)) chain_.push_back(key);
    }
    // A directory that has no key of its own is a folder under the nearest key's path.
    for (size_t i = locations.size(); i-- > 2;) {
      pugi::xml_node key = snapshot.Key(locations[i]);
      if (key && key.attribute("Path")) {
        path_ = key.attribute("Path").value();
        for (size_t j = i + 1; j < locations.size(); ++j)
          path_ += (path_.empty() || path_.back() == '\\' ? "" : "\\") + directories[j - 3];
        break;
      }
    }
  }

  // The effective value: the nearest key that sets it, the fallback when none does.
  std::string Get(const std::string& name, const std::string& fallback = "") const {
    if (OwnKeyOnly(name)) {
      pugi::xml_node own = snapshot_.Key(directoryLocation_);
      pugi::xml_attribute a = own.attribute(name.c_str());
      return a ? a.value() : fallback;
    }
    for (const pugi::xml_node& key : chain_)
      if (pugi::xml_attribute a = key.attribute(name.c_str())) return a.value();
    return fallback;
  }
  // The nearest key setting any of the names (for properties that travel together).
  pugi::xml_node NearestWithAny(std::initializer_list<const char*> names) const {
    for (const pugi::xml_node& key : chain_)
      for (const char* n : names)
        if (key.attribute(n)) return key;
    return {};
  }
  bool Bool(const std::string& name, bool fallback) const { return IsTrue(Get(name, fallback ? "TRUE" : "FALSE")); }
  const std::string& PhysicalPath() const { return path_; }

 private:
  const Snapshot& snapshot_;
  std::vector<pugi::xml_node> chain_;
  std::string directoryLocation_;
  std::string path_;
};

Settings ReadMetabase(const Snapshot& snapshot, const Site& site, const std::vector<std::string>& directories) {
  Settings s;
  MetabaseScope server(snapshot, site.id, {});
  // Site-level properties live on /LM/W3SVC/<n> and inherit from /LM/W3SVC.
  auto siteValue = [&](const char* name, const char* fallback) {
    pugi::xml_node own = snapshot.Key("/LM/W3SVC/" + site.id);
    if (pugi::xml_attribute a = own.attribute(name)) return std::string(a.value());
    if (OwnKeyOnly(name)) return std::string(fallback);
    if (pugi::xml_attribute a = snapshot.Key("/LM/W3SVC").attribute(name)) return std::string(a.value());
    return std::string(fallback);
  };
  std::string maxConnections = siteValue("MaxConnections", "4294967295");
  bool unlimited = Number(maxConnections, kUnlimited) >= kUnlimited;
  std::string state = IsTrue(siteValue("ServerAutoStart", "TRUE")) ? "Started" : "Stopped";
  for (const std::string& binding : Lines(siteValue("ServerBindings", ""))) {
    Row parts = Binding(binding);
    s.general.push_back({parts[0], parts[1], parts[2], YesNo(unlimited), unlimited ? "" : maxConnections,
                         std::to_string(Number(siteValue("ConnectionTimeout", "120"))), state});
  }
  for (const std::string& binding : Lines(siteValue("SecureBindings", ""))) {
    Row parts = Binding(binding);
    s.ssl.push_back({parts[0], parts[1]});
  }
  // Filters: the service's, then the site's own, each in its load order.
  for (const std::string& base : {std::string("/LM/W3SVC/Filters"), "/LM/W3SVC/" + site.id + "/Filters"}) {
    for (std::string name : Split(snapshot.Key(base).attribute("FilterLoadOrder").value(), ",")) {
      name = TrimSpace(name);
      if (name.empty()) continue;
      pugi::xml_node filter = snapshot.Key(base + "/" + name);
      s.filters.push_back({name, filter.attribute("FilterPath").value(),
                           IsTrue(filter.attribute("FilterEnabled").as_string("TRUE")) ? "Enabled" : "Disabled"});
    }
  }
  {
    unsigned long long period = Number(siteValue("LogFilePeriod", "1"));
    unsigned long long size = Number(siteValue("LogFileTruncateSize", "20971520"));
    bool bySize = period == 0;
    bool sizeUnlimited = bySize && size >= kUnlimited;
    static const char* const periods[] = {"When file size reaches", "Daily", "Weekly", "Monthly", "Hourly"};
    std::string periodText = sizeUnlimited ? "Unlimited file size" : period < 5 ? periods[period] : std::to_string(period);
    std::string format = LogFormatName(siteValue("LogPluginClsid", "{FF160663-DE82-11CF-BC0A-00AA006111E0}"));
    bool odbc = format == "ODBC Logging";
    s.log = {YesNo(Number(siteValue("LogType", "1")) == 1), format, YesNo(sizeUnlimited),
             bySize && !sizeUnlimited ? std::to_string(size) : "",
             siteValue("LogFileDirectory", "%WinDir%\\System32\\LogFiles"), periodText,
             odbc ? siteValue("LogOdbcDataSource", "HTTPLOG") : "", odbc ? siteValue("LogOdbcTableName", "InternetLog") : "",
             odbc ? siteValue("LogOdbcUserName", "internet") : ""};
    s.extLog = ExtLogColumns(Flags(siteValue("LogExtFileFlags", "0x218FCF")));
  }
  {
    static const char* const sizes[] = {"Fewer than 10,000", "Fewer than 100,000", "More than 100,000"};
    unsigned long long serverSize = Number(siteValue("ServerSize", "1"));
    unsigned long long bandwidth = Number(siteValue("MaxBandwidth", "4294967295"), kUnlimited);
    s.performance = {serverSize < 3 ? sizes[serverSize] : std::to_string(serverSize), YesNo(bandwidth < kUnlimited),
                     bandwidth < kUnlimited ? std::to_string(bandwidth) : "", YesNo(IsTrue(siteValue("AllowKeepAlive", "TRUE")))};
  }

  MetabaseScope dir(snapshot, site.id, directories);
  unsigned long long access = Flags(dir.Get("AccessFlags", "AccessRead"));
  std::string redirect = TextBefore(dir.Get("HttpRedirect"), ",");
  std::string path = dir.PhysicalPath();
  std::string contentSource = !redirect.empty()             ? "A redirection to a URL"
                              : path.rfind("\\\\", 0) == 0 ? "A share located on another computer"
                                                           : "A directory located on this computer";
  unsigned long long browse = Flags(dir.Get("DirBrowseFlags", "0x4000003E"));
  s.home = {contentSource,          path, YesNo(access & kRead), YesNo(access & kWrite), YesNo(access & kSource),
            YesNo(browse & kEnableDirBrowsing), YesNo(!dir.Bool("DontLog", false)), YesNo(dir.Bool("ContentIndexed", false)),
            dir.Get("UNCUserName"), redirect};
  s.frontPageWeb = YesNo(dir.Bool("FrontPageWeb", false));

  // The application the directory belongs to: the nearest key that is an application root.
  pugi::xml_node appKey = dir.NearestWithAny({"AppRoot"});
  static const char* const protection[] = {"Low (IIS Process)", "High (Isolated)", "Medium (Pooled)"};
  unsigned long long isolated = Number(dir.Get("AppIsolated", "2"));
  bool detailed = dir.Bool("AspScriptErrorSentToBrowser", true);
  s.application = {appKey ? appKey.attribute("AppFriendlyName").as_string("Default Application") : "",
                   ExecutePermissions(access),
                   isolated < 3 ? protection[isolated] : std::to_string(isolated),
                   YesNo(dir.Bool("CacheISAPI", true)),
                   YesNo(dir.Bool("AspAllowSessionState", true)),
                   std::to_string(Number(dir.Get("AspSessionTimeout", "20"))),
                   YesNo(dir.Bool("AspBufferingOn", true)),
                   YesNo(dir.Bool("AspEnableParentPaths", false)),
                   dir.Get("AspScriptLanguage", "VBScript"),
                   std::to_string(Number(dir.Get("AspScriptTimeout", "90"))),
                   YesNo(dir.Bool("AspLogErrorRequests", true)),
                   YesNo(dir.Bool("AspExceptionCatchEnable", true)),
                   std::to_string(Number(dir.Get("AspScriptEngineCacheMax", "250"))),
                   std::to_string(Number(dir.Get("AspScriptFileCacheSize", "500"))),
                   std::to_string(Number(dir.Get("AspMaxDiskTemplateCacheFiles", "2000"))),
                   std::to_string(Number(dir.Get("CGITimeout", "300"))),
                   YesNo(dir.Bool("AppAllowDebugging", false)),
                   YesNo(dir.Bool("AppAllowClientDebug", false)),
                   YesNo(detailed),
                   YesNo(!detailed),
                   dir.Get("AspScriptErrorMessage", kAspErrorMessage)};
  for (const std::string& map : Lines(dir.Get("ScriptMaps"))) {
    // extension,executable,flags[,verbs...]; the executable may hold commas only when quoted.
    std::vector<std::string> parts = Split(map, ",");
    std::vector<std::string> verbs(parts.size() > 3 ? parts.begin() + 3 : parts.end(), parts.end());
    s.mappings.push_back({parts.empty() ? "" : parts[0], parts.size() > 1 ? parts[1] : "",
                          verbs.empty() ? "All" : Join(verbs, ",")});
  }

  unsigned long long auth = Flags(dir.Get("AuthFlags", "AuthAnonymous"));
  s.security = {YesNo(auth & 0x1), dir.Get("AnonymousUserName", "IUSR_" + UCase(snapshot.Server())),
                YesNo(dir.Bool("AnonymousPasswordSync", false)), YesNo(auth & 0x2), dir.Get("DefaultLogonDomain"),
                YesNo(auth & 0x4)};

  // IPSecurity is one property: the nearest key that sets any of its parts sets all of them.
  pugi::xml_node restrictions = dir.NearestWithAny({"IPGrant", "IPDeny", "DomainGrant", "DomainDeny", "GrantByDefault"});
  s.grantedIp = Lines(restrictions.attribute("IPGrant").value());
  s.deniedIp = Lines(restrictions.attribute("IPDeny").value());
  s.grantedDomain = Lines(restrictions.attribute("DomainGrant").value());
  s.deniedDomain = Lines(restrictions.attribute("DomainDeny").value());

  // HttpExpires: "" none, "D, 0x<seconds>" after a time (0 = at once), "S, <date>" on a date.
  std::string expires = TrimSpace(dir.Get("HttpExpires"));
  std::string kind = UCase(TextBefore(expires, ","));
  std::string value = expires.find(',') == std::string::npos ? "" : TrimSpace(expires.substr(expires.find(',') + 1));
  unsigned long long seconds = kind == "D" ? Number(value) : 0;
  s.httpHeader = {YesNo(kind == "D" || kind == "S"), YesNo(kind == "D" && seconds == 0),
                  kind == "D" && seconds > 0 ? std::to_string(seconds) : "", kind == "S" ? value : ""};

  for (const std::string& header : Lines(dir.Get("HttpCustomHeaders"))) {
    size_t colon = header.find(':');
    s.customHeaders.push_back({TrimSpace(header.substr(0, colon)),
                               colon == std::string::npos ? "" : TrimSpace(header.substr(colon + 1))});
  }
  std::string pics;
  for (const std::string& label : Lines(dir.Get("HttpPICS")))
    if (StartsWithNoCase(label, "PICS-Label:")) pics = TrimSpace(label.substr(11));
  s.ratings = Ratings(pics);

  s.documentsEnabled = YesNo(browse & kEnableDefaultDoc);
  for (std::string doc : Split(dir.Get("DefaultDoc", "Default.htm,Default.asp,index.htm,iisstart.htm"), ",")) {
    doc = TrimSpace(doc);
    if (!doc.empty()) s.documents.push_back(doc);
  }
  s.footerEnabled = YesNo(dir.Bool("EnableDocFooter", false));
  s.footer = dir.Get("DefaultDocFooter");

  unsigned long long ssl = Flags(dir.Get("AccessSSLFlags", "0")) |
                           (access & (kSsl | kNegotiateCert | kRequireCert | kMapCert | kSsl128));
  s.secure = SecureColumns(ssl, (ssl & kMapCert) != 0);

  for (const std::string& error : Lines(dir.Get("HttpErrors"))) {
    // code,sub-code,FILE|URL|DEFAULT,contents
    std::vector<std::string> parts = Split(error, ",");
    if (parts.size() < 3) continue;
    std::string code = TrimSpace(parts[0]), sub = TrimSpace(parts[1]);
    std::string type = UCase(TrimSpace(parts[2]));
    std::vector<std::string> rest(parts.begin() + 3, parts.end());
    s.customErrors.push_back({sub == "*" || sub.empty() ? code : code + ";" + sub,
                              type == "FILE" ? "File" : type == "URL" ? "URL" : "Default", Join(rest, ",")});
  }
  return s;
}

// One row per restriction entry, the other three cells empty text. So that the comparison's
// "not in" queries never meet a Null and never report the empty text as an entry, every column
// of a site holds at least one empty cell: a site whose entries are all of one kind (or that
// has none) gets one row of four empty cells.
std::vector<Row> RestrictionRows(const Settings& s) {
  std::vector<Row> rows;
  const std::vector<std::string>* lists[] = {&s.grantedIp, &s.deniedIp, &s.grantedDomain, &s.deniedDomain};
  int kinds = 0;
  for (size_t column = 0; column < 4; ++column) {
    if (!lists[column]->empty()) ++kinds;
    for (const std::string& entry : *lists[column]) {
      Row row(4);
      row[column] = entry;
      rows.push_back(row);
    }
  }
  if (kinds < 2) rows.push_back(Row(4));
  return rows;
}

std::vector<Row> DocumentRows(const Settings& s) {
  std::vector<Row> rows;
  for (const std::string& doc : s.documents) rows.push_back({s.documentsEnabled, doc, s.footerEnabled, s.footer});
  if (rows.empty()) rows.push_back({s.documentsEnabled, "", s.footerEnabled, s.footer});
  return rows;
}

// The settings of the most recently read sites and directories of one snapshot: every
// category of a site reads the same settings.
const Settings& CachedSettings(const Snapshot& snapshot, const Site& site, const std::vector<std::string>& directories) {
  static long owner = 0;
  static std::map<std::string, Settings> settings;
  if (owner != snapshot.Serial()) {
    settings.clear();
    owner = snapshot.Serial();
  }
  std::string key = site.id + "\n" + Join(directories, "\n");
  auto it = settings.find(key);
  if (it != settings.end()) return it->second;
  Settings read = snapshot.Kind() == Format::ApplicationHost ? ReadApplicationHost(snapshot, site, directories)
                                                              : ReadMetabase(snapshot, site, directories);
  return settings.emplace(key, std::move(read)).first->second;
}

Row Slice(const Row& row, size_t from) { return Row(row.begin() + static_cast<long>(from), row.end()); }

}  // namespace

std::vector<Row> SiteCategoryRows(const Snapshot& snapshot, const Site& site, const std::string& key,
                                  long serverVersion) {
  const Settings& s = CachedSettings(snapshot, site, {});
  if (key == "General") return s.general;
  if (key == "Operators") return {};
  if (key == "ISAPIFilters") return s.filters;
  if (key == "HomeDirectory") {
    Row row = s.home;
    if (serverVersion != 1001) row[4] = snapshot.Kind() == Format::Metabase ? s.frontPageWeb : "";
    return {row};
  }
  if (key == "Application") return {s.application};
  if (key == "AppScriptMappings") return s.mappings;
  if (key == "HomeDirectorySecurity") return {s.security};
  if (key == "IPAddress") return RestrictionRows(s);
  if (key == "HttpHeader") return {s.httpHeader};
  if (key == "CustomHeader") return s.customHeaders;
  if (key == "ContentRatings") return {s.ratings};
  if (key == "Document") return DocumentRows(s);
  if (key == "Log") return {s.log};
  if (key == "Performance") return {s.performance};
  if (key == "SSL") return s.ssl;
  if (key == "SecureCommunication") return {s.secure};
  if (key == "ExtLog") return {s.extLog};
  if (key == "CustomErrors") return s.customErrors;
  Raise(errInvalidArgument, "'" + key + "' is not a web site category");
}

std::vector<Row> DirectoryCategoryRows(const Snapshot& snapshot, const std::string& siteId,
                                       const std::vector<std::string>& directories, const std::string& key) {
  const Site* site = snapshot.SiteById(siteId);
  if (!site) {
    Raise(errInvalidArgument, "Server '" + snapshot.Server() + "' has no web site with the index '" + siteId + "' in " +
                                  FilePath(snapshot.Path()));
  }
  const Settings& s = CachedSettings(snapshot, *site, directories);
  if (key == "VirtualDirectory") return {Slice(s.home, 1)};
  if (key == "VirApplication") return {s.application};
  if (key == "VirAppMappings") return s.mappings;
  if (key == "VirDirSecurity") return {s.security};
  if (key == "VirIPAddress") return RestrictionRows(s);
  if (key == "VirDefaultDoc") return DocumentRows(s);
  if (key == "VirHttpHeader") return {s.httpHeader};
  if (key == "VirCustomHeader") return s.customHeaders;
  if (key == "VirContentRatings") return {s.ratings};
  if (key == "VirSecureCommunication") return {s.secure};
  if (key == "VirCustomErrors") return s.customErrors;
  Raise(errInvalidArgument, "'" + key + "' is not a virtual directory category");
}

bool IsListCategory(const std::string& key) {
  static const char* const lists[] = {"General",         "Operators",     "ISAPIFilters",   "AppScriptMappings",
                                      "IPAddress",       "CustomHeader",  "Document",       "SSL",
                                      "CustomErrors",    "VirAppMappings", "VirIPAddress",  "VirDefaultDoc",
                                      "VirCustomHeader", "VirCustomErrors"};
  for (const char* list : lists)
    if (key == list) return true;
  return false;
}

std::vector<size_t> SettingColumns(const std::string& key) {
  if (key == "General") return {3, 4, 5, 6};
  if (key == "Document" || key == "VirDefaultDoc") return {0, 2, 3};
  return {};
}

}  // namespace iis
