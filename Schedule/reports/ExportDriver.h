// The standard export driver of levels 1 to 3.
#pragma once

// Turns the settings collected for the level into the level's scheduled reports.
void ExportIISSettings();
