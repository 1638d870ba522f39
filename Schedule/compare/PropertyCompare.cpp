#include "compare/PropertyCompare.h"

#include <vector>

#include "ModuleNames.h"
#include "RunState.h"
#include "compare/CompareState.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "platform/Err.h"
#include "platform/Text.h"

using platform::OnError;
namespace ado = platform::ado;

namespace {

const char* const kRestrictedCaption = "Restricted IP Address";
// The application category of the web-site family, compared as its sub-lists but the mappings.
const short kApplicationIndex = 5;
const short kApplicationSubLists[] = {1, 3, 4, 5};

// One TmpTable row, as one statement: a failing row is one status-log line and the next row is
// still written.
void AddRow(OnError& onError, ado::Recordset& tmpRs, const std::string& caption, const std::string& property,
            const ado::Value& value1, const ado::Value& value2) {
  onError.Next([&] {
    tmpRs.AddNew();
    tmpRs.Fields(0L).SetValue(caption);
    tmpRs.Fields(1L).SetValue(property);
    tmpRs.Fields(2L).SetValue(value1);
    tmpRs.Fields(3L).SetValue(value2);
    tmpRs.Update();
  });
}

// False once the recordset is at its end, or when that cannot be told.
bool NotAtEnd(OnError& onError, ado::Recordset& rs) {
  bool atEnd = true;
  onError.Next([&] { atEnd = rs.Eof(); });
  return !atEnd;
}

std::string SiteQuery(const std::string& labels, const std::string& table, const std::string& server,
                      const std::string& siteIndex) {
  return "Select " + ConstructSelectColumns(labels, false) + " From " + table + " Where IISServer ='" + server +
         "' AND SiteIndex = '" + siteIndex + "'";
}

std::string DirectoryQuery(const std::string& labels, const std::string& table, const std::string& parentPath,
                           const std::string& dirName) {
  return "Select " + ConstructSelectColumns(labels, false) + " From " + table + " Where vKey = '" +
         platform::QuoteSql(parentPath + "/" + dirName) + "'";
}

// The connection of the job being compared, while CompareSiteProperties runs.
ado::Connection* jobConnection = nullptr;

// Opens a read-only recordset on the job's connection, or on a connection of its own.
void OpenQuery(ado::Recordset& rs, const std::string& query) {
  if (jobConnection != nullptr && jobConnection->State() == ado::adStateOpen)
    rs.Open(query, *jobConnection, ado::adOpenKeyset);
  else
    rs.Open(query, SettingsDatabase().ConnectionString(), ado::adOpenKeyset);
}

}  // namespace

ado::Connection& SettingsDatabase() {
  if (!SettingsConnection) platform::Raise(platform::errObjectNotSet);
  return *SettingsConnection;
}

void CompareSiteProperties(const std::string& server1, const std::string& server2, const std::string& siteIndex1,
                           const std::string& siteIndex2) {
  OnError onError(modules::mCollect, "CompareSiteProperties");
  onError.Next([] { DropTable("TmpTable", SettingsDatabase()); });
  onError.Next([] {
    SettingsDatabase().Execute(
        "Create table TmpTable(TabName text(50),Properties text(100),WebSite1 text(255),WebSite2 text(255))", -1);
  });
  // The job runs on the settings connection, which has just made TmpTable (a connection of its
  // own would first read the changed schema again): tmpRs writes the job's rows in one
  // transaction (the file is locked and written once a job, not once a row), and the category
  // queries read on it instead of opening a connection each (two a category, some fifty a job).
  ado::Recordset tmpRs;
  jobConnection = SettingsConnection.get();
  onError.Next([&] {
    tmpRs.Open("Select * from TmpTable", SettingsDatabase(), ado::adOpenKeyset, ado::adLockOptimistic);
  });
  // Without the table no row can be written: one line in the status log says so, not one a row.
  if (tmpRs.State() != ado::adStateOpen) {
    jobConnection = nullptr;
    return;
  }
  bool inTransaction = onError.Next([&] { SettingsDatabase().Execute("BEGIN TRANSACTION", -1); });

  const std::vector<std::string> appCaptions = platform::Split(CompareAppTabCaptions, ",");
  for (short i = 1; i <= CompareCategoryCount - 1; ++i) {
    std::string table, key, labels;
    if (CurrentLevel == 4) {
      onError.Next([&] { labels = GetQueryForProcessing(i, 0, 4, table, key); });
      if (key == "IPAddress") {
        CompareRestrictedIPAddress1(tmpRs, labels, table);
        continue;
      }
      if (i != kApplicationIndex) {
        onError.Next([&] {
          CompareProp(Item(CompareTabCaptions, i - 1), SiteQuery(labels, table, server1, siteIndex1),
                      SiteQuery(labels, table, server2, siteIndex2), tmpRs);
        });
        continue;
      }
      for (short k : kApplicationSubLists) {
        onError.Next([&] { labels = GetQueryForProcessing(kApplicationIndex, k, 4, table, key); });
        onError.Next([&] {
          CompareProp(Item(appCaptions, k - 1), SiteQuery(labels, table, server1, siteIndex1),
                      SiteQuery(labels, table, server2, siteIndex2), tmpRs);
        });
      }
    } else {
      onError.Next([&] { labels = GetQueryForProcessing(i, 0, 5, table, key); });
      onError.Next([&] {
        CompareProp(Item(CompareTabCaptions, i - 1), DirectoryQuery(labels, table, CompareParentPath1, CompareDirName1),
                    DirectoryQuery(labels, table, CompareParentPath2, CompareDirName2), tmpRs);
      });
    }
  }
  onError.Next([&] { CloseRecordset(tmpRs); });
  if (inTransaction) onError.Next([&] { SettingsDatabase().Execute("COMMIT TRANSACTION", -1); });
  jobConnection = nullptr;
}

void CompareProp(const std::string& caption, const std::string& query1, const std::string& query2,
                 ado::Recordset& tmpRs) {
  OnError onError(modules::mCollect, "CompareProp");
  ado::Recordset rs1, rs2;
  onError.Next([&] { OpenQuery(rs1, query1); });
  onError.Next([&] { OpenQuery(rs2, query2); });
  onError.Next([&] {
    if (rs1.State() != ado::adStateOpen || rs2.State() != ado::adStateOpen) return;
    const long count1 = rs1.RecordCount(), count2 = rs2.RecordCount();
    if (count1 < 1 || count2 < 1) return;
    if (count1 == count2)
      CompIsEqualRecordCount(caption, rs1, rs2, tmpRs);
    else if (count1 > count2)
      CompIsDiffRecordCount(caption, rs1, rs2, tmpRs, false);
    else
      CompIsDiffRecordCount(caption, rs2, rs1, tmpRs, true);
  });
  onError.Next([&] { CloseRecordset(rs1); });
  onError.Next([&] { CloseRecordset(rs2); });
}

void CloseRecordset(ado::Recordset& rs) {
  if (rs.State() == ado::adStateOpen) rs.Close();
}

void CompIsEqualRecordCount(const std::string& caption, ado::Recordset& rs1, ado::Recordset& rs2,
                            ado::Recordset& tmpRs) {
  OnError onError(modules::mCollect, "CompIsEqualRecordCount");
  long count = 0;
  onError.Next([&] { count = rs1.RecordCount(); });
  if (count < 1) return;
  while (NotAtEnd(onError, rs1)) {
    long fields = 0;
    onError.Next([&] { fields = rs1.FieldCount(); });
    for (long f = 0; f < fields; ++f) {
      std::string name;
      ado::Value value1, value2;
      onError.Next([&] { name = rs1.FieldName(f); });
      onError.Next([&] { value1 = rs1.Fields(f).GetValue(); });
      onError.Next([&] { value2 = rs2.Fields(f).GetValue(); });
      AddRow(onError, tmpRs, caption, name, value1, value2);
    }
    onError.Next([&] { rs1.MoveNext(); });
    onError.Next([&] { rs2.MoveNext(); });
  }
}

void CompIsDiffRecordCount(const std::string& caption, ado::Recordset& longer, ado::Recordset& shorter,
                           ado::Recordset& tmpRs, bool swapped) {
  OnError onError(modules::mCollect, "CompIsDiffRecordCount");
  long fields = 0;
  onError.Next([&] { fields = longer.FieldCount(); });
  // Two values in item order: item 1's in WebSite1, whichever set is the longer.
  auto add = [&](long f, const ado::Value& fromLonger, const ado::Value& fromShorter) {
    std::string name;
    onError.Next([&] { name = longer.FieldName(f); });
    AddRow(onError, tmpRs, caption, name, swapped ? fromShorter : fromLonger, swapped ? fromLonger : fromShorter);
  };

  // Paired records: text without regard to case, a Null as empty text.
  while (NotAtEnd(onError, shorter)) {
    for (long f = 0; f < fields; ++f)
      onError.Next([&] {
        const ado::Field& l = longer.Fields(f);
        const ado::Field& s = shorter.Fields(f);
        if (platform::UCase(l.Text()) != platform::UCase(s.Text())) add(f, l.GetValue(), s.GetValue());
      });
    onError.Next([&] { longer.MoveNext(); });
    onError.Next([&] { shorter.MoveNext(); });
  }
  onError.Next([&] { shorter.MovePrevious(); });

  // Records beyond the shorter set against its last record: exact values, a Null no difference.
  while (NotAtEnd(onError, longer)) {
    for (long f = 0; f < fields; ++f)
      onError.Next([&] {
        const ado::Field& l = longer.Fields(f);
        const ado::Field& s = shorter.Fields(f);
        if (!l.IsNull() && !s.IsNull() && l.GetValue() != s.GetValue()) add(f, l.GetValue(), s.GetValue());
      });
    onError.Next([&] { longer.MoveNext(); });
  }
}

void CompareRestrictedIPAddress1(ado::Recordset& tmpRs, const std::string& columns, const std::string& table) {
  OnError onError(modules::mCollect, "CompareRestrictedIPAddress1");
  ado::Recordset list1, list2;
  if (columns.empty()) return;
  for (const std::string& c : platform::Split(columns, ",")) {
    const std::string query1 = "Select [" + c + "] from " + table + " Where SiteIndex ='" + CompareSiteIndex1 +
                               "' and IISServer = '" + CompareServer1 + "' and  [" + c + "] not in(Select [" + c +
                               "] from " + table + "  where IISServer = '" + CompareServer2 + "' and SiteIndex ='" +
                               CompareSiteIndex2 + "')";
    const std::string query2 = "Select [" + c + "] from " + table + " Where SiteIndex ='" + CompareSiteIndex2 +
                               "' and IISServer = '" + CompareServer2 + "' and  [" + c + "] not in(Select [" + c +
                               "] from " + table + "  where IISServer = '" + CompareServer1 + "' and SiteIndex ='" +
                               CompareSiteIndex1 + "')";
    onError.Next([&] { OpenQuery(list1, query1); });
    onError.Next([&] { OpenQuery(list2, query2); });
    onError.Next([&] {
      if (list1.State() != ado::adStateOpen || list2.State() != ado::adStateOpen) return;
      if (list1.RecordCount() > 0 || list2.RecordCount() > 0) WriteIPAddressInfo(list1, list2, c, tmpRs);
    });
    onError.Next([&] { CloseRecordset(list1); });
    onError.Next([&] { CloseRecordset(list2); });
  }
}

void WriteIPAddressInfo(ado::Recordset& list1, ado::Recordset& list2, const std::string& column,
                        ado::Recordset& tmpRs) {
  OnError onError(modules::mCollect, "WriteIPAddressInfo");
  long count1 = 0, count2 = 0;
  onError.Next([&] { count1 = list1.RecordCount(); });
  onError.Next([&] { count2 = list2.RecordCount(); });
  // The longer list is walked (list 2 when they are as long); the other is its partner.
  const bool walkFirst = count1 > count2;
  ado::Recordset& walked = walkFirst ? list1 : list2;
  ado::Recordset& partner = walkFirst ? list2 : list1;
  if (tmpRs.State() != ado::adStateOpen) return;
  while (NotAtEnd(onError, walked)) {
    ado::Value own, other = std::string(" ");
    onError.Next([&] { own = walked.Fields(0L).GetValue(); });
    if (NotAtEnd(onError, partner)) {
      onError.Next([&] { other = partner.Fields(0L).GetValue(); });
      onError.Next([&] { partner.MoveNext(); });
    }
    AddRow(onError, tmpRs, kRestrictedCaption, column, walkFirst ? own : other, walkFirst ? other : own);
    onError.Next([&] { walked.MoveNext(); });
  }
}
