#include "frmSchedule.h"

#include "platform/Err.h"

FrmSchedule& frmSchedule() {
  static FrmSchedule window;
  return window;
}

void FrmSchedule::Show() {}

void FrmSchedule::SetDisplayFlag(bool on) { displayFlag_ = on; }

void FrmSchedule::Refresh() {}

void FrmSchedule::Unload() {
  // Form_Unload: closing the window ends the run, whoever closes it.
  platform::EndProgram(0);
}
