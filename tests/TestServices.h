// The services some tests lean on (a CUPS scheduler with PDF queues, an Xvfb display, OpenSSH and
// Samba servers on 127.0.0.1), started by scripts/test-services.sh. A test asks for a service;
// when it is not up, the script is run once, and when the service still cannot be had the answer
// says why, for the test's skip message.
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

// "" when the service is up (up() says so, once the script has run when it did not), else why not.
std::string Unavailable(const std::string& service, bool (*up)());
std::string CupsUnavailable();
std::string XvfbUnavailable();

// Where CUPS keeps the documents of the jobs it has printed (the script has it keep them).
inline constexpr const char* kSpool = "/var/spool/cups";
// The job documents in the spool now.
std::set<std::string> SpooledDocuments();
// The document of a job sent after `before` was taken, once it reads as a whole PDF and its text
// holds `containing` (tests printing at the same time send other jobs); "" when none comes within
// 15 seconds.
std::string NewSpooledDocument(const std::set<std::string>& before, const std::string& containing = "");

// What is wrong with a printed table whose cells hold `rows`: each cell word (words part at
// blanks) not printed whole as often as the cells hold it, each two words printed over one
// another, each word under 6 points tall; "" when nothing is.
std::string MisprintedWords(const std::string& pdf, const std::vector<std::vector<std::string>>& rows);

// Runs a shell command; returns what it printed on standard output.
std::string Capture(const std::string& command);

}  // namespace testsupport
