// Reads typed values off a fuzzer's byte string; past its end every value is zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tervane {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::int32_t Int32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return static_cast<std::int32_t>(v);
  }
  // Mostly small values, now and then any 32-bit value.
  std::int32_t Count(std::int32_t usual) {
    const std::uint8_t pick = Byte();
    return pick < 240 ? static_cast<std::int32_t>(pick % usual) - 2 : Int32();
  }
  std::vector<std::uint8_t> Bytes(std::size_t most) {
    std::vector<std::uint8_t> bytes(Byte() % (most + 1));
    for (auto& b : bytes) b = Byte();
    return bytes;
  }
  std::string Text(std::size_t most) {
    const auto bytes = Bytes(most);
    return {bytes.begin(), bytes.end()};
  }
  template <typename T, std::size_t N>
  const T& OneOf(const T (&choices)[N]) {
    return choices[Byte() % N];
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Ends the run as a crash, which libFuzzer reports with the input, when an
// outcome is not one the program allows.
inline void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace tervane
