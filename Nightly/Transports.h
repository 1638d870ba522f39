// How a source's file is copied to this host: OpenSSH's sftp in batch mode, Samba's smbclient
// with a credentials file, or cp, each run as a process (Process.h); and why a copy failed, read
// from what the program wrote and said in words a person can act on. No program is ever handed a
// password, and no path can become a second command.
#pragma once

#include <string>
#include <vector>

#include "Process.h"
#include "Sources.h"

namespace nightly {

struct Transfer {
  std::vector<std::string> argv;
  std::string input;  // the commands it reads on its standard input; "" for none
};

// The command that copies the source's file to `into`, a plain file name (letters, digits, ".",
// "-", "_") in the working folder the command is started in.
Transfer TransferCommand(const Source& source, const FetchOptions& options, const std::string& into);

// Why the source's path cannot be handed to its transport, what to write instead; "" when it can.
std::string UnsafePath(const Source& source);

// Why a finished copy failed, in words a person can act on; "" when it succeeded.
std::string TransferFailure(const Source& source, const FetchOptions& options, const ProcessResult& result);

}  // namespace nightly
