// Settings collection: every job's server, site or directory gathered into the settings database.
#pragma once

// Gathers the settings of every job of the level; ends by switching the window's display off.
void CollectIISSettings();
