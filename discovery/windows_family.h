// Which port lookup suits the running Windows, decided from what GetVersion reports.
#pragma once

#include <cstdint>

namespace tervane {

enum class LookupFamily { NtFamily, Windows95Family, None };

// Only GetVersion's top bit (set on the Windows 95 family) and the low four
// bits of the major version count: 5 (2000, XP) and 6 (Vista and later,
// which all report 6 to a program whose manifest names no newer Windows) are
// the NT family, 4 with the top bit the Windows 95 family. Anything else,
// NT 4.0 among them, takes no lookup; docs/design.md tells what it then shows.
constexpr LookupFamily LookupFamilyOf(std::uint32_t version) {
  constexpr std::uint32_t kFamilyAndMajor = 0x8000000Fu;
  constexpr std::uint32_t kWindows95Family4 = 0x80000004u;
  const std::uint32_t v = version & kFamilyAndMajor;
  if (v == 5 || v == 6) return LookupFamily::NtFamily;
  if (v == kWindows95Family4) return LookupFamily::Windows95Family;
  return LookupFamily::None;
}

}  // namespace tervane
