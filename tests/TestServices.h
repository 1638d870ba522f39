// The services some tests lean on (a CUPS scheduler with PDF queues, an Xvfb display), started
// by scripts/test-services.sh. A test asks for a service; when it is not up, the script is run
// once, and when the service still cannot be had the answer says why, for the test's skip
// message.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace testsupport {

// The print queues the script makes, both printing to PDF.
inline constexpr const char* kPdfQueue = "QuorvaPdf";
inline constexpr const char* kSpareQueue = "QuorvaSpare";
// The X display the script starts, with a window manager on it.
inline constexpr const char* kTestDisplay = ":99";

// "" when the service is up, else why it is not.
std::string CupsUnavailable();
std::string XvfbUnavailable();

// The documents of the jobs the scheduler keeps (PreserveJobFiles), one file per job.
std::set<std::string> SpooledDocuments();
// The pages of a PDF file; 0 until it reads as a whole PDF.
int PdfPageCount(const std::string& pdf);
// The documents of the jobs sent after `before` was taken that read as whole PDFs, oldest job
// first, as soon as there are count of them; fewer when they do not come within 15 seconds.
std::vector<std::string> NewSpooledDocuments(const std::set<std::string>& before, size_t count = 1);

// Runs a shell command; returns what it printed on standard output.
std::string Capture(const std::string& command);

}  // namespace testsupport
