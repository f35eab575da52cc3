// How other programs find and address the running agent: its window and the request to show
// its settings window (a second start of the agent, the opener), and the machine-wide event that
// asks every agent, in every session, to end (the setup and the uninstaller).
#pragma once
#include <windows.h>

wchar_t const kAgentWindowTitle[] = L"KvHybridS3";
wchar_t const kAgentWindowClass[] = L"#32770";
// The agent's private messages act only with this lParam.
LPARAM const kMessageMarker = 85;
UINT const WM_APP_SHOW_SETTINGS = WM_USER + 3;

// The agent's window in this session and desktop, or null.
inline HWND FindAgentWindow() {
    return FindWindowW(kAgentWindowClass, kAgentWindowTitle);
}

// Each agent's quit event is named this prefix and a random number; the names are listed, as value
// names, under the key below (HKEY_LOCAL_MACHINE, the settings' registry view), which only
// SYSTEM and Administrators may read or change. Agents of earlier versions waited on one fixed
// name, "Global\\Korvane Dormello Quit", which anyone could make first; setups still set it for them.
wchar_t const kAgentQuitEventPrefix[] = L"Global\\Korvane Dormello Quit ";
wchar_t const kAgentQuitListKeyPath[] = L"SOFTWARE\\Korvane\\Korvane Dormello Quit";
// Only SYSTEM and Administrators may read the list or open an event (common/PrivateNames.h): the
// setup runs as one of them, the agent as an administrator.
