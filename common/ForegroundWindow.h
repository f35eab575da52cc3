#pragma once
#include <windows.h>

// Raises window even when another thread owns the foreground, by attaching to that
// thread's input for the moment of the switch.
void ForceForegroundWindow(HWND window);
