// Settings collection: every job's server, site or directory gathered into the settings database.
#pragma once

#include <string>

// One item of a comparison entry "name(prefix\server\site,prefix\server\site)": the text after
// the first "(" up to the first "," (second: after the first "," up to the first ")"), less
// everything up to its own first "\" (an item without "\" stays whole). An entry without "(",
// "," or ")" in that order raises error 5 naming the entry.
std::string PairItem(const std::string& entry, bool second);
// Gathers the settings of every job of the level; ends by switching the window's display off.
void CollectIISSettings();
// Gathers the 17 site categories of a job's server (levels 1, 2 and 4). At level 2 a job whose
// server the job before collected without an error, from the same snapshot, writes its own site's
// script mappings alone: the tables end as if the server were collected again.
void Gather(const std::string& entry);
// Gathers the 14 directory categories of a job's directory (levels 3 and 5).
void GatherDir(const std::string& entry);
// Has the collector write one directory category, unless its table already holds the path.
void GetVirtualDirectorySiteLevel(const std::string& path, short number);
