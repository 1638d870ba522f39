#include <gtest/gtest.h>

#include <csignal>

#include "TestSupport.h"
#include "database/SqliteFile.h"
#include "platform/Ado.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Stop.h"

using namespace platform::ado;
using testsupport::ErrorOf;

namespace {

const std::string kJetPrefix = "Provider = Microsoft.Jet.OLEDB.4.0;Data Source =";

class AdoTest : public testing::Test {
 protected:
  void SetUp() override {
    // A Windows-style path: the layer turns "\" into "/" when it touches the file.
    path = app.Path() + "\\Settings.mdb";
    CreateFile();
    connection.Provider = "Microsoft.Jet.OLEDB.4.0";
    connection.Open(path, "", "", -1);
    connection.Execute("Create table [tblSite](SiteIndex text(25),[Read ] Text(255),[Read] Text(255),IISServer text(255))");
  }

  void CreateFile() {
    Catalog catalog;
    catalog.Create(kJetPrefix + path);
    catalog.SetActiveConnection(nullptr);
  }
  long Count(const std::string& where) {
    Recordset rs;
    rs.Open("Select * From tblSite Where " + where, connection);
    return rs.RecordCount();
  }
  // The error number a statement on the fixture's connection raises, 0 for none.
  long ErrorOfSql(const std::string& sql, std::string* description = nullptr) {
    return ErrorOf([&] { connection.Execute(sql); }, description);
  }
  long InsertIndex(const std::string& index, std::string* description = nullptr) {
    return ErrorOfSql("Insert Into [tblSite](SiteIndex) Values('" + index + "')", description);
  }

  testsupport::ScratchAppFolder app;
  std::string path;
  Connection connection;
};

TEST_F(AdoTest, ConnectionStringsOfBothFormsOpenTheSameFile) {
  connection.Execute("Insert Into [tblSite] Values('1','a','b','WEB1')");
  Connection jet;
  jet.Open(kJetPrefix + path);
  Recordset rs;
  rs.Open("Select * From tblSite", jet);
  EXPECT_EQ(rs.RecordCount(), 1);

  // A ";" in a bare path survives the trip through ConnectionString.
  std::string odd = app.Path() + "\\Odd;Name.mdb";
  Catalog().Create(kJetPrefix + "\"" + odd + "\"");
  Connection bare;
  bare.Provider = "Microsoft.Jet.OLEDB.4.0";
  bare.Open(odd);
  bare.Execute("Create table T(a text(1))");
  Recordset table;
  table.Open("T", bare.ConnectionString());
  EXPECT_EQ(table.FieldCount(), 1);
}

TEST_F(AdoTest, FailuresCarryNegativeNumbersAndReadableDescriptionsAndEarlierRowsStay) {
  std::string description;
  Connection missing;
  EXPECT_EQ(ErrorOf([&] { missing.Open(app.Path() + "\\Missing.mdb"); }, &description), adErrCannotOpen);
  EXPECT_NE(description.find("Missing.mdb"), std::string::npos);
  EXPECT_TRUE(testsupport::ReadFile(app.At("Missing.mdb")).empty()) << "opening must not create the file";

  app.Write("Notes.mdb", "these are not the pages of a database, just a text file that is long enough\n");
  EXPECT_EQ(ErrorOf([&] { Connection().Open(app.At("Notes.mdb")); }), adErrCannotOpen);
  EXPECT_EQ(ErrorOf([&] { Connection().Open(app.Path() + "\\Log"); }), adErrCannotOpen);

  Catalog catalog;
  EXPECT_EQ(ErrorOf([&] { catalog.Create(kJetPrefix + path); }), adErrDatabaseExists);
  EXPECT_EQ(ErrorOf([&] { catalog.Create(kJetPrefix + app.Path() + "\\NoFolder\\New.mdb"); }), adErrCannotOpen);

  EXPECT_EQ(ErrorOfSql("Select * From tblNowhere", &description), adErrTableMissing);
  EXPECT_NE(description.find("tblNowhere"), std::string::npos);
  EXPECT_EQ(ErrorOfSql("Drop Table [tblNowhere]"), adErrTableMissing);
  EXPECT_EQ(ErrorOfSql("Selec * Fro tblSite", &description), adErrSyntax);
  EXPECT_FALSE(description.empty());
  EXPECT_EQ(ErrorOfSql("Insert Into [tblSite] Values('1')"), adErrSyntax);
  EXPECT_EQ(ErrorOfSql("Create table [tblSite](a text(5))", &description), adErrSyntax);
  EXPECT_NE(description.find("tblSite"), std::string::npos);
  EXPECT_LT(ErrorOfSql("Select [No Such Column] From tblSite"), 0);
  // Text limits count characters, not bytes; a row past one is refused and earlier rows stay.
  InsertIndex(std::string(25, 'x'));
  EXPECT_EQ(InsertIndex(std::string(26, 'x'), &description), adErrValueTooLong);
  EXPECT_NE(description.find("too small"), std::string::npos) << description;
  EXPECT_EQ(Count("1=1"), 1);
  std::string umlauts;
  for (int i = 0; i < 25; ++i) umlauts += "\xC3\xBC";
  EXPECT_EQ(InsertIndex(umlauts), 0);
  EXPECT_EQ(ErrorOfSql("Update tblSite Set SiteIndex = '" + std::string(26, 'x') + "'"), adErrValueTooLong);
  catalog.SetActiveConnection(&connection);
  EXPECT_EQ(ErrorOf([&] { catalog.TableName(1); }), adErrItemNotFound);
  connection.Close();
  EXPECT_EQ(ErrorOfSql("Select * From tblSite"), adErrClosedObject);
}

TEST_F(AdoTest, TextComparesWithoutCaseKeepsTrailingBlanksNullsAndQuotes) {
  connection.Execute("Insert Into [tblSite] Values('1','with blank','','WEB1')");
  connection.Execute("Insert Into [tblSite](SiteIndex,[Read],IISServer) Values('2','O''Brien','Web2')");
  EXPECT_EQ(Count("IISServer = 'web1'"), 1);
  EXPECT_EQ(Count("'WEB2' = IISServer"), 1);
  EXPECT_EQ(Count("IISServer IN ('web1','WEB2')"), 2);
  EXPECT_EQ(Count("IISServer not in (Select IISServer From tblSite Where SiteIndex = '1')"), 1);
  // "Read " and "Read" are two columns; Null stays apart from empty text.
  EXPECT_EQ(testsupport::ColumnsOf(app.At("Settings.mdb"), "tblSite"),
            (std::vector<std::string>{"SiteIndex", "Read ", "Read", "IISServer"}));
  Recordset rs;
  rs.Open("Select [Read ],[Read] From tblSite Order By SiteIndex", connection);
  EXPECT_EQ(rs.Fields(0L).Name(), "Read ");
  EXPECT_EQ(rs.Fields("Read ").Text(), "with blank");
  EXPECT_EQ(rs.Fields("read").GetValue(), std::optional<std::string>(""));
  rs.MoveNext();
  EXPECT_TRUE(rs.Fields(0L).IsNull());
  EXPECT_EQ(rs.Fields("Read").Text(), "O'Brien");
  EXPECT_EQ(Count("[Read ] Is Null"), 1);
  EXPECT_EQ(Count("[Read] = ''"), 1);
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
  for (int i = 1; i <= 3; ++i)
    connection.Execute("Insert Into [tblSite](SiteIndex,IISServer) Values('" + std::to_string(i) + "','WEB1')");

  // Every row is read at open; moving past the last one is an error.
  rs.Open("Select SiteIndex From tblSite Order By SiteIndex", connection.ConnectionString(), adOpenKeyset);
  EXPECT_EQ(rs.RecordCount(), 3);
  EXPECT_TRUE(rs.Bof() == false && rs.Eof() == false);
  rs.MoveLast();
  EXPECT_EQ(rs.Fields(0L).Text(), "3");
  rs.MovePrevious();
  EXPECT_EQ(rs.Fields(0L).Text(), "2");
  rs.MoveNext();
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(ErrorOf([&] { rs.MoveNext(); }), adErrNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { rs.Fields(0L); }), adErrNoCurrentRecord);

  // With the recordset still open, another connection on the file writes, drops and creates.
  Connection other;
  other.Open(kJetPrefix + path);
  other.Execute("Insert Into [tblSite](SiteIndex) Values('4')");
  connection.Execute("Drop Table [tblSite]");
  connection.Execute("Create table [tblSite](SiteIndex text(25))");
  EXPECT_EQ(rs.RecordCount(), 3) << "the rows were read at open";
  rs.Requery();
  EXPECT_EQ(rs.RecordCount(), 0);
  rs.Close();
  EXPECT_EQ(rs.State(), adStateClosed);
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
  const std::string other = app.Path() + "/Other.mdb";
  sqlite3* made = nullptr;
  sqlite3_open(other.c_str(), &made);
  sqlite3_exec(made, "CREATE TABLE t(a)", nullptr, nullptr, nullptr);
  sqlite3_close(made);
  {
    Connection user;
    user.Open(other);
    EXPECT_EQ(pragma(user, "locking_mode"), "normal");
  }
  RegisterScratchDatabase(app.Path() + "/Log/../Settings.mdb");
  EXPECT_TRUE(IsScratchDatabase(path));
  EXPECT_FALSE(IsScratchDatabase(app.Path() + "\\Other.mdb"));
  {
    Connection first;
    first.Open(path);
    EXPECT_EQ(pragma(first, "journal_mode"), "wal");
    EXPECT_EQ(pragma(first, "synchronous"), "0");
    EXPECT_EQ(pragma(first, "locking_mode"), "normal");  // made by the Catalog, yet shared
    first.Execute("BEGIN TRANSACTION");
    first.Execute("Insert Into [tblSite](SiteIndex) Values('lost')");
    first.Close();  // the unfinished transaction ends with the connection
  }
  Connection second;
  second.Open(path);
  EXPECT_EQ(second.Execute("Insert Into [tblSite](SiteIndex) Values('kept')"), 1);
  second.Close();
  connection.Open(path);
  EXPECT_EQ(Count("SiteIndex = 'lost'"), 0);
  EXPECT_EQ(Count("SiteIndex = 'kept'"), 1);
  connection.Close();

  // The store deleted and made again: the next connection is on the new, empty file.
  platform::Kill(path);
  CreateFile();
  connection.Open(path);
  EXPECT_EQ(ErrorOfSql("Select * From tblSite"), adErrTableMissing);
}

// A scratch store holds its writes back in a batch: every other connection, a transaction of the
// caller's and the program's end must still see them, and a failing row must cost only itself.
TEST_F(AdoTest, ScratchStoreWritesReachEveryOtherReaderAsIfEachWereCommitted) {
  connection.Close();
  RegisterScratchDatabase(path);
  connection.Open(path);
  EXPECT_EQ(InsertIndex("1"), 0);
  EXPECT_EQ(InsertIndex(std::string(26, 'x')), adErrValueTooLong);
  EXPECT_EQ(InsertIndex("2"), 0);
  // A query on a connection of its own sees both rows at once.
  Recordset rs;
  rs.Open("Select * From tblSite", connection.ConnectionString());
  EXPECT_EQ(rs.RecordCount(), 2);
  // Running it again after a write of another connection reads the new row.
  Connection other;
  other.Open(path);
  other.Execute("Insert Into [tblSite](SiteIndex) Values('other')");
  other.Close();
  rs.Requery();
  EXPECT_EQ(rs.RecordCount(), 3);
  connection.Execute("Delete From tblSite Where SiteIndex = 'other'");
  rs.Requery();
  EXPECT_EQ(rs.RecordCount(), 2);

  // The caller's own transaction starts after the rows before it are in; undoing it undoes its own.
  EXPECT_EQ(InsertIndex("3"), 0);
  connection.Execute("BEGIN TRANSACTION");
  EXPECT_EQ(InsertIndex("undone"), 0);
  connection.Execute("ROLLBACK TRANSACTION");
  EXPECT_EQ(InsertIndex("4"), 0);
  // Committed, it keeps its rows but a failing one; it cannot be started twice.
  connection.Execute("BEGIN TRANSACTION");
  EXPECT_EQ(InsertIndex("5"), 0);
  EXPECT_EQ(InsertIndex(std::string(26, 'x')), adErrValueTooLong);
  EXPECT_EQ(ErrorOfSql("BEGIN TRANSACTION"), adErrSyntax);
  connection.Execute("COMMIT TRANSACTION");
  EXPECT_EQ(ErrorOfSql("COMMIT TRANSACTION"), adErrSyntax);
  connection.Close();
  EXPECT_EQ(testsupport::FirstColumn(app.At("Settings.mdb"), "Select SiteIndex From tblSite"),
            (std::vector<std::string>{"1", "2", "3", "4", "5"}));
}

// A query asked again on a scratch store may be answered from the rows it read before: every kind
// of write to a table it reads, and only those, must make it read again.
TEST_F(AdoTest, AScratchQueryAskedAgainSeesEveryWriteToItsTables) {
  connection.Close();
  RegisterScratchDatabase(path);
  connection.Open(path);
  connection.Execute("Create table [tblOther](a text(25))");
  const std::string inOther = "SiteIndex In (Select a From tblOther)";
  EXPECT_EQ(Count("1=1"), 0);
  EXPECT_EQ(InsertIndex("1"), 0);
  EXPECT_EQ(Count("1=1"), 1);
  {
    Recordset rs;
    rs.Open("Select * From tblSite", connection, adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    rs.Fields("SiteIndex").SetValue("2");
    rs.Update();
  }
  EXPECT_EQ(Count("1=1"), 2);
  connection.Execute("Update tblSite Set IISServer = 'WEB1' Where SiteIndex = '2'");
  EXPECT_EQ(Count("IISServer = 'WEB1'"), 1);
  EXPECT_EQ(InsertIndex(std::string(26, 'x')), adErrValueTooLong);
  EXPECT_EQ(Count("1=1"), 2);
  // A table read only by a subquery counts too.
  EXPECT_EQ(Count(inOther), 0);
  connection.Execute("Insert Into tblOther Values('1')");
  EXPECT_EQ(Count(inOther), 1);
  // Rows undone by the caller's rollback are gone from the answer as well.
  connection.Execute("BEGIN TRANSACTION");
  EXPECT_EQ(InsertIndex("undone"), 0);
  EXPECT_EQ(Count("1=1"), 3);
  connection.Execute("ROLLBACK TRANSACTION");
  EXPECT_EQ(Count("1=1"), 2);
  // Another connection on the file, a write run as a recordset's source, and the table made again.
  Connection other;
  other.Open(path);
  other.Execute("Delete From tblSite Where SiteIndex = '1'");
  EXPECT_EQ(Count("1=1"), 1);
  Recordset rs;
  rs.Open("Select * From tblSite", connection);
  Recordset().Open("Delete From tblSite", connection);
  EXPECT_EQ(Count("1=1"), 0);
  rs.Requery();
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_EQ(InsertIndex("3"), 0);
  other.Execute("Drop Table tblSite");
  other.Execute("Create table [tblSite](SiteIndex text(25),[Read ] Text(255),[Read] Text(255),IISServer text(255))");
  EXPECT_EQ(Count("1=1"), 0);
  EXPECT_EQ(Count(inOther), 0);
  // Asked again once its connection is closed, a query fails.
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
