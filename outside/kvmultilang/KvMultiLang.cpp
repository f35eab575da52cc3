// Entry points of the translation library. The programs call only KvGetLangNameAndPath.
#include "LanguageTable.h"

extern "C" __declspec(dllexport) int __cdecl KvGetLangNameAndPath(const char* folder, char* name, char* path) {
    return FindLanguageFile(GetUserDefaultUILanguage(), folder, name, path) ? 1 : 0;
}
