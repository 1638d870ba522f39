// The printer collection and the printing class, on the machine's real print system: a PDF queue
// of CUPS whose spooled documents are read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "TestServices.h"
#include "TestSupport.h"
#include "platform/DateTime.h"
#include "platform/Grid.h"
#include "platform/Printing.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace {

using testsupport::Capture;
using testsupport::kSpool;
using testsupport::NewSpooledDocument;
using testsupport::PageCount;
using testsupport::SpooledDocuments;
using testsupport::kPdfQueue;
using testsupport::kSpareQueue;

// The report of a site with 200 directories, as the report display leaves the grid.
platform::Grid SiteReport() {
  platform::Grid grid;
  grid.SetCols(4);
  grid.SetRows(201);
  const char* headings[] = {"Web Site Name", "Home Directory", "Read Access", "Log File Directory"};
  for (long c = 0; c < 4; ++c) grid.SetTextMatrix(0, c, headings[c]);
  for (long r = 1; r <= 200; ++r) {
    grid.SetTextMatrix(r, 0, "Site " + std::to_string(1000 + r).substr(1));
    grid.SetTextMatrix(r, 1, "D:\\inetpub\\wwwroot\\dir" + std::to_string(r));
    grid.SetTextMatrix(r, 2, r % 2 ? "True" : "False");
    grid.SetTextMatrix(r, 3, "W3SVC" + std::to_string(r) + "-logs");
  }
  grid.SetRow(200);
  grid.SetCol(1);
  grid.SetCellFontBold(true);
  return grid;
}

class Printing : public testing::Test {
 protected:
  void SetUp() override {
    std::string why = testsupport::CupsUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
  }
};

TEST_F(Printing, PrintsAGridOfTwoHundredRowsOnThePdfQueue) {
  platform::SetCurrentPrinter(kSpareQueue);
  platform::SelectJobPrinter("QUORVAPDF");
  ASSERT_EQ(platform::CurrentPrinter(), kPdfQueue);

  platform::Grid grid = SiteReport();
  std::string date = platform::GeneralDate(platform::Now());
  std::set<std::string> before = testsupport::SpooledDocuments();
  // The calls the report export makes, in its order.
  platform::ReportPrinter printer;
  printer.AddTitleLine("Brantel v1.9", 1, "Times New Roman", 16);
  printer.AddHeadingLine("Report for: WEB1\\Default Web Site", 1, "Times New Roman", 12);
  printer.AddDateLine(date, 3, "Times New Roman", 12);
  printer.SetPrintOption(true);
  printer.SetReportGrid(grid);
  printer.PrintReport();
  EXPECT_GT(printer.PagesPrinted(), 1);

  std::string document = NewSpooledDocument(before, "Report for: WEB1\\Default Web Site");
  ASSERT_FALSE(document.empty()) << "no new job document in " << kSpool;
  std::string text = Capture("pdftotext -layout '" + document + "' -");
  EXPECT_NE(text.find("Brantel v1.9"), std::string::npos) << text.substr(0, 2000);
  EXPECT_NE(text.find("Report for: WEB1\\Default Web Site"), std::string::npos);
  EXPECT_NE(text.find(date), std::string::npos) << date;
  for (const char* cell : {"Web Site Name", "Log File Directory", "Site 001", "D:\\inetpub\\wwwroot\\dir1 ",
                           "W3SVC1-logs", "Site 200", "D:\\inetpub\\wwwroot\\dir200", "W3SVC200-logs"})
    EXPECT_NE(text.find(cell), std::string::npos) << cell;
  EXPECT_EQ(PageCount(document), printer.PagesPrinted());
  // Every page starts with the column headings.
  EXPECT_EQ(testsupport::LinesWith(platform::Split(text, "\n"), "Home Directory"), printer.PagesPrinted());
  // The bold cell is set in the bold face of the table's font.
  std::string fonts = Capture("pdffonts '" + document + "'");
  EXPECT_NE(fonts.find("Sans-Bold"), std::string::npos) << fonts;
}

// The job printer is looked up in the machine's printer list, so a match also shows the queue listed.
TEST_F(Printing, JobPrinterNamesMatchUpperCasedQueueNames) {
  // The schedule holds names in upper case: the queue's own spelling is no match, nor is an
  // unknown or empty name; each leaves the printer as it was.
  platform::SetCurrentPrinter(kPdfQueue);
  for (const char* name : {kSpareQueue, "NO SUCH PRINTER", ""}) {
    platform::SelectJobPrinter(name);
    EXPECT_EQ(platform::CurrentPrinter(), kPdfQueue) << name;
  }
  platform::SelectJobPrinter("QUORVASPARE");
  EXPECT_EQ(platform::CurrentPrinter(), kSpareQueue);
}

TEST_F(Printing, FailuresAreRunTimeErrors) {
  platform::ReportPrinter noGrid;
  EXPECT_EQ(testsupport::ErrorOf([&] { noGrid.PrintReport(); }), 91) << "printing without a grid";
  platform::Grid grid;
  platform::ReportPrinter gone;
  gone.SetReportGrid(grid);
  platform::SetCurrentPrinter("RemovedQueue");
  EXPECT_EQ(testsupport::ErrorOf([&] { gone.PrintReport(); }), 482) << "printing on a queue that is not there";
}

}  // namespace
