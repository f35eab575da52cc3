#include "LanguageTable.h"

#include <stdio.h>
#include <string.h>

namespace {

struct LanguageRow {
    WORD primary;
    WORD sub;  // 0: any sub-language
    const char* name;
    const char* fileName;
};

// Sub-language rows come before the catch-all row of the same primary language.
LanguageRow const kLanguages[] = {
    {LANG_JAPANESE, 0, "Japanese", "Japanese.ini"},
    {LANG_GERMAN, 0, "German", "German.ini"},
    {LANG_FRENCH, 0, "French", "French.ini"},
    {LANG_SPANISH, 0, "Spanish", "Spanish.ini"},
    {LANG_ITALIAN, 0, "Italian", "Italian.ini"},
    {LANG_PORTUGUESE, 0, "Portuguese", "Portuguese.ini"},
    {LANG_DUTCH, 0, "Dutch", "Dutch.ini"},
    {LANG_RUSSIAN, 0, "Russian", "Russian.ini"},
    {LANG_KOREAN, 0, "Korean", "Korean.ini"},
    {LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED, "Simplified Chinese", "SimplifiedChinese.ini"},
    {LANG_CHINESE, SUBLANG_CHINESE_SINGAPORE, "Simplified Chinese", "SimplifiedChinese.ini"},
    {LANG_CHINESE, 0, "Traditional Chinese", "TraditionalChinese.ini"},
};

void Clear(char* name, char* path) {
    if (name)
        memset(name, 0, kLanguageNameSize);
    if (path)
        memset(path, 0, kLanguagePathSize);
}

}  // namespace

bool LookUpLanguage(LANGID language, const char** name, const char** fileName) {
    WORD primary = PRIMARYLANGID(language);
    WORD sub = SUBLANGID(language);
    for (const LanguageRow& row : kLanguages) {
        if (row.primary != primary || (row.sub != 0 && row.sub != sub))
            continue;
        *name = row.name;
        *fileName = row.fileName;
        return true;
    }
    return false;
}

bool FindLanguageFile(LANGID language, const char* folder, char* name, char* path) {
    Clear(name, path);
    if (!name || !path || !folder || !folder[0])
        return false;
    const char* languageName = nullptr;
    const char* fileName = nullptr;
    if (!LookUpLanguage(language, &languageName, &fileName))
        return false;

    size_t folderLength = strlen(folder);
    const char* separator = folder[folderLength - 1] == '\\' || folder[folderLength - 1] == '/' ? "" : "\\";
    char candidate[kLanguagePathSize];
    int written = snprintf(candidate, sizeof(candidate), "%s%s%s", folder, separator, fileName);
    if (written < 0 || static_cast<size_t>(written) >= sizeof(candidate))
        return false;  // a path that does not fit is no path
    DWORD attributes = GetFileAttributesA(candidate);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;

    memcpy(path, candidate, static_cast<size_t>(written) + 1);
    snprintf(name, kLanguageNameSize, "%s", languageName);
    return true;
}
