// Start-up and the walk over the five report levels: the top of the program, which drives every
// module and which no module includes.
#pragma once

// The program's entry: refuses a second instance, runs the five levels, then ends.
[[noreturn]] void Main();
// One report level: its jobs, database set-up, collection and export.
void GenerateReportForLevel();
