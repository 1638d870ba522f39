// quorva-nightly run over a small farm: the exit status, the run's page (the fetches, every
// status-log line of the run under its job, the files and the changes linked, text from the
// schedule shown as text in a real browser), the index; and a run stopped at its time limit or
// by a signal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "Process.h"
#include "TestServices.h"
#include "TestSupport.h"
#include "platform/Text.h"

namespace fs = std::filesystem;
using testsupport::ScratchAppFolder;

namespace {

const std::string kBad = "NO<script>SUCH";

// The page of the folder's only run.
std::string OnlyPage(const ScratchAppFolder& app) {
  std::vector<std::string> pages;
  for (const auto& entry : fs::directory_iterator(app.At("Runs")))
    if (std::regex_match(entry.path().filename().string(), std::regex(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.html)")))
      pages.push_back(entry.path());
  EXPECT_EQ(pages.size(), 1u);
  return pages.empty() ? "" : pages[0];
}

std::string Decoded(const std::string& url) {
  std::string text;
  for (size_t i = 0; i < url.size(); ++i)
    if (url[i] != '%')
      text += url[i];
    else
      text += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16)), i += 2;
  return text;
}

}  // namespace

TEST(NightlyRun, APageWithEveryLineUnderItsJobEveryFileLinkedAndTheIndex) {
  ScratchAppFolder app;
  testsupport::CopyDemoServers(app);
  app.InstallProgram();
  // WEBFARM01 is fetched from a drop folder once before the run and changes since; LEGACY01's
  // source is not there.
  const std::string config = testsupport::ReadFile(app.At("Servers/WEBFARM01/applicationHost.config"));
  app.Write("drop/applicationHost.config", config);
  app.Write("ScheduleInfo/Sources.ini", "[Sources]\nWEBFARM01=" + app.At("drop/applicationHost.config") +
                                            "\nLEGACY01=" + app.At("drop/MetaBase.xml") + "\n");
  EXPECT_EQ(nightly::RunProcess({QUORVA_NIGHTLY, "--app", app.Path(), "fetch", "WEBFARM01"}, {.timeout = 60}).exitCode, 0);
  ::sleep(1);  // the next fetch's stamp is another
  app.Write("drop/applicationHost.config", std::regex_replace(config, std::regex(":80:shop"), ":8080:shop"));
  app.Write("ScheduleInfo/ScheduleConfig.ini", "[WebServer]\r\nServer=WEBFARM01|" + kBad +
                                                   "|\r\nTab=1\\7|1|\r\nFormat=HTML|CSV|\r\nOption=0|0|\r\nPath=No|No|\r\n"
                                                   "Custom=No|No|\r\nPrintername=||\r\nTime=||\r\n");
  const std::string lastNight = "mCollect.Gather   53 - a line of last night's run";  // never counts
  app.Write("Log/QUORVALog.Log", lastNight + "\r\n");
  const nightly::ProcessResult result =
      nightly::RunProcess({QUORVA_NIGHTLY, "--app", app.Path(), "run"}, {.timeout = 120});
  EXPECT_EQ(result.exitCode, 7) << "the bad server name, the failed fetch, the error lines\n" << result.out << result.err;
  const std::string path = OnlyPage(app), page = testsupport::ReadFile(path);
  EXPECT_EQ(testsupport::MissingFrom(page, {"<td>WEBFARM01</td>", "changed", "<td>LEGACY01</td>", "failed",
                                            "2 changes on WEBFARM01", "href=\"../Drift/"}), "");
  EXPECT_NE(page.find("ScheduleConfig.ini:2: [WebServer] Server, job 2: &quot;NO&lt;script&gt;SUCH&quot;"), std::string::npos);
  EXPECT_NE(result.out.find("\n" + path + "\n"), std::string::npos) << result.out;

  // Each line sits under its job: the job's row is the last anchor before it.
  auto anchorBefore = [&](size_t at) {
    static const std::regex anchor(R"(id="([a-z0-9-]+)\")");
    std::string last;
    for (std::sregex_iterator it(page.begin(), page.begin() + static_cast<long>(at), anchor), end; it != end; ++it)
      last = (*it)[1];
    return last;
  };
  const std::vector<std::string> log = testsupport::StatusLog(app);
  ASSERT_GT(log.size(), 10u);
  for (const std::string& line : log) {
    const size_t at = page.find(platform::HtmlEscape(line));
    if (line == lastNight) {
      EXPECT_EQ(at, std::string::npos);
      continue;
    }
    ASSERT_NE(at, std::string::npos) << line;
    EXPECT_EQ(anchorBefore(at), line.find(kBad) != std::string::npos ? "job-1-2" : "no-job") << line;
  }

  // Every report links from the page to its file, also when the folder has moved.
  const std::string runs = app.At("Runs/");
  std::set<std::string> linked, lost;
  fs::rename(app.Path(), app.Path() + "-moved");
  static const std::regex href(R"(href="\.\./([^"]+)\")");
  for (std::sregex_iterator it(page.begin(), page.end(), href), end; it != end; ++it) {
    linked.insert(fs::path(Decoded((*it)[1])).filename());
    if (!fs::exists(app.Path() + "-moved/Runs/../" + Decoded((*it)[1]))) lost.insert((*it)[1]);
  }
  fs::rename(app.Path() + "-moved", app.Path());
  EXPECT_EQ(lost, std::set<std::string>{});
  for (const std::string folder : {"", "Log"})
    for (const auto& entry : fs::directory_iterator(runs + "../" + folder))
      if (std::regex_search(entry.path().filename().string(), std::regex(R"(\.(csv|html|htm)$)")))
        EXPECT_TRUE(linked.count(entry.path().filename())) << entry.path();
  EXPECT_EQ(std::regex_replace(page, std::regex("<iframe sandbox=\"\" "), "").find("<iframe"), std::string::npos);

  const std::string stamp = fs::path(path).stem(), row = testsupport::ReadLines(runs + "index.csv").at(1);
  EXPECT_TRUE(row.starts_with(stamp + ",") && row.ends_with(",7,2,3,20,1,2")) << row;
  EXPECT_NE(testsupport::ReadFile(runs + "index.html").find("href=\"" + stamp + ".html\""), std::string::npos);

  if (testsupport::Capture("command -v chromium").empty()) GTEST_SKIP() << "chromium is not installed";
  const std::string dom = testsupport::Capture("chromium --headless --no-sandbox --disable-gpu --user-data-dir='" + runs +
                                               "chromium' --dump-dom 'file://" + runs + stamp + ".html' 2>/dev/null");
  EXPECT_NE(dom.find("<td>NO&lt;script&gt;SUCH</td>"), std::string::npos) << dom.substr(0, 3000);
  EXPECT_EQ(dom.find("<script"), std::string::npos);
}

// QUORVASchedule waits for ever on its status log, a pipe nobody reads: at the limit it gets
// SIGTERM and, a second later, SIGKILL. A SIGTERM to quorva-nightly is handed on the same way.
TEST(NightlyRun, AProgramStoppedAtTheLimitOrByASignalEndsWithThePageAndThirtyTwo) {
  for (const bool signal : {false, true}) {
    ScratchAppFolder app;
    app.InstallProgram();
    app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
    ASSERT_EQ(::mkfifo(app.At("Log/QUORVALog.Log").c_str(), 0600), 0);
    const std::string said =
        testsupport::Capture(std::string(signal ? "" : "QUORVA_NIGHTLY_LIMIT=1,1 ") + "'" + QUORVA_NIGHTLY + "' --app '" +
                             app.Path() + "' run 2>&1 " + (signal ? "& sleep 1; kill -TERM $!; wait $!" : "") +
                             "; echo \"exit $?\"");
    EXPECT_TRUE(said.ends_with("exit status 32: the run was stopped\nexit 32\n")) << said;
    EXPECT_NE(testsupport::ReadFile(OnlyPage(app)).find(signal ? "by signal 15 to quorva-nightly" : "stopped at the time limit"),
              std::string::npos) << said;
  }
}

// The units shipped in contrib/systemd/, pointed at the built program, pass systemd's own check
// without a word (an unknown key is only a warning there).
TEST(NightlyRun, TheShippedSystemdUnitsVerify) {
  if (testsupport::Capture("command -v systemd-analyze").empty()) GTEST_SKIP() << "systemd is not installed";
  ScratchAppFolder app;
  std::string units;
  for (const std::string unit : {"quorva-nightly.service", "quorva-nightly.timer", "quorva-nightly-failure@.service"}) {
    app.Write(unit, std::regex_replace(testsupport::ReadFile(testsupport::SourceDir() + "/contrib/systemd/" + unit),
                                       std::regex("ExecStart=/srv/quorva/quorva-nightly"),
                                       std::string("ExecStart=") + QUORVA_NIGHTLY));
    units += " '" + app.At(unit) + "'";
  }
  EXPECT_EQ(testsupport::Capture("cd '" + app.Path() + "' && systemd-analyze verify" + units + " 2>&1; echo \"exit $?\""),
            "exit 0\n");
}
