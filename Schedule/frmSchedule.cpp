#include "frmSchedule.h"

#include "platform/Err.h"

FrmSchedule& frmSchedule() {
  static FrmSchedule* window = new FrmSchedule;
  return *window;
}

platform::StatusWindow& FrmSchedule::Window() {
  if (window_ == nullptr)
    window_ = new platform::StatusWindow({Pg1, p2, Panel, grdReport, Grd}, [this] { Unload(); });
  return *window_;
}

void FrmSchedule::Show() { SetDisplayFlag(true); }

void FrmSchedule::SetDisplayFlag(bool on) {
  displayFlag_ = on;
  // A window that was never made is hidden already: switching it off makes nothing.
  if (on || window_ != nullptr) Window().SetVisible(on);
}

void FrmSchedule::Refresh() {
  if (window_ != nullptr) window_->Repaint();
}

void FrmSchedule::Unload() {
  // Form_Unload: closing the window ends the run, whoever closes it.
  platform::EndProgram(platform::exitNormal);
}
