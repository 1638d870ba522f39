// The toolkit under the status window and the printing class, started on first use only: a run
// that never touches the window or a printer never starts it.
#pragma once

namespace platform {

// Makes sure the application object of the toolkit exists. Without a display (neither an X nor
// a Wayland display named), or when the platform named cannot be used, the toolkit draws off
// screen; the program decides this itself.
void EnsureGuiApplication();

// Whether the toolkit draws off screen (no display was there when it started).
bool GuiIsOffscreen();

}  // namespace platform
