#include "custom/mCustom.h"

#include <cstdlib>

#include "ModuleNames.h"
#include "RunState.h"
#include "collect/Sites.h"
#include "database/mDatabase.h"
#include "database/mGlob.h"
#include "frmSchedule.h"
#include "platform/DateTime.h"
#include "platform/Err.h"
#include "platform/Text.h"
#include "reports/mExport.h"

namespace ado = platform::ado;
using platform::OnError;

namespace {

// The recordsets of a report read the settings database through one connection of the report's
// own, made from the settings connection's string, in one read transaction: a report runs a few
// queries per site, and opening a connection or taking the file's lock for each would cost more
// than the query. Nothing writes the settings while a report is made; closing ends the reading.
void OpenReading(ado::Connection& reading) {
  if (!SettingsConnection) platform::Raise(platform::errObjectNotSet);
  reading.Open(SettingsConnection->ConnectionString());
  reading.Execute("Begin");
}

void OpenOn(ado::Connection& reading, ado::Recordset& records, const std::string& query) {
  records.Open(query, reading, ado::adOpenKeyset, ado::adLockOptimistic);
}

short NameCount(const std::string& columnList) {
  return static_cast<short>(platform::Split(columnList, ",").size());
}

}  // namespace

void AlignGridForCustomReport(const std::vector<std::string>& columnLists) {
  OnError onError(modules::mCustom, "AlignGridForCustomReport");
  platform::Grid& grid = frmSchedule().grdReport;
  onError.Next([&] { grid.SetRows(1); });
  onError.Next([&] { grid.SetCols(1); });
  long nextColumn = 1;
  onError.Next([&] { grid.SetTextMatrix(0, 0, CurrentLevel == 3 ? "Directory Name" : "Web Site Name"); });
  for (const std::string& columnList : columnLists) {
    if (columnList.empty()) continue;
    std::vector<std::string> names = platform::Split(columnList, ",");
    onError.Next([&] { grid.SetCols(grid.Cols() + static_cast<long>(names.size())); });
    for (const std::string& name : names) {
      onError.Next([&] { grid.SetTextMatrix(0, nextColumn, name); });
      ++nextColumn;
    }
  }
}

void GenerateCustomReport(std::string server, const std::vector<std::string>& columnLists,
                          const std::vector<std::string>& tableNames) {
  OnError onError(modules::mCustom, "GenerateCustomReport");
  platform::Grid& grid = frmSchedule().grdReport;
  const short level = CurrentLevel;

  // The entry's own parts are resolved once per report: they do not change between entities.
  std::string serverPart = platform::TextBefore(server, "\\");
  std::string siteIndex, keyPath, entityQuery;
  if (level == 2 || level == 3)
    onError.Next([&] { siteIndex = FindSiteIndex(serverPart, Item(platform::Split(server, "\\"), 1)); });
  if (level == 3) onError.Next([&] { keyPath = GetPath(server); });
  if (level == 1)
    entityQuery = "Select * from WebSiteInfo Where IISServer = '" + server + "'";
  else if (level == 2)
    entityQuery = "Select * from WebSiteInfo Where IISServer = '" + serverPart + "' And SiteIndex = '" + siteIndex + "'";
  else
    entityQuery = "select  *  from WebSiteInfo  where IISServer  = '" + serverPart + "'" + " ANd SiteIndex = '" +
                  siteIndex + "'";

  ado::Connection reading;
  onError.Next([&] { OpenReading(reading); });
  if (reading.State() != ado::adStateOpen) return;
  ado::Recordset entities;
  onError.Next([&] { OpenOn(reading, entities, entityQuery); });
  if (entities.State() != ado::adStateOpen) return;
  long entityCount = 0;
  onError.Next([&] { entityCount = entities.RecordCount(); });
  if (entityCount == 0) {
    entities.Close();
    return;
  }

  const std::string& tableServer = level == 1 ? server : serverPart;
  long rowPointer = 1;
  for (entities.MoveFirst(); !entities.Eof(); entities.MoveNext()) {
    if (columnLists.empty()) continue;
    std::string entityIndex;
    onError.Next([&] { entityIndex = entities.Fields(0).Text(); });

    // One query per table; a piece that fails (a missing table name) leaves that query as far
    // as it got, and the database then rejects it.
    std::vector<std::string> queries;
    queries.reserve(columnLists.size());
    for (size_t i = 0; i < columnLists.size(); ++i) {
      std::string text = i > 0 ? "" : level == 3 ? "select  B.[Directory Name]," : " select A.[Web Site Name],";
      onError.Next([&] {
        const std::string& table = Item(tableNames, static_cast<long>(i));
        if (level == 3)
          text += ConstructSelectColumns(columnLists[i], true) + " From " + table + " B Where B.vKey = '" + keyPath + "'";
        else
          text += ConstructSelectColumns(columnLists[i], true) + " From  WebSiteInfo A," + table +
                  " B Where B.IISServer = '" + tableServer + "' AND B.SiteIndex = '" + entityIndex + "'" +
                  " And A.SiteIndex = B.SiteIndex And A.IISServer = B.IISServer ";
      });
      queries.push_back(std::move(text));
    }

    ado::Recordset leading;
    onError.Next([&] { OpenOn(reading, leading, queries[0]); });
    // A leading query the database rejects gives the entity no rows.
    if (leading.State() != ado::adStateOpen) continue;
    for (; !leading.Eof(); leading.MoveNext()) {
      onError.Next([&] { grid.SetRows(grid.Rows() + 1); });
      std::string key;
      onError.Next([&] { key = leading.Fields(0).Text(); });
      const long fields = leading.FieldCount();
      for (long f = 0; f < fields; ++f)
        onError.Next([&] {
          const ado::Field& field = leading.Fields(f);
          if (!field.IsNull()) grid.SetTextMatrix(rowPointer, f, field.Text());
        });
      short columnOffset = static_cast<short>(fields);
      for (size_t k = 1; k < queries.size(); ++k) {
        std::string text = "Select " + queries[k];
        if (level == 3) text += " AND B.[Directory Name]= '" + key + "'";
        ado::Recordset further;
        onError.Next([&] { OpenOn(reading, further, text); });
        if (further.State() != ado::adStateOpen) {
          // A table the database rejects keeps its columns empty; the tables after it stay under
          // their own headings.
          columnOffset = static_cast<short>(columnOffset + NameCount(columnLists[k]));
          continue;
        }
        if (!further.Eof()) DisplayQueryValues(further, rowPointer, columnOffset);
        columnOffset = static_cast<short>(columnOffset + further.FieldCount());
        if (further.RecordCount() > 0) rowPointer += further.RecordCount() - 1;
        further.Close();
      }
      ++rowPointer;
    }
    leading.Close();
    rowPointer = grid.Rows();
  }
  entities.Close();
}

void DisplayQueryValues(ado::Recordset& records, long startRow, short startColumn) {
  OnError onError(modules::mCustom, "DisplayQueryValues");
  if (records.State() != ado::adStateOpen) return;
  const long count = records.RecordCount();
  if (count == 0) return;
  ExtendCustomReportGrid(count, startRow);
  platform::Grid& grid = frmSchedule().grdReport;
  const long fields = records.FieldCount();
  for (records.MoveFirst(); !records.Eof(); records.MoveNext(), ++startRow)
    for (long f = 0; f < fields; ++f)
      onError.Next([&] {
        const ado::Field& field = records.Fields(f);
        if (!field.IsNull()) grid.SetTextMatrix(startRow, startColumn + f, field.Text());
      });
}

void ExtendCustomReportGrid(long neededRows, long startRow) {
  OnError onError(modules::mCustom, "ExtendCustomReportGrid");
  platform::Grid& grid = frmSchedule().grdReport;
  onError.Next([&] {
    if (grid.Rows() >= 2) {
      const long available = std::labs(grid.Rows() - startRow);
      if (neededRows > available) grid.SetRows(grid.Rows() + std::labs(neededRows - available));
    } else {
      grid.SetRows(grid.Rows() + neededRows);
    }
  });
}

void ExportCustomReportIntoSelectedFormat(const std::string& reportName, const std::string& server,
                                          const std::string& format) {
  OnError onError(modules::mCustom, "ExportCustomReportIntoSelectedFormat");
  // The definition database is only read: a missing file fails to open and is not made.
  ado::Connection definitions;
  bool opened = false;
  onError.Next([&] { opened = OpenConnection(definitions, CustomReportConfigPath); });
  if (!opened) return;
  ado::Recordset definition;
  onError.Next([&] {
    definition.Open("Select * from " + reportName, definitions.ConnectionString(), ado::adOpenKeyset,
                    ado::adLockOptimistic);
  });
  if (definition.State() != ado::adStateOpen) return;

  // A definition without a record is one error; its report is the header alone.
  std::string columnsText, tablesText;
  onError.Next([&] {
    columnsText = definition.Fields(0).Text();
    tablesText = definition.Fields(1).Text();
  });
  const std::vector<std::string> columnLists = platform::Split(columnsText, "|");
  const std::vector<std::string> tableNames = platform::Split(tablesText, "|");
  AlignGridForCustomReport(columnLists);
  GenerateCustomReport(server, columnLists, tableNames);

  const std::string serverPart = platform::Replace(server, "\\", "_");
  std::string baseName;
  onError.Next([&] {
    const std::string& folder = Item(PathList, JobIndex);
    const std::string stamp = platform::FormatDate(platform::Now(), "dd_mm_yyyy_hh_mm_ss");
    baseName = folder == "No" ? GetAppPath(reportName + serverPart + stamp)
                              : folder + "\\" + reportName + "_" + serverPart + "_" + stamp;
  });

  if (format == "MDB") {
    // The export table's fields are the grid's columns: a list that added no column adds no field.
    std::vector<std::string> fields;
    for (const std::string& columnList : columnLists)
      if (!columnList.empty()) fields.push_back(columnList);
    const std::string table = reportName + serverPart;
    std::string exportPath;
    onError.Next([&] { exportPath = CreateExportDatabase(server); });
    if (exportPath.empty()) return;
    onError.Next([&] { GetDataFromSource(platform::Join(fields, ","), exportPath, table); });
    onError.Next([&] { ExportReport(table, exportPath); });
  } else if (format == "CSV" && !baseName.empty()) {
    onError.Next([&] { Export_TabSepFormat(baseName + ".csv"); });
  } else if (format == "HTML" && !baseName.empty()) {
    onError.Next([&] { Export_HTMLFormat(baseName + ".html", false); });
  }
}
