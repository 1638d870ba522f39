// The run's logs: the plain-text status log that receives every error report, and the activity
// log of each job with the internal log its result rows come from.
#pragma once

#include <string>

// Appends one line to Log\QUORVALog.Log: a message line ("QUORVASchedule <message> at <date>")
// when number is 0, otherwise an error line (module.procedure padded to 70, number, " - ",
// description). Has no handler of its own: a line that cannot be written goes to stderr (and makes
// the exit code non-zero), and the failure passes to the caller.
void WriteStatusLog(const std::string& message, const std::string& module, const std::string& procedure, long number);

// The text followed by the fill repeated until it is longer than width, then cut to width.
std::string PadText(const std::string& value, short width, const std::string& fill);

// Replaces the internal log Log\IntLog.log with one result line ("entry|report|status").
void WriteIntLog(const std::string& line);

// Starts the job's activity log Log\ActivityLog<MM_DD_YYYY_hh_mm_s>.htm (kept in ActivityLogPath):
// the title, the job's report type, format, path and the date. A job index beyond a shorter list
// is reported (error 9) and leaves the header unfinished.
void WriteActivityHeader(long jobIndex);

// Appends the job's result table to ActivityLogPath: a heading row, then one row per item of the
// internal log (its "|"-separated parts as cells). Without an internal log the table is left
// open after its heading row.
void WriteActivity(long jobIndex);
