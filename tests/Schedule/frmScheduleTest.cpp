// The status window: what it shows on a real X display during a run, and the end of the process
// when the window is unloaded.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "RunState.h"
#include "TestServices.h"
#include "TestSupport.h"
#include "frmSchedule.h"
#include "logs/mLog.h"
#include "mMain.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/GuiApp.h"

namespace {

using testsupport::Capture;
using testsupport::kEmptySchedule;
using testsupport::LinesWith;
using testsupport::ScratchAppFolder;
using testsupport::StatusLog;

// How many colours a part of a picture holds (1 for a blank area).
int ColoursIn(const std::string& png, const platform::StatusWindow::Rect& r, int dx = 0, int dy = 0) {
  return std::atoi(Capture("convert '" + png + "' -crop " + std::to_string(r.width) + "x" + std::to_string(r.height) +
                           "+" + std::to_string(r.left + dx) + "+" + std::to_string(r.top + dy) +
                           " +repage -format %k info: 2>&1").c_str());
}

// A scheduled run whose first level shows the window on the test display; the screen is taken
// while the run is between its levels, then the run goes on to its end.
testsupport::ChildProcedure showDuringRun("ShowDuringRun", [] {
  std::string app = platform::AppFolder();
  platform::SetErrorReporter(WriteStatusLog);
  CurrentLevel = 1;
  GenerateReportForLevel();
  FrmSchedule& form = frmSchedule();
  form.p2.SetText("Collecting Report From WEB1\\Default Web Site");
  form.Panel.SetText("Directory Security");
  form.Panel.SetState(2);
  form.Pg1.SetValue(40);
  form.Refresh();
  platform::StatusWindow::Rect r = form.Window().WindowRect();
  std::ofstream(app + "/window.txt") << (platform::GuiIsOffscreen() ? "offscreen" : "display") << "\n"
                                     << r.left << " " << r.top << "\n";
  // The window manager draws the caption bar in its own time: the screen is taken again until the
  // bar shows, for two seconds at most.
  const platform::StatusWindow::Rect captionBar{r.left, r.top - 20, r.width, 14};
  for (int attempt = 0; attempt < 10; ++attempt) {
    Capture("import -display " + std::string(testsupport::kTestDisplay) + " -window root '" + app +
            "/screen.png' 2>'" + app + "/import.err'");
    if (ColoursIn(app + "/screen.png", captionBar) > 1) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  Main();
});

TEST(frmSchedule, ShowsOnTheDisplayDuringARun) {
  std::string why = testsupport::XvfbUnavailable();
  if (!why.empty()) GTEST_SKIP() << why;
  ScratchAppFolder app;
  app.Write("ScheduleInfo/ScheduleConfig.ini", kEmptySchedule);
  EXPECT_EQ(testsupport::RunChild(app, "ShowDuringRun",
                                  {std::string("DISPLAY=") + testsupport::kTestDisplay, "QT_QPA_PLATFORM="}), 0);
  std::vector<std::string> window = testsupport::ReadLines(app.At("window.txt"));
  ASSERT_EQ(window.size(), 2u);
  ASSERT_EQ(window[0], "display") << "the window did not reach the X display";
  std::string png = app.At("screen.png");
  ASSERT_TRUE(platform::IsNormalFile(png)) << testsupport::ReadFile(app.At("import.err"));
  int left = 0, top = 0;
  std::istringstream(window[1]) >> left >> top;
  // The run stands in its own process; measure the controls on a window of this one.
  platform::StatusWindow& shown = frmSchedule().Window();
  EXPECT_GT(ColoursIn(png, shown.WindowRect(), left - shown.WindowRect().left, top - shown.WindowRect().top), 8);
  for (const char* control : {"p2", "Panel", "Pg1"})
    EXPECT_GT(ColoursIn(png, shown.ControlRect(control), left, top), 2) << control << " looks blank in " << png;
  // The window manager's caption bar above the window holds the caption's text.
  const platform::StatusWindow::Rect captionBar{left, top - 20, shown.WindowRect().width, 14};
  EXPECT_GT(ColoursIn(png, captionBar), 1) << "no caption bar above the window";
  EXPECT_EQ(LinesWith(StatusLog(app), "Started"), 1);
  EXPECT_EQ(LinesWith(StatusLog(app), "Finished"), 1);
}

// An operator closes the window while the first level runs.
testsupport::ChildProcedure closeDuringRun("CloseDuringRun", [] {
  frmSchedule().Window().RequestClose();
  Main();
  // Never reached: closing the window ended the process.
  WriteStatusLog("after the run", "mMain", "Main", 0);
  std::_Exit(3);
});

// The run driver unloads the window between two levels.
testsupport::ChildProcedure unloadBetweenLevels("UnloadBetweenLevels", [] {
  platform::SetErrorReporter(WriteStatusLog);
  WriteStatusLog("Started", "mMain", "Main", 0);
  for (short level = 1; level <= 5; ++level) {
    CurrentLevel = level;
    GenerateReportForLevel();
    if (level == 3) frmSchedule().Unload();
  }
  WriteStatusLog("Finished", "mMain", "Main", 0);
  std::_Exit(3);
});

// Closed by an operator during the first level, or unloaded between levels: either way the
// process ends there and then, and the log never gets its "Finished" line.
TEST(frmSchedule, UnloadingBeforeTheLastLevelEndsTheProcessAtOnce) {
  for (const char* child : {"CloseDuringRun", "UnloadBetweenLevels"}) {
    ScratchAppFolder app;
    app.Write("ScheduleInfo/ScheduleConfig.ini", kEmptySchedule);
    EXPECT_EQ(testsupport::RunChild(app, child, {"DISPLAY="}), 0) << child;
    std::vector<std::string> log = StatusLog(app);
    EXPECT_EQ(LinesWith(log, "Started"), 1) << child;
    EXPECT_EQ(LinesWith(log, "Finished") + LinesWith(log, "after the run"), 0) << child;
  }
}

}  // namespace
