// Which language the translation library offers for a Windows language id, and where its file lies.
#pragma once
#include <windows.h>

#include <stddef.h>

size_t const kLanguageNameSize = 64;
size_t const kLanguagePathSize = MAX_PATH;

// The English name of language ("Japanese", "German", ...) and its INI file name, or false for
// languages without a file of their own (English among them).
bool LookUpLanguage(LANGID language, const char** name, const char** fileName);

// Fills name (64 bytes) and path (260 bytes) for language in folder: the English name and the
// full path of an existing INI file, or two empty strings. Never writes beyond either buffer.
bool FindLanguageFile(LANGID language, const char* folder, char* name, char* path);
