#include "LanguageBinding.h"

#include <shlwapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

wchar_t const kLibraryName[] = L"KvMultiLang.dll";
wchar_t const kLanguageSubfolder[] = L"Images\\LangFiles";
char const kSectionA[] = "Translations";
wchar_t const kSectionW[] = L"Translations";
size_t const kInitialBufferSize = 260;
// Nothing a language file holds comes near this; it only bounds the growth loop.
size_t const kMaxBufferSize = 1 << 20;
// The library writes its answers here, never into the binding's own fields: an outside library
// that writes more than it should then spoils only scratch memory.
size_t const kLibraryScratchSize = 64 * 1024;

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

// _snwprintf that reports truncation; the output is always terminated.
template <size_t N>
bool FormatPath(wchar_t (&out)[N], const wchar_t* format, const wchar_t* a, const wchar_t* b) {
    int written = _snwprintf(out, N, format, a, b);
    if (written < 0 || static_cast<size_t>(written) >= N) {
        out[0] = L'\0';
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

// Converts to the system code page without best-fit substitutes ("é" never becomes "e", which
// would name another folder); false when some character has no exact narrow form.
bool NarrowExactly(const wchar_t* wide, char (&narrow)[MAX_PATH]) {
    BOOL usedDefault = FALSE;
    bool utf8 = GetACP() == CP_UTF8;  // holds everything; takes neither flag nor default
    int length = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, -1, narrow, MAX_PATH, nullptr,
                                     utf8 ? nullptr : &usedDefault);
    if (length == 0 || usedDefault) {
        narrow[0] = '\0';
        return false;
    }
    return true;
}

// Asks the library for the language with the folder in its narrow form, and keeps a bounded,
// terminated copy of the answers.
void AskLibrary(KvGetLangNameAndPathProc getLanguage, const wchar_t* languageFolder) {
    char folder[MAX_PATH];
    NarrowFolderForLibrary(languageFolder, folder);
    char* name = static_cast<char*>(calloc(kLibraryScratchSize, 1));
    char* path = static_cast<char*>(calloc(kLibraryScratchSize, 1));
    if (name && path) {
        getLanguage(folder, name, path);
        name[kLibraryScratchSize - 1] = path[kLibraryScratchSize - 1] = '\0';
        lstrcpynA(g_language.name, name, ARRAYSIZE(g_language.name));
        // A cut path would name another file: a path that does not fit is no path.
        if (strnlen(path, MAX_PATH) < MAX_PATH)
            lstrcpynA(g_language.filePath, path, MAX_PATH);
    }
    free(name);
    free(path);
}

}  // namespace

bool NarrowFolderForLibrary(const wchar_t* folder, char (&narrow)[MAX_PATH]) {
    narrow[0] = '\0';
    if (!folder || !folder[0])
        return false;
    if (NarrowExactly(folder, narrow))
        return true;
    // The short form of a folder is plain ASCII wherever the file system keeps one.
    wchar_t shortFolder[MAX_PATH];
    DWORD length = GetShortPathNameW(folder, shortFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    return NarrowExactly(shortFolder, narrow);
}

bool BuildLanguageLibraryPath(LanguageProgram program, const wchar_t* modulePath,
                              wchar_t (&libraryPath)[MAX_PATH]) {
    libraryPath[0] = L'\0';
    if (!modulePath)
        return false;
    wchar_t folder[MAX_PATH];
    if (!FormatPath(folder, L"%ls%ls", modulePath, L""))
        return false;
    wchar_t* lastBackslash = wcsrchr(folder, L'\\');
    if (lastBackslash)
        *lastBackslash = L'\0';
    if (program == LanguageProgram::Agent)
        return FormatPath(libraryPath, L"%ls\\Images\\%ls", folder, kLibraryName);
    return FormatPath(libraryPath, L"%ls\\%ls", folder, kLibraryName);
}

bool FindLanguageFolderIn(LanguageProgram program, const wchar_t* moduleFolder, wchar_t (&folder)[MAX_PATH]) {
    folder[0] = L'\0';
    if (!moduleFolder)
        return false;
    wchar_t base[MAX_PATH];
    if (!FormatPath(base, L"%ls%ls", moduleFolder, L""))
        return false;
    PathAddBackslashW(base);
    if (!FormatPath(folder, L"%ls%ls", base, kLanguageSubfolder))
        return false;
    if (program == LanguageProgram::Agent)
        return true;  // the agent always loads; a missing folder only means English
    if (PathFileExistsW(folder))
        return true;

    // The confirmation program may lie in "Images\" itself: try the parent's folder.
    PathRemoveBackslashW(base);
    if (!PathRemoveFileSpecW(base)) {
        folder[0] = L'\0';
        return false;
    }
    PathAddBackslashW(base);
    if (FormatPath(folder, L"%ls%ls", base, kLanguageSubfolder) && PathFileExistsW(folder))
        return true;
    folder[0] = L'\0';
    return false;
}

bool FindLanguageFolder(LanguageProgram program, wchar_t (&folder)[MAX_PATH]) {
    wchar_t moduleFolder[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, moduleFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        folder[0] = L'\0';
        return false;
    }
    PathRemoveFileSpecW(moduleFolder);
    return FindLanguageFolderIn(program, moduleFolder, folder);
}

int LoadLanguageLibrary(const wchar_t* languageFolder, LanguageProgram program) {
    wchar_t modulePath[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    wchar_t libraryPath[MAX_PATH] = {};
    if (length > 0 && length < MAX_PATH)
        BuildLanguageLibraryPath(program, modulePath, libraryPath);
    return LoadLanguageLibraryFrom(libraryPath, languageFolder, program);
}

int LoadLanguageLibraryFrom(const wchar_t* libraryPath, const wchar_t* languageFolder, LanguageProgram program) {
    UnloadLanguageLibrary();
    g_language.program = program;
    ReplaceBuffer(kInitialBufferSize);

    // Only a full path: a bare name would let the search order pick a library from elsewhere.
    if (!libraryPath || PathIsRelativeW(libraryPath))
        return 1;
    g_language.library = LoadLibraryW(libraryPath);
    if (!g_language.library)
        return 1;

    // A library without the entry point is treated as one that found no language.
    auto getLanguage = reinterpret_cast<KvGetLangNameAndPathProc>(
        reinterpret_cast<void*>(GetProcAddress(g_language.library, "KvGetLangNameAndPath")));
    if (getLanguage)
        AskLibrary(getLanguage, languageFolder);
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
        if (count == 0)
            return key;  // a key with an empty value is as good as missing: the English text
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
