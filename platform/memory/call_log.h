// One ordered record of the calls that the in-memory stand-ins receive.
#pragma once

#include <string>
#include <vector>

namespace tervane {

// Shared by several stand-ins so that a test can check how calls into the
// bridge library, the registry and the version query interleave. Each entry
// is the function's name, optionally followed by a blank and a short detail.
class CallLog {
 public:
  void Add(std::string entry) { entries_.push_back(std::move(entry)); }
  const std::vector<std::string>& entries() const { return entries_; }
  void Clear() { entries_.clear(); }

  // The entries with their details cut off: just the function names.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : entries_) names.push_back(e.substr(0, e.find(' ')));
    return names;
  }

 private:
  std::vector<std::string> entries_;
};

}  // namespace tervane
