// Whole runs of the program at the comparison levels over the demo snapshots (one site and one
// directory of an applicationHost.config server against one of a MetaBase.xml server): the
// report files, the export tables, the activity logs, bad jobs between good ones, and a report as a
// real browser builds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "TestServices.h"
#include "TestSupport.h"
#include "database/SqliteFile.h"
#include "platform/DateTime.h"
#include "platform/Text.h"
#include "reports/ReportJobs.h"

namespace fs = std::filesystem;
using testsupport::LinesWith;
using testsupport::ReadLines;
using testsupport::ScratchAppFolder;

namespace {

using Rows = std::vector<std::vector<std::string>>;

using testsupport::ReportJob;
using Jobs = std::vector<ReportJob>;

// Runs the program over the demo servers with these comparison jobs, after the site jobs given;
// returns the status log.
std::vector<std::string> RunJobs(const ScratchAppFolder& app, const Jobs& sites, const Jobs& directories,
                                 const Jobs& earlierSites = {}) {
  return testsupport::RunSchedule(app, testsupport::ReportSchedule({}, earlierSites, {}, sites, directories));
}

// The files of a folder whose names match the pattern.
std::vector<std::string> FilesMatching(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> found;
  std::regex re(pattern);
  for (const auto& entry : fs::directory_iterator(folder))
    if (std::regex_match(entry.path().filename().string(), re)) found.push_back(entry.path().string());
  std::sort(found.begin(), found.end());
  return found;
}

const char* const kStamp = R"(_\d\d_\d\d_\d{4}_\d\d_\d\d_\d\d)";  // dd_mm_yyyy_hh_mm_ss
const char* const kShopVsPartner = "(1\\WEBFARM01\\Contoso Shop,2\\LEGACY01\\Partner Portal)";

// The report files of the job in the folder: its name, the stamp and the extension.
std::vector<std::string> Reports(const std::string& folder, const std::string& name, const std::string& extension) {
  return FilesMatching(folder, name + kStamp + "\\." + extension);
}

}  // namespace

TEST(CompareRun, SitesAndDirectoriesInEveryFormatWithBadJobsBetween) {
  ScratchAppFolder app;
  fs::create_directories(app.At("out"));
  const auto log = RunJobs(app,
      {{std::string("Sites") + kShopVsPartner, "", "HTML"},
       {"Broken entry", "", "HTML"},
       {std::string("Sites") + kShopVsPartner, "", "CSV", "0", app.At("out")},
       {std::string("Db") + kShopVsPartner, "", "MDB"},
       {"Same(1\\WEBFARM01\\Default Web Site,2\\WEBFARM01\\Default Web Site)", "", "MDB"},
       {"Unknown(1\\WEBFARM01\\No Such Site,2\\NOSUCH\\Site)", "", "HTML"},
       {"NoSlash(A,B)", "", "HTML"},
       {std::string("NoFolder") + kShopVsPartner, "", "HTML", "0", app.At("no/such/folder")},
       {"Last(1\\LEGACY01\\Default Web Site,2\\LEGACY01\\Partner Portal)", "", "CSV"}},
      {{"Dirs(1\\WEBFARM01\\Contoso Shop\\checkout,2\\LEGACY01\\Partner Portal\\orders\\archive)", "", "HTML"},
       {"Missing(1\\WEBFARM01\\Contoso Shop\\nosuchdir,2\\LEGACY01\\Partner Portal\\orders)", "", "CSV"}},
      {{"WEBFARM01\\Contoso Shop", "1", "HTML"}});

  // Report files: name, "_" and the day-first stamp, in the job's folder or the program's.
  for (const char* name : {"Sites", "Unknown", "NoSlash", "Dirs"})
    EXPECT_EQ(Reports(app.Path(), name, "html").size(), 1u) << name;
  for (const char* name : {"Last", "Missing"}) EXPECT_EQ(Reports(app.Path(), name, "csv").size(), 1u) << name;
  EXPECT_TRUE(FilesMatching(app.Path(), "Broken.*").empty());
  // Report files put the day first, export databases the month.
  const platform::DateTime today = platform::Now();
  EXPECT_EQ(FilesMatching(app.Path(), "Sites_" + platform::FormatDate(today, "dd_mm_yyyy") + "_.*").size(), 1u);
  EXPECT_EQ(FilesMatching(app.Path(), "QUORVAExportDb_Db" + platform::FormatDate(today, "mm_dd_yyyy") + "_.*").size(), 1u);
  std::vector<std::string> csv = Reports(app.At("out"), "Sites", "csv");
  ASSERT_EQ(csv.size(), 1u);

  // HTML: the legend before the table, differing rows bold, equal rows plain.
  std::string html = testsupport::ReadFile(Reports(app.Path(), "Sites", "html")[0]);
  size_t legend = html.find("\r\n* Bold represents difference in properties<br>\r\n<Table border =1");
  EXPECT_NE(legend, std::string::npos);
  EXPECT_NE(html.find("<B>Connection Timeout</B></td>\r\n<td nowrap width=100%>\r\n<B>60</B></td>"), std::string::npos);
  EXPECT_NE(html.find("\r\nEnable Logging</td>\r\n<td nowrap width=100%>\r\nYes</td>"), std::string::npos);

  // CSV: the headings, then each category a group of its own around the empty separator row.
  std::vector<std::string> lines = ReadLines(csv[0]);
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
  std::vector<std::string> db = FilesMatching(app.Path(), R"(QUORVAExportDb_Db\d\d_\d\d_\d{4}_\d\d_\d\d_\d\d\.mdb)");
  ASSERT_EQ(db.size(), 1u);
  EXPECT_EQ(testsupport::ColumnsOf(db[0], "Db"), (std::vector<std::string>{"Web Site Properties", "Properties",
                                                                          "WEBFARM01_Contoso Shop",
                                                                          "LEGACY01_Partner Portal"}));
  Rows table = testsupport::QueryFile(db[0], "Select * From Db Order By rowid");
  EXPECT_EQ(static_cast<long>(table.size()), dataLines);
  EXPECT_EQ(table[0], (std::vector<std::string>{"General", "IP Address", "10.0.0.21", "192.168.10.5"}));
  EXPECT_EQ(std::count(table.begin(), table.end(), std::vector<std::string>(4, "")), separators);

  // The same item on both sides: the table cannot be made, its database stays empty.
  std::vector<std::string> same = FilesMatching(app.Path(), "QUORVAExportDb_Same.*\\.mdb");
  ASSERT_EQ(same.size(), 1u);
  EXPECT_TRUE(testsupport::TablesOf(same[0]).empty());

  // A directory that IIS does not list is a folder under its parent's path.
  EXPECT_GT(LinesWith(ReadLines(Reports(app.Path(), "Missing", "csv")[0]),
                      "General,Path,D:\\Web\\Shop\\nosuchdir,\\\\fileserver\\orders"), 0);
  std::string dirs = testsupport::ReadFile(Reports(app.Path(), "Dirs", "html")[0]);
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
  EXPECT_FALSE(fs::exists(app.At("no")));
  EXPECT_EQ(log.back().rfind("QUORVASchedule Finished at ", 0), 0u);

  // Activity logs: the comparison jobs write no result line of their own, so each repeats the
  // last one the run wrote (the standard report of level 2).
  std::vector<std::string> activity = FilesMatching(app.At("Log"), R"(ActivityLog\d\d_\d\d_\d{4}_\d\d_\d\d_\d+\.htm)");
  ASSERT_FALSE(activity.empty());
  auto newest = *std::max_element(activity.begin(), activity.end(), [](const auto& a, const auto& b) {
    return fs::last_write_time(a) < fs::last_write_time(b);
  });
  std::string last = testsupport::ReadFile(newest);
  EXPECT_NE(last.find("File format : CSV"), std::string::npos) << last;
  EXPECT_NE(last.find("Report Type : Standard"), std::string::npos);
  EXPECT_NE(last.find("<TD>WEBFARM01\\Contoso Shop</TD>\r\n<TD>General</TD>\r\n<TD>Successfully completed</TD>"),
            std::string::npos)
      << last;
}

// Headless chromium opens the report; in the DOM it builds, the legend is there and exactly the
// cells of rows whose two values differ are bold (property and both values, never the caption).
TEST(CompareRun, BrowserShowsTheLegendAndBoldsExactlyTheDifferingRows) {
  if (testsupport::Capture("command -v chromium").empty()) GTEST_SKIP() << "chromium is not installed";
  ScratchAppFolder app;
  RunJobs(app, {{std::string("Browser") + kShopVsPartner, "", "HTML"}}, {});
  std::vector<std::string> html = Reports(app.Path(), "Browser", "html");
  ASSERT_EQ(html.size(), 1u);
  std::string dom = testsupport::Capture("chromium --headless --no-sandbox --disable-gpu --user-data-dir='" +
                                         app.At("chromium") + "' --dump-dom 'file://" + html[0] + "' 2>/dev/null");
  ASSERT_NE(dom.find("* Bold represents difference in properties"), std::string::npos) << dom.substr(0, 2000);

  std::regex rowPattern("<tr>([\\s\\S]*?)</tr>"), cellPattern("<td([^>]*)>([\\s\\S]*?)</td>"), tag("<[^>]*>");
  int differing = 0, equal = 0;
  for (std::sregex_iterator row(dom.begin(), dom.end(), rowPattern), end; row != end; ++row) {
    std::string cells = (*row)[1];
    if (cells.find("align=\"center\"") != std::string::npos || cells.find("Brantel") != std::string::npos) continue;
    std::vector<std::pair<std::string, bool>> shown;  // text, bold
    for (std::sregex_iterator cell(cells.begin(), cells.end(), cellPattern); cell != end; ++cell) {
      std::string inner = (*cell)[2];
      std::string text = platform::Trim(platform::Replace(std::regex_replace(inner, tag, ""), "&nbsp;", ""));
      shown.emplace_back(text, inner.find("<b>") != std::string::npos);
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
