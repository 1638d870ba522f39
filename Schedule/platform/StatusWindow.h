// The status window on screen: the toolkit window behind frmSchedule. It shows the control
// models the run sets (progress bar, status panels, grids) and repaints when told to; the run
// never waits for it. The header holds no toolkit type, so the facade stays free of it.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

class Grid;
class ProgressBar;
class StatusPanel;

struct StatusWindowControls {
  ProgressBar& Pg1;
  StatusPanel& p2;
  StatusPanel& Panel;
  Grid& grdReport;
  Grid& Grd;
};

class StatusWindow {
 public:
  // Creates the window hidden and starts the toolkit when it is not running yet. onClose runs when
  // the window is closed, by the program or by an operator.
  StatusWindow(const StatusWindowControls& controls, std::function<void()> onClose);
  ~StatusWindow();
  StatusWindow(const StatusWindow&) = delete;
  StatusWindow& operator=(const StatusWindow&) = delete;

  void SetVisible(bool visible);
  bool IsVisible() const;
  // Draws the window now and handles what the platform has queued for it (the run has no event
  // loop of its own, so this is when the window catches up).
  void Repaint();
  std::string Caption() const;
  // Size in pixels and where a control sits in the window (left, top, width, height).
  struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
  };
  Rect ControlRect(const std::string& controlName) const;
  Rect WindowRect() const;
  // Saves what the window shows now as a PNG file.
  bool SaveImage(const std::string& path) const;
  // Asks the window to close as an operator would; the close is handled at the next repaint.
  void RequestClose();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
