// Named objects that any program in the session could make first. A copy of ours holds its
// name and shows a window that answers; anything else under the name is told apart from it, and
// the program then runs all the same, under a private name only SYSTEM and Administrators can
// learn (a random one, listed in a key only they can read), and records why beside it. The same
// kind of list keeps the agents' quit events.
#pragma once
#include "framework/Handles.h"

#include <string>

// HKEY_LOCAL_MACHINE (the settings' registry view): the private names in use, and why.
wchar_t const kPrivateNamesKeyPath[] = L"SOFTWARE\\Korvane\\Korvane Dormello Names";
// Keys and objects that only SYSTEM and Administrators may open.
wchar_t const kAdminOnlyKeySecurity[] = L"D:P(A;;KA;;;SY)(A;;KA;;;BA)";
wchar_t const kAdminOnlyObjectSecurity[] = L"D:(A;;GA;;;SY)(A;;GA;;;BA)";

// A key under HKEY_LOCAL_MACHINE that only SYSTEM and Administrators can read or change, opened
// (made when missing) with the given rights; null when it cannot be.
HKEY OpenAdminOnlyKey(const wchar_t* path, REGSAM rights);

// prefix followed by 32 random hexadecimal digits from the system's random numbers; empty when
// none can be drawn.
std::wstring RandomName(const wchar_t* prefix);

// One running copy of a program per session, by a named mutex.
class InstanceName {
public:
    // True when this program runs: it holds the name, or the name is someone else's and it
    // holds a private one instead. False when a copy of it runs; *copy is then that copy's
    // window (windowClass, title), or null when it shows none that answers.
    bool Take(const wchar_t* name, const wchar_t* windowClass, const wchar_t* title, HWND* copy);
    // Lets go of the name: another copy may run from now on.
    void Release() { mutex_.Close(); }

private:
    bool TakePrivateName(const wchar_t* name, const wchar_t* why);

    fw::KernelHandle mutex_;  // held for the life of the program
};

// A manual-reset event, not set, of this name for this program alone. When the name is someone
// else's the event has no name, and why is recorded. Null when no event can be made.
HANDLE CreateOwnNamedEvent(const wchar_t* name);
