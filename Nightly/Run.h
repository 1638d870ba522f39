// run: the night in one command. fetch (when Sources.ini has sources), check (its problems are
// recorded, the run goes on), QUORVASchedule as a process in the application folder, drift for
// the servers that changed, the run's page Runs/<stamp>.html and the index Runs/index.html, and
// an exit status that sums what went wrong.
#pragma once

#include <string>
#include <vector>

namespace nightly {

// quorva-nightly run
int RunCommand(const std::vector<std::string>& args);

}  // namespace nightly
