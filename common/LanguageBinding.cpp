#include "LanguageBinding.h"

#include <shlwapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

char const kLibraryName[] = "KvMultiLang.dll";
char const kLanguageSubfolder[] = "Images\\LangFiles";
char const kSectionA[] = "Translations";
wchar_t const kSectionW[] = L"Translations";
size_t const kInitialBufferSize = 260;
// Nothing a language file holds comes near this; it only bounds the growth loop.
size_t const kMaxBufferSize = 1 << 20;

using KvGetLangNameAndPathProc = int(__cdecl*)(const char* folder, char* name, char* path);

struct LanguageState {
    HMODULE library = nullptr;
    LanguageProgram program = LanguageProgram::Agent;
    char name[64] = {};
    char filePath[MAX_PATH] = {};
    wchar_t filePathW[MAX_PATH] = {};
    char* buffer = nullptr;  // shared by every lookup, narrow or UTF-16
    size_t bufferSize = kInitialBufferSize;
};

LanguageState g_language;

// snprintf that reports truncation; the output is always terminated.
template <size_t N>
bool FormatPath(char (&out)[N], const char* format, const char* a, const char* b) {
    int written = snprintf(out, N, format, a, b);
    if (written < 0 || static_cast<size_t>(written) >= N) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool ReplaceBuffer(size_t size) {
    free(g_language.buffer);
    g_language.buffer = static_cast<char*>(malloc(size));
    g_language.bufferSize = g_language.buffer ? size : kInitialBufferSize;
    return g_language.buffer != nullptr;
}

// Doubles the buffer after a lookup that may have been cut; false when it may not grow.
bool GrowBuffer() {
    size_t size = g_language.bufferSize * 2;
    if (size > kMaxBufferSize)
        return false;
    return ReplaceBuffer(size);
}

}  // namespace

bool BuildLanguageLibraryPath(LanguageProgram program, const char* modulePath, char (&libraryPath)[MAX_PATH]) {
    libraryPath[0] = '\0';
    if (!modulePath)
        return false;
    char folder[MAX_PATH];
    if (!FormatPath(folder, "%s%s", modulePath, ""))
        return false;
    char* lastBackslash = strrchr(folder, '\\');
    if (lastBackslash)
        *lastBackslash = '\0';
    if (program == LanguageProgram::Agent)
        return FormatPath(libraryPath, "%s\\Images\\%s", folder, kLibraryName);
    return FormatPath(libraryPath, "%s\\%s", folder, kLibraryName);
}

bool FindLanguageFolderIn(LanguageProgram program, const char* moduleFolder, char (&folder)[MAX_PATH]) {
    folder[0] = '\0';
    if (!moduleFolder)
        return false;
    char base[MAX_PATH];
    if (!FormatPath(base, "%s%s", moduleFolder, ""))
        return false;
    PathAddBackslashA(base);
    if (!FormatPath(folder, "%s%s", base, kLanguageSubfolder))
        return false;
    if (program == LanguageProgram::Agent)
        return true;  // the agent always loads; a missing folder only means English
    if (PathFileExistsA(folder))
        return true;

    // The confirmation program may lie in "Images\" itself: try the parent's folder.
    PathRemoveBackslashA(base);
    if (!PathRemoveFileSpecA(base)) {
        folder[0] = '\0';
        return false;
    }
    PathAddBackslashA(base);
    if (FormatPath(folder, "%s%s", base, kLanguageSubfolder) && PathFileExistsA(folder))
        return true;
    folder[0] = '\0';
    return false;
}

bool FindLanguageFolder(LanguageProgram program, char (&folder)[MAX_PATH]) {
    char moduleFolder[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, moduleFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        folder[0] = '\0';
        return false;
    }
    PathRemoveFileSpecA(moduleFolder);
    return FindLanguageFolderIn(program, moduleFolder, folder);
}

int LoadLanguageLibrary(const char* languageFolder, LanguageProgram program) {
    char modulePath[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    char libraryPath[MAX_PATH] = {};
    if (length > 0 && length < MAX_PATH)
        BuildLanguageLibraryPath(program, modulePath, libraryPath);
    return LoadLanguageLibraryFrom(libraryPath, languageFolder, program);
}

int LoadLanguageLibraryFrom(const char* libraryPath, const char* languageFolder, LanguageProgram program) {
    UnloadLanguageLibrary();
    g_language.program = program;
    ReplaceBuffer(kInitialBufferSize);

    if (!libraryPath || !libraryPath[0])
        return 1;
    g_language.library = LoadLibraryA(libraryPath);
    if (!g_language.library)
        return 1;

    // A library without the entry point is treated as one that found no language.
    auto getLanguage = reinterpret_cast<KvGetLangNameAndPathProc>(
        reinterpret_cast<void*>(GetProcAddress(g_language.library, "KvGetLangNameAndPath")));
    if (getLanguage) {
        getLanguage(languageFolder ? languageFolder : "", g_language.name, g_language.filePath);
        // The library is outside code: never rely on it terminating what it wrote.
        g_language.name[ARRAYSIZE(g_language.name) - 1] = '\0';
        g_language.filePath[ARRAYSIZE(g_language.filePath) - 1] = '\0';
    }
    ZeroMemory(g_language.filePathW, sizeof(g_language.filePathW));
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, g_language.filePath, -1, g_language.filePathW,
                        ARRAYSIZE(g_language.filePathW));
    g_language.filePathW[ARRAYSIZE(g_language.filePathW) - 1] = L'\0';
    return 0;
}

namespace {

// The narrow and UTF-16 forms of the lookup, chosen by the character type.
DWORD ReadProfile(const char* key, char* buffer, DWORD capacity) {
    return GetPrivateProfileStringA(kSectionA, key, key, buffer, capacity, g_language.filePath);
}
DWORD ReadProfile(const wchar_t* key, wchar_t* buffer, DWORD capacity) {
    return GetPrivateProfileStringW(kSectionW, key, key, buffer, capacity, g_language.filePathW);
}
bool HasLanguageFile(const char*) {
    // Without a path every text is its own key (and win.ini is never consulted).
    if (!g_language.filePath[0])
        return false;
    return g_language.program != LanguageProgram::Confirmation || PathFileExistsA(g_language.filePath);
}
bool HasLanguageFile(const wchar_t*) {
    if (!g_language.filePathW[0])
        return false;
    return g_language.program != LanguageProgram::Confirmation || PathFileExistsW(g_language.filePathW);
}

// Looks key up in the shared buffer, whose byte size counts characters of Char; a count that
// fills the buffer to the last place may mean a cut text, so the buffer doubles and the lookup repeats.
template <class Char>
const Char* Translate(const Char* key) {
    if (!key)
        return nullptr;
    if (!g_language.buffer || !HasLanguageFile(key))
        return key;
    for (;;) {
        DWORD capacity = static_cast<DWORD>(g_language.bufferSize / sizeof(Char));
        auto* buffer = reinterpret_cast<Char*>(g_language.buffer);
        DWORD count = ReadProfile(key, buffer, capacity);
        if (count + 1 != capacity)
            return buffer;
        if (!GrowBuffer())
            return g_language.buffer ? reinterpret_cast<Char*>(g_language.buffer) : key;
    }
}

}  // namespace

const char* TranslateText(const char* key) {
    return Translate(key);
}

const wchar_t* TranslateTextW(const wchar_t* key) {
    return Translate(key);
}

size_t GetLanguageName(char (&destination)[MAX_PATH]) {
    lstrcpynA(destination, g_language.name, MAX_PATH);
    return strlen(destination);
}

void UnloadLanguageLibrary() {
    free(g_language.buffer);
    g_language.buffer = nullptr;
    g_language.bufferSize = kInitialBufferSize;
    if (g_language.library)
        FreeLibrary(g_language.library);
    g_language.library = nullptr;
    ZeroMemory(g_language.name, sizeof(g_language.name));
    ZeroMemory(g_language.filePath, sizeof(g_language.filePath));
    ZeroMemory(g_language.filePathW, sizeof(g_language.filePathW));
}

BYTE LanguageCharSet(const char* languageName) {
    if (languageName && lstrcmpiA(languageName, "Japanese") == 0)
        return SHIFTJIS_CHARSET;
    return DEFAULT_CHARSET;
}

size_t TranslationBufferSize() {
    return g_language.buffer ? g_language.bufferSize : 0;
}
