// Jobs that print, in a whole run, on the PDF queue of the machine's print system: the spooled
// documents are read back word by word, with the place of each word.
#include <gtest/gtest.h>

#include "ReportJobs.h"
#include "TestServices.h"
#include "database/Catalogue.h"
#include "iis/IisSettings.h"

using testsupport::ScratchAppFolder;

// Option "1" prints only, option "2" prints and writes the file; both on the job's printer. Every
// word of a printed report is printed whole: the title, the narrow headings and the paths of a
// Home Directory report, the rows the documents report's file holds.
TEST(PrintedReports, PrintOnlyAndPrintWithFileJobs) {
  std::string why = testsupport::CupsUnavailable();
  if (!why.empty()) GTEST_SKIP() << why;
  ScratchAppFolder app;
  std::set<std::string> before = testsupport::SpooledDocuments();
  auto log = testsupport::RunSchedule(app, testsupport::ReportSchedule({{"LEGACY01", "4", "HTML", "1"}},
                                                                       {{"WEBFARM01\\Default Web Site", "11", "CSV", "2"}}, {}));
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(testsupport::FileStartingWith(app.Path(), "LEGACY01_"), "") << "the print-only job wrote no file";

  testsupport::Rows homeDirectory, documents;
  auto snapshot = iis::LoadSnapshot("LEGACY01");
  for (const auto& site : snapshot->Sites())
    for (auto row : iis::SiteCategoryRows(*snapshot, site, catalogue::CategoryKey(catalogue::Family::WebSite, 4),
                                          iis::kServerVersionIIS6AndLater))
      row.insert(row.begin(), site.name), homeDirectory.push_back(row);
  homeDirectory.push_back(platform::Split("Web Site Name," + catalogue::WebSiteLabels(4, iis::kServerVersionIIS6AndLater), ","));
  // The file's headings and rows, from its eighth line on.
  auto lines = testsupport::ReadLines(testsupport::FileStartingWith(app.Path(), "WEBFARM01_Default Web Site_Documents_"));
  ASSERT_GT(lines.size(), 9u);
  for (size_t i = 7; i < lines.size(); ++i) documents.push_back(platform::Split(lines[i], ","));
  for (auto [heading, rows] : {std::pair{"Report for: LEGACY01\n", &homeDirectory},
                               {"Report for: WEBFARM01\\Default Web Site", &documents}}) {
    rows->push_back({"Brantel v1.9"});
    std::string document = testsupport::NewSpooledDocument(before, heading);
    ASSERT_FALSE(document.empty()) << heading;
    EXPECT_EQ(testsupport::MisprintedWords(document, *rows), "") << heading;
  }
}
