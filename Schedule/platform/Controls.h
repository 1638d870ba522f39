// The small display controls of the status window, as models without any toolkit in them: the
// progress bar and the status panel. The window shows them; the run only sets their values.
#pragma once

#include <functional>
#include <string>

namespace platform {

// Something the window wants to hear about when a control changes.
using ChangeListener = std::function<void()>;

class ProgressBar {
 public:
  double Max() const { return max_; }
  double Value() const { return value_; }
  void SetMax(double max) {
    max_ = max;
    Changed();
  }
  // A value outside 0..Max is an invalid property value, as on the classic control.
  void SetValue(double value);
  void SetListener(ChangeListener listener) { listener_ = std::move(listener); }

 private:
  void Changed() {
    if (listener_) listener_();
  }
  double max_ = 100;
  double value_ = 0;
  ChangeListener listener_;
};

// The status panel: a line of text and a small state value.
class StatusPanel {
 public:
  const std::string& Text() const { return text_; }
  int State() const { return state_; }
  void SetText(const std::string& text) {
    text_ = text;
    Changed();
  }
  void SetState(int state) {
    state_ = state;
    Changed();
  }
  void SetListener(ChangeListener listener) { listener_ = std::move(listener); }

 private:
  void Changed() {
    if (listener_) listener_();
  }
  std::string text_;
  int state_ = 0;
  ChangeListener listener_;
};

}  // namespace platform
