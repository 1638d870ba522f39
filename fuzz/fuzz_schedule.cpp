// The schedule file: every level's set-up reads its section into the job lists, long values
// through section Length.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "RunState.h"
#include "config/mIniOperation.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::UseScratchAppFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::WriteInput("ScheduleInfo/ScheduleConfig.ini", data, size);
  fuzzsupport::ClearStatusLog();
  for (short level = 1; level <= 5; ++level) {
    CurrentLevel = level;
    InitSchedular();
  }
  return 0;
}
