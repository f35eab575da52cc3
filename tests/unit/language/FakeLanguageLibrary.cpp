// Stand-ins for the translation library. The echo library names the language after the last
// component of the folder it is given and points at "lang.ini" in that folder; a folder named
// "overlong" makes it fill both outputs to the last byte without terminating them; "overflow"
// makes it write far more than the outputs hold (a 200-byte name, a 1,000-byte path).
#include <windows.h>

#include <string.h>

#ifdef FAKE_WITHOUT_ENTRY_POINT
extern "C" __declspec(dllexport) int __cdecl KvGetLangName(char* name) {
    if (name)
        name[0] = '\0';
    return 0;
}
#else
extern "C" __declspec(dllexport) int __cdecl KvGetLangNameAndPath(const char* folder, char* name, char* path) {
    const char* last = strrchr(folder, '\\');
    last = last ? last + 1 : folder;
    if (strcmp(last, "overlong") == 0) {
        memset(name, 'N', 64);
        memset(path, 'P', MAX_PATH);
        return 1;
    }
    if (strcmp(last, "overflow") == 0) {
        memset(name, 'N', 200);
        name[200] = '\0';
        memset(path, 'P', 1000);
        path[1000] = '\0';
        return 1;
    }
    lstrcpynA(name, last, 64);
    lstrcpynA(path, folder, MAX_PATH - 10);
    lstrcatA(path, "\\lang.ini");
    return 1;
}
#endif
