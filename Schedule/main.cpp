// QUORVASchedule: started by a scheduler, with no command line. --help and --version only print;
// every other argument is ignored, as it always was.
#include <cstdio>
#include <cstring>

#include "QuorvaVersion.h"
#include "mMain.h"
#include "platform/Files.h"

namespace {

const char* const kUsage =
    "Usage: QUORVASchedule\n"
    "       QUORVASchedule --help | --version\n"
    "\n"
    "Runs the report jobs of the schedule and ends by itself; a scheduler starts it with no\n"
    "arguments. Everything lies in the application folder, the folder that holds this program:\n"
    "  ScheduleInfo/ScheduleConfig.ini   the report jobs, one section per report level\n"
    "  Servers/<server>/                 each server's applicationHost.config or MetaBase.xml\n"
    "  VelmoraDatabase.mdb               the settings database, made when missing\n"
    "  Log/QUORVALog.Log                 the status log: start, end and every error\n"
    "  Log/QUORVARun.jsonl               the journal of the last run\n"
    "  Log/ActivityLog*.htm              the activity log of each job\n"
    "Reports go to each job's Path folder, or to the application folder when it is No.\n"
    "\n"
    "Exit status: 0 the run ended (also a refused second start); 1 a step that ends the\n"
    "program failed; 2 some status-log lines could not be written (they went to stderr).\n"
    "\n"
    "To run it every night with fetching, checking and a page per run: quorva-nightly run.\n"
    "See README.md and docs/nightly.md.\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf("%sApplication folder: %s\n", kUsage, platform::AppFolder().c_str());
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("QUORVASchedule %s\n", QUORVA_VERSION);
      return 0;
    }
  }
  Main();
}
