// fetch over the real OpenSSH and Samba test servers and plain copies: each transport brings its
// file; each failure (a refused key, a closed port, a server that never answers, a missing file,
// a file that is no configuration, a cut one, an empty one) is one line naming the server and a
// reason, and leaves the last good snapshot byte for byte while the others are fetched; history
// keeps changes only and prunes old entries but never a server's newest two.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "Cli.h"
#include "Process.h"
#include "TestServices.h"
#include "TestSupport.h"
#include "platform/Text.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;

namespace {

const std::string kServices = "/tmp/quorva-test-services";

// A socket listening on 127.0.0.1 that never accepts: a server that never says a word.
struct Listener {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int port = 0;
  Listener() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(fd, 8);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
  }
  ~Listener() { ::close(fd); }
};

bool Answers(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return up;
}

bool ServersUp() { return Answers(2222) && Answers(4455); }

nightly::ProcessResult Fetch(const testsupport::ScratchAppFolder& app, const std::vector<std::string>& servers = {}) {
  std::vector<std::string> argv = {QUORVA_NIGHTLY, "--app", app.Path(), "fetch"};
  argv.insert(argv.end(), servers.begin(), servers.end());
  return nightly::RunProcess(argv, {.timeout = 60});
}

std::vector<std::string> Names(const testsupport::ScratchAppFolder& app, const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(app.At(folder))) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::string DaysAgo(int days) {
  std::time_t then = std::time(nullptr) - days * 24 * 60 * 60;
  std::tm local{};
  localtime_r(&then, &local);
  return nightly::Stamp({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
}

}  // namespace

TEST(NightlyFetch, EachTransportFetchesAndEachFailureKeepsTheLastGoodSnapshot) {
  if (std::string why = testsupport::Unavailable("the OpenSSH and Samba test servers", ServersUp); !why.empty())
    GTEST_SKIP() << why;
  testsupport::ScratchAppFolder app;
  const std::string name = fs::path(app.Path()).filename();
  const std::string served = kServices + "/files/" + name;  // the share "iis" serves kServices/files
  const std::string config = ReadFile(testsupport::SourceDir() + "/demo/Servers/WEBFARM01/applicationHost.config");
  const std::string metabase = ReadFile(testsupport::SourceDir() + "/demo/Servers/LEGACY01/MetaBase.xml");
  auto serve = [&](const std::string& relative, const std::string& bytes) {
    fs::create_directories(fs::path(served + "/" + relative).parent_path());
    std::FILE* file = std::fopen((served + "/" + relative).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  };
  serve("win/applicationHost.config", config);
  serve("port/applicationHost.config", config);
  serve("smb/MetaBase.xml", metabase);
  serve("page/applicationHost.config", "<html><body>Sign in</body></html>");
  serve("cut/applicationHost.config", config.substr(0, config.size() / 2));
  serve("empty/applicationHost.config", "");
  Listener silent;
  const int closed = Listener().port;  // nobody listens there once it is closed
  const std::string client = kServices + "/client/";
  const std::string options = "[Options]\nConcurrency=4\nTimeout=3\nSshConfig=" + client +
                              "ssh_config\nSmbAuthFile=" + client + "smb.auth\n";
  const std::string good =
      "[Sources]\n"
      "WIN=ssh://quorva-sftp" + served + "/win/applicationHost.config\n"
      "PORT=ssh://quorva-test@127.0.0.1:2222" + served + "/port/applicationHost.config\n"
      "SMB=smb://127.0.0.1:4455/iis/" + name + "/smb/MetaBase.xml\n"
      "COPY=file://" + served + "/port/applicationHost.config\n";
  app.Write("ScheduleInfo/Sources.ini",
            good + "REFUSED=ssh://quorva-refused" + served + "/win/applicationHost.config\n"
            "CLOSED=ssh://127.0.0.1:" + std::to_string(closed) + served + "/win/applicationHost.config\n"
            "SILENT=ssh://127.0.0.1:" + std::to_string(silent.port) + served + "/win/applicationHost.config\n"
            "MISSING=smb://127.0.0.1:4455/iis/" + name + "/gone/MetaBase.xml\n"
            "PAGE=ssh://quorva-sftp" + served + "/page/applicationHost.config\n"
            "CUT=smb://127.0.0.1:4455/iis/" + name + "/cut/applicationHost.config\n"
            "EMPTY=" + served + "/empty/applicationHost.config\n"
            "QUOTED=ssh://quorva-sftp/C:/a\"b/applicationHost.config\n" + options);
  const std::vector<std::pair<std::string, std::string>> failures = {
      {"REFUSED", "authentication refused by quorva-refused"},
      {"CLOSED", "connection refused by 127.0.0.1 port " + std::to_string(closed)},
      {"SILENT", "timed out after 3 s"},
      {"MISSING", "file not found on 127.0.0.1: iis/" + name + "/gone/MetaBase.xml (NT_STATUS_OBJECT_PATH_NOT_FOUND)"},
      {"PAGE", "not an IIS configuration file: the fetched applicationHost.config has the root <html>, not <configuration>"},
      {"CUT", "not an IIS configuration file: the fetched applicationHost.config is not well-formed XML: "},
      {"EMPTY", "not an IIS configuration file: the fetched applicationHost.config holds no XML element"}};
  for (const auto& [server, reason] : failures)
    app.Write("Servers/" + server + "/" + (server == "MISSING" ? "MetaBase.xml" : "applicationHost.config"),
              "<configuration><!-- the last good one of " + server + " --></configuration>");
  app.Write("Servers/PORT/applicationhost.config", "<configuration/>");  // the same file, spelt in another case
  app.Write("Servers/SMB/applicationhost.config", "<configuration/>");  // an earlier source's, read before MetaBase.xml

  const nightly::ProcessResult first = Fetch(app);
  EXPECT_EQ(first.exitCode, nightly::exitProblems | nightly::exitFetchFailed) << first.err;
  EXPECT_LT(first.seconds, 8) << "the silent server is given up at 3 s while the others go on";
  const std::string stamp = ReadFile(app.At("History/last-fetch")).substr(0, 19);
  const std::vector<std::string> err = platform::Split(first.err, "\n");
  EXPECT_EQ(err.size(), failures.size() + 2) << first.err;  // and the quoted path's line
  EXPECT_EQ(testsupport::LinesWith(err, "Sources.ini:13: [Sources] QUOTED = ssh://quorva-sftp/C:/a\"b/applicationHost.config: "
                                        "the path holds \""), 1);
  for (const auto& [server, reason] : failures) {
    EXPECT_EQ(testsupport::LinesWith(err, "quorva-nightly: " + server + " ("), 1) << server;
    EXPECT_EQ(testsupport::LinesWith(err, reason), 1) << server << ": " << first.err;
    EXPECT_EQ(testsupport::LinesWith(platform::Split(first.out, "\n"), server + ": failed (" + reason), 1) << first.out;
    fs::path kept = app.At("Servers/" + server + "/" + (server == "MISSING" ? "MetaBase.xml" : "applicationHost.config"));
    EXPECT_EQ(ReadFile(kept), "<configuration><!-- the last good one of " + server + " --></configuration>");
    EXPECT_FALSE(fs::exists(app.At("History/" + server)));
  }
  for (const std::string server : {"WIN", "PORT", "SMB", "COPY"}) {
    EXPECT_NE(first.out.find(server + ": fetched and changed (History/" + server + "/" + stamp + ")"), std::string::npos)
        << first.out;
    EXPECT_EQ(Names(app, "History/" + server), std::vector<std::string>{stamp});
  }
  EXPECT_EQ(ReadFile(app.At("Servers/WIN/applicationHost.config")), config);
  EXPECT_EQ(ReadFile(app.At("Servers/SMB/MetaBase.xml")), metabase);
  EXPECT_EQ(Names(app, "Servers/SMB"), (std::vector<std::string>{"MetaBase.xml", "applicationhost.config.old"}));
  EXPECT_NE(first.out.find("; the snapshot of the other kind is now Servers/SMB/applicationhost.config.old"), std::string::npos);
  EXPECT_EQ(ReadFile(app.At("Servers/COPY/applicationHost.config")), config);
  EXPECT_EQ(Names(app, "Servers/PORT"), std::vector<std::string>{"applicationhost.config"});
  EXPECT_EQ(ReadFile(app.At("Servers/PORT/applicationhost.config")), config);

  // Again, with WIN changed and COPY's history long: unchanged content adds nothing, a change adds
  // an entry, and entries older than KeepDays go but for each server's newest two.
  const std::string changed = platform::Replace(config, "<sites>", "<sites><!-- port 8080 -->");
  serve("win/applicationHost.config", changed);
  app.Write("ScheduleInfo/Sources.ini", good + options + "KeepDays=30\n");
  const std::string older = DaysAgo(40), old = DaysAgo(35);
  app.Write("History/COPY/" + older + "/applicationHost.config", "<configuration/>");
  app.Write("History/COPY/" + old + "/applicationHost.config", "<configuration/>");
  app.Write("History/COPY/" + stamp + ".part/applicationHost.config", "<configuration/>");  // a stopped fetch's
  const nightly::ProcessResult second = Fetch(app);
  EXPECT_EQ(second.exitCode, 0) << second.err;
  const std::string next = ReadFile(app.At("History/last-fetch")).substr(0, 19);
  EXPECT_GT(next, stamp);
  EXPECT_EQ(testsupport::MissingFrom(second.out, {"WIN: fetched and changed (History/WIN/" + next + ")",
                                                  "PORT: fetched, unchanged", "SMB: fetched, unchanged",
                                                  "COPY: fetched, unchanged"}), "");
  EXPECT_EQ(Names(app, "History/WIN"), (std::vector<std::string>{stamp, next}));
  EXPECT_EQ(ReadFile(app.At("History/WIN/" + next + "/applicationHost.config")), changed);
  EXPECT_EQ(ReadFile(app.At("History/WIN/" + stamp + "/applicationHost.config")), config);
  EXPECT_EQ(Names(app, "History/COPY"), (std::vector<std::string>{old, stamp}));
  EXPECT_EQ(Names(app, "History/SMB"), std::vector<std::string>{stamp});

  const nightly::ProcessResult unknown = Fetch(app, {"win", "SBM"});
  EXPECT_EQ(unknown.exitCode, nightly::exitUsage);
  EXPECT_EQ(unknown.err, "quorva-nightly: fetch: Sources.ini has no usable source for SBM (did you mean SMB?); "
                         "the servers are: WIN, PORT, SMB, COPY\n");
  fs::remove_all(served);
}
