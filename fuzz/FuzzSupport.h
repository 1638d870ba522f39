// What the fuzz targets share: a scratch application folder for the process, and the input
// written into it as a file the program reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzsupport {

// Makes a scratch folder under /tmp the application folder (with its Log folder) and sends
// error reports to its status log; the folder goes when the process ends.
void UseScratchAppFolder();
// Writes the input to a file of the application folder ("/"-separated relative path) and gives
// it a modification time of its own, so a reader that keeps what it read sees a new file.
// Returns the file's path on this system.
std::string WriteInput(const std::string& relative, const uint8_t* data, size_t size);
// Empties the status log, so that it does not grow over millions of inputs.
void ClearStatusLog();
// Copies the demo's server snapshots into the application folder and collects them into the
// settings database as a run does: every site of both servers, and the directories named
// (level-3 entries). The status window is made here, before the first input.
void CollectDemoServers(const std::vector<std::string>& directories);
// Gives back the export databases an input made, and deletes every file it left in the
// application folder and its activity logs: the snapshots, the databases the run keeps and the
// status log stay.
void RemoveOutputs();
// A name an input gives a report file, as far as the fuzzer may use it: one that names another
// folder would have reports written there, outside the scratch folder.
bool StaysInFolder(const std::string& name);

}  // namespace fuzzsupport
