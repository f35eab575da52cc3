// The agent's one way to the shell's notification area. In a file of its own so that the tests'
// build of the agent can put a busy shell in its place.
#pragma once
#include <windows.h>

#include <shellapi.h>

// Shell_NotifyIconW: TRUE when the shell did what was asked.
BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data);
