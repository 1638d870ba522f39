#include "reports/ExportDriver.h"

#include <vector>

#include "ModuleNames.h"
#include "RunState.h"
#include "collect/Sites.h"
#include "custom/mCustom.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "logs/RunJournal.h"
#include "logs/mLog.h"
#include "platform/Ado.h"
#include "platform/DateTime.h"
#include "platform/Text.h"
#include "reports/mExport.h"
#include "reports/mReport.h"

using platform::OnError;

namespace {

const char* const kDone = "Successfully completed";
// The Application tab of the web-site family, which gives one report per application sub-tab.
const char* const kApplicationTab = "5";
const short kApplicationSubTabs = 5;

// A catalogue index written as text in a job's Tab entry; anything else raises 13.
short TabNumber(const std::string& element, const std::string& entry) {
  try {
    return static_cast<short>(platform::WholePart(platform::CDbl(element)));
  } catch (const platform::RuntimeError& e) {
    platform::Raise(e.Number(), e.Description() + ": tab \"" + element + "\" of " + entry);
  }
}

// The caption of catalogue index n; an index the level has no tab for raises 9.
const std::string& CaptionOf(const std::vector<std::string>& captions, short n, const std::string& element,
                             const std::string& entry) {
  if (n < 1 || static_cast<size_t>(n) > captions.size())
    platform::Raise(platform::errSubscript,
                    platform::DefaultDescription(platform::errSubscript) + ": tab \"" + element + "\" of " + entry);
  return captions[static_cast<size_t>(n) - 1];
}

}  // namespace

void ExportIISSettings() {
  OnError onError(modules::mCollect, "ExportIISSettings");
  if (ServerList.empty()) return;
  FrmSchedule& window = frmSchedule();
  std::string tabCaptions, appTabCaptions, exportDbPath, labels, table, key;
  std::vector<std::string> tabCaptionArray, appTabCaptionArray, selectedTabs;
  onError.Next([&] { GetTabCaptions(CurrentLevel, tabCaptions, appTabCaptions); });
  if (!tabCaptions.empty()) tabCaptionArray = platform::Split(tabCaptions, ",");
  onError.Next([&] { window.Show(); });

  for (JobIndex = 0; JobIndex < static_cast<long>(ServerList.size()); ++JobIndex) {
    const std::string& entry = ServerList[static_cast<size_t>(JobIndex)];
    platform::ado::ReleaseHeldFiles();  // the job before gives its export database back
    // A job without a Custom entry is a custom job too (below, an empty name).
    const bool standard = static_cast<size_t>(JobIndex) < CustomList.size() && CustomList[size_t(JobIndex)] == "No";
    journal::Export(JobIndex, standard ? "standard" : "custom",
                    {&ServerList, &TabList, &FormatList, &OptionList, &PathList, &CustomList, &PrinterNameList});
    onError.Next([] { WriteActivityHeader(JobIndex); });

    std::string custom;
    onError.Next([&] { custom = Item(CustomList, JobIndex); });
    if (custom != "No") {
      onError.Next([&] { ExportCustomReportIntoSelectedFormat(custom, entry, Item(FormatList, JobIndex)); });
      onError.Next([&] { WriteIntLog(entry + "|" + custom + "|" + kDone); });
      onError.Next([] { WriteActivity(JobIndex); });
      continue;
    }

    onError.Next([&] { window.p2.SetText("Exporting File From " + entry); });
    selectedTabs.clear();
    onError.Next([&] { selectedTabs = platform::Split(Item(TabList, JobIndex), "\\"); });
    if (selectedTabs.empty()) continue;
    bool listed = false;
    onError.Next([&] { listed = GetWebSites(entry); });
    if (!listed) continue;
    onError.Next([&] {
      if (Item(FormatList, JobIndex) == "MDB") exportDbPath = CreateExportDatabase(entry);
    });
    onError.Next([&] { window.Pg1.SetMax(100); });
    onError.Next([&] { window.Pg1.SetValue(0); });

    for (const std::string& element : selectedTabs) {
      // The tab is looked up once: a tab that is not a number, or not one of the level's tabs,
      // is one line in the status log and no report.
      short n = 0;
      std::string caption;
      if (!onError.Next([&] {
            n = TabNumber(element, entry);
            caption = CaptionOf(tabCaptionArray, n, element, entry);
          }))
        continue;
      onError.Next([&] { window.Panel.SetText(caption); });
      onError.Next([&] {
        // The bar's value is truncated at every step; a step that would reach the maximum is
        // skipped.
        const double next = window.Pg1.Value() + ProgressStep;
        if (next < window.Pg1.Max()) window.Pg1.SetValue(platform::WholePart(next));
      });
      auto report = [&](short subIndex, const std::string& reportCaption) {
        onError.Next([&] { labels = GetQueryForProcessing(n, subIndex, CurrentLevel == 3 ? 3 : 1, table, key); });
        onError.Next([&] { ExportReportIntoSelectedFormat(labels, exportDbPath, reportCaption, table, entry); });
        onError.Next([&] { WriteIntLog(entry + "|" + reportCaption + "|" + kDone); });
      };
      if (CurrentLevel != 3 && element == kApplicationTab) {
        appTabCaptionArray = platform::Split(appTabCaptions, ",");
        for (short s = 1; s <= kApplicationSubTabs; ++s) {
          std::string subCaption;
          if (onError.Next([&] { subCaption = CaptionOf(appTabCaptionArray, s, element, entry); }))
            report(s, subCaption);
        }
      } else {
        report(0, caption);
      }
    }
    onError.Next([] { WriteActivity(JobIndex); });
    onError.Next([&] { window.Pg1.SetValue(0); });
  }
  journal::Place(journal::Phase::Export);
  platform::ado::ReleaseHeldFiles();
}

void ExportReportIntoSelectedFormat(const std::string& labels, const std::string& exportDbPath,
                                    const std::string& caption, const std::string& table, std::string entry) {
  OnError onError(modules::mCollect, "ExportReportIntoSelectedFormat");
  FrmSchedule& window = frmSchedule();
  std::string query, baseName, option, format;
  onError.Next([&] {
    if (CurrentLevel == 3 || CurrentLevel == 5) {
      query = "Select [Directory Name]," + ConstructSelectColumns(labels, false) + " From " + table +
              " Where vKey = '" + platform::QuoteSql(GetPath(entry)) + "'";
      return;
    }
    std::string server = entry;
    std::string site;
    if (CurrentLevel == 2 || CurrentLevel == 4) {
      std::vector<std::string> parts = platform::Split(entry, "\\");
      server = Item(parts, 0);
      site = Item(parts, 1);
    }
    const std::string quoted = platform::QuoteSql(server);
    query = "Select A.[Web Site Name]," + ConstructSelectColumns(labels, true) + " From WebSiteInfo A," + table +
            " B Where A.IISServer = '" + quoted + "' AND B.IISServer = '" + quoted + "' AND A.SiteIndex = B.SiteIndex";
    if (CurrentLevel == 2 || CurrentLevel == 4) query += " And A.[Web Site Name] = '" + platform::QuoteSql(site) + "' ";
  });
  onError.Next([&] {
    const std::string& folder = Item(PathList, JobIndex);
    baseName = (folder == "No" ? GetAppPath("") : folder + "\\") + platform::Replace(entry, "\\", "_") + "_" + caption +
               "_" + platform::FormatDate(platform::Now(), "dd_mm_yyyy_hh_mm_ss");
  });
  onError.Next([&] { DisplayReport(query, window.grdReport); });
  onError.Next([&] { option = Item(OptionList, JobIndex); });
  onError.Next([&] { format = Item(FormatList, JobIndex); });
  if (option == "0" || option == "2") {
    if (format == "MDB") {
      // A directory report's table is headed by the directory, whose name may be longer than
      // the 25 characters of a site name.
      onError.Next([&] { GetDataFromSource(labels, exportDbPath, caption, CurrentLevel != 3); });
      onError.Next([&] { ExportReport(caption, exportDbPath); });
    } else if (format == "CSV") {
      onError.Next([&] { Export_TabSepFormat(baseName + ".csv"); });
    } else if (format == "HTML") {
      onError.Next([&] { Export_HTMLFormat(baseName + ".html", false); });
    }
  }
  if (option == "1" || option == "2") {
    std::string printerName;
    onError.Next([&] { printerName = Item(PrinterNameList, JobIndex); });
    PrintReportGrid(onError, printerName, entry);
  }
}
