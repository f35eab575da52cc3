// How other programs address the running agents: the machine-wide event that asks every agent,
// in every session, to end (set by the setup and the uninstaller).
#pragma once
#include <windows.h>

wchar_t const kAgentQuitEventName[] = L"Global\\Korvane Dormello Quit";
// Only SYSTEM and Administrators may open it: the setup runs as one of them, the agent as an
// administrator.
wchar_t const kAgentQuitEventSecurity[] = L"D:(A;;GA;;;SY)(A;;GA;;;BA)";
