// Test entry: error reports go to the status log, as in the program.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "logs/mLog.h"
#include "platform/Err.h"

int main(int argc, char** argv) {
  testsupport::RunChildIfAsked();
  testing::InitGoogleTest(&argc, argv);
  platform::SetErrorReporter(WriteStatusLog);
  return RUN_ALL_TESTS();
}
