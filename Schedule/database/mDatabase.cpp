#include "database/mDatabase.h"

#include <set>

#include "ModuleNames.h"
#include "RunState.h"
#include "database/Catalogue.h"
#include "database/mGlob.h"
#include "platform/Err.h"
#include "platform/Text.h"

using catalogue::Family;

std::string GetQueryForProcessing(short index, short subIndex, short level, std::string& tableName,
                                  std::string& categoryKey) {
  platform::OnError onError(modules::mDatabase, "GetQueryForProcessing");
  std::string labels;
  Family family;
  if (!catalogue::FamilyOfLevel(level, family)) return labels;
  if (family == Family::WebSite) {
    if (subIndex != 0) {
      onError.Next([&] { tableName = catalogue::ApplicationTable(subIndex); });
      onError.Next([&] { categoryKey = catalogue::ApplicationKey(subIndex); });
    } else {
      onError.Next([&] { tableName = catalogue::TableName(family, index); });
      onError.Next([&] { categoryKey = catalogue::CategoryKey(family, index); });
    }
    onError.Next([&] {
      labels = index == 5 ? catalogue::ApplicationLabels(subIndex) : catalogue::WebSiteLabels(index, ServerVersion);
    });
  } else {
    onError.Next([&] { tableName = catalogue::TableName(family, index); });
    onError.Next([&] { categoryKey = catalogue::CategoryKey(family, index); });
    onError.Next([&] { labels = catalogue::DirectoryLabels(index); });
  }
  return labels;
}

namespace {

// "[label] Text(255)" for each label, "," between them, and the closing text after the last.
// An empty list gives no columns and no closing text.
std::string LabelColumns(const std::string& labels, const std::string& closing) {
  std::string columns;
  std::vector<std::string> parts = platform::Split(labels, ",");
  for (size_t i = 0; i < parts.size(); ++i) {
    columns += "[" + parts[i] + "] Text(255)";
    columns += i + 1 < parts.size() ? "," : closing;
  }
  return columns;
}

}  // namespace

std::string ConstructQueryForTableCreating(const std::string& labels, const std::string& tableName, bool webSite) {
  platform::OnError onError(modules::mDatabase, "ConstructQueryForTableCreating");
  std::string query;
  onError.Next([&] {
    query = "Create table [" + tableName +
            (webSite ? "](SiteIndex text(25)," : "]([vKey] text(255),[Directory Name] text(255),");
  });
  onError.Next([&] { query += LabelColumns(labels, webSite ? ",IISServer text(255))" : ")"); });
  return query;
}

std::string ConstructQueryForExport(const std::string& labels, const std::string& tableName, bool webSite) {
  platform::OnError onError(modules::mDatabase, "ConstructQueryForExport");
  std::string query;
  onError.Next([&] {
    query = "Create table [" + tableName + (webSite ? "]([Web Site Name] text(25)," : "]([Directory Name] text(255),");
  });
  onError.Next([&] { query += LabelColumns(labels, ")"); });
  return query;
}

std::string ConstructSelectColumns(const std::string& labels, bool qualified) {
  std::vector<std::string> parts = platform::Split(labels, ",");
  for (std::string& label : parts) label = (qualified ? "B.[" : "[") + label + "]";
  return platform::Join(parts, ",");
}

void GetTabCaptions(short level, std::string& captions, std::string& applicationCaptions) {
  Family family;
  if (!catalogue::FamilyOfLevel(level, family)) return;
  captions = catalogue::TabCaptions(family);
  if (family == Family::WebSite) applicationCaptions = catalogue::ApplicationCaptions();
}

void CreateDBResource() {
  platform::OnError onError(modules::mDatabase, "CreateDBResource");
  onError.Next([] { platform::ado::RegisterScratchDatabase(DatabasePath); });
  onError.Next([] { CheckAndCreateDB(DatabasePath, false); });
  auto connection = std::make_unique<platform::ado::Connection>();
  bool opened = false;
  onError.Next([&] { opened = OpenConnection(*connection, DatabasePath); });
  if (!opened) return;

  // Drops and creates one category table from its labels. Rows are found and deleted by server
  // (web-site tables) or by directory path (directory tables) job after job, and custom reports
  // read them site by site: an index on those columns keeps a farm-sized level from scanning
  // every table once per job or a server's rows once per site.
  auto recreate = [&](const std::string& labels, const std::string& table, bool webSite) {
    onError.Next([&] { DropTable(table, *connection); });
    bool created = onError.Next([&] { connection->Execute(ConstructQueryForTableCreating(labels, table, webSite), -1); });
    if (created)
      onError.Next([&] {
        connection->Execute("Create index [" + table + " key] on [" + table + "] (" + (webSite ? "IISServer, SiteIndex" : "vKey") + ")", -1);
      });
  };

  const short webSiteLevel = 1, directoryLevel = 3, applicationIndex = 5, mappingsSubIndex = 2;
  for (short index = 1; index <= catalogue::LastIndex(Family::WebSite); ++index) {
    std::string table, key;
    std::string labels = GetQueryForProcessing(index, 0, webSiteLevel, table, key);
    recreate(labels, table, true);
    if (index == applicationIndex) {
      labels = GetQueryForProcessing(index, mappingsSubIndex, webSiteLevel, table, key);
      recreate(labels, table, true);
    }
  }

  // The application tabs of a directory share one table: it is made once, from the combined list.
  std::set<std::string> made;
  for (short index = 1; index <= catalogue::LastIndex(Family::Directory); ++index) {
    std::string table, key, labels;
    labels = GetQueryForProcessing(index, 0, directoryLevel, table, key);
    if (!made.insert(table).second) continue;
    bool shared = false;
    onError.Next([&] { shared = catalogue::IsSharedTable(Family::Directory, index); });
    if (shared) {
      std::string placeholderTable, placeholderKey;
      labels = GetQueryForProcessing(0, 0, directoryLevel, placeholderTable, placeholderKey);
    }
    recreate(labels, table, false);
  }

  onError.Next([&] { connection->Close(); });
  connection.reset();
}

void GetDataFromSource(const std::string& columns, const std::string& exportPath, const std::string& table,
                       bool webSite) {
  platform::OnError onError(modules::mCollect, "GetDataFromSource");
  platform::ado::Connection connection;
  bool opened = false;
  onError.Next([&] { opened = OpenConnection(connection, exportPath); });
  if (!opened) return;
  onError.Next([&] { DropTable(table, connection); });
  std::string query;
  onError.Next([&] { query = ConstructQueryForExport(columns, table, webSite); });
  if (!query.empty()) onError.Next([&] { connection.Execute(query, -1); });
}
