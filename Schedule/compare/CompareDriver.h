// The comparison driver of levels 4 and 5.
#pragma once

// Writes the side-by-side comparison report of every job of the level.
void ExportComparisonDetails();
