#include "Transports.h"

#include <algorithm>
#include <cctype>

#include "platform/Text.h"

namespace nightly {

namespace {

// What a program says when a copy fails, and the reason it gives: the first row whose text the
// output holds wins. In the reasons, {host}, {where} (host and port), {file}, {user}, {auth},
// {share} and {timeout} stand for the source's parts and the options.
struct Cause {
  const char* said;
  const char* reason;
};

const Cause kSftpCauses[] = {
    {"REMOTE HOST IDENTIFICATION HAS CHANGED",
     "the host key of {host} is not the one known_hosts holds: the server was reinstalled, or someone is in "
     "between; check it before you replace the key"},
    {"Host key verification failed",
     "the host key of {host} is not known: add it to the known_hosts file of the SSH configuration"},
    {"Permission denied (", "authentication refused by {host} for {user}: its key is not in the account's authorized_keys"},
    {"Too many authentication failures", "authentication refused by {host} for {user}: too many keys were offered"},
    {"Could not resolve hostname", "the host name {host} does not resolve"},
    {"Connection refused", "connection refused by {where}: no SSH server listens there"},
    {"No route to host", "host {host} unreachable"},
    {"Network is unreachable", "host {host} unreachable"},
    {"timed out", "timed out after {timeout} s"},
    {"not found", "file not found on {host}: {file}"},
    {"No such file or directory", "file not found on {host}: {file}"},
    {"Permission denied", "{user} may not read {file} on {host}"},
};

const Cause kSmbCauses[] = {
    {"NT_STATUS_LOGON_FAILURE", "authentication refused by {host}: check the account and password in {auth}"},
    {"NT_STATUS_ACCOUNT_LOCKED_OUT", "authentication refused by {host}: the account in {auth} is locked out"},
    {"NT_STATUS_ACCOUNT_DISABLED", "authentication refused by {host}: the account in {auth} is disabled"},
    {"NT_STATUS_PASSWORD_EXPIRED", "authentication refused by {host}: the password in {auth} has expired"},
    {"NT_STATUS_PASSWORD_MUST_CHANGE", "authentication refused by {host}: the password in {auth} must be changed"},
    {"NT_STATUS_ACCOUNT_RESTRICTION", "authentication refused by {host}: the account in {auth} may not log on now"},
    {"NT_STATUS_ACCESS_DENIED", "access denied: the account in {auth} may not read {share}/{file} on {host}"},
    {"NT_STATUS_BAD_NETWORK_NAME", "the share {share} is not on {host}"},
    {"NT_STATUS_OBJECT_NAME_NOT_FOUND", "file not found on {host}: {share}/{file}"},
    {"NT_STATUS_OBJECT_PATH_NOT_FOUND", "file not found on {host}: {share}/{file}"},
    {"NT_STATUS_NO_SUCH_FILE", "file not found on {host}: {share}/{file}"},
    {"NT_STATUS_FILE_IS_A_DIRECTORY", "{share}/{file} on {host} is a folder, not a file"},
    {"NT_STATUS_CONNECTION_REFUSED", "connection refused by {where}: no SMB server listens there"},
    {"NT_STATUS_IO_TIMEOUT", "timed out after {timeout} s"},
    {"NT_STATUS_HOST_UNREACHABLE", "host {host} unreachable"},
    {"NT_STATUS_NETWORK_UNREACHABLE", "host {host} unreachable"},
    {"NT_STATUS_UNSUCCESSFUL", "cannot reach {host}: the name does not resolve, or the host does not answer"},
    {"NT_STATUS_CONNECTION_RESET", "{host} closed the connection"},
    {"NT_STATUS_CONNECTION_DISCONNECTED", "{host} closed the connection"},
};

const Cause kCopyCauses[] = {
    {"No such file or directory", "file not found: {file}"},
    {"Permission denied", "this host may not read {file}"},
    {"omitting directory", "{file} is a folder, not a file"},
};

// The host as the programs take it: an IPv6 address in brackets.
std::string Host(const Source& source) {
  return source.host.find(':') != std::string::npos ? "[" + source.host + "]" : source.host;
}

// A path inside double quotes of an sftp batch command or an smbclient -c command.
std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Fill(std::string text, const Source& source, const FetchOptions& options) {
  const std::string host = Host(source);
  const std::string user = source.user.empty() ? std::string("the account the SSH configuration names")
                                               : "user " + source.user;
  const std::vector<std::pair<std::string, std::string>> parts = {
      {"{where}", source.port ? host + " port " + std::to_string(source.port) : host},
      {"{host}", host},
      {"{file}", source.path},
      {"{user}", user},
      {"{share}", source.share},
      {"{auth}", options.smbAuthFile},
      {"{timeout}", std::to_string(options.timeout)},
  };
  for (const auto& [name, value] : parts) text = platform::Replace(text, name, value);
  return text;
}

}  // namespace

Transfer TransferCommand(const Source& source, const FetchOptions& options, const std::string& into) {
  Transfer transfer;
  const std::string timeout = std::to_string(options.timeout);
  switch (source.transport) {
    case Source::Transport::Ssh: {
      // Batch mode: no question is ever asked, and any failing command ends sftp with an error.
      transfer.argv = {"sftp", "-b", "-", "-o", "BatchMode=yes", "-o", "ConnectTimeout=" + timeout};
      if (!options.sshConfig.empty()) transfer.argv.insert(transfer.argv.end(), {"-F", options.sshConfig});
      if (source.port) transfer.argv.insert(transfer.argv.end(), {"-P", std::to_string(source.port)});
      transfer.argv.insert(transfer.argv.end(), {"--", source.user.empty() ? Host(source) : source.user + "@" + Host(source)});
      // The path goes as written: "/C:/Windows/..." is how Windows' SFTP server names a drive.
      transfer.input = "get " + Quoted(source.path) + " " + Quoted(into) + "\n";
      break;
    }
    case Source::Transport::Smb: {
      // smbclient takes an IPv6 address without brackets.
      transfer.argv = {"smbclient", "//" + source.host + "/" + source.share, "-A", options.smbAuthFile, "-t", timeout};
      if (source.port) transfer.argv.insert(transfer.argv.end(), {"-p", std::to_string(source.port)});
      transfer.argv.insert(transfer.argv.end(), {"-c", "get " + Quoted(source.path) + " " + Quoted(into)});
      break;
    }
    case Source::Transport::File:
      transfer.argv = {"cp", "--", source.path, into};
      break;
  }
  return transfer;
}

std::string UnsafePath(const Source& source) {
  const std::string& path = source.path;
  if (std::any_of(path.begin(), path.end(), [](char c) { return std::iscntrl(static_cast<unsigned char>(c)); }))
    return "the path holds a control character; write the file's path in plain characters";
  if (source.transport == Source::Transport::File) return {};
  // Both programs read the path inside double quotes: a quote would end it there.
  if (path.find('"') != std::string::npos) return "the path holds \", which this transport cannot carry";
  if (source.transport == Source::Transport::Ssh && path.find('\\') != std::string::npos)
    return "the path holds \\, which sftp reads as an escape; write / between folders";
  // smbclient ends a command at ";", quotes or not.
  if (source.transport == Source::Transport::Smb && path.find(';') != std::string::npos)
    return "the path holds \";\", which smbclient reads as the end of a command";
  return {};
}

std::string TransferFailure(const Source& source, const FetchOptions& options, const ProcessResult& result) {
  if (!result.started) return "cannot run " + result.startError + " (run scripts/setup.sh, or install it)";
  if (result.timedOut) return Fill("timed out after {timeout} s", source, options);
  if (result.stoppedBy) return "stopped: quorva-nightly was asked to stop (signal " + std::to_string(result.stoppedBy) + ")";
  if (result.signal == 0 && result.exitCode == 0) return {};
  const std::string said = result.err + "\n" + result.out;
  const Cause* begin = kCopyCauses;
  const Cause* end = std::end(kCopyCauses);
  if (source.transport == Source::Transport::Ssh) begin = kSftpCauses, end = std::end(kSftpCauses);
  if (source.transport == Source::Transport::Smb) begin = kSmbCauses, end = std::end(kSmbCauses);
  for (const Cause* cause = begin; cause != end; ++cause)
    if (said.find(cause->said) != std::string::npos) {
      std::string reason = Fill(cause->reason, source, options);
      // Administrators look a Windows status up by its name.
      return source.transport == Source::Transport::Smb ? reason + " (" + cause->said + ")" : reason;
    }
  std::string last = LastLine(result.err.empty() ? result.out : result.err);
  return "the copy failed (exit code " + std::to_string(result.signal ? 128 + result.signal : result.exitCode) +
         (last.empty() ? std::string(")") : "): " + last);
}

}  // namespace nightly
