// Shared helpers for the lookup tests: serial arrays, close orders, expected errors.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime_error.h"
#include "portlookup/registry_port_lookup.h"
#include "support/memory_registry.h"

namespace tervane {

inline ByteArray SerialOf(const std::string& text) {
  ByteArray serial(64);
  for (std::size_t i = 0; i < text.size(); ++i) serial.at(static_cast<std::int32_t>(i)) = text[i];
  return serial;
}

inline std::string SerialText(const ByteArray& serial, std::int32_t length) {
  std::string text;
  for (std::int32_t i = 0; i < length; ++i) text += static_cast<char>(serial.at(i));
  return text;
}

inline std::vector<std::string> Closes(const MemoryRegistry& registry) {
  std::vector<std::string> keys;
  for (const auto& call : registry.calls())
    if (call.function == "RegCloseKey") keys.push_back(call.key);
  return keys;
}

inline std::vector<std::string> Calls(const MemoryRegistry& registry, const std::string& function) {
  std::vector<std::string> arguments;
  for (const auto& call : registry.calls())
    if (call.function == function) arguments.push_back(call.argument);
  return arguments;
}

template <typename F>
ErrorCode ErrorOf(F&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  ADD_FAILURE() << "no error raised";
  return ErrorCode::Overflow;
}

}  // namespace tervane
