// Where the scan writes its result: the caption of the window's status label Label1.
#pragma once

#include <string>

namespace tervane {

class StatusLabel {
 public:
  virtual ~StatusLabel() = default;
  // May raise a RuntimeError when the caption cannot be set.
  virtual void SetCaption(const std::string& text) = 0;
};

}  // namespace tervane
