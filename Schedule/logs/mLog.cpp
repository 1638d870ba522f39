#include "logs/mLog.h"

#include "mMain.h"
#include "platform/DateTime.h"
#include "platform/Files.h"

void WriteStatusLog(const std::string& message, const std::string& module, const std::string& procedure, long number) {
  platform::TextFile log(GetAppPath("Log\\QUORVALog.Log"), platform::FileMode::Append);
  if (number != 0) {
    log.WriteLine(PadText(module + "." + procedure, 70, " ") + std::to_string(number) + " - " + message);
  } else {
    log.WriteLine(platform::ProgramName() + " " + message + " at " + platform::GeneralDate(platform::Now()));
  }
  log.Close();
}

std::string PadText(const std::string& value, short width, const std::string& fill) {
  std::string text = value;
  if (width < 0) width = 0;
  if (!fill.empty())
    while (text.size() <= static_cast<size_t>(width)) text += fill;
  if (text.size() > static_cast<size_t>(width)) text.resize(static_cast<size_t>(width));
  return text;
}
