#include "config/mIniOperation.h"

#include "ModuleNames.h"
#include "RunState.h"
#include "iis/Components.h"
#include "logs/mLog.h"
#include "platform/Err.h"
#include "platform/Profile.h"
#include "platform/Text.h"

void InitSchedular() {
  // Reported as the collection module's: the job lists belong to the gathering that follows.
  platform::OnError onError(modules::mCollect, "InitSchedular");
  onError.End([] {
    ScheduleConfigPath = GetAppPath("ScheduleInfo\\ScheduleConfig.ini");
    if (FileExists(ScheduleConfigPath)) {
      struct KeyList {
        const char* key;
        List* list;
      };
      const KeyList keys[] = {{"Printername", &PrinterNameList}, {"Server", &ServerList}, {"Tab", &TabList},
                              {"Format", &FormatList},           {"Option", &OptionList}, {"Path", &PathList},
                              {"Custom", &CustomList},           {"Time", &TimeList}};
      for (const KeyList& k : keys) {
        std::string value = ReadFromIni(CurrentLevel, k.key).value_or(std::string());
        // Every entry is followed by "|": the last character goes, whatever it is.
        if (!value.empty()) value.pop_back();
        *k.list = platform::Split(value, "|");
      }
    } else {
      // No schedule file: the level keeps the lists it had and the log shows an empty report.
      WriteStatusLog(platform::Err().Description, modules::mCollect, "InitSchedular", platform::Err().Number);
    }
    DatabasePath = GetAppPath("VelmoraDatabase.mdb");
    ServerInfoComponent = iis::CreateObject<iis::ServerInfoComponent>("ServerInfoComponent");
    ServerInfoComponent->SetLogPath(GetAppPath("Log\\QUORVALog.Log"));
    std::string versionText = ServerInfoComponent->GetVersion();
    ServerVersion = ServerInfoComponent->GetVersionCode(versionText);
  });
}

std::optional<std::string> ReadFromIni(short level, const std::string& key) {
  platform::OnError onError(modules::mIniOperation, "ReadFromIni");
  std::optional<std::string> value;
  onError.Next([&] {
    if (level < 1 || level > 5) return;
    value = GetSetting(LevelSection(level), key, level == 1 ? "" : " ");
  });
  return value;
}

std::string GetSetting(const std::string& section, const std::string& key, const std::string& defaultValue) {
  platform::OnError onError(modules::mIniOperation, "GetSetting");
  std::string buffer;
  long copied = 0;
  onError.Next([&] { copied = platform::GetPrivateProfileString(section, key, defaultValue, buffer, 2000, ScheduleConfigPath); });
  if (copied == 1999) {
    // The value filled the buffer: section Length tells how long it really is.
    std::string lengthBuffer;
    long length = 0;
    onError.Next([&] { length = platform::GetPrivateProfileString("Length", key, "", lengthBuffer, 125, ScheduleConfigPath); });
    onError.Next([&] { length = platform::WholePart(platform::CDbl(StripAtNull(lengthBuffer))); });
    onError.Next([&] {
      copied = platform::GetPrivateProfileString(section, key, defaultValue, buffer, length + 10, ScheduleConfigPath);
    });
  }
  if (copied != 0) return StripAtNull(buffer);
  return {};
}

std::string StripAtNull(const std::string& text) {
  std::string trimmed = platform::Trim(text);
  size_t nul = trimmed.find('\0');
  if (nul != std::string::npos) trimmed.resize(nul);
  return trimmed;
}
