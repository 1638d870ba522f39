// Effective settings read from the demo snapshots, against values read from the files by hand.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Err.h"
#include "iis/IisSettings.h"

using namespace iis;
using testsupport::ScratchAppFolder;

namespace {

class Snapshots : public testing::Test {
 protected:
  void SetUp() override { testsupport::CopyDemoServers(app); }
  std::vector<Row> Site(const std::string& server, const std::string& id, const std::string& key, long version = 1001) {
    auto snapshot = LoadSnapshot(server);
    return SiteCategoryRows(*snapshot, *snapshot->SiteById(id), key, version);
  }
  std::vector<Row> Dir(const std::string& server, const std::string& id, std::vector<std::string> dirs,
                       const std::string& key) {
    return DirectoryCategoryRows(*LoadSnapshot(server), id, dirs, key);
  }
  ScratchAppFolder app;
};

using Rows = std::vector<Row>;
const char* const kAspErrorMessage =
    "An error occurred on the server when processing the URL. Please contact the system administrator.";

}  // namespace

// The sites each snapshot lists are checked where collection writes them to the database.
TEST_F(Snapshots, ApplicationHostSiteCategories) {
  EXPECT_EQ(Site("WEBFARM01", "2", "General"),
            (Rows{{"10.0.0.21", "80", "shop.contoso.com", "No", "5000", "60", "Started"},
                  {"10.0.0.21", "80", "www.shop.contoso.com", "No", "5000", "60", "Started"}}));
  EXPECT_EQ(Site("WEBFARM01", "3", "General"),
            (Rows{{"(All Unassigned)", "8080", "", "Yes", "", "120", "Stopped"}}));
  EXPECT_EQ(Site("WEBFARM01", "2", "SSL"), (Rows{{"10.0.0.21", "443"}}));
  EXPECT_EQ(Site("WEBFARM01", "1", "ISAPIFilters"),
            (Rows{{"ASP.Net_4.0_64bit", "%windir%\\Microsoft.NET\\Framework64\\v4.0.30319\\aspnet_filter.dll", "Enabled"}}));
  EXPECT_EQ(Site("WEBFARM01", "1", "HomeDirectory"),
            (Rows{{"A directory located on this computer", "%SystemDrive%\\inetpub\\wwwroot", "Yes", "No", "No", "No",
                   "Yes", "", "", ""}}));
  EXPECT_EQ(Site("WEBFARM01", "3", "HomeDirectory")[0][0], "A redirection to a URL");
  EXPECT_EQ(Site("WEBFARM01", "3", "HomeDirectory")[0][9], "https://intranet.contoso.com/");
  EXPECT_EQ(Site("WEBFARM01", "2", "HomeDirectorySecurity"),
            (Rows{{"Yes", "IUSR", "", "Yes", "CONTOSO", "Yes"}}));
  // The site's location overrides the server-level asp, handlers and cgi sections.
  EXPECT_EQ(Site("WEBFARM01", "2", "Application")[0],
            (Row{"/", "Scripts only", "", "", "Yes", "45", "No", "No", "JScript", "90", "Yes", "Yes", "120", "500",
                 "2000", "300", "No", "No", "No", "Yes", kAspErrorMessage}));
  EXPECT_EQ(Site("WEBFARM01", "1", "AppScriptMappings"),
            (Rows{{".asp", "%windir%\\system32\\inetsrv\\asp.dll", "GET,HEAD,POST"}}));
  EXPECT_EQ(Site("WEBFARM01", "2", "IPAddress"),
            (Rows{{"", "192.168.5.0, 255.255.255.0", "", ""}, {"", "203.0.113.7, 255.255.255.255", "", ""},
                  {"", "", "", "spam.example.net"}}));
  EXPECT_EQ(Site("WEBFARM01", "2", "HttpHeader"), (Rows{{"Yes", "No", "604800", ""}}));
  EXPECT_EQ(Site("WEBFARM01", "2", "CustomHeader"), (Rows{{"Strict-Transport-Security", "max-age=31536000"}}));
  EXPECT_EQ(Site("WEBFARM01", "1", "ContentRatings"),
            (Rows{{"Yes", "0", "0", "0", "1", "webmaster@contoso.com", "2024.03.01T10:00-0000", "2026.03.01T10:00-0000"}}));
  EXPECT_EQ(Site("WEBFARM01", "2", "Document"), (Rows{{"Yes", "default.aspx", "", ""}, {"Yes", "index.html", "", ""}}));
  EXPECT_EQ(Site("WEBFARM01", "2", "Log"),
            (Rows{{"Yes", "Microsoft IIS Log File Format", "No", "10485760", "E:\\Logs\\Shop", "When file size reaches",
                   "", "", ""}}));
  EXPECT_EQ(Site("WEBFARM01", "3", "Log")[0][0], "No");
  EXPECT_EQ(Site("WEBFARM01", "2", "Performance"), (Rows{{"", "Yes", "1048576", "No"}}));
  EXPECT_EQ(Site("WEBFARM01", "2", "SecureCommunication"), (Rows{{"Yes", "Yes", "No", "Yes", "No", "No"}}));
  EXPECT_EQ(Site("WEBFARM01", "1", "ExtLog")[0], (Row{"Yes", "Yes", "Yes", "Yes", "No", "No", "Yes", "Yes", "Yes", "Yes",
                                                    "Yes", "Yes", "Yes", "No", "No", "Yes", "No", "Yes", "No", "Yes"}));
  EXPECT_EQ(Site("WEBFARM01", "1", "CustomErrors"),
            (Rows{{"401", "File", "%SystemDrive%\\inetpub\\custerr\\<language>\\401.htm"},
                  {"404", "File", "%SystemDrive%\\inetpub\\custerr\\<language>\\404.htm"},
                  {"500", "File", "%SystemDrive%\\inetpub\\custerr\\<language>\\500.htm"}}));
  EXPECT_TRUE(Site("WEBFARM01", "1", "Operators").empty());
}

TEST_F(Snapshots, ApplicationHostDirectoryOverrides) {
  // /api is its own application with a location of its own.
  EXPECT_EQ(Dir("WEBFARM01", "1", {"api"}, "VirApplication")[0],
            (Row{"/api", "Scripts and Executables", "", "", "No", "20", "Yes", "Yes", "VBScript", "180", "Yes", "Yes",
                 "250", "500", "2000", "300", "No", "No", "Yes", "No", kAspErrorMessage}));
  EXPECT_EQ(Dir("WEBFARM01", "1", {"api"}, "VirCustomErrors"),
            (Rows{{"401", "File", "%SystemDrive%\\inetpub\\custerr\\<language>\\401.htm"},
                  {"500", "File", "%SystemDrive%\\inetpub\\custerr\\<language>\\500.htm"},
                  {"404", "URL", "/api/notfound.asp"},
                  {"404;13", "Redirect", "https://www.contoso.com/too-large"}}));
  // A virtual directory inside an application on a share, with a folder below it.
  EXPECT_EQ(Dir("WEBFARM01", "2", {"checkout", "receipts", "2024"}, "VirtualDirectory"),
            (Rows{{"\\\\files01\\receipts$\\2024", "Yes", "No", "No", "No", "Yes", "", "CONTOSO\\svc-receipts", ""}}));
  // clear in the directory's location drops the site's restrictions.
  EXPECT_EQ(Dir("WEBFARM01", "2", {"checkout"}, "VirIPAddress"),
            (Rows{{"10.0.0.0, 255.0.0.0", "", "", ""}, {"", "", "partners.contoso.com", ""}}));
  EXPECT_EQ(Dir("WEBFARM01", "2", {"checkout"}, "VirSecureCommunication"),
            (Rows{{"Yes", "Yes", "No", "No", "Yes", "Yes"}}));
  EXPECT_EQ(Dir("WEBFARM01", "2", {"checkout"}, "VirDirSecurity"), (Rows{{"No", "IUSR", "", "Yes", "CONTOSO", "Yes"}}));
  EXPECT_EQ(Dir("WEBFARM01", "2", {"checkout"}, "VirHttpHeader"), (Rows{{"Yes", "Yes", "", ""}}));
  EXPECT_EQ(Dir("WEBFARM01", "3", {"docs"}, "VirHttpHeader"),
            (Rows{{"Yes", "No", "", "Tue, 31 Dec 2030 23:00:00 GMT"}}));
  EXPECT_EQ(Dir("WEBFARM01", "3", {"docs"}, "VirtualDirectory")[0][7], "");  // redirect switched off again
  // A site with only granted addresses keeps an empty cell in every column.
  EXPECT_EQ(Dir("WEBFARM01", "3", {}, "VirIPAddress"),
            (Rows{{"10.1.0.0, 255.255.0.0", "", "", ""}, {"10.2.0.0, 255.255.0.0", "", "", ""}, {"", "", "", ""}}));
  EXPECT_EQ(Dir("WEBFARM01", "1", {"images"}, "VirIPAddress"), (Rows{{"", "", "", ""}}));
}

TEST_F(Snapshots, MetabaseSiteCategoriesInheritFromTheService) {
  EXPECT_EQ(Site("LEGACY01", "2", "General"),
            (Rows{{"192.168.10.5", "80", "partners.fabrikam.com", "No", "1000", "300", "Started"},
                  {"192.168.10.5", "8080", "", "No", "1000", "300", "Started"}}));
  // ConnectionTimeout comes from /LM/W3SVC.
  EXPECT_EQ(Site("LEGACY01", "1", "General"),
            (Rows{{"(All Unassigned)", "80", "", "Yes", "", "120", "Started"}}));
  EXPECT_EQ(Site("LEGACY01", "3", "General")[0][6], "Stopped");
  EXPECT_EQ(Site("LEGACY01", "1", "SSL"), (Rows{{"(All Unassigned)", "443"}}));
  EXPECT_EQ(Site("LEGACY01", "2", "ISAPIFilters"),
            (Rows{{"ASP.NET_2.0.50727.0", "C:\\WINDOWS\\Microsoft.NET\\Framework\\v2.0.50727\\aspnet_filter.dll", "Enabled"},
                  {"UrlRewrite", "D:\\Filters\\UrlRewrite.dll", "Disabled"}}));
  EXPECT_EQ(Site("LEGACY01", "1", "HomeDirectory"),
            (Rows{{"A directory located on this computer", "c:\\inetpub\\wwwroot", "Yes", "No", "No", "No", "Yes", "No",
                   "", ""}}));
  EXPECT_EQ(Site("LEGACY01", "3", "HomeDirectory")[0][9], "http://recipes.example.com/");
  EXPECT_EQ(Site("LEGACY01", "1", "HomeDirectorySecurity"),
            (Rows{{"Yes", "IUSR_LEGACY01", "No", "No", "", "Yes"}}));
  EXPECT_EQ(Site("LEGACY01", "2", "HomeDirectorySecurity"),
            (Rows{{"No", "IUSR_LEGACY01", "No", "Yes", "FABRIKAM", "Yes"}}));
  EXPECT_EQ(Site("LEGACY01", "2", "Application")[0],
            (Row{"Partner Portal", "Scripts only", "High (Isolated)", "Yes", "Yes", "30", "Yes", "No", "JScript", "90",
                 "Yes", "Yes", "250", "500", "2000", "300", "No", "No", "Yes", "No", kAspErrorMessage}));
  EXPECT_EQ(Site("LEGACY01", "1", "AppScriptMappings").size(), 4u);
  EXPECT_EQ(Site("LEGACY01", "1", "AppScriptMappings")[2],
            (Row{".aspx", "C:\\WINDOWS\\Microsoft.NET\\Framework\\v2.0.50727\\aspnet_isapi.dll", "GET,HEAD,POST,DEBUG"}));
  EXPECT_EQ(Site("LEGACY01", "2", "IPAddress"),
            (Rows{{"", "172.16.0.0, 255.240.0.0", "", ""}, {"", "198.51.100.23, 255.255.255.255", "", ""},
                  {"", "", "", "badbots.example.org"}}));
  EXPECT_EQ(Site("LEGACY01", "2", "HttpHeader"), (Rows{{"Yes", "No", "86400", ""}}));
  EXPECT_EQ(Site("LEGACY01", "2", "CustomHeader"),
            (Rows{{"X-Powered-By", "ASP.NET"}, {"P3P", "CP=\"CAO PSA OUR\""}}));
  EXPECT_EQ(Site("LEGACY01", "1", "ContentRatings"),
            (Rows{{"Yes", "2", "0", "1", "3", "admin@legacy01.local", "2006.05.01T12:00-0800", "2008.05.01T12:00-0800"}}));
  EXPECT_EQ(Site("LEGACY01", "2", "ContentRatings")[0][0], "No");
  EXPECT_EQ(Site("LEGACY01", "2", "Document").size(), 4u);  // DefaultDoc of /LM/W3SVC
  EXPECT_EQ(Site("LEGACY01", "1", "Document")[3], (Row{"Yes", "iisstart.htm", "No", ""}));
  EXPECT_EQ(Site("LEGACY01", "2", "Log"),
            (Rows{{"Yes", "NCSA Common Log File Format", "No", "52428800", "D:\\Logs\\Partner", "When file size reaches",
                   "", "", ""}}));
  EXPECT_EQ(Site("LEGACY01", "3", "Log")[0][0], "No");
  EXPECT_EQ(Site("LEGACY01", "2", "Performance"), (Rows{{"More than 100,000", "Yes", "2097152", "Yes"}}));
  EXPECT_EQ(Site("LEGACY01", "2", "SecureCommunication"), (Rows{{"Yes", "Yes", "No", "Yes", "No", "No"}}));
  EXPECT_EQ(Site("LEGACY01", "1", "CustomErrors")[1],
            (Row{"401;1", "File", "C:\\WINDOWS\\help\\iisHelp\\common\\401-1.htm"}));
  EXPECT_EQ(Site("LEGACY01", "1", "CustomErrors")[3], (Row{"500;100", "URL", "/iisHelp/common/500-100.asp"}));
  EXPECT_EQ(Site("LEGACY01", "1", "ExtLog")[0],
            (Row{"Yes", "Yes", "Yes", "Yes", "No", "No", "Yes", "Yes", "Yes", "Yes", "Yes", "Yes", "Yes", "No", "No",
                 "No", "No", "Yes", "No", "No"}));
  // The older label set puts the FrontPage web flag in the fifth column.
  EXPECT_EQ(Site("LEGACY01", "1", "HomeDirectory", 0)[0][4], "No");
}

TEST_F(Snapshots, MetabaseDirectoriesInheritFromParentKeys) {
  EXPECT_EQ(Dir("LEGACY01", "1", {"Scripts"}, "VirtualDirectory"),
            (Rows{{"c:\\inetpub\\scripts", "No", "No", "No", "Yes", "No", "No", "", ""}}));
  // Session timeout and language come from the site's root.
  EXPECT_EQ(Dir("LEGACY01", "2", {"orders"}, "VirApplication")[0],
            (Row{"Orders", "Scripts only", "Low (IIS Process)", "Yes", "Yes", "30", "Yes", "Yes", "JScript", "90", "Yes",
                 "Yes", "250", "500", "2000", "300", "No", "No", "No", "Yes", kAspErrorMessage}));
  // An IIsWebDirectory below the application: path from the parent, settings inherited.
  EXPECT_EQ(Dir("LEGACY01", "2", {"orders", "archive"}, "VirtualDirectory"),
            (Rows{{"\\\\fileserver\\orders\\archive", "Yes", "No", "No", "No", "Yes", "No", "FABRIKAM\\svc-orders", ""}}));
  EXPECT_EQ(Dir("LEGACY01", "2", {"orders", "archive"}, "VirApplication")[0][0], "Orders");
  EXPECT_EQ(Dir("LEGACY01", "2", {"orders", "archive"}, "VirHttpHeader"),
            (Rows{{"Yes", "No", "", "Fri, 31 Dec 2010 23:00:00 GMT"}}));
  EXPECT_EQ(Dir("LEGACY01", "2", {"orders"}, "VirIPAddress"),
            (Rows{{"192.168.10.0, 255.255.255.0", "", "", ""}, {"", "", "partners.fabrikam.com", ""}}));
  EXPECT_EQ(Dir("LEGACY01", "2", {"orders"}, "VirDefaultDoc"),
            (Rows{{"Yes", "orders.asp", "Yes", "D:\\Sites\\Partner\\footer.htm"}}));
  EXPECT_EQ(Dir("LEGACY01", "2", {"orders"}, "VirSecureCommunication"),
            (Rows{{"Yes", "Yes", "No", "No", "Yes", "Yes"}}));
  EXPECT_EQ(Dir("LEGACY01", "2", {"orders"}, "VirCustomErrors"), (Rows{{"404", "URL", "/orders/missing.asp"}}));
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
  EXPECT_EQ(Site("LEGACY01", "9", "General"), (Rows{{"(All Unassigned)", "80", "", "Yes", "", "77", "Started"}}));

  // Bad snapshots raise errors naming the server and the file.
  auto message = [](const std::string& server) {
    std::string description = "no error";
    testsupport::ErrorOf([&] { LoadSnapshot(server); }, &description);
    return description;
  };
  std::string missing = message("NOSUCH");
  EXPECT_NE(missing.find("'NOSUCH'"), std::string::npos);
  EXPECT_NE(missing.find("NOSUCH/applicationHost.config"), std::string::npos);
  app.Write("Servers/BROKEN/applicationHost.config", "<configuration><system.webServer></configuration>");
  std::string broken = message("BROKEN");
  EXPECT_NE(broken.find("not well-formed"), std::string::npos);
  EXPECT_NE(broken.find("BROKEN/applicationHost.config"), std::string::npos);
  // Raised at every call for the unchanged file, which is not read again.
  long reads = ParseCount();
  EXPECT_EQ(message("BROKEN"), broken);
  EXPECT_EQ(message("NOSUCH"), missing);
  EXPECT_EQ(ParseCount(), reads);
  app.Write("Servers/ODDROOT/applicationHost.config", "<settings/>");
  EXPECT_NE(message("ODDROOT").find("not <configuration>"), std::string::npos);
  app.Write("Servers/NOMB/MetaBase.xml", "<configuration><sites/></configuration>");
  EXPECT_NE(message("NOMB").find("not a metabase"), std::string::npos);
  EXPECT_THROW(DirectoryCategoryRows(*LoadSnapshot("LEGACY01"), "", {}, "VirIPAddress"), platform::RuntimeError);
}
