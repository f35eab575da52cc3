// Faults that the tests' build of the library can be told to make, to stand in for what only
// a real machine does: a key release that never reaches the hook (it happened while the machine
// slept or the secure desktop had the input), a hook that the system removes, a hook that cannot
// be put in. It can also look for a lost hook more often than once a minute, so that a test
// need not wait minutes. The shipped library is built without KEYTAP_FAULTS and never makes any.
#pragma once
#include <windows.h>

#ifdef KEYTAP_FAULTS
namespace keytap_faults {
// Reads the switches from the environment of the process that loads the library.
void Load();
bool MissReleases();
// True on the fresh key-down after which the hook is to be removed behind its owner's back.
bool DropHookAfterKeyDown();
// True when this renewal's hook is to fail (the hook is then set with no procedure).
bool FailRenewal();
// How often the hook thread looks for input its hook missed: shipped, or the test's period.
DWORD WatchPeriodMs(DWORD shipped);
}  // namespace keytap_faults
#else
namespace keytap_faults {
inline void Load() {}
inline bool MissReleases() { return false; }
inline bool DropHookAfterKeyDown() { return false; }
inline bool FailRenewal() { return false; }
inline DWORD WatchPeriodMs(DWORD shipped) { return shipped; }
}  // namespace keytap_faults
#endif
