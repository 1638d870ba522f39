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
