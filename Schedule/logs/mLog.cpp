#include "logs/mLog.h"

#include "ModuleNames.h"
#include "RunState.h"
#include "logs/RunJournal.h"
#include "platform/DateTime.h"
#include "platform/Err.h"
#include "platform/Files.h"
#include "platform/Text.h"

using platform::OnError;

void WriteStatusLog(const std::string& message, const std::string& module, const std::string& procedure, long number) {
  const std::string line =
      number != 0 ? PadText(module + "." + procedure, 70, " ") + std::to_string(number) + " - " + message
                  : platform::ProgramName() + " " + message + " at " + platform::GeneralDate(platform::Now());
  try {
    platform::TextFile log(GetAppPath("Log\\QUORVALog.Log"), platform::FileMode::Append);
    log.WriteLine(line);
    log.Close();
  } catch (...) {
    // Not lost: the line goes to stderr, and the caller's handler still hears of the failure.
    platform::StatusLineLost(line);
    journal::StatusLine(line, number, false);
    throw;
  }
  journal::StatusLine(line, number, true);
}

std::string PadText(const std::string& value, short width, const std::string& fill) {
  std::string text = value;
  if (width < 0) width = 0;
  if (!fill.empty())
    while (text.size() <= static_cast<size_t>(width)) text += fill;
  if (text.size() > static_cast<size_t>(width)) text.resize(static_cast<size_t>(width));
  return text;
}

namespace {

const char* const kProductTitle = "Brantel v1.9";
const char* const kIntLog = "Log\\IntLog.log";

}  // namespace

void WriteIntLog(const std::string& line) {
  OnError onError(modules::mLog, "WriteIntLog");
  platform::TextFile file;
  onError.Next([&] { file.Open(GetAppPath(kIntLog), platform::FileMode::OutputInPlace); });
  onError.Next([&] { file.WriteLine(line); });
  onError.Next([&] { file.Close(); });
}

void WriteActivityHeader(long jobIndex) {
  OnError onError(modules::mLog, "WriteActivityHeader");
  onError.Leave([&] {
    const platform::DateTime now = platform::Now();
    ActivityLogPath = GetAppPath("Log\\ActivityLog" + platform::FormatDate(now, "MM_DD_YYYY_hh_mm_s") + ".htm");
    platform::TextFile file(ActivityLogPath, platform::FileMode::OutputInPlace);
    const std::string title = std::string("<TD WIDTH = 50% ALIGN =CENTER ><FONT COLOR = BLUE>");
    file.WriteLine("<HTML>");
    file.WriteLine(std::string("<TITLE> ") + kProductTitle + " ACTIVITY LOG </TITLE>");
    file.WriteLine("<TABLE WIDTH=100% ALIGN =CENTER><TR>");
    file.WriteLine(title + kProductTitle + " ACTIVITY LOG </TD></TR> </TABLE>");
    for (int i = 0; i < 2; ++i) {
      file.WriteLine("<TABLE WIDTH=100% ALIGN =CENTER><TR>");
      file.WriteLine(title + "  </TD></TR> </TABLE>");
    }
    file.WriteLine("<TABLE WIDTH=100% ><TR>");
    // The job's entries are the schedule's text: written as character references.
    auto entry = [&](const char* label, const std::string& text) {
      file.WriteLine(std::string("<TD><FONT COLOR = BLACK> ") + label + platform::HtmlEscape(text) + "</TD></TR>");
    };
    const std::string& custom = Item(CustomList, jobIndex);
    if (!custom.empty()) {
      if (custom != "No") {
        file.WriteLine("<TD><FONT COLOR = BLACK> Report Type : Custom Report</TD></TR>");
        entry("Report Name : ", custom);
      } else {
        file.WriteLine("<TD><FONT COLOR = BLACK> Report Type : Standard</TD></TR>");
      }
    }
    const std::string& format = Item(FormatList, jobIndex);
    if (!format.empty()) entry("File format : ", format);
    const std::string& path = Item(PathList, jobIndex);
    if (!path.empty()) entry("Path        : ", path);
    file.WriteLine("<TD><FONT COLOR = BLACK> Date        : " + platform::GeneralDate(now) + "</TD></TR>");
    file.WriteLine("</TABLE>");
    file.WriteLine("</HTML>");
    file.Close();
    journal::File("activity-log", ActivityLogPath);
  });
}

void WriteActivity(long jobIndex) {
  OnError onError(modules::mLog, "WriteActivity");
  platform::TextFile activity;
  onError.Next([&] { activity.Open(ActivityLogPath, platform::FileMode::Append); });
  auto line = [&](const std::string& text) { onError.Next([&] { activity.WriteLine(text); }); };
  line("<HTML>");
  line("<TABLE BORDER=1 WIDTH =100%>");
  line("<TR><TD><FONT COLOR = BLUE>Server Name</TD>");
  onError.Next([&] {
    const std::string& custom = Item(CustomList, jobIndex);
    if (!custom.empty())
      activity.WriteLine(custom != "No" ? "<TD><FONT COLOR = BLUE>Report Name </TD>"
                                        : "<TD><FONT COLOR = BLUE>Web Site Settings</TD>");
  });
  line("<TD><FONT COLOR = BLUE>Status</TD></TR>");
  const std::string intLog = GetAppPath(kIntLog);
  if (!FileExists(intLog)) {
    onError.Next([&] { activity.Close(); });
    return;
  }
  platform::TextFile internal;
  bool opened = onError.Next([&] { internal.Open(intLog, platform::FileMode::Input); });
  while (opened) {
    bool atEnd = true;
    onError.Next([&] { atEnd = internal.Eof(); });
    if (atEnd) break;
    std::string item;
    if (!onError.Next([&] { item = internal.ReadItem(); })) break;
    if (item.empty()) continue;
    line("<TR>");
    for (const std::string& part : platform::Split(item, "|")) line("<TD>" + platform::HtmlEscape(part) + "</TD>");
    line("</TR>");
  }
  line("</TABLE>");
  line("</HTML>");
  onError.Next([&] { internal.Close(); });
  onError.Next([&] { activity.Close(); });
}
