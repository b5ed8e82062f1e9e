#include "textio/temporary_files.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace difscop::textio {
namespace {

// A signal handler can neither allocate nor lock, so the table is fixed and
// each slot is claimed and published through its state alone.
enum SlotState : int { kFree, kFilling, kHeld };

struct Slot {
  std::atomic<int> state{kFree};
  int directory = -1;
  char name[NAME_MAX + 1] = {};
};
static_assert(std::atomic<int>::is_always_lock_free);

// More than the threads that ever write at once; a write finding the table
// full goes ahead unguarded.
constexpr int kSlots = 32;
Slot slots[kSlots];

void OnTerminatingSignal(int signal) {
  const int saved = errno;
  RemoveHeldTemporaries();
  errno = saved;
  // The handler was reset on entry and the signal is not blocked inside it:
  // raising it again ends the process as it would have ended.
  ::raise(signal);
}

}  // namespace

int HoldTemporary(int directory, const char* name) {
  if (std::strlen(name) > NAME_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    slots[i].directory = directory;
    std::strcpy(slots[i].name, name);
    slots[i].state.store(kHeld, std::memory_order_release);
    return i;
  }
  return -1;
}

void ReleaseTemporary(int slot) {
  if (slot >= 0 && slot < kSlots) slots[slot].state.store(kFree, std::memory_order_release);
}

void RemoveHeldTemporaries() {
  for (Slot& slot : slots) {
    if (slot.state.load(std::memory_order_acquire) == kHeld)
      ::unlinkat(slot.directory, slot.name, 0);
  }
}

void RemoveTemporariesOnSignals() {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction old {};
    if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL ||
        (old.sa_flags & SA_SIGINFO) != 0)
      continue;
    struct sigaction action {};
    action.sa_handler = OnTerminatingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace difscop::textio
