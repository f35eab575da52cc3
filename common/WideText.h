#pragma once
#include <windows.h>

#include <string>

// Text in the system code page as UTF-16, whole, however long.
std::wstring WideFromAnsi(const char* text);
