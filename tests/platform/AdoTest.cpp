#include <gtest/gtest.h>

#include <csignal>

#include "TestServices.h"
#include "TestSupport.h"
#include "database/SqliteFile.h"
#include "platform/Ado.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Stop.h"
#include "platform/Text.h"

using namespace platform::ado;
using testsupport::ErrorOf;
using namespace std::string_literals;

namespace {

const std::string kJetPrefix = "Provider = Microsoft.Jet.OLEDB.4.0;Data Source =";
const std::string kSiteTable =
    "Create table [tblSite](SiteIndex text(25),[Read ] Text(255),[Read] Text(255),IISServer text(255))";

class AdoTest : public testing::Test {
 protected:
  void SetUp() override {
    Catalog().Create(jet);
    connection.Provider = "Microsoft.Jet.OLEDB.4.0";
    connection.Open(path, "", "", -1);
    connection.Execute(kSiteTable);
  }
  long Count(const std::string& where) {
    Recordset rs;
    rs.Open("Select * From tblSite Where " + where, connection);
    return rs.RecordCount();
  }
  static std::string Insert(const std::string& index) { return "Insert Into [tblSite](SiteIndex) Values('" + index + "')"; }

  testsupport::ScratchAppFolder app;
  // A Windows-style path, with a ";" that must survive the trip through ConnectionString: the
  // layer turns "\" into "/" when it touches the file.
  std::string path = app.Path() + "\\Set;tings.mdb", file = app.At("Set;tings.mdb"), jet = kJetPrefix + "\"" + path + "\"";
  Connection connection;
};

// Text limits count characters, not bytes; a row past one is refused and the rows before it stay.
TEST_F(AdoTest, FailuresCarryNegativeNumbersAndReadableDescriptionsAndEarlierRowsStay) {
  app.Write("Notes.mdb", "these are not the pages of a database, just a text file that is long enough\n");
  const std::string umlauts = platform::Replace(std::string(25, 'u'), "u", "\xC3\xBC");
  Catalog catalog;
  auto sql = [&](const std::string& text) { return std::function<void()>([&, text] { connection.Execute(text); }); };
  // Each statement with the number it raises (0 for none) and a part of the description.
  const std::vector<std::tuple<std::function<void()>, long, std::string>> statements = {
      {[&] { Connection().Open(app.Path() + "\\Missing.mdb"); }, adErrCannotOpen, "Missing.mdb"},
      {[&] { Connection().Open(app.At("Notes.mdb")); }, adErrCannotOpen, "Notes.mdb"},
      {[&] { Connection().Open(app.Path() + "\\Log"); }, adErrCannotOpen, "Log"},
      {[&] { catalog.Create(jet); }, adErrDatabaseExists, "exists"},
      {[&] { catalog.Create(kJetPrefix + app.Path() + "\\NoFolder\\New.mdb"); }, adErrCannotOpen, "New.mdb"},
      {sql("Select * From tblNowhere"), adErrTableMissing, "'tblNowhere'"},
      {sql("Drop Table [tblNowhere]"), adErrTableMissing, "'tblNowhere'"},
      {sql("Selec * Fro tblSite"), adErrSyntax, "Selec"},
      {sql("Insert Into [tblSite] Values('1')"), adErrSyntax, "not the same"},
      {sql("Create table [tblSite](a text(5))"), adErrSyntax, "tblSite"},
      {sql("Select [No Such Column] From tblSite"), adErrUnknownName, "No Such Column"},
      {sql(Insert(std::string(25, 'x'))), 0, ""},
      {sql(Insert(std::string(26, 'x'))), adErrValueTooLong, "too small"},
      {sql(Insert(umlauts)), 0, ""},
      {sql("Update tblSite Set SiteIndex = '" + std::string(26, 'x') + "'"), adErrValueTooLong, "SiteIndex"},
      {[&] { catalog.SetActiveConnection(&connection), catalog.TableName(1); }, adErrItemNotFound, "collection"},
      {[&] { connection.Close(), connection.Execute("Select * From tblSite"); }, adErrClosedObject, "closed"}};
  for (const auto& [statement, number, said] : statements) {
    std::string description;
    EXPECT_EQ(ErrorOf(statement, &description), number) << said;
    EXPECT_NE(description.find(said), std::string::npos) << description;
  }
  EXPECT_TRUE(testsupport::ReadFile(app.At("Missing.mdb")).empty()) << "opening must not create the file";
  EXPECT_EQ(testsupport::QueryFile(file, "Select count(*) From tblSite"), testsupport::Rows{{"2"}});
}

TEST_F(AdoTest, TextComparesWithoutCaseKeepsTrailingBlanksNullsAndQuotes) {
  connection.Execute("Insert Into [tblSite] Values('1','with blank','','WEB1')");
  connection.Execute("Insert Into [tblSite](SiteIndex,[Read],IISServer) Values('2','O''Brien','Web2')");
  for (auto [where, count] : std::vector<std::pair<std::string, long>>{
           {"IISServer = 'web1'", 1}, {"'WEB2' = IISServer", 1}, {"IISServer IN ('web1','WEB2')", 2},
           {"IISServer not in (Select IISServer From tblSite Where SiteIndex = '1')", 1}, {"[Read ] Is Null", 1},
           {"[Read] = ''", 1}})
    EXPECT_EQ(Count(where), count) << where;
  // "Read " and "Read" are two columns; Null stays apart from empty text.
  EXPECT_EQ(testsupport::ColumnsOf(file, "tblSite"),
            (std::vector<std::string>{"SiteIndex", "Read ", "Read", "IISServer"}));
  Recordset rs;
  rs.Open("Select [Read ],[Read] From tblSite Order By SiteIndex", connection);
  EXPECT_EQ(rs.Fields(0L).Name(), "Read ");
  EXPECT_EQ(rs.Fields("Read ").Text(), "with blank");
  EXPECT_EQ(rs.Fields("read").GetValue(), std::optional<std::string>(""));
  rs.MoveNext();
  EXPECT_TRUE(rs.Fields(0L).IsNull());
  EXPECT_EQ(rs.Fields("Read").Text(), "O'Brien");
  EXPECT_EQ(connection.Execute("Delete from tblSite where IISServer = 'wEb1'"), 1);
}

TEST_F(AdoTest, RecordsetsReadEveryRowAtOpenHoldNoLockAndAddRecords) {
  Recordset rs;
  rs.Open("Select * From tblSite Where IISServer = 'none'", connection, adOpenKeyset, adLockOptimistic);
  EXPECT_TRUE(rs.Bof() && rs.Eof());
  EXPECT_EQ(rs.FieldCount(), 4);
  rs.AddNew();
  rs.Fields("SiteIndex").SetValue("7");
  rs.Fields("IISServer").SetValue("WEB7");
  rs.Update();
  EXPECT_EQ(Count("SiteIndex = '7' And IISServer = 'web7' And [Read] Is Null"), 1);
  Recordset readOnly;
  readOnly.Open("tblSite", connection);  // a table name alone opens the whole table
  EXPECT_EQ(readOnly.RecordCount(), 1);
  EXPECT_EQ(ErrorOf([&] { readOnly.AddNew(); }), adErrNotUpdatable);
  // A statement that returns no rows runs and leaves the recordset closed.
  Recordset statement;
  statement.Open("Delete From tblSite", connection);
  EXPECT_EQ(statement.State(), adStateClosed);
  EXPECT_EQ(Count("1=1"), 0);
  rs.Close();
  for (const char* index : {"1", "2", "3"}) connection.Execute(Insert(index));

  // Every row is read at open; moving past the last one is an error.
  rs.Open("Select SiteIndex From tblSite Order By SiteIndex", connection.ConnectionString(), adOpenKeyset);
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_FALSE(rs.Bof() || rs.Eof());
  rs.MoveLast();
  rs.MovePrevious();
  EXPECT_EQ(rs.Fields(0L).Text(), "2");
  rs.MoveNext();
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(ErrorOf([&] { rs.MoveNext(); }), adErrNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { rs.Fields(0L); }), adErrNoCurrentRecord);

  // With the recordset still open, another connection on the file writes, drops and creates.
  Connection other;
  other.Open(jet);
  other.Execute(Insert("4"));
  connection.Execute("Drop Table [tblSite]");
  connection.Execute("Create table [tblSite](SiteIndex text(25))");
  EXPECT_EQ(rs.RecordCount(), 3) << "the rows were read at open";
  rs.Requery();
  EXPECT_EQ(rs.RecordCount(), 0);
}

// Scratch connections are opened and closed thousands of times a level; the one handle they share
// must never show a file that is gone or a transaction left open.
TEST_F(AdoTest, ScratchStoresReuseHandlesThatFollowTheFileAndCarryNoTransaction) {
  auto pragma = [](Connection& c, const std::string& name) {
    Recordset rs;
    rs.Open("PRAGMA " + name, c);
    return rs.Fields(0L).Text();
  };
  // A file the process made is held for the run and keeps its journal; one made elsewhere is not.
  EXPECT_EQ(pragma(connection, "locking_mode"), "exclusive");
  connection.Close();
  testsupport::Capture("sqlite3 '" + app.Path() + "/Other.mdb' 'CREATE TABLE t(a)'");
  Connection user;
  user.Open(app.Path() + "/Other.mdb");
  EXPECT_EQ(pragma(user, "locking_mode"), "normal");
  user.Close();
  RegisterScratchDatabase(app.Path() + "/Log/../Set;tings.mdb");
  EXPECT_TRUE(IsScratchDatabase(path));
  EXPECT_FALSE(IsScratchDatabase(app.Path() + "\\Other.mdb"));
  Connection first;
  first.Open(path);
  // Made by the Catalog, yet shared.
  EXPECT_EQ(pragma(first, "journal_mode") + pragma(first, "synchronous") + pragma(first, "locking_mode"), "wal0normal");
  first.Execute("BEGIN TRANSACTION");
  first.Execute(Insert("lost"));
  first.Close();  // the unfinished transaction ends with the connection
  connection.Open(path);
  EXPECT_EQ(connection.Execute(Insert("kept")), 1);
  EXPECT_EQ(Count("SiteIndex In ('lost', 'kept')"), 1);
  connection.Close();

  // The store deleted and made again: the next connection is on the new, empty file.
  platform::Kill(path);
  Catalog().Create(jet);
  connection.Open(path);
  EXPECT_EQ(ErrorOf([&] { connection.Execute("Select * From tblSite"); }), adErrTableMissing);
}

// A scratch store holds its writes back in a batch and may answer a query asked again from the
// rows it read before: every reader (this connection, another one, a recordset asked again, a
// reader of the file) must see each write, and only the writes that stand, as if each were
// committed; a failing row costs only itself.
TEST_F(AdoTest, AScratchStoreShowsEveryWriteThatStandsToEveryReader) {
  connection.Close();
  RegisterScratchDatabase(path);
  connection.Open(path);
  connection.Execute("Create table [tblOther](a text(25))");
  Connection other;
  other.Open(path);
  Recordset watched;
  watched.Open("Select * From tblSite", connection.ConnectionString());
  // The rows, each its index and server run together, asked again on the connection after every step.
  auto rows = [&](const std::string& where) {
    Recordset rs;
    rs.Open("Select SiteIndex, IISServer From tblSite Where " + where + " Order By SiteIndex", connection);
    std::string text;
    for (; !rs.Eof(); rs.MoveNext()) text += rs.Fields(0L).Text() + rs.Fields(1L).Text() + " ";
    return text;
  };
  const std::string tooLong = Insert(std::string(26, 'x'));
  // Each statement runs on the connection, on the other one ("other: "), as a recordset's source
  // ("source: "), or as the index of a record added through a recordset ("added: "); then come its
  // error, the rows, the rows a subquery on the other table finds, and the rows the watched
  // recordset finds when asked again.
  std::string seen;
  for (const std::string& step : {Insert("1"), tooLong, "added: 2"s, "Update tblSite Set IISServer = 'WEB1' Where SiteIndex = '2'"s,
                                  "Insert Into tblOther Values('1')"s,  // read by a subquery only
                                  "BEGIN TRANSACTION"s, Insert("undone"), "ROLLBACK TRANSACTION"s, "BEGIN TRANSACTION"s, Insert("3"),
                                  tooLong, "BEGIN TRANSACTION"s, "COMMIT TRANSACTION"s, "COMMIT TRANSACTION"s, "other: " + Insert("4"),
                                  "other: Delete From tblSite Where SiteIndex = '1'"s,
                                  "source: Delete From tblSite Where SiteIndex = '4'"s}) {
    const std::string sql = step.substr(step.find(": ") == std::string::npos ? 0 : step.find(": ") + 2);
    const long error = ErrorOf([&] {
      if (step.starts_with("source: ")) Recordset().Open(sql, connection);
      if (step.starts_with("other: ")) other.Execute(sql);
      if (sql == step) connection.Execute(sql);
      if (!step.starts_with("added: ")) return;
      Recordset rs;
      rs.Open("Select * From tblSite", connection, adOpenKeyset, adLockOptimistic);
      rs.AddNew();
      rs.Fields("SiteIndex").SetValue(sql);
      rs.Update();
    });
    watched.Requery();
    seen += step + "\n  " + std::to_string(error) + " | " + rows("1=1") + "| " + rows("SiteIndex In (Select a From tblOther)") +
            "| " + std::to_string(watched.RecordCount()) + "\n";
  }
  testsupport::ExpectLikeFile(seen, "platform/ScratchStore.expected");
  EXPECT_EQ(testsupport::FirstColumn(file, "Select SiteIndex From tblSite Order By SiteIndex"),
            (std::vector<std::string>{"2", "3"}));
  // The table made again by another connection; a query on a connection closed since fails.
  other.Execute("Drop Table tblSite");
  other.Execute(kSiteTable);
  EXPECT_EQ(rows("1=1") + rows("SiteIndex In (Select a From tblOther)"), "");
  Recordset onOther;
  onOther.Open("Select * From tblSite", other);
  other.Close();
  EXPECT_EQ(ErrorOf([&] { onOther.Requery(); }), adErrClosedObject);
}

// A stop signal: what the scratch store held back is committed but a transaction left open, a
// report's unfinished transaction is undone with the table made for it, and the reports finished
// before it stay.
testsupport::ChildProcedure stopWithRowsHeldBack("StopWithRowsHeldBack", [] {
  const std::string path = platform::AppFolder() + "\\Child.mdb", report = platform::AppFolder() + "\\Report.mdb";
  Catalog().Create(path);
  Catalog().Create(report);
  RegisterScratchDatabase(path);
  Connection connection, exporting;  // never closed
  connection.Open(path);
  exporting.Open(report);
  connection.Execute("Create table T(a text(10))");
  connection.Execute("Insert Into T Values('written')");
  connection.Execute("Begin");
  connection.Execute("Insert Into T Values('unfinished')");
  for (const char* table : {"Whole", "Half"}) {
    exporting.Execute(std::string("Create table ") + table + "(a text(10))");
    exporting.Execute("Begin");
    exporting.Execute(std::string("Insert Into ") + table + " Values('row')");
    if (table == std::string("Whole")) exporting.Execute("Commit");
  }
  platform::StopOnSignals(nullptr);
  std::raise(SIGTERM);
  exporting.Execute("Insert Into Half Values('row')");  // the stop ends the process here
});

TEST(AdoEnd, AStopCommitsWhatAScratchStoreHeldBackAndUndoesAnUnfinishedReport) {
  testsupport::ScratchAppFolder app;
  ASSERT_EQ(testsupport::RunChild(app, "StopWithRowsHeldBack"), 143);
  EXPECT_EQ(testsupport::FirstColumn(app.At("Child.mdb"), "Select a From T"), (std::vector<std::string>{"written"}));
  EXPECT_EQ(testsupport::TablesOf(app.At("Report.mdb")), (std::vector<std::string>{"Whole"}));
}

}  // namespace
