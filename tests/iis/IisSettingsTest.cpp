// Effective settings read from the demo snapshots, against values read from the files by hand.
#include <gtest/gtest.h>

#include <chrono>

#include "TestSupport.h"
#include "platform/Err.h"
#include "platform/Text.h"
#include "iis/IisSettings.h"

using namespace iis;
using testsupport::ScratchAppFolder;

namespace {

using Rows = std::vector<Row>;

class Snapshots : public testing::Test {
 protected:
  void SetUp() override { testsupport::CopyDemoServers(app); }
  // The rows of a category read at "server site [dir/dir] key"; a "Vir..." key is a directory
  // category of the directory named (the site's root when none is).
  Rows At(const std::string& where, long version = 1001) {
    std::vector<std::string> w = platform::Split(where, " ");
    auto snapshot = LoadSnapshot(w[0]);
    if (w.back().starts_with("Vir"))
      return DirectoryCategoryRows(*snapshot, w[1], w.size() > 3 ? platform::Split(w[2], "/") : Row{}, w.back());
    return SiteCategoryRows(*snapshot, *snapshot->SiteById(w[1]), w.back(), version);
  }
  ScratchAppFolder app;
};

}  // namespace

// The sites each snapshot lists are checked where collection writes them to the database. Metabase
// sites inherit from the service, directories from their parent keys. Partner Portal's restrictions
// and headers are checked in the custom run's export.
TEST_F(Snapshots, SitesAndDirectoriesOfBothFormats) {
  // Each row written as its cells joined by "|".
  const std::string asp =
      "An error occurred on the server when processing the URL. Please contact the system administrator.";
  const std::string err = "|File|%SystemDrive%\\inetpub\\custerr\\<language>\\";
  const std::pair<const char*, std::vector<std::string>> reads[] = {
      {"WEBFARM01 2 General", {"10.0.0.21|80|shop.contoso.com|No|5000|60|Started",
                               "10.0.0.21|80|www.shop.contoso.com|No|5000|60|Started"}},
      {"WEBFARM01 3 General", {"(All Unassigned)|8080||Yes||120|Stopped"}},
      {"WEBFARM01 2 SSL", {"10.0.0.21|443"}}, {"LEGACY01 1 SSL", {"(All Unassigned)|443"}},
      {"WEBFARM01 1 ISAPIFilters",
       {"ASP.Net_4.0_64bit|%windir%\\Microsoft.NET\\Framework64\\v4.0.30319\\aspnet_filter.dll|Enabled"}},
      {"WEBFARM01 1 HomeDirectory",
       {"A directory located on this computer|%SystemDrive%\\inetpub\\wwwroot|Yes|No|No|No|Yes|||"}},
      {"WEBFARM01 2 HomeDirectorySecurity", {"Yes|IUSR||Yes|CONTOSO|Yes"}},
      {"WEBFARM01 1 AppScriptMappings", {".asp|%windir%\\system32\\inetsrv\\asp.dll|GET,HEAD,POST"}},
      {"WEBFARM01 2 IPAddress", {"|192.168.5.0, 255.255.255.0||", "|203.0.113.7, 255.255.255.255||", "|||spam.example.net"}},
      {"WEBFARM01 2 HttpHeader", {"Yes|No|604800|"}}, {"LEGACY01 2 HttpHeader", {"Yes|No|86400|"}},
      {"WEBFARM01 2 CustomHeader", {"Strict-Transport-Security|max-age=31536000"}},
      {"WEBFARM01 1 ContentRatings", {"Yes|0|0|0|1|webmaster@contoso.com|2024.03.01T10:00-0000|2026.03.01T10:00-0000"}},
      {"WEBFARM01 2 Document", {"Yes|default.aspx||", "Yes|index.html||"}},
      {"WEBFARM01 2 Log", {"Yes|Microsoft IIS Log File Format|No|10485760|E:\\Logs\\Shop|When file size reaches|||"}},
      {"WEBFARM01 2 Performance", {"|Yes|1048576|No"}},
      {"WEBFARM01 2 SecureCommunication", {"Yes|Yes|No|Yes|No|No"}},
      {"WEBFARM01 1 CustomErrors", {"401" + err + "401.htm", "404" + err + "404.htm", "500" + err + "500.htm"}},
      {"WEBFARM01 1 Operators", {}},
      {"WEBFARM01 1 ExtLog", {"Yes|Yes|Yes|Yes|No|No|Yes|Yes|Yes|Yes|Yes|Yes|Yes|No|No|Yes|No|Yes|No|Yes"}},
      // The site's location overrides the server-level asp, handlers and cgi sections.
      {"WEBFARM01 2 Application", {"/|Scripts only|||Yes|45|No|No|JScript|90|Yes|Yes|120|500|2000|300|No|No|No|Yes|" + asp}},
      // /api is its own application with a location of its own.
      {"WEBFARM01 1 api VirCustomErrors", {"401" + err + "401.htm", "500" + err + "500.htm", "404|URL|/api/notfound.asp",
                                           "404;13|Redirect|https://www.contoso.com/too-large"}},
      {"WEBFARM01 1 api VirApplication",
       {"/api|Scripts and Executables|||No|20|Yes|Yes|VBScript|180|Yes|Yes|250|500|2000|300|No|No|Yes|No|" + asp}},
      // A virtual directory inside an application on a share, with a folder below it.
      {"WEBFARM01 2 checkout/receipts/2024 VirtualDirectory",
       {"\\\\files01\\receipts$\\2024|Yes|No|No|No|Yes||CONTOSO\\svc-receipts|"}},
      // clear in the directory's location drops the site's restrictions.
      {"WEBFARM01 2 checkout VirIPAddress", {"10.0.0.0, 255.0.0.0|||", "||partners.contoso.com|"}},
      {"WEBFARM01 2 checkout VirSecureCommunication", {"Yes|Yes|No|No|Yes|Yes"}},
      {"WEBFARM01 2 checkout VirDirSecurity", {"No|IUSR||Yes|CONTOSO|Yes"}},
      {"WEBFARM01 2 checkout VirHttpHeader", {"Yes|Yes||"}},
      {"WEBFARM01 3 docs VirHttpHeader", {"Yes|No||Tue, 31 Dec 2030 23:00:00 GMT"}},
      // A site with only granted addresses keeps an empty cell in every column. An IPv6 entry
      // shows its prefix length, a single address 128.
      {"WEBFARM01 3 VirIPAddress", {"10.1.0.0, 255.255.0.0|||", "10.2.0.0, 255.255.0.0|||", "2001:db8:10::, 48|||",
                                    "fe80::1, 128|||", "|||"}},
      {"WEBFARM01 1 images VirIPAddress", {"|||"}},
      {"LEGACY01 2 General", {"192.168.10.5|80|partners.fabrikam.com|No|1000|300|Started",
                              "192.168.10.5|8080||No|1000|300|Started"}},
      {"LEGACY01 2 ISAPIFilters",
       {"ASP.NET_2.0.50727.0|C:\\WINDOWS\\Microsoft.NET\\Framework\\v2.0.50727\\aspnet_filter.dll|Enabled",
        "UrlRewrite|D:\\Filters\\UrlRewrite.dll|Disabled"}},
      {"LEGACY01 1 HomeDirectory", {"A directory located on this computer|c:\\inetpub\\wwwroot|Yes|No|No|No|Yes|No||"}},
      {"LEGACY01 1 HomeDirectorySecurity", {"Yes|IUSR_LEGACY01|No|No||Yes"}},
      {"LEGACY01 2 HomeDirectorySecurity", {"No|IUSR_LEGACY01|No|Yes|FABRIKAM|Yes"}},
      {"LEGACY01 1 ContentRatings", {"Yes|2|0|1|3|admin@legacy01.local|2006.05.01T12:00-0800|2008.05.01T12:00-0800"}},
      {"LEGACY01 2 Log", {"Yes|NCSA Common Log File Format|No|52428800|D:\\Logs\\Partner|When file size reaches|||"}},
      {"LEGACY01 2 Performance", {"More than 100,000|Yes|2097152|Yes"}},
      {"LEGACY01 2 SecureCommunication", {"Yes|Yes|No|Yes|No|No"}},
      {"LEGACY01 1 ExtLog", {"Yes|Yes|Yes|Yes|No|No|Yes|Yes|Yes|Yes|Yes|Yes|Yes|No|No|No|No|Yes|No|No"}},
      {"LEGACY01 2 Application", {"Partner Portal|Scripts only|High (Isolated)|Yes|Yes|30|Yes|No|JScript|90|Yes|Yes|250|500|"
                                  "2000|300|No|No|Yes|No|" + asp}},
      {"LEGACY01 1 Scripts VirtualDirectory", {"c:\\inetpub\\scripts|No|No|No|Yes|No|No||"}},
      // An IIsWebDirectory below the application: path from the parent, settings inherited.
      {"LEGACY01 2 orders/archive VirtualDirectory",
       {"\\\\fileserver\\orders\\archive|Yes|No|No|No|Yes|No|FABRIKAM\\svc-orders|"}},
      {"LEGACY01 2 orders/archive VirHttpHeader", {"Yes|No||Fri, 31 Dec 2010 23:00:00 GMT"}},
      {"LEGACY01 2 orders VirIPAddress", {"192.168.10.0, 255.255.255.0|||", "||partners.fabrikam.com|"}},
      {"LEGACY01 2 orders VirDefaultDoc", {"Yes|orders.asp|Yes|D:\\Sites\\Partner\\footer.htm"}},
      {"LEGACY01 2 orders VirSecureCommunication", {"Yes|Yes|No|No|Yes|Yes"}},
      {"LEGACY01 2 orders VirCustomErrors", {"404|URL|/orders/missing.asp"}},
      // Session timeout and language come from the site's root.
      {"LEGACY01 2 orders VirApplication",
       {"Orders|Scripts only|Low (IIS Process)|Yes|Yes|30|Yes|Yes|JScript|90|Yes|Yes|250|500|2000|300|No|No|No|Yes|" + asp}},
  };
  for (const auto& [where, rows] : reads) {
    Rows expected;
    for (const std::string& row : rows) expected.push_back(platform::Split(row, "|"));
    EXPECT_EQ(At(where), expected) << where;
  }
  EXPECT_EQ(At("WEBFARM01 3 HomeDirectory")[0][0], "A redirection to a URL");
  EXPECT_EQ(At("WEBFARM01 3 HomeDirectory")[0][9], "https://intranet.contoso.com/");
  EXPECT_EQ(At("WEBFARM01 3 Log")[0][0], "No");
  EXPECT_EQ(At("WEBFARM01 3 docs VirtualDirectory")[0][7], "");  // redirect switched off again
  EXPECT_EQ(At("LEGACY01 3 General")[0][6], "Stopped");
  EXPECT_EQ(At("LEGACY01 3 HomeDirectory")[0][9], "http://recipes.example.com/");
  EXPECT_EQ(At("LEGACY01 2 ContentRatings")[0][0], "No");
  EXPECT_EQ(At("LEGACY01 3 Log")[0][0], "No");
  EXPECT_EQ(At("LEGACY01 2 Document").size(), 4u);  // DefaultDoc of /LM/W3SVC
  EXPECT_EQ(At("LEGACY01 1 Document")[3], (Row{"Yes", "iisstart.htm", "No", ""}));
  EXPECT_EQ(At("LEGACY01 1 AppScriptMappings").size(), 4u);
  EXPECT_EQ(At("LEGACY01 1 AppScriptMappings")[2],
            (Row{".aspx", "C:\\WINDOWS\\Microsoft.NET\\Framework\\v2.0.50727\\aspnet_isapi.dll", "GET,HEAD,POST,DEBUG"}));
  EXPECT_EQ(At("LEGACY01 1 CustomErrors")[1], (Row{"401;1", "File", "C:\\WINDOWS\\help\\iisHelp\\common\\401-1.htm"}));
  EXPECT_EQ(At("LEGACY01 1 CustomErrors")[3], (Row{"500;100", "URL", "/iisHelp/common/500-100.asp"}));
  EXPECT_EQ(At("LEGACY01 2 orders/archive VirApplication")[0][0], "Orders");
  // The older label set puts the FrontPage web flag in the fifth column.
  EXPECT_EQ(At("LEGACY01 1 HomeDirectory", 0)[0][4], "No");
}

TEST_F(Snapshots, ParsesOnceWhileTheFileIsUnchangedAndRaisesBadOnesAtEveryCall) {
  long before = ParseCount();
  auto first = LoadSnapshot("LEGACY01");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(LoadSnapshot("LEGACY01").get(), first.get());
  EXPECT_LE(ParseCount() - before, 1);
  // A changed file is read again. Its site takes the service's connection timeout (the demo's
  // service sets the built-in default, so only a value of its own shows the inheritance).
  app.Write("Servers/LEGACY01/MetaBase.xml",
            "<configuration><MBProperty><IIsWebService Location=\"/LM/W3SVC\" ConnectionTimeout=\"77\"/>"
            "<IIsWebServer Location=\"/LM/W3SVC/9\" ServerComment=\"Only\" ServerBindings=\":80:\"/>"
            "</MBProperty></configuration>");
  auto second = LoadSnapshot("LEGACY01");
  ASSERT_EQ(second->Sites().size(), 1u);
  EXPECT_EQ(second->Sites()[0].name, "Only");
  EXPECT_EQ(At("LEGACY01 9 General"), (Rows{{"(All Unassigned)", "80", "", "Yes", "", "77", "Started"}}));

  // Bad snapshots raise errors naming the server and the file, again at every call without
  // reading the unchanged file again.
  const struct { const char* server; const char* file; const char* bytes; const char* says; } bad[] = {
      {"NOSUCH", "applicationHost.config", nullptr, "No IIS configuration snapshot"},
      {"BROKEN", "applicationHost.config", "<configuration><system.webServer></configuration>", "not well-formed"},
      {"ODDROOT", "applicationHost.config", "<settings/>", "not <configuration>"},
      {"NOMB", "MetaBase.xml", "<configuration><sites/></configuration>", "not a metabase"}};
  auto message = [](const std::string& server) {
    std::string description = "no error";
    testsupport::ErrorOf([&] { LoadSnapshot(server); }, &description);
    return description;
  };
  std::vector<std::string> said;
  for (const auto& b : bad) {
    if (b.bytes) app.Write(std::string("Servers/") + b.server + "/" + b.file, b.bytes);
    said.push_back(message(b.server));
    const std::string server = b.server;
    EXPECT_EQ(testsupport::MissingFrom(said.back(), {"'" + server + "'", server + "/" + b.file, b.says}), "");
  }
  long reads = ParseCount();
  for (size_t i = 0; i < said.size(); ++i) EXPECT_EQ(message(bad[i].server), said[i]);
  EXPECT_EQ(ParseCount(), reads);
  EXPECT_THROW(DirectoryCategoryRows(*LoadSnapshot("LEGACY01"), "", {}, "VirIPAddress"), platform::RuntimeError);
}

// A site of 20,000 restriction entries, half of them added again (denied now, in place) and a
// quarter removed by address: read within a generous minute, which a walk over the list for
// every entry (several minutes) cannot meet.
TEST_F(Snapshots, LongRestrictionListsAreReadInTimeLinearInTheirLength) {
  const int n = 20000;
  auto ip = [](int i) { return "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256); };
  std::string xml = "<configuration><system.applicationHost><sites><site name=\"Big\" id=\"1\"/></sites>"
                    "</system.applicationHost><location path=\"Big\"><system.webServer><security><ipSecurity>";
  for (int i = 0; i < n; ++i) xml += "<add ipAddress=\"" + ip(i) + "\" allowed=\"true\"/>";
  for (int i = 0; i < n; i += 2) xml += "<add ipAddress=\"" + ip(i) + "\"/>";
  for (int i = 0; i < n; i += 4) xml += "<remove ipAddress=\"" + ip(i) + "\"/>";
  xml += "</ipSecurity></security></system.webServer></location></configuration>";
  app.Write("Servers/BIG/applicationHost.config", xml);
  const auto start = std::chrono::steady_clock::now();
  const Rows rows = At("BIG 1 IPAddress");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(1));
  ASSERT_EQ(rows.size(), size_t(n / 2 + n / 4));
  EXPECT_EQ(rows[1], (Row{"10.0.0.3, 255.255.255.255", "", "", ""}));
  EXPECT_EQ(rows[n / 2 + 1], (Row{"", "10.0.0.6, 255.255.255.255", "", ""}));
}
