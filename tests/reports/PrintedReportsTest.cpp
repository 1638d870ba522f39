// Jobs that print, in a whole run, on the PDF queue of the machine's print system: the spooled
// documents are read back as text.
#include <gtest/gtest.h>

#include "ReportJobs.h"
#include "TestServices.h"

using testsupport::ScratchAppFolder;

namespace {

// The text of the document spooled after `before` that holds heading ("" when none comes within
// 15 seconds); other jobs on the queue are passed over.
std::string PrintedText(const std::set<std::string>& before, const std::string& heading) {
  std::string document = testsupport::NewSpooledDocument(before, heading);
  return document.empty() ? std::string() : testsupport::Capture("pdftotext -layout '" + document + "' -");
}

}  // namespace

// Option "1" prints only, option "2" prints and writes the file; both on the job's printer.
TEST(PrintedReports, PrintOnlyAndPrintWithFileJobs) {
  std::string why = testsupport::CupsUnavailable();
  if (!why.empty()) GTEST_SKIP() << why;
  ScratchAppFolder app;
  std::set<std::string> before = testsupport::SpooledDocuments();
  auto log = testsupport::RunSchedule(app, testsupport::ReportSchedule({{"LEGACY01", "9", "HTML", "1"}},
                                                                       {{"WEBFARM01\\Default Web Site", "11", "CSV", "2"}}, {}));
  EXPECT_EQ(log.size(), 2u);
  // The print-only job wrote no file.
  EXPECT_EQ(testsupport::ReportFiles(app.Path()), (std::vector<std::string>{"WEBFARM01_Default Web Site_Documents_.csv"}));

  std::string headers = PrintedText(before, "Report for: LEGACY01\n");
  std::string documentsReport = PrintedText(before, "Report for: WEBFARM01\\Default Web Site");
  ASSERT_FALSE(headers.empty());
  ASSERT_FALSE(documentsReport.empty());
  for (const std::string* page : {&headers, &documentsReport})
    EXPECT_NE(page->find("Brantel v1.9"), std::string::npos) << *page;

  // The first and the last row of the grid: the custom headers of LEGACY01's first and last site.
  testsupport::Rows rows = testsupport::SiteRows("LEGACY01", 9);
  ASSERT_GT(rows.size(), 1u);
  for (const auto& row : {rows.front(), rows.back()})
    for (const std::string& cell : row) EXPECT_NE(headers.find(cell), std::string::npos) << cell << "\n" << headers;
  // The documents report printed the rows its file holds: the first and the last.
  auto lines = testsupport::ReadLines(testsupport::FileStartingWith(app.Path(), "WEBFARM01_Default Web Site_Documents_"));
  ASSERT_GT(lines.size(), 9u);
  for (const auto& line : {lines[9], lines.back()})
    for (const std::string& cell : platform::Split(line, ","))
      EXPECT_NE(documentsReport.find(cell), std::string::npos) << cell << "\n" << documentsReport;
}
