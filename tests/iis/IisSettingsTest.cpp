// Effective settings read from the demo snapshots, against values read from the files by hand.
#include <gtest/gtest.h>

#include <chrono>

#include "TestSupport.h"
#include "platform/Err.h"
#include "platform/Text.h"
#include "iis/IisSettings.h"

using namespace iis;
using testsupport::ScratchAppFolder;

namespace {

using Rows = std::vector<Row>;

class Snapshots : public testing::Test {
 protected:
  void SetUp() override { testsupport::CopyDemoServers(app); }
  // The rows of a category read at "server site [dir/dir] key"; a "Vir..." key is a directory
  // category of the directory named (the site's root when none is).
  Rows At(const std::string& where, long version = 1001) {
    std::vector<std::string> w = platform::Split(where, " ");
    auto snapshot = LoadSnapshot(w[0]);
    if (w.back().starts_with("Vir"))
      return DirectoryCategoryRows(*snapshot, w[1], w.size() > 3 ? platform::Split(w[2], "/") : Row{}, w.back());
    return SiteCategoryRows(*snapshot, *snapshot->SiteById(w[1]), w.back(), version);
  }
  ScratchAppFolder app;
};

}  // namespace

// The sites each snapshot lists are checked where collection writes them to the database. Metabase
// sites inherit from the service, directories from their parent keys. Partner Portal's restrictions
// and headers are checked in the custom run's export. The data file names the places read ("@0":
// with the older label set), each followed by its rows; its "#" lines say why.
TEST_F(Snapshots, SitesAndDirectoriesOfBothFormats) {
  std::string read;
  for (const std::string& line : testsupport::ReadLines(testsupport::SourceDir() + "/tests/iis/Snapshots.expected")) {
    if (line.starts_with("#")) read += line + "\n";
    if (line.empty() || line.starts_with("#") || line.starts_with(" ")) continue;
    read += line + "\n";
    const std::vector<std::string> where = platform::Split(line, "@");
    for (const Row& row : At(where[0], where.size() > 1 ? std::stol(where[1]) : 1001))
      read += "  " + platform::Join(row, "|") + "\n";
  }
  testsupport::ExpectLikeFile(read, "iis/Snapshots.expected");
}

TEST_F(Snapshots, ParsesOnceWhileTheFileIsUnchangedAndRaisesBadOnesAtEveryCall) {
  long before = ParseCount();
  auto first = LoadSnapshot("LEGACY01");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(LoadSnapshot("LEGACY01").get(), first.get());
  EXPECT_LE(ParseCount() - before, 1);
  // A changed file is read again. Its site takes the service's connection timeout (the demo's
  // service sets the built-in default, so only a value of its own shows the inheritance).
  app.Write("Servers/LEGACY01/MetaBase.xml",
            "<configuration><MBProperty><IIsWebService Location=\"/LM/W3SVC\" ConnectionTimeout=\"77\"/>"
            "<IIsWebServer Location=\"/LM/W3SVC/9\" ServerComment=\"Only\" ServerBindings=\":80:\"/>"
            "</MBProperty></configuration>");
  auto second = LoadSnapshot("LEGACY01");
  ASSERT_EQ(second->Sites().size(), 1u);
  EXPECT_EQ(second->Sites()[0].name, "Only");
  EXPECT_EQ(At("LEGACY01 9 General"), (Rows{{"(All Unassigned)", "80", "", "Yes", "", "77", "Started"}}));

  // Bad snapshots raise errors naming the server and the file, again at every call without
  // reading the unchanged file again.
  const struct { const char* server; const char* file; const char* bytes; const char* says; } bad[] = {
      {"NOSUCH", "applicationHost.config", nullptr, "No IIS configuration snapshot"},
      {"BROKEN", "applicationHost.config", "<configuration><system.webServer></configuration>", "not well-formed"},
      {"ODDROOT", "applicationHost.config", "<settings/>", "not <configuration>"},
      {"NOMB", "MetaBase.xml", "<configuration><sites/></configuration>", "not a metabase"}};
  auto message = [](const std::string& server) {
    std::string description = "no error";
    testsupport::ErrorOf([&] { LoadSnapshot(server); }, &description);
    return description;
  };
  std::vector<std::string> said;
  for (const auto& b : bad) {
    if (b.bytes) app.Write(std::string("Servers/") + b.server + "/" + b.file, b.bytes);
    said.push_back(message(b.server));
    const std::string server = b.server;
    EXPECT_EQ(testsupport::MissingFrom(said.back(), {"'" + server + "'", server + "/" + b.file, b.says}), "");
  }
  long reads = ParseCount();
  for (size_t i = 0; i < said.size(); ++i) EXPECT_EQ(message(bad[i].server), said[i]);
  EXPECT_EQ(ParseCount(), reads);
  EXPECT_THROW(DirectoryCategoryRows(*LoadSnapshot("LEGACY01"), "", {}, "VirIPAddress"), platform::RuntimeError);
}

// A site of 20,000 restriction entries, half of them added again (denied now, in place) and a
// quarter removed by address: read within a generous minute, which a walk over the list for
// every entry (several minutes) cannot meet.
TEST_F(Snapshots, LongRestrictionListsAreReadInTimeLinearInTheirLength) {
  const int n = 20000;
  auto ip = [](int i) { return "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256); };
  std::string xml = "<configuration><system.applicationHost><sites><site name=\"Big\" id=\"1\"/></sites>"
                    "</system.applicationHost><location path=\"Big\"><system.webServer><security><ipSecurity>";
  for (int i = 0; i < n; ++i) xml += "<add ipAddress=\"" + ip(i) + "\" allowed=\"true\"/>";
  for (int i = 0; i < n; i += 2) xml += "<add ipAddress=\"" + ip(i) + "\"/>";
  for (int i = 0; i < n; i += 4) xml += "<remove ipAddress=\"" + ip(i) + "\"/>";
  xml += "</ipSecurity></security></system.webServer></location></configuration>";
  app.Write("Servers/BIG/applicationHost.config", xml);
  const auto start = std::chrono::steady_clock::now();
  const Rows rows = At("BIG 1 IPAddress");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(1));
  ASSERT_EQ(rows.size(), size_t(n / 2 + n / 4));
  EXPECT_EQ(rows[1], (Row{"10.0.0.3, 255.255.255.255", "", "", ""}));
  EXPECT_EQ(rows[n / 2 + 1], (Row{"", "10.0.0.6, 255.255.255.255", "", ""}));
}
