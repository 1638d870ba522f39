// What the fuzz targets share: a scratch application folder for the process, and the input
// written into it as a file the program reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// Makes a scratch folder under /tmp the application folder (with its Log folder) and sends
// error reports to its status log; the folder goes when the process ends.
void UseScratchAppFolder();
// Writes the input to a file of the application folder ("/"-separated relative path) and gives
// it a modification time of its own, so a reader that keeps what it read sees a new file.
void WriteInput(const std::string& relative, const uint8_t* data, size_t size);
// Empties the status log, so that it does not grow over millions of inputs.
void ClearStatusLog();

}  // namespace fuzzsupport
