// One drift over kept snapshots with known changes, in an application folder as an administrator
// has it: the change list is exactly those changes, each changed site has QUORVASchedule's
// side-by-side report linked, a hostile value stays text in a browser, and the user's own files
// are not touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

#include "Process.h"
#include "TestServices.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::ReadLines;

namespace {

// The text with each replacement made once; one whose text is not there fails the test.
std::string Changed(std::string text, const std::vector<std::pair<std::string, std::string>>& replacements) {
  for (const auto& [from, to] : replacements) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
  }
  return text;
}

// Every file of the folder outside Drift/: its bytes and modification time.
std::map<std::string, std::pair<std::string, fs::file_time_type>> UserFiles(const std::string& folder) {
  std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file() && entry.path().string().find("/Drift/") == std::string::npos)
      files[entry.path().string()] = {ReadFile(entry.path().string()), entry.last_write_time()};
  return files;
}

}  // namespace

TEST(NightlyDrift, ChangesOfTheLastFetchWithSideBySideReports) {
  testsupport::ScratchAppFolder app;
  const std::string webfarm = ReadFile(testsupport::SourceDir() + "/demo/Servers/WEBFARM01/applicationHost.config");
  const std::string legacy = ReadFile(testsupport::SourceDir() + "/demo/Servers/LEGACY01/MetaBase.xml");
  const std::string older = "2026-12-06_01-00-00", newer = "2026-12-07_01-00-00";
  auto keep = [&](const std::string& server, const std::string& stamp, const std::string& text) {
    app.Write("History/" + server + "/" + stamp + "/" + (text.find("<MBProperty>") == std::string::npos ? "applicationHost.config" : "MetaBase.xml"), text);
  };
  // Enough changed sites that the comparison list outgrows the program's 2,000-character read.
  std::string shops, shopsChanged;
  for (int n = 10; n < 34; ++n) {
    const std::string site = "<IIsWebServer Location =\"/LM/W3SVC/" + std::to_string(n) +
                             "\" ServerComment=\"Partner shop number " + std::to_string(n) + "\" ServerBindings=\":80:shop" +
                             std::to_string(n) + "\" ConnectionTimeout=\"";
    shops += site + "120\"></IIsWebServer>\n";
    shopsChanged += site + "60\"></IIsWebServer>\n";
  }
  const std::string legacyBefore = Changed(legacy, {{"Ann's Recipes", "Ann's Recipes (old)"},
                                                    {"AnonymousUserName=\"IUSR_LEGACY01\"", ""},  // the default
                                                    {"\"UrlRewrite\"", "\"UrlRewrite,UrlRewrite\""},
                                                    {"</MBProperty>", shops + "</MBProperty>"}});
  keep("LEGACY01", older, legacyBefore);
  keep("LEGACY01", newer, Changed(legacyBefore, {{"FilterLoadOrder=\"\"", "FilterLoadOrder=\"Guard\""},
                                                 {":80:recipes.local", ":81:recipes.local"},
                                                 {"UrlRewrite,UrlRewrite", "UrlRewrite"},  // twice, now once
                                                 {"D:\\Logs\\Partner", "D:\\logs\\Partner"},
                                                 {"Fri, 31 Dec 2010", "Sat, 31 Dec 2011"},
                                                 {shops, shopsChanged},
                                                 {"</MBProperty>", "<IIsFilter Location =\"/LM/W3SVC/1/Filters/Guard\" "
                                                                   "FilterPath=\"D:\\Filters\\Guard.dll\"></IIsFilter></MBProperty>"}}));
  keep("WEBFARM01", older, webfarm);
  keep("WEBFARM01", newer, std::regex_replace(
      Changed(webfarm, {{"*:80:", "*:8080:"},
                        {"<add value=\"default.aspx\" />", "<add value=\"default.aspx\" /><add value=\"home.html\" />"},
                        {"D:\\Shared\\Images\" />", "D:\\Shared\\Images\" /><virtualDirectory path=\"/help\" physicalPath=\"D:\\Help\" />"},
                        {"</configuration>", "<location path=\"Contoso Shop/static\"></location></configuration>"},
                        {"</bindings>", "</bindings><logFile directory=\"D:\\&lt;script&gt;window.hostile=1&lt;/script&gt;\" />"}}),
      std::regex("<site name=\"O'Brien Intranet\"[\\s\\S]*?</site>"), ""));
  keep("STAGING", older, legacy);  // saved again, the same settings
  keep("STAGING", newer, Changed(legacy, {{"<MBProperty>", "<!-- saved again -->\n<MBProperty>"}}));
  keep("OLDONE", "2026-12-01_01-00-00", webfarm);  // not changed by the last fetch
  keep("OLDONE", "2026-12-02_01-00-00", Changed(webfarm, {{"*:80:", "*:81:"}}));
  app.Write("History/last-fetch", newer + "\n");
  app.Write("VelmoraDatabase.mdb", "the user's settings");
  app.Write("ScheduleInfo/ScheduleConfig.ini", testsupport::kEmptySchedule);
  app.Write("Servers/WEBFARM01/applicationHost.config", webfarm);
  app.Write("Reports/General.html", "<p>last night</p>");
  const auto userFiles = UserFiles(app.Path());

  const nightly::ProcessResult run = nightly::RunProcess({QUORVA_NIGHTLY, "--app", app.Path(), "drift"}, {.timeout = 240});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  const std::string folder = app.At("Drift/" + fs::directory_iterator(app.At("Drift"))->path().filename().string());
  EXPECT_NE(run.out.find("WEBFARM01: 9 changes since " + older + "\n" + folder + "/changes.html\n"), std::string::npos) << run.out;
  EXPECT_EQ(ReadLines(folder + "/changes.csv"), ReadLines(testsupport::SourceDir() + "/tests/nightly/drift-changes.csv"));
  EXPECT_TRUE(UserFiles(app.Path()) == userFiles);

  // Each changed site has its side-by-side report, QUORVASchedule's run is shown, a site that no
  // comparison entry can carry is said.
  const std::string html = ReadFile(folder + "/changes.html");
  std::string reports;
  int links = 0;
  const std::regex link("href=\"(side-by-side/[^\"]+)\"");
  for (std::sregex_iterator at(html.begin(), html.end(), link), end; at != end; ++at, ++links)
    reports += ReadFile(folder + "/" + (*at)[1].str());
  EXPECT_EQ(links, 28);
  EXPECT_EQ(testsupport::MissingFrom(reports, {"WEBFARM01@" + older + "\\Default Web Site", "8080", "Partner shop number 33",
                                               "D:\\Filters\\Guard.dll"}), "");
  EXPECT_EQ(testsupport::MissingFrom(html, {"QUORVASchedule Finished at", "cannot carry a site name"}), "");
  for (const char* copy : {"Servers", "QUORVASchedule", "VelmoraDatabase.mdb"})  // done with, and may hold secrets
    EXPECT_FALSE(fs::exists(folder + "/side-by-side/" + copy)) << copy;

  if (testsupport::Capture("command -v chromium").empty()) GTEST_SKIP() << "chromium is not installed";
  const std::string dom = testsupport::Capture("timeout 120 chromium --headless --no-sandbox --disable-gpu --user-data-dir='" +
                                               app.At("chromium") + "' --dump-dom 'file://" + folder + "/changes.html' 2>/dev/null");
  EXPECT_NE(dom.find("<td>D:\\&lt;script&gt;window.hostile=1&lt;/script&gt;</td>"), std::string::npos) << dom.substr(0, 3000);
  EXPECT_EQ(dom.find("<script"), std::string::npos);
}

// What drift cannot do is said on stderr and the page, and the rest is done: before any fetch,
// for a server it has no history of, with a snapshot cut short, and with no QUORVASchedule to
// make the side-by-side reports.
TEST(NightlyDrift, WhatCannotBeDoneIsSaidAndTheRestIsDone) {
  testsupport::ScratchAppFolder app;
  const std::string webfarm = ReadFile(testsupport::SourceDir() + "/demo/Servers/WEBFARM01/applicationHost.config");
  const std::string legacy = ReadFile(testsupport::SourceDir() + "/demo/Servers/LEGACY01/MetaBase.xml");
  app.Write("History/WEBFARM01/2026-12-06_01-00-00/applicationHost.config", webfarm);
  app.Write("History/WEBFARM01/2026-12-07_01-00-00/applicationHost.config", Changed(webfarm, {{"*:80:", "*:81:"}}));
  app.Write("History/LEGACY01/2026-12-06_01-00-00/MetaBase.xml", legacy);
  app.Write("History/LEGACY01/2026-12-07_01-00-00/MetaBase.xml", legacy.substr(0, 900));
  const std::string nightly = app.At("bin/quorva-nightly");  // no QUORVASchedule beside it
  fs::create_directories(app.At("bin"));
  fs::copy_file(QUORVA_NIGHTLY, nightly);
  auto drift = [&](const std::vector<std::string>& args) {
    std::vector<std::string> argv = {nightly, "--app", app.Path(), "drift"};
    argv.insert(argv.end(), args.begin(), args.end());
    return nightly::RunProcess(argv, {.timeout = 120});
  };

  nightly::ProcessResult run = drift({});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err.rfind("quorva-nightly: drift: no fetch has been made yet", 0), 0u) << run.err;
  run = drift({"LEGACY1"});
  EXPECT_EQ(run.exitCode, 64);
  EXPECT_NE(run.err.find("did you mean LEGACY01?"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(app.At("Drift")));

  app.Write("History/last-fetch", "2026-12-07_01-00-00\n");
  run = drift({});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(testsupport::MissingFrom(run.err, {"drift: LEGACY01: not compared: ", "is not well-formed XML",
                                               "drift: no side-by-side reports: there is no QUORVASchedule"}), "") << run.err;
  const std::string folder = app.At("Drift/" + fs::directory_iterator(app.At("Drift"))->path().filename().string());
  EXPECT_EQ(testsupport::MissingFrom(ReadFile(folder + "/changes.csv"),
                                     {"LEGACY01,,,not compared: ", "WEBFARM01,Default Web Site,General,IP Address / TCP Port,,(All Unassigned) / 81"}), "");
  EXPECT_EQ(testsupport::MissingFrom(ReadFile(folder + "/changes.html"),
                                     {"Not compared: The IIS configuration snapshot of server", "there is no QUORVASchedule",
                                      "no side-by-side report (see below)"}), "");
}
