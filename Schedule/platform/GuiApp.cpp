#include "platform/GuiApp.h"

#include <QApplication>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
bool HasEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

void ChooseDrawingPlatform() {
  bool x11 = HasEnv("DISPLAY");
  bool wayland = HasEnv("WAYLAND_DISPLAY");
  if (!x11 && !wayland) {
    // An unattended run on a machine with no display: draw into memory.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  } else if (!HasEnv("QT_QPA_PLATFORM")) {
    // A display that is named but cannot be reached must not stop the run either.
    ::setenv("QT_QPA_PLATFORM", wayland ? "wayland;xcb;offscreen" : "xcb;offscreen", 1);
  } else {
    // Whatever platform the environment names, the toolkit falls back to drawing into memory
    // when that platform cannot be used, instead of aborting the run.
    std::string named = std::getenv("QT_QPA_PLATFORM");
    if ((";" + named + ";").find(";offscreen;") == std::string::npos)
      ::setenv("QT_QPA_PLATFORM", (named + ";offscreen").c_str(), 1);
  }
}

// Without a runtime folder the toolkit makes one under /tmp itself, and says so on stderr at
// every start; a scheduled job's mail is to stay empty when nothing went wrong.
void EnsureRuntimeFolder() {
  if (HasEnv("XDG_RUNTIME_DIR")) return;
  std::string folder = "/tmp/runtime-" + std::to_string(::getuid());
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 && ::mkdir(folder.c_str(), 0700) != 0) return;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return;
  if ((st.st_mode & 0777) != 0700) ::chmod(folder.c_str(), 0700);
  ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}
}  // namespace

void EnsureGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  ChooseDrawingPlatform();
  EnsureRuntimeFolder();
  // The application object keeps references to these for its whole life.
  static int argc = 1;
  static char name[] = "QUORVASchedule";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

bool GuiIsOffscreen() {
  EnsureGuiApplication();
  return QGuiApplication::platformName() == QLatin1String("offscreen");
}

}  // namespace platform
