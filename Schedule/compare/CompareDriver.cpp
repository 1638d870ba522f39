#include "compare/CompareDriver.h"

#include "ModuleNames.h"
#include "RunState.h"
#include "collect/Sites.h"
#include "collect/mCollect.h"
#include "compare/CompareState.h"
#include "compare/DiffDisplay.h"
#include "compare/PropertyCompare.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "logs/RunJournal.h"
#include "logs/mLog.h"
#include "platform/Ado.h"
#include "platform/DateTime.h"
#include "platform/Err.h"
#include "platform/Text.h"
#include "reports/mExport.h"
#include "reports/mReport.h"

using platform::OnError;
namespace ado = platform::ado;

namespace {

// Segment n of an item; a missing one is error 9 naming the item.
const std::string& Segment(const std::vector<std::string>& segments, size_t n, const std::string& item) {
  if (n >= segments.size())
    platform::Raise(platform::errSubscript, platform::DefaultDescription(platform::errSubscript) + ": \"" + item +
                                                "\" has no " + (n == 0 ? "server" : "web site name"));
  return segments[n];
}

// A site the settings database does not list leaves its side of the report empty: say so once.
void ReportUnlisted(OnError& onError, const std::string& index, const std::string& server, const std::string& site) {
  if (!index.empty()) return;
  onError.Report("The web site \"" + site + "\" of server \"" + server +
                     "\" is not in the settings database: its side of the comparison is empty",
                 platform::errInvalidArgument);
}

}  // namespace

void ExportComparisonDetails() {
  OnError onError(modules::mCollect, "ExportComparisonDetails");
  CompareCategoryCount = CurrentLevel == 4 ? 18 : 14;
  if (ServerList.empty()) return;
  FrmSchedule& window = frmSchedule();
  std::string tabCaptions;
  onError.Next([&] { GetTabCaptions(CurrentLevel, tabCaptions, CompareAppTabCaptions); });
  if (!tabCaptions.empty()) CompareTabCaptions = platform::Split(tabCaptions, ",");
  onError.Next([&] { window.Show(); });

  for (JobIndex = 0; JobIndex < static_cast<long>(ServerList.size()); ++JobIndex) {
    const std::string& entry = ServerList[static_cast<size_t>(JobIndex)];
    platform::ado::ReleaseHeldFiles();  // the job before gives its export database back
    journal::Export(JobIndex, "comparison",
                    {&ServerList, &TabList, &FormatList, &OptionList, &PathList, &CustomList, &PrinterNameList});
    onError.Next([] { WriteActivityHeader(JobIndex); });
    onError.Next([&] { window.p2.SetText("Exporting File From " + entry); });
    onError.Next([&] { window.Pg1.SetValue(0); });
    // Both items or neither: an entry that cannot be split must not compare the job before it
    // under this job's name.
    bool parsed = onError.Next([&] {
      std::string first = PairItem(entry, false), second = PairItem(entry, true);
      CompareItem1 = first;
      CompareItem2 = second;
    });
    if (parsed) onError.Next(Merge);
    onError.Next([] { WriteActivity(JobIndex); });
    onError.Next([&] { window.Pg1.SetValue(0); });
  }
  journal::Place(journal::Phase::Export);
  platform::ado::ReleaseHeldFiles();
}

void Merge() {
  OnError onError(modules::mCollect, "Merge");
  std::string entry;
  onError.Next([&] { entry = Item(ServerList, JobIndex); });

  if (CurrentLevel == 4) {
    GetServerAndSite(CompareItem1, CompareServer1, CompareSiteName1);
    GetServerAndSite(CompareItem2, CompareServer2, CompareSiteName2);
    onError.Next([] { CompareSiteIndex1 = FindSiteIndex(CompareServer1, CompareSiteName1); });
    onError.Next([] { CompareSiteIndex2 = FindSiteIndex(CompareServer2, CompareSiteName2); });
  } else {
    // The site index comes with the directory; an item without "\" keeps the directory of the
    // job before.
    for (int side = 1; side <= 2; ++side) {
      const std::string& item = side == 1 ? CompareItem1 : CompareItem2;
      bool resolved = side == 1 ? GetDirectoryInforForCompare(item, CompareServer1, CompareSiteName1, CompareSiteIndex1,
                                                              CompareDirName1, CompareParentPath1)
                                : GetDirectoryInforForCompare(item, CompareServer2, CompareSiteName2, CompareSiteIndex2,
                                                              CompareDirName2, CompareParentPath2);
      if (!resolved)
        onError.Report("\"" + item + "\" is not server\\site\\directory: the comparison keeps the directory of the job "
                       "before it",
                       platform::errInvalidArgument);
    }
  }
  ReportUnlisted(onError, CompareSiteIndex1, CompareServer1, CompareSiteName1);
  ReportUnlisted(onError, CompareSiteIndex2, CompareServer2, CompareSiteName2);

  CompareSiteProperties(CompareServer1, CompareServer2, CompareSiteIndex1, CompareSiteIndex2);
  DisplayDiffRecord();

  const std::string reportName = platform::TextBefore(entry, "(");
  std::string format, option, stem, exportDbPath;
  onError.Next([&] { format = Item(FormatList, JobIndex); });
  onError.Next([&] { option = Item(OptionList, JobIndex); });
  if (format == "MDB") {
    onError.Next([&] { exportDbPath = CreateExportDatabase(reportName); });
  } else {
    onError.Next([&] {
      const std::string name = reportName + "_" + platform::FormatDate(platform::Now(), "dd_mm_yyyy_hh_mm_ss");
      const std::string& folder = Item(PathList, JobIndex);
      stem = folder != "No" ? folder + "\\" + name : GetAppPath(name);
    });
  }

  if (option == "0" || option == "2") {
    if (format == "CSV") {
      onError.Next([&] { Export_TabSepFormat(stem + ".csv"); });
    } else if (format == "HTML") {
      onError.Next([&] { Export_HTMLFormat(stem + ".html", true); });
    } else if (format == "MDB") {
      ado::Connection connection;
      bool opened = false;
      onError.Next([&] { opened = OpenConnection(connection, exportDbPath); });
      if (!opened) return;  // no table, and nothing printed either
      onError.Next([&] { DropTable(reportName, connection); });
      onError.Next([&] {
        if (connection.State() == ado::adStateClosed) return;
        connection.Execute("Create Table [" + reportName + "] (" + "[Web Site Properties] Text(50), Properties Text(100)" +
                               ", [" + platform::Replace(CompareItem1, "\\", "_") + "] Text(255)" + ", [" +
                               platform::Replace(CompareItem2, "\\", "_") + "] Text(255))",
                           -1);
      });
      onError.Next([&] { ExportReport(reportName, exportDbPath); });
      onError.Next([&] {
        if (connection.State() != ado::adStateClosed) connection.Close();
      });
    }
  }
  if (option == "1" || option == "2") {
    std::string printerName;
    onError.Next([&] { printerName = Item(PrinterNameList, JobIndex); });
    PrintReportGrid(onError, printerName, entry);
  }
}

void GetServerAndSite(std::string item, std::string& server, std::string& siteName) {
  OnError onError(modules::mCollect, "GetServerAndSite");
  std::vector<std::string> segments = platform::Split(item, "\\");
  onError.Next([&] { server = Segment(segments, 0, item); });
  onError.Next([&] { siteName = Segment(segments, 1, item); });
}

bool GetDirectoryInforForCompare(std::string item, std::string& server, std::string& siteName, std::string& siteIndex,
                                 std::string& dirName, std::string& parentPath) {
  OnError onError(modules::mCollect, "GetDirectoryInforForCompare");
  std::vector<std::string> segments = platform::Split(item, "\\");
  if (segments.size() < 2) return false;
  server = segments[0];
  siteName = segments[1];
  onError.Next([&] { siteIndex = FindSiteIndex(server, siteName); });
  dirName = segments.back();
  std::vector<std::string> middle;
  if (segments.size() > 3) middle.assign(segments.begin() + 2, segments.end() - 1);
  parentPath = "IIS://" + server + "/W3SVC/" + siteIndex + "/ROOT";
  if (!middle.empty()) parentPath += "/" + platform::Join(middle, "/");
  return true;
}
