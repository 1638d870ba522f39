// The status window: what an operator sees of the unattended run, and the grids in which
// reports are assembled before they are written out.
#pragma once

#include "platform/Controls.h"
#include "platform/Grid.h"

class FrmSchedule {
 public:
  platform::ProgressBar Pg1;
  platform::StatusPanel p2;
  platform::StatusPanel Panel;
  platform::Grid grdReport;
  platform::Grid Grd;

  // Shows the window, not modal.
  void Show();
  // The display flag: the window is switched off at the end of each collection and on again
  // before each export.
  void SetDisplayFlag(bool on);
  bool DisplayFlag() const { return displayFlag_; }
  // Has the window repaint itself now.
  void Refresh();
  // Unloads the window, which ends the program at once.
  [[noreturn]] void Unload();

 private:
  bool displayFlag_ = true;
};

// The window, created on first use.
FrmSchedule& frmSchedule();
