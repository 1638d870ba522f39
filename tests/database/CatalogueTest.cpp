#include <gtest/gtest.h>

#include "RunState.h"
#include "TestSupport.h"
#include "database/mDatabase.h"
#include "platform/Text.h"

namespace {

struct Row {
  std::string labels, table, key;
  bool operator==(const Row&) const = default;
};

Row Lookup(short index, short subIndex, short level) {
  Row row{"", "unset", "unset"};
  row.labels = GetQueryForProcessing(index, subIndex, level, row.table, row.key);
  return row;
}

// Levels of one family give the same rows; levels outside the families and indexes beyond the list
// leave the outputs as they were. The application sub-tabs slice the combined list, and the server
// version chooses two categories' labels.
TEST(Catalogue, LevelsFamiliesSubTabsAndServerVersions) {
  testsupport::ScratchAppFolder app;
  ServerVersion = 1001;
  for (short index = 0; index <= 18; ++index)
    for (short sub = 0; sub <= 5; ++sub) {
      EXPECT_EQ(Lookup(index, sub, 2), Lookup(index, sub, 1)) << index << "/" << sub;
      EXPECT_EQ(Lookup(index, sub, 4), Lookup(index, sub, 1)) << index << "/" << sub;
    }
  for (short index = 0; index <= 14; ++index) EXPECT_EQ(Lookup(index, 3, 5), Lookup(index, 0, 3)) << index;
  EXPECT_EQ(Lookup(3, 0, 0), (Row{"", "unset", "unset"}));
  EXPECT_EQ(Lookup(3, 0, 6), (Row{"", "unset", "unset"}));
  // Beyond the list: logged, and the outputs are left as they were.
  EXPECT_EQ(Lookup(19, 0, 1), (Row{"", "unset", "unset"}));
  EXPECT_EQ(Lookup(15, 0, 5), (Row{"", "unset", "unset"}));
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 4u);  // the table and the key lookups of both calls
  EXPECT_EQ(log[0].rfind("mDatabase.GetQueryForProcessing ", 0), 0u) << log[0];
  EXPECT_NE(log[0].find("9 - Subscript out of range"), std::string::npos) << log[0];

  std::vector<std::string> combined = platform::Split(Lookup(5, 0, 1).labels, ",");
  ASSERT_EQ(combined.size(), 21u);
  EXPECT_EQ(combined.front(), "Application name");
  EXPECT_EQ(Lookup(5, 4, 1), (Row{platform::Join({combined.begin() + 10, combined.begin() + 16}, ","),
                                  "tblWebSiteApplicationSettings", "Application"}));
  EXPECT_EQ(Lookup(5, 2, 1), (Row{"Extension,Executable Path,Verbs", "tblAppMappings", "AppScriptMappings"}));
  // The four slices cover the combined list, none twice.
  std::string slices = Lookup(5, 1, 1).labels;
  for (short sub : {3, 4, 5}) slices += "," + Lookup(5, sub, 1).labels;
  EXPECT_EQ(slices, Lookup(5, 0, 1).labels);

  std::vector<std::string> directory = platform::Split(Lookup(0, 0, 3).labels, ",");
  ASSERT_EQ(directory.size(), 21u);
  EXPECT_EQ(directory.front(), "Application Name");
  EXPECT_EQ(Lookup(6, 0, 3).labels, platform::Join({directory.begin() + 16, directory.end()}, ","));
  EXPECT_EQ(Lookup(4, 0, 3).table, "tblVirApplicationSettings");

  // Home Directory's variants show in the settings tables' columns.
  EXPECT_NE(Lookup(6, 0, 1).labels.find("Allow IIS to control password"), std::string::npos);
  ServerVersion = 1000;
  EXPECT_NE(Lookup(6, 0, 1).labels.find("WindowsNT challenge or response"), std::string::npos);
  EXPECT_NE(Lookup(1, 0, 3).labels.find("Path,Read ,Write ,"), std::string::npos) << "no variants in directories";
}

}  // namespace
