// Whole runs of the program at the comparison levels over the demo snapshots (one site and one
// directory of an applicationHost.config server against one of a MetaBase.xml server): the
// report files, the export tables, the activity logs, bad jobs between good ones, and reports as a
// real browser builds them.
#include <gtest/gtest.h>

#include <regex>

#include "TestServices.h"
#include "reports/ReportJobs.h"

namespace fs = std::filesystem;
using testsupport::FileStartingWith;
using testsupport::ReportSchedule;
using testsupport::RunSchedule;
using testsupport::ScratchAppFolder;

const char* const kShopVsPartner = "(1\\WEBFARM01\\Contoso Shop,2\\LEGACY01\\Partner Portal)";

TEST(CompareRun, SitesAndDirectoriesInEveryFormatWithBadJobsBetween) {
  ScratchAppFolder app;
  fs::create_directories(app.At("out"));
  fs::remove(".html");  // where a report without a name would land
  RunSchedule(app, ReportSchedule({}, {{"WEBFARM01\\Contoso Shop", "1", "HTML"}}, {},
      {{std::string("Sites") + kShopVsPartner, "", "HTML"},
       {"Broken entry", "", "HTML"},
       {std::string("Sites") + kShopVsPartner, "", "CSV", "0", app.At("out")},
       {std::string("Db") + kShopVsPartner, "", "MDB"},
       {"Same(1\\WEBFARM01\\Default Web Site,2\\WEBFARM01\\Default Web Site)", "", "MDB"},
       {"Unknown(1\\WEBFARM01\\No Such Site,2\\NOSUCH\\Site)", "", "HTML"},
       {"NoSlash(A,B)", "", "HTML"},
       {std::string("NoFolder") + kShopVsPartner, "", "HTML", "0", app.At("no/such/folder")},
       {"Last(1\\LEGACY01\\Default Web Site,2\\LEGACY01\\Partner Portal)", "", "CSV"},
       {std::string("Gap") + kShopVsPartner, "", "HTML", "0", testsupport::kMissing}},
      {{"Dirs(1\\WEBFARM01\\Contoso Shop\\checkout,2\\LEGACY01\\Partner Portal\\orders\\archive)", "", "HTML"},
       {"Missing(1\\WEBFARM01\\Contoso Shop\\nosuchdir,2\\LEGACY01\\Partner Portal\\orders)", "", "CSV"}}));

  // Report files in the job's folder or the program's, export databases month first; in the CSV
  // file each category is a group of its own around the empty separator row, which the export
  // table holds as empty texts; in the HTML file the cells of rows whose values differ are bold.
  // Each bad job is its own clear line, and the jobs after it still ran: collection reports a
  // broken entry too. The comparison jobs write no result line of their own in the activity log.
  testsupport::ExpectLikeFile(testsupport::RunFiles(app, {"", "out"}), "compare/CompareRun.expected",
                              {{app.Path(), "<app>"}});
  EXPECT_FALSE(fs::exists(app.At("no")) || fs::exists(".html"));
}

// Headless chromium opens the reports. A server's site name and host header are markup: every page that shows them (a standard, a
// custom and a comparison report, whose headings name the site, and the activity log) shows them
// as text, and nothing of them runs.
TEST(CompareRun, BrowserRunsNothingFromTheSettings) {
  if (testsupport::Capture("command -v chromium").empty()) GTEST_SKIP() << "chromium is not installed";
  ScratchAppFolder app;
  app.Write("Servers/HOSTILE/applicationHost.config",
            testsupport::ReadFile(testsupport::SourceDir() + "/tests/compare/HostileServer.config"));
  testsupport::Capture("sqlite3 '" + app.At("QUORVACustomReport_Server.cfg") +
                       "' \"CREATE TABLE Names (c, t); INSERT INTO Names VALUES ('Host Header Name', 'WebSiteGenInfo')\"");
  // A page as the browser builds it, once its scripts have run.
  auto browse = [&](const std::string& page) {
    return testsupport::Capture("chromium --headless --no-sandbox --disable-gpu --user-data-dir='" +
                                app.At("chromium") + "' --dump-dom 'file://" + page + "' 2>/dev/null");
  };
  const std::string script = "<script>document.title='X'</script>";
  RunSchedule(app, ReportSchedule({{"HOSTILE", "1", "HTML"}, {"HOSTILE", "1", "HTML", "0", "No", "Names"}},
                                  {{"HOSTILE\\" + script, "1", "CSV"}}, {},
                                  {{"Hostile(1\\HOSTILE\\" + script + ",2\\WEBFARM01\\Contoso Shop)", "", "HTML"}}));
  for (const std::string& page : {FileStartingWith(app.Path(), "HOSTILE_General_"),
                                  FileStartingWith(app.Path(), "NamesHOSTILE"), FileStartingWith(app.Path(), "Hostile_"),
                                  testsupport::NewestActivityLog(app.At("Log"))}) {
    const std::string shown = browse(page);
    EXPECT_FALSE(std::regex_search(shown, std::regex("<script|<img|<title>[XY]<"))) << page;
    EXPECT_NE(shown.find("&lt;script&gt;document.title='X'&lt;/script&gt;"), std::string::npos) << page;
    if (page.find("ActivityLog") == std::string::npos)
      EXPECT_NE(shown.find("&lt;img src=x onerror=\"document.title='Y'\"&gt;"), std::string::npos) << page;
  }
}
