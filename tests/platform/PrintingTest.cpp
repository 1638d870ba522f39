// The printer collection and the printing class, on the machine's real print system: the PDF
// queues of CUPS.
#include <gtest/gtest.h>

#include "TestServices.h"
#include "TestSupport.h"
#include "platform/Grid.h"
#include "platform/Printing.h"

namespace {

using testsupport::kPdfQueue;
using testsupport::kSpareQueue;

// The job printer is looked up in the machine's printer list, so a match also shows the queue listed.
TEST(Printing, JobPrinterNamesMatchUpperCasedQueueNamesFailuresAreRunTimeErrorsAndWideTablesKeepWordsWhole) {
  std::string why = testsupport::CupsUnavailable();
  if (!why.empty()) GTEST_SKIP() << why;
  // The schedule holds names in upper case: the queue's own spelling is no match, nor is an
  // unknown or empty name; each leaves the printer as it was.
  platform::SetCurrentPrinter(kPdfQueue);
  for (const char* name : {kSpareQueue, "NO SUCH PRINTER", ""}) {
    platform::SelectJobPrinter(name);
    EXPECT_EQ(platform::CurrentPrinter(), kPdfQueue) << name;
  }
  platform::SelectJobPrinter("QUORVASPARE");
  EXPECT_EQ(platform::CurrentPrinter(), kSpareQueue);

  platform::ReportPrinter noGrid;
  EXPECT_EQ(testsupport::ErrorOf([&] { noGrid.PrintReport(); }), 91) << "printing without a grid";
  platform::Grid grid;
  platform::ReportPrinter printer;
  printer.SetReportGrid(grid);
  platform::SetCurrentPrinter("RemovedQueue");
  EXPECT_EQ(testsupport::ErrorOf([&] { printer.PrintReport(); }), 482) << "printing on a queue that is not there";

  // A table of thirty columns, far wider than a landscape page at the smallest type, on the PDF queue.
  grid.SetCols(30);
  grid.SetRows(4);
  std::vector<std::vector<std::string>> rows(4);
  for (long r = 0; r < 4; ++r)
    for (long c = 0; c < 30; ++c) {
      rows[r].push_back(r == 0 ? "Heading " + std::to_string(c) + " LongHeadingWord" + std::to_string(c)
                               : "Cell r" + std::to_string(r) + "c" + std::to_string(c) + "-abcdefghijkl x");
      grid.SetTextMatrix(r, c, rows[r].back());
    }
  platform::SetCurrentPrinter(kPdfQueue);
  printer.AddTitleLine("A wide table", 1, "Times New Roman", 16);
  std::set<std::string> before = testsupport::SpooledDocuments();
  printer.PrintReport();
  std::string document = testsupport::NewSpooledDocument(before, "A wide table");
  ASSERT_FALSE(document.empty());
  EXPECT_EQ(testsupport::MisprintedWords(document, rows), "");
}

}  // namespace
