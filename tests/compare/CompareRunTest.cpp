// Whole runs of the program at the comparison levels over the demo snapshots (one site and one
// directory of an applicationHost.config server against one of a MetaBase.xml server): the
// report files, the export tables, the activity logs, bad jobs between good ones, and a report as a
// real browser builds it.
#include <gtest/gtest.h>

#include <regex>

#include "TestServices.h"
#include "database/SqliteFile.h"
#include "reports/ReportJobs.h"

namespace fs = std::filesystem;
using testsupport::FileStartingWith;
using testsupport::LinesWith;
using testsupport::ReadLines;
using testsupport::ReportSchedule;
using testsupport::RunSchedule;
using testsupport::ScratchAppFolder;
using Lines = std::vector<std::string>;

const char* const kShopVsPartner = "(1\\WEBFARM01\\Contoso Shop,2\\LEGACY01\\Partner Portal)";

TEST(CompareRun, SitesAndDirectoriesInEveryFormatWithBadJobsBetween) {
  ScratchAppFolder app;
  fs::create_directories(app.At("out"));
  fs::remove(".html");  // where a report without a name would land
  const auto log = RunSchedule(app, ReportSchedule({}, {{"WEBFARM01\\Contoso Shop", "1", "HTML"}}, {},
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

  // Report files: name, "_" and the day-first stamp, in the job's folder or the program's; export
  // databases put the month first.
  EXPECT_EQ(testsupport::ReportFiles(app.Path()),
            (Lines{"Dirs_.html", "Last_.csv", "Missing_.csv", "NoSlash_.html", "QUORVAExportDb_Db.mdb",
                   "QUORVAExportDb_Same.mdb", "Sites_.html", "Unknown_.html", "WEBFARM01_Contoso Shop_General_.html"}));
  EXPECT_EQ(testsupport::ReportFiles(app.At("out")), (Lines{"Sites_.csv"}));
  auto file = [&](const std::string& prefix) { return FileStartingWith(app.Path(), prefix); };

  // CSV: the headings, then each category a group of its own around the empty separator row.
  Lines lines = ReadLines(FileStartingWith(app.At("out"), "Sites_"));
  ASSERT_GT(lines.size(), 12u);
  EXPECT_EQ(lines[7], "Web Site Properties,Properties,WEBFARM01\\Contoso Shop,LEGACY01\\Partner Portal");
  EXPECT_EQ(lines[8], "");
  EXPECT_EQ(lines[9], "General,IP Address,10.0.0.21,192.168.10.5");
  long dataLines = 0, separators = 0;
  for (size_t i = 9; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    ++dataLines;
    if (lines[i] != ",,,") continue;
    ++separators;
    EXPECT_TRUE(lines[i - 1].empty() && i + 1 < lines.size() && lines[i + 1].empty()) << i;
  }
  EXPECT_EQ(separators, 18) << "19 categories with rows; Operators has none, the mappings are not compared";

  // The export table: the same rows as the file, separator rows as empty texts.
  const std::string db = file("QUORVAExportDb_Db");
  EXPECT_EQ(testsupport::ColumnsOf(db, "Db"),
            (Lines{"Web Site Properties", "Properties", "WEBFARM01_Contoso Shop", "LEGACY01_Partner Portal"}));
  testsupport::Rows table = testsupport::QueryFile(db, "Select * From Db Order By rowid");
  EXPECT_EQ(static_cast<long>(table.size()), dataLines);
  EXPECT_EQ(table[0], (Lines{"General", "IP Address", "10.0.0.21", "192.168.10.5"}));
  EXPECT_EQ(std::count(table.begin(), table.end(), Lines(4, "")), separators);

  // The same item on both sides: the table cannot be made, its database stays empty.
  EXPECT_TRUE(testsupport::TablesOf(file("QUORVAExportDb_Same")).empty());

  // A directory that IIS does not list is a folder under its parent's path.
  EXPECT_GT(LinesWith(ReadLines(file("Missing_")), "General,Path,D:\\Web\\Shop\\nosuchdir,\\\\fileserver\\orders"), 0);
  std::string dirs = testsupport::ReadFile(file("Dirs_"));
  EXPECT_NE(dirs.find("&nbsp; WEBFARM01\\Contoso Shop\\checkout &nbsp;"), std::string::npos);
  EXPECT_NE(dirs.find("<B>\\\\fileserver\\orders\\archive</B>"), std::string::npos);

  // Each bad job is its own clear line, and the jobs after it still ran.
  EXPECT_EQ(LinesWith(log, "mCollect.ExportComparisonDetails"), 1);
  // Collection reports it too, and gathers nothing for it.
  EXPECT_EQ(LinesWith(log, "the comparison entry \"Broken entry\" is not name(item,item)"), 2);
  EXPECT_EQ(LinesWith(log, "The web site \"No Such Site\" of server \"WEBFARM01\" is not in the settings database"), 1);
  EXPECT_EQ(LinesWith(log, "The web site \"Site\" of server \"NOSUCH\" is not in the settings database"), 1);
  EXPECT_EQ(LinesWith(log, "mCollect.GetServerAndSite"), 2);
  EXPECT_EQ(LinesWith(log, "\"A\" has no web site name"), 1);
  EXPECT_EQ(LinesWith(log, "Field 'WEBFARM01_Default Web Site' is defined more than once"), 1);
  EXPECT_EQ(LinesWith(log, "mExport.ExportReport"), 1);
  EXPECT_EQ(LinesWith(log, "mExport.Export_HTMLFormat"), 1) << "a job folder that is not there";
  EXPECT_FALSE(fs::exists(app.At("no")) || fs::exists(".html"));
  EXPECT_EQ(LinesWith(log, "mCollect.Merge" + std::string(56, ' ') + "9 - Subscript out of range: the job Gap("), 1);
  EXPECT_EQ(log.back().rfind("QUORVASchedule Finished at ", 0), 0u);

  // Activity logs: the comparison jobs write no result line of their own, so each repeats the
  // last one the run wrote (the standard report of level 2).
  std::string last = testsupport::ReadFile(testsupport::NewestActivityLog(app.At("Log")));
  EXPECT_NE(last.find("File format : CSV"), std::string::npos) << last;
  EXPECT_NE(last.find("Report Type : Standard"), std::string::npos);
  EXPECT_NE(last.find("<TD>WEBFARM01\\Contoso Shop</TD>\r\n<TD>General</TD>\r\n<TD>Successfully completed</TD>"),
            std::string::npos)
      << last;
}

// Headless chromium opens the reports. In the comparison the legend is there and exactly the
// cells of rows whose two values differ are bold (property and both values, never the caption).
// A server's site name and host header are markup: every page that shows them (a standard, a
// custom and a comparison report, whose headings name the site, and the activity log) shows them
// as text, and nothing of them runs.
TEST(CompareRun, BrowserShowsTheLegendBoldsExactlyTheDifferingRowsAndRunsNothingFromTheSettings) {
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
                                  {{std::string("Browser") + kShopVsPartner, "", "HTML"},
                                   {"Hostile(1\\HOSTILE\\" + script + ",2\\WEBFARM01\\Contoso Shop)", "", "HTML"}}));
  for (const std::string& page : {FileStartingWith(app.Path(), "HOSTILE_General_"),
                                  FileStartingWith(app.Path(), "NamesHOSTILE"), FileStartingWith(app.Path(), "Hostile_"),
                                  testsupport::NewestActivityLog(app.At("Log"))}) {
    const std::string shown = browse(page);
    EXPECT_FALSE(std::regex_search(shown, std::regex("<script|<img|<title>[XY]<"))) << page;
    EXPECT_NE(shown.find("&lt;script&gt;document.title='X'&lt;/script&gt;"), std::string::npos) << page;
    if (page.find("ActivityLog") == std::string::npos)
      EXPECT_NE(shown.find("&lt;img src=x onerror=\"document.title='Y'\"&gt;"), std::string::npos) << page;
  }

  const std::string html = FileStartingWith(app.Path(), "Browser_");
  ASSERT_NE(html, "");
  std::string dom = browse(html);
  ASSERT_NE(dom.find("* Bold represents difference in properties"), std::string::npos) << dom.substr(0, 2000);

  std::regex rowPattern("<tr>([\\s\\S]*?)</tr>"), cellPattern("<td[^>]*>([\\s\\S]*?)</td>"), tag("<[^>]*>");
  int differing = 0, equal = 0;
  for (std::sregex_iterator row(dom.begin(), dom.end(), rowPattern), end; row != end; ++row) {
    std::string cells = (*row)[1];
    if (cells.find("align=\"center\"") != std::string::npos || cells.find("Brantel") != std::string::npos) continue;
    std::vector<std::pair<std::string, bool>> shown;  // text, bold
    for (std::sregex_iterator cell(cells.begin(), cells.end(), cellPattern); cell != end; ++cell) {
      std::string inner = (*cell)[1];
      shown.emplace_back(platform::Trim(platform::Replace(std::regex_replace(inner, tag, ""), "&nbsp;", "")),
                         inner.find("<b>") != std::string::npos);
    }
    ASSERT_GE(shown.size(), 3u) << cells;
    // A caption cell stands only in the first row of its group, and is never bold.
    if (shown.size() == 4) EXPECT_FALSE(shown[0].second) << cells;
    bool differs = shown[shown.size() - 2].first != shown.back().first;
    (differs ? differing : equal) += 1;
    for (size_t c = shown.size() - 3; c < shown.size(); ++c) EXPECT_EQ(shown[c].second, differs) << cells;
  }
  EXPECT_GT(differing, 20);
  EXPECT_GT(equal, 20);
}
