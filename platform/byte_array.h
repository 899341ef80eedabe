// A byte array with lower bound 0 whose every index is checked against its bounds.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/runtime_error.h"

namespace tervane {

class ByteArray {
 public:
  // All bytes start at zero.
  explicit ByteArray(std::int32_t count)
      : bytes_(count > 0 ? static_cast<std::size_t>(count) : 0) {}

  std::int32_t size() const { return static_cast<std::int32_t>(bytes_.size()); }

  // Raises the subscript-out-of-range error for an index outside 0..size()-1.
  std::uint8_t& at(std::int32_t index) { return bytes_[Checked(index)]; }
  std::uint8_t at(std::int32_t index) const { return bytes_[Checked(index)]; }

  // Byte 0, for handing the whole array to a function that fills it; such a
  // function must write at most size() bytes.
  std::uint8_t* data() { return bytes_.data(); }
  const std::uint8_t* data() const { return bytes_.data(); }

 private:
  std::size_t Checked(std::int32_t index) const {
    // The index taken as unsigned, so a negative one is out of range too.
    const auto i = static_cast<std::uint32_t>(index);
    if (i >= bytes_.size()) throw RuntimeError::SubscriptOutOfRange();
    return i;
  }

  std::vector<std::uint8_t> bytes_;
};

}  // namespace tervane
