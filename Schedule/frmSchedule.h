// The status window: what an operator sees of the unattended run, and the grids in which
// reports are assembled before they are written out.
//
// The controls are plain models: setting them needs no window, so every module and test uses
// them freely. The window on screen is made on the first use of the window itself (show, the
// display flag on, repaint) and shows whatever the models hold.
#pragma once

#include "platform/Controls.h"
#include "platform/Grid.h"
#include "platform/StatusWindow.h"

class FrmSchedule {
 public:
  platform::ProgressBar Pg1;
  platform::StatusPanel p2;
  platform::StatusPanel Panel;
  platform::Grid grdReport;
  platform::Grid Grd;

  // Shows the window, not modal.
  void Show();
  // The display flag is the window's visibility: the window is switched off at the end of each
  // collection and on again before each export. Switching it on shows the window.
  void SetDisplayFlag(bool on);
  bool DisplayFlag() const { return displayFlag_; }
  // Has the window repaint itself now.
  void Refresh();
  // Unloads the window, which ends the program at once.
  [[noreturn]] void Unload();

  // The window on screen, made now when it is not there yet.
  platform::StatusWindow& Window();

 private:
  // Made once and kept until the process ends (the process ends by unloading the window, and
  // the toolkit must not be torn down under it).
  platform::StatusWindow* window_ = nullptr;
  bool displayFlag_ = false;
};

// The window, created on first use.
FrmSchedule& frmSchedule();
