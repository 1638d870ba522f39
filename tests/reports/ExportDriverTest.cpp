// The standard export driver inside the process, where the status window's controls and a
// settings database made to fail can be watched.
#include <gtest/gtest.h>

#include "ReportJobs.h"
#include "RunState.h"
#include "collect/mCollect.h"
#include "database/Catalogue.h"
#include "database/SqliteFile.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "reports/ExportDriver.h"

namespace {

using Lines = std::vector<std::string>;

class ExportDriver : public testsupport::SettingsTest {
 protected:
  // One job of a level, collected as the run collects it.
  void Collect(short level, const testsupport::ReportJob& job) {
    ServerList = {job.server}, TabList = {job.tab}, FormatList = {job.format}, OptionList = {job.option};
    PathList = {job.path}, CustomList = {job.custom}, PrinterNameList = {job.printer};
    StartLevel(level);
    CollectIISSettings();
  }
};

}  // namespace

// Every tab moves the bar by the collection's step, truncated; a step that would reach the
// maximum is skipped; the bar goes back to 0 after the job. The panel shows each tab's caption.
TEST_F(ExportDriver, ProgressAndPanelFollowTheTabs) {
  frmSchedule().Show();  // the window is made now, so the controls keep the listeners set here
  std::vector<double> values;
  Lines captions;
  // The window outlives the test: its listeners go before what they write to, however it ends.
  struct Unhook {
    ~Unhook() { frmSchedule().Pg1.SetListener(nullptr), frmSchedule().Panel.SetListener(nullptr); }
  } unhook;
  frmSchedule().Pg1.SetListener([&] {
    if (values.empty() || values.back() != frmSchedule().Pg1.Value()) values.push_back(frmSchedule().Pg1.Value());
  });
  frmSchedule().Panel.SetListener([&] { captions.push_back(frmSchedule().Panel.Text()); });

  Collect(1, {"LEGACY01", "1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16\\17", "None"});
  EXPECT_DOUBLE_EQ(ProgressStep, 100.0 / 17);
  values.clear(), captions.clear();
  ExportIISSettings();
  EXPECT_EQ(values, (std::vector<double>{0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80, 85, 0}));
  EXPECT_EQ(captions, platform::Split(catalogue::TabCaptions(catalogue::Family::WebSite), ","));
  EXPECT_EQ(frmSchedule().p2.Text(), "Exporting File From LEGACY01");

  ProgressStep = 40;
  TabList = {"1\\2\\3"};
  values.clear();
  ExportIISSettings();
  EXPECT_EQ(values, (std::vector<double>{0, 40, 80, 0}));
  EXPECT_EQ(JobIndex, 1);
  EXPECT_TRUE(testsupport::StatusLog(app).empty());
}

// A report whose query fails (its table is gone) is reported by the display, and its file holds
// no rows: not those of the report before it. The job still records the report and goes on.
TEST_F(ExportDriver, AFailingReportQueryWritesAnEmptyReport) {
  Collect(2, {"WEBFARM01\\Default Web Site", "1\\9\\11", "CSV"});
  SettingsConnection->Execute("Drop Table tblCustomHeader");
  ExportIISSettings();
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind(testsupport::ErrorLine("mReport.DisplayReport", -2147217865), 0), 0u) << log[0];
  EXPECT_NE(log[0].find("tblCustomHeader"), std::string::npos) << log[0];

  auto lines = [&](const std::string& tab) {
    return testsupport::ReadLines(testsupport::FileStartingWith(app.Path(), "WEBFARM01_Default Web Site_" + tab + "_"));
  };
  EXPECT_EQ(lines("General").size(), 10u);
  Lines headers = lines("Custom Headers");
  EXPECT_EQ(headers.size(), 7u) << "the banner only";
  EXPECT_EQ(headers.back(), "");
  EXPECT_GT(lines("Documents").size(), 10u);
  EXPECT_EQ(testsupport::ReadFile(app.At("Log/IntLog.log")),
            "WEBFARM01\\Default Web Site|Documents|Successfully completed\r\n");
}

// A directory report's export table is headed by the directory, and a directory name longer
// than a site name may be (25 characters) keeps its rows. Once the jobs are done, another
// program may write to the export database.
TEST_F(ExportDriver, DirectoryExportTablesTakeLongDirectoryNames) {
  const std::string config = app.At("Servers/WEBFARM01/applicationHost.config");
  std::string text = testsupport::ReadFile(config);
  for (size_t at = text.find("\"/checkout\""); at != std::string::npos; at = text.find("\"/checkout\"", at))
    text.replace(at, 11, "\"/checkout-and-payment-confirmation\"");
  app.Write("Servers/WEBFARM01/applicationHost.config", text);
  Collect(3, {"WEBFARM01\\Contoso Shop\\checkout-and-payment-confirmation", "1", "MDB"});
  ExportIISSettings();
  EXPECT_TRUE(testsupport::StatusLog(app).empty());
  std::string mdb = testsupport::FileStartingWith(app.Path(), "QUORVAExportDb_WEBFARM01");
  sqlite3* other = nullptr;
  sqlite3_open(mdb.c_str(), &other);
  EXPECT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; ROLLBACK;", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  EXPECT_EQ(testsupport::ColumnsOf(mdb, "General").at(0), "Directory Name");
  EXPECT_EQ(testsupport::FirstColumn(mdb, "Select * From [General]"),
            (Lines{"checkout-and-payment-confirmation"}));
}
