// One ordered record of the calls that the in-memory stand-ins receive, by function name.
#pragma once

#include <string>
#include <vector>

namespace tervane {

// Shared by several stand-ins and fakes so that a test can check how calls
// into the bridge library, the registry, the version query and the label
// interleave. Each stand-in keeps the details of its own calls itself.
class CallLog {
 public:
  void Add(std::string name) { names_.push_back(std::move(name)); }
  const std::vector<std::string>& Names() const { return names_; }
  void Clear() { names_.clear(); }

 private:
  std::vector<std::string> names_;
};

}  // namespace tervane
