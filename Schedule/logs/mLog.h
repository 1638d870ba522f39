// The run's logs: the plain-text status log that receives every error report.
#pragma once

#include <string>

// Appends one line to Log\QUORVALog.Log: a message line ("QUORVASchedule <message> at <date>")
// when number is 0, otherwise an error line (module.procedure padded to 70, number, " - ",
// description). Has no handler of its own: a failure to write passes to the caller.
void WriteStatusLog(const std::string& message, const std::string& module, const std::string& procedure, long number);

// The text followed by the fill repeated until it is longer than width, then cut to width.
std::string PadText(const std::string& value, short width, const std::string& fill);
