#include "database/Catalogue.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "RunState.h"
#include "platform/Text.h"

namespace catalogue {

namespace {

// ---- Table and key lists, element n for catalogue index n ----

const char* const kWebSiteTables =
    "ZZZ,WebSiteGenInfo,tblOperator,tblISAPIFilters,tblHomeDirectory2000,tblWebSiteApplicationSettings,"
    "tblHomeDirSecurity,tblRestrictIPAddress,tblHttpHeader,tblCustomHeader,tblContentRatings,tblDefaultDoc,"
    "tblWebServiceLog,tblPerformance,tblSSLInfo,tblSecureCommunication,tblExtLogProperties,tblCustomErrors,"
    "WebSiteInfo";
const char* const kWebSiteKeys =
    "ZZZ,General,Operators,ISAPIFilters,HomeDirectory,Application,HomeDirectorySecurity,IPAddress,HttpHeader,"
    "CustomHeader,ContentRatings,Document,Log,Performance,SSL,SecureCommunication,ExtLog,CustomErrors,YYY";
const char* const kDirectoryTables =
    "AA,tblVirtualDirectory2000,tblVirApplicationSettings,tblVirAppMappings,tblVirApplicationSettings,"
    "tblVirApplicationSettings,tblVirApplicationSettings,tblVirDirSecurity,tblVirRestrictIPAddress,tblVirDefaultDoc,"
    "tblVirHttpHeader,tblVirCustomHeader,tblVirContentRatings,tblVirSecureCommunication,tblVirCustomErrors";
const char* const kDirectoryKeys =
    "AA,VirtualDirectory,VirApplication,VirAppMappings,VirApplication,VirApplication,VirApplication,VirDirSecurity,"
    "VirIPAddress,VirDefaultDoc,VirHttpHeader,VirCustomHeader,VirContentRatings,VirSecureCommunication,"
    "VirCustomErrors";

// The application sub-table of the web-site family (sub-index 2).
const char* const kAppMappingsTable = "tblAppMappings";
const char* const kAppMappingsKey = "AppScriptMappings";

// ---- Label lists; a list both families use is written once ----

const char* const kMappingLabels = "Extension,Executable Path,Verbs";
const char* const kIPAddressLabels = "Granted IP Address,Denied IP Address,Granted Domain,Denied Domain";
const char* const kCustomHeaderLabels = "Custom Header Name,Custom Header Value";
const char* const kSecureCommunicationLabels =
    "Require secure channel When accessing this resource,Require 128 bit encryption,Do not accept client "
    "certificates,Accept certificates,Require client certificates,Enable client certificate mapping";
const char* const kCustomErrorLabels = "HTTP Error,Type,Contents";

const char* const kWebSiteApplicationLabels =
    "Application name,Execute Permissions,Application Protection,Cache ISAPI Applications,Enable session state,"
    "Session timeout,Enable buffering,Enable parent paths,Default ASP language,ASP Script timeout,Write unsuccessful "
    "client requests to event log,Enable debug exception catching,Number of script engines cached,Script File "
    "Cache,Max ASP files cached,CGI script timeout,Enable ASP server side script debugging,Enable ASP client side "
    "script debugging,Send detailed ASP error messages to client,Send text error message to client,Error message";
const char* const kDirectoryApplicationLabels =
    "Application Name,Execute Permissions,Application Protection,Cache ISAPI applications,Enable session state,"
    "Session timeout,Enable buffering,Enable parent paths,Default ASP language,ASP script timeout,Write unsuccessful "
    "client requests to event log,Enable debug exception catching,Number of script engines cached,Script file "
    "cache,Max ASP files cached,CGI script timeout,Enable ASP server side script debugging,Enable ASP client side "
    "script debugging,Send detailed ASP error messages to client,Send text error message to client,Error message";

// The items of one of the lists above, split once: every collected category and every report
// looks its table, key and labels up here.
const std::vector<std::string>& Items(const char* list) {
  static std::unordered_map<const char*, std::vector<std::string>> split;
  auto found = split.find(list);
  if (found == split.end()) found = split.emplace(list, platform::Split(list, ",")).first;
  return found->second;
}

// The application report tabs show the combined list in four slices (1-based, inclusive).
std::string Slice(const char* labels, size_t first, size_t last) {
  const std::vector<std::string>& all = Items(labels);
  std::vector<std::string> part(all.begin() + static_cast<long>(first - 1), all.begin() + static_cast<long>(last));
  return platform::Join(part, ",");
}

std::string ApplicationSlice(const char* labels, short tab) {
  switch (tab) {
    case 1: return Slice(labels, 1, 4);
    case 2: return Slice(labels, 5, 10);
    case 3: return Slice(labels, 11, 16);
    case 4: return Slice(labels, 17, 21);
    default: return {};
  }
}

std::string Element(const char* list, short index) { return Item(Items(list), index); }

const char* Tables(Family family) { return family == Family::WebSite ? kWebSiteTables : kDirectoryTables; }

}  // namespace

bool FamilyOfLevel(short level, Family& family) {
  switch (level) {
    case 1:
    case 2:
    case 4: family = Family::WebSite; return true;
    case 3:
    case 5: family = Family::Directory; return true;
    default: return false;
  }
}

short LastIndex(Family family) {
  return static_cast<short>(Items(Tables(family)).size() - 1);
}

std::string TableName(Family family, short index) { return Element(Tables(family), index); }

std::string CategoryKey(Family family, short index) {
  return Element(family == Family::WebSite ? kWebSiteKeys : kDirectoryKeys, index);
}

bool IsSharedTable(Family family, short index) {
  const std::vector<std::string>& tables = Items(Tables(family));
  const std::string& table = Item(tables, index);
  return std::count(tables.begin(), tables.end(), table) > 1;
}

std::string WebSiteLabels(short index, long serverVersion) {
  bool newer = serverVersion == iis::kServerVersionIIS6AndLater;
  switch (index) {
    case 1:
      return "IP Address,TCP Port,Host Header Name,Connection UnLimited,Connection Limited,Connection Timeout,State";
    case 2: return "Operators";
    case 3: return "Filter Name,Filter path,Filter State";
    case 4:
      return newer ? "Content Source,Path,Read ,Write ,Script source access,Directory browsing,Log visits,Index this "
                     "resource,UserName,Http Redirection url"
                   : "Content Source,Path,Read ,Write ,Front page web,Directory browsing,Log access,Index this "
                     "resource,UserName,Http Redirection url";
    case 5: return kWebSiteApplicationLabels;
    case 6:
      return newer ? "Anonymous access,Anonymous userName,Allow IIS to control password,Basic authentication,Basic "
                     "Authentication Domain,Integrated Windows authenticaion"
                   : "Anonymous access,Anonymous userName,Enable automatic password synchronization,Basic "
                     "authentication,Basic authenticaion Domain,WindowsNT challenge or response";
    case 7: return kIPAddressLabels;
    case 8: return "Enable Content Expiration,Expire Immediately,Expire after,Expire on";
    case 9: return kCustomHeaderLabels;
    case 10: return "Enable rating,Violence,Sex,Nudity,Language ,Email,Modification date,Expire Date";
    case 11: return "Enable Default Document,Documents,Enable Document Footer,Footer Document";
    case 12:
      return "Enable Logging,Active log format,Log file size Unlimited,Log file size limited,Log file directory,New "
             "Log Time Period,ODBC Data Source Name,Table Name,User Name";
    case 13: return "Performance tuning,Enable bandwidth throttling,Maximum network use,Http KeepAlives Enabled";
    case 14: return "SSL IP Address,SSL Port";
    case 15: return kSecureCommunicationLabels;
    case 16:
      return "LogExtDate,LogExtTime,Client IP Address,User Name,Service Name,Server Name,Server IP Address,Server "
             "Port,Method,URI Stream,URI Query,Protocol Status,Win32 Status,Bytes Sent,Bytes Received,Time "
             "Taken,Protocol Version,User Agent,Cookie,Referer";
    case 17: return kCustomErrorLabels;
    case 18: return "Web Site Name";
    default: return {};
  }
}

std::string ApplicationLabels(short subIndex) {
  switch (subIndex) {
    case 0: return kWebSiteApplicationLabels;
    case 1: return ApplicationSlice(kWebSiteApplicationLabels, 1);
    case 2: return kMappingLabels;
    case 3: return ApplicationSlice(kWebSiteApplicationLabels, 2);
    case 4: return ApplicationSlice(kWebSiteApplicationLabels, 3);
    case 5: return ApplicationSlice(kWebSiteApplicationLabels, 4);
    default: return {};
  }
}

std::string ApplicationTable(short subIndex) { return subIndex == 2 ? kAppMappingsTable : TableName(Family::WebSite, 5); }

std::string ApplicationKey(short subIndex) { return subIndex == 2 ? kAppMappingsKey : CategoryKey(Family::WebSite, 5); }

std::string DirectoryLabels(short index) {
  switch (index) {
    case 0: return kDirectoryApplicationLabels;
    case 1:
      return "Path,Read ,Write ,Script source access,Directory browsing,Log visits,Index this resource,UserName,Http "
             "Redirection Url";
    case 2: return ApplicationSlice(kDirectoryApplicationLabels, 1);
    case 3: return kMappingLabels;
    case 4: return ApplicationSlice(kDirectoryApplicationLabels, 2);
    case 5: return ApplicationSlice(kDirectoryApplicationLabels, 3);
    case 6: return ApplicationSlice(kDirectoryApplicationLabels, 4);
    case 7:
      return "Anonymous access,Anonymous Username,Allow IIS to control password,Basic authentication,Basic "
             "authentication DomainName,Integrated Windows authenticaion";
    case 8: return kIPAddressLabels;
    case 9: return "Enable Default Document,Documents,Enable Footer Document,Footer Document";
    case 10: return "Enable Content Expiration,Expire Immediately,Expire After,Expire On";
    case 11: return kCustomHeaderLabels;
    case 12: return "Enable rating,Violence,Sex,Nudity,Language ,Email,Modification date,Expire date";
    case 13: return kSecureCommunicationLabels;
    case 14: return kCustomErrorLabels;
    default: return {};
  }
}

const char* TabCaptions(Family family) {
  return family == Family::WebSite
             ? "General,Operators,ISAPI Filters,Home Directory,Application Settings,Directory Security,Resticted IP "
               "Address,Http Header,Custom Headers,Content Rating,Documents,Log File Settings,Web Site "
               "Performance,SSL Identities,Secure Communications,Extended Log Properties,Custom Errors"
             : "General,Application General,Application Mappings,Application Option,Process Option,Application "
               "Debugging,Directory Security,Resticted IP Address,Documents,Http Header,Custom Header,Content "
               "Rating,Secure Communications,Custom Errors";
}

const char* ApplicationCaptions() {
  return "App General,Application Mappings,Application Option,Process Option,Application Debugging";
}

}  // namespace catalogue
