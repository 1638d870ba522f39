#include <gtest/gtest.h>

#include "TestSupport.h"
#include "database/mDatabase.h"
#include "mMain.h"
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

class CatalogueTest : public testing::Test {
 protected:
  void SetUp() override { ServerVersion = 1001; }
  testsupport::ScratchAppFolder app;
};

TEST_F(CatalogueTest, LevelsOfOneFamilyGiveTheSameRows) {
  for (short index = 0; index <= 18; ++index)
    for (short sub = 0; sub <= 5; ++sub) {
      EXPECT_EQ(Lookup(index, sub, 2), Lookup(index, sub, 1)) << index << "/" << sub;
      EXPECT_EQ(Lookup(index, sub, 4), Lookup(index, sub, 1)) << index << "/" << sub;
    }
  for (short index = 0; index <= 14; ++index) EXPECT_EQ(Lookup(index, 3, 5), Lookup(index, 0, 3)) << index;
}

TEST_F(CatalogueTest, ApplicationSubTabsSliceTheCombinedList) {
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
}

TEST_F(CatalogueTest, PlaceholderRowsLevelsOutsideTheFamiliesAndIndexesBeyondTheList) {
  EXPECT_EQ(Lookup(18, 0, 1), (Row{"Web Site Name", "WebSiteInfo", "YYY"}));
  EXPECT_EQ(Lookup(0, 0, 1), (Row{"", "ZZZ", "ZZZ"}));
  EXPECT_EQ(Lookup(0, 0, 3).table + Lookup(0, 0, 3).key, "AAAA");
  EXPECT_EQ(Lookup(3, 0, 0), (Row{"", "unset", "unset"}));
  EXPECT_EQ(Lookup(3, 0, 6), (Row{"", "unset", "unset"}));
  // Beyond the list: logged, and the outputs are left as they were.
  EXPECT_EQ(Lookup(19, 0, 1), (Row{"", "unset", "unset"}));
  EXPECT_EQ(Lookup(15, 0, 5), (Row{"", "unset", "unset"}));
  auto log = testsupport::StatusLog(app);
  ASSERT_EQ(log.size(), 4u);  // the table and the key lookups of both calls
  EXPECT_EQ(log[0].rfind("mDatabase.GetQueryForProcessing ", 0), 0u) << log[0];
  EXPECT_NE(log[0].find("9 - Subscript out of range"), std::string::npos) << log[0];
}

TEST_F(CatalogueTest, ServerVersionChoosesTheLabelsOfTwoCategories) {
  // Home Directory's variants show in the settings tables' columns.
  EXPECT_NE(Lookup(6, 0, 1).labels.find("Allow IIS to control password"), std::string::npos);
  ServerVersion = 1000;
  EXPECT_NE(Lookup(6, 0, 1).labels.find("WindowsNT challenge or response"), std::string::npos);
  EXPECT_EQ(Lookup(10, 0, 1).labels, "Enable rating,Violence,Sex,Nudity,Language ,Email,Modification date,Expire Date");
  EXPECT_NE(Lookup(1, 0, 3).labels.find("Path,Read ,Write ,"), std::string::npos) << "no variants in directories";
}

TEST_F(CatalogueTest, TableCreationAndExportTexts) {
  Row ssl = Lookup(14, 0, 1);
  EXPECT_EQ(ConstructQueryForTableCreating(ssl.labels, ssl.table, true),
            "Create table [tblSSLInfo](SiteIndex text(25),[SSL IP Address] Text(255),[SSL Port] Text(255),"
            "IISServer text(255))");
  EXPECT_EQ(ConstructQueryForTableCreating("Path,Read ", "tblVirtualDirectory2000", false),
            "Create table [tblVirtualDirectory2000]([vKey] text(255),[Directory Name] text(255),[Path] Text(255),"
            "[Read ] Text(255))");
  EXPECT_EQ(ConstructQueryForExport("Operators", "Operators", true),
            "Create table [Operators]([Web Site Name] text(25),[Operators] Text(255))");
  EXPECT_EQ(ConstructQueryForExport("Documents", "Documents", false),
            "Create table [Documents]([Directory Name] text(255),[Documents] Text(255))");
  EXPECT_EQ(ConstructSelectColumns(ssl.labels, true), "B.[SSL IP Address],B.[SSL Port]");
  EXPECT_EQ(ConstructSelectColumns(ssl.labels, false), "[SSL IP Address],[SSL Port]");
}

// Caption n belongs to catalogue index n; levels outside a family leave the outputs alone.
TEST_F(CatalogueTest, TabCaptionsBelongToTheirIndices) {
  std::string captions = "unset", application = "unset";
  GetTabCaptions(1, captions, application);
  std::vector<std::string> web = platform::Split(captions, ",");
  ASSERT_EQ(web.size(), 17u);
  EXPECT_EQ(web[14 - 1], "SSL Identities");
  EXPECT_EQ(web[7 - 1], "Resticted IP Address");
  EXPECT_EQ(platform::Split(application, ",").size(), 5u);
  application = "kept";  // the directory family has no application captions
  GetTabCaptions(5, captions, application);
  EXPECT_EQ(platform::Split(captions, ",").at(3 - 1), "Application Mappings");
  EXPECT_EQ(platform::Split(captions, ",").size(), 14u);
  EXPECT_EQ(application, "kept");
  GetTabCaptions(6, captions, application);
  EXPECT_EQ(platform::Split(captions, ",").size(), 14u) << "no family: nothing changes";
}

}  // namespace
