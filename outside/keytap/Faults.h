// Faults that the tests' build of the library can be told to make, to stand in for what only
// a real machine does: a key release that never reaches the hook (it happened while the machine
// slept or the secure desktop had the input), a hook that the system removes, a hook that cannot
// be put in. The shipped library is built without KEYTAP_FAULTS and never makes any.
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
}  // namespace keytap_faults
#else
namespace keytap_faults {
inline void Load() {}
inline bool MissReleases() { return false; }
inline bool DropHookAfterKeyDown() { return false; }
inline bool FailRenewal() { return false; }
}  // namespace keytap_faults
#endif
