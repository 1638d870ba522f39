// The difference display: TmpTable shown in the report grid grdReport, from which every
// comparison output (CSV, HTML, export table, print) is written.
#pragma once

// Clears grdReport and fills it from TmpTable: row 0 "Web Site Properties", "Properties",
// CompareItem1, CompareItem2; then one row per table row in stored order (a Null shown as ""),
// an empty row 25 twips high wherever the category changes. A row whose two values differ as
// shown (exactly, letter case counting) has columns 1 to 3 bold. Captions and property names
// merge down their column. Without TmpTable, or with an empty one, the grid holds the headings
// alone (the missing table is reported under mCollect).
void DisplayDiffRecord();
