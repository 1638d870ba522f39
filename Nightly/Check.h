// check: the schedule file read as QUORVASchedule reads it, and every problem named on its line
// with what to write instead; Sources.ini's problems beside them. Never opens the settings
// database.
#pragma once

#include <string>
#include <vector>

#include "Problems.h"
#include "Sources.h"

namespace nightly {

// The problems of ScheduleInfo/ScheduleConfig.ini (each server checked against its snapshot
// folder or its source in sources), followed by those of Sources.ini. Never raises.
std::vector<Problem> CheckSchedule(const Sources& sources);

// quorva-nightly check: one line per problem on stdout; exit status 0 when there is none, else 1.
int CheckCommand(const std::vector<std::string>& args);

}  // namespace nightly
