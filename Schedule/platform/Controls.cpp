#include "platform/Controls.h"

#include "platform/Err.h"

namespace platform {

void ProgressBar::SetValue(double value) {
  if (value < 0 || value > max_) Raise(errInvalidPropertyValue);
  value_ = value;
  Changed();
}

}  // namespace platform
