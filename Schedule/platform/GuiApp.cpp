#include "platform/GuiApp.h"

#include <QApplication>
#include <cstdlib>
#include <string>

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
  }
}
}  // namespace

void EnsureGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  ChooseDrawingPlatform();
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
