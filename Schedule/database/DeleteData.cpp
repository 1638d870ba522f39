#include "database/DeleteData.h"

#include "ModuleNames.h"
#include "RunState.h"
#include "collect/Sites.h"
#include "database/mDatabase.h"
#include "platform/Err.h"
#include "platform/Text.h"

void DeleteDataForServer(std::string entry, bool scriptMappingsOnly) {
  platform::OnError onError(modules::mDatabase, "DeleteDataForServer");
  const short level = CurrentLevel;
  auto execute = [&](const std::string& sql) {
    onError.Next([&] {
      if (!SettingsConnection) platform::Raise(platform::errObjectNotSet);
      SettingsConnection->Execute(sql);
    });
  };
  std::string table, key;
  if (level == 1 || level == 2 || level == 4) {
    std::string server;
    onError.Next([&] { server = platform::QuoteSql(level == 1 ? entry : platform::TextBefore(entry, "\\")); });
    for (short index = 1; index <= 18; ++index) {
      if (!scriptMappingsOnly) {
        onError.Next([&] { GetQueryForProcessing(index, 0, 1, table, key); });
        execute("Delete from " + table + " where IISServer = '" + server + "'");
      }
      if (index != 5) continue;
      onError.Next([&] { GetQueryForProcessing(5, 2, 1, table, key); });
      execute("Delete from " + table + " where IISServer = '" + server + "'");
    }
  } else if (level == 3 || level == 5) {
    std::string path;
    onError.Next([&] { path = platform::QuoteSql(GetPath(entry)); });
    for (short index = 1; index <= 14; ++index) {
      onError.Next([&] { GetQueryForProcessing(index, 0, 3, table, key); });
      execute("Delete from " + table + " where vKey = '" + path + "'");
    }
  }
}
