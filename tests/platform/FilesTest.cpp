// A file written whole: nobody sees it half-written under its own name.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Files.h"

using testsupport::ScratchAppFolder;

TEST(TextFile, OutputTakesItsNameOnlyWhenClosed) {
  ScratchAppFolder app;
  app.Write("report.html", "old\r\n");
  {
    platform::TextFile file(app.Path() + "\\report.html", platform::FileMode::Output);
    file.WriteLines(std::vector<std::string>(2000, "<td>cell</td>"));  // past any write buffer
    EXPECT_EQ(testsupport::ReadFile(app.At("report.html")), "old\r\n");
    file.Close();
  }
  EXPECT_EQ(testsupport::ReadLines(app.At("report.html")).size(), 2000u);
  EXPECT_EQ(testsupport::ReadFile(app.At("report.html.part")), "");

  // Left on an error, the file still gets what was written before it.
  {
    platform::TextFile file(app.Path() + "\\report.html", platform::FileMode::Output);
    file.WriteLine("first");
  }
  EXPECT_EQ(testsupport::ReadFile(app.At("report.html")), "first\r\n");
}
