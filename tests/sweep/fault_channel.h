// What the sweep and the library it plants in tervane.exe tell each other, in memory they share.
#pragma once

#include <cstdint>

namespace tervane::sweep {

// The environment variable naming the shared memory, a file mapping of sizeof(Channel).
constexpr const char* kChannelVariable = "TERVANE_FAULT_CHANNEL";

constexpr int kNameSize = 48;
constexpr int kMaxFaults = 4;
constexpr int kMaxImports = 160;
constexpr int kMaxSites = 768;

// A failure planted in one function: its call number `call` (counted from 1
// over the whole run) fails, and with `persistent` every later call too.
struct Fault {
  char name[kNameSize];
  std::uint32_t call;
  std::uint32_t persistent;
};

// A function of the program's import table, or one it looked up at run time.
struct Import {
  char name[kNameSize];
  // 1 when the library declares how it fails and counts its calls; 0 for an
  // import it leaves alone, 2 for a lookup it handed out unchanged.
  std::uint32_t hooked;
  std::uint32_t calls;
  // Calls the real function failed, returning its failure value: a message
  // box that ended without the user's answer, for one.
  std::uint32_t failedAlone;
};

// A place in the program that calls an import: its return address, as an
// offset into the exe's image.
struct Site {
  std::uint32_t import;
  std::uint32_t offset;
  // The import's call number of the site's first call.
  std::uint32_t firstCall;
  // 1 when that first call came after a planted failure had struck.
  std::uint32_t afterFault;
  // 0, or the number of the first failure handed out here, counted over all
  // imports from 1: the order in which the failures struck.
  std::uint32_t struck;
};

struct Channel {
  // Written by the sweep before the program starts.
  std::uint32_t faultCount;
  Fault faults[kMaxFaults];
  // Written by the planted library.
  std::uint32_t patched;
  std::uint32_t struck;
  std::uint32_t importCount;
  Import imports[kMaxImports];
  std::uint32_t siteCount;
  Site sites[kMaxSites];
  // Message boxes called while WM_QUIT waited, which ends their modal loop
  // before the user has read them.
  std::uint32_t quitPending;
  // Records that found no room.
  std::uint32_t lost;
};

}  // namespace tervane::sweep
