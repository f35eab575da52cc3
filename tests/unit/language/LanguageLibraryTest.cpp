// The translation library: its language table, its outputs, and the shipped language files.
#include "TestPaths.h"

#include "LanguageTable.h"
#include "common/LanguageBinding.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <iostream>
#include <string>

namespace {

std::string const kLanguageFiles = WindowsPath(LANGUAGE_FILES);
std::string const kRealLibrary = WindowsPath(REAL_LIBRARY);
std::string const kEchoLibrary = WindowsPath(ECHO_LIBRARY);

wchar_t const* const kKeys[] = {
    L"After clicking OK, the system will enter the Hybrid Sleep mode.",
    L"Do not show next time",
    L"OK",
    L"Cancel",
    L"Redefine",
    L"Enable the Korvane Dormello hotkey",
    L"Show the utility icon on the toolbar",
    L"Set up the Korvane Dormello hotkey",
    L"Press the combination keys to quickly access the Hybrid Sleep mode.",
};

// Output buffers with guard bytes behind them, pre-filled with a sentinel.
struct Outputs {
    char name[kLanguageNameSize + 16];
    char path[kLanguagePathSize + 16];
    Outputs() {
        memset(name, 0xCC, sizeof(name));
        memset(path, 0xCC, sizeof(path));
    }
    bool GuardsIntact() const {
        for (size_t i = kLanguageNameSize; i < sizeof(name); ++i)
            if (static_cast<unsigned char>(name[i]) != 0xCC)
                return false;
        for (size_t i = kLanguagePathSize; i < sizeof(path); ++i)
            if (static_cast<unsigned char>(path[i]) != 0xCC)
                return false;
        return true;
    }
};

TEST(LanguageTable, FindsTheFileInTheFolderOrGivesEmptyOutputs) {
    struct Case {
        LANGID language;
        std::string folder;
        const char* name;
        std::string path;
    } const cases[] = {
        {0x0411, kLanguageFiles, "Japanese", kLanguageFiles + "\\Japanese.ini"},
        {0x0411, kLanguageFiles + "\\", "Japanese", kLanguageFiles + "\\Japanese.ini"},
        {0x0804, kLanguageFiles, "Simplified Chinese", kLanguageFiles + "\\SimplifiedChinese.ini"},
        {0x1004, kLanguageFiles, "Simplified Chinese", kLanguageFiles + "\\SimplifiedChinese.ini"},
        {0x0C07, kLanguageFiles, "German", kLanguageFiles + "\\German.ini"},   // any German
        {0x0409, kLanguageFiles, "", ""},                          // English: no file
        {0x0404, kLanguageFiles, "", ""},                          // no file shipped
        {0x0407, kLanguageFiles + "\\nowhere", "", ""},            // missing folder
        {0x0407, "", "", ""},                                      // no folder at all
        {0x0407, "C:\\" + std::string(250, 'f'), "", ""},          // path would not fit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder + " " + std::to_string(c.language));
        Outputs out;
        FindLanguageFile(c.language, c.folder.c_str(), out.name, out.path);
        EXPECT_STREQ(c.name, out.name);
        EXPECT_EQ(c.path, out.path);
        EXPECT_TRUE(out.GuardsIntact()) << "wrote beyond 64 or 260 bytes";
    }
}

TEST(LanguageFiles, EveryFileTranslatesEveryKey) {
    for (const char* file : {"Japanese.ini", "German.ini", "French.ini", "Spanish.ini", "SimplifiedChinese.ini"}) {
        SCOPED_TRACE(file);
        std::string path = kLanguageFiles + "\\" + file;
        wchar_t widePath[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
        for (const wchar_t* key : kKeys) {
            wchar_t value[512];
            DWORD length = GetPrivateProfileStringW(L"Translations", key, L"\x1missing", value, 512, widePath);
            EXPECT_STRNE(L"\x1missing", value) << "no entry for a key";
            EXPECT_GT(length, 0u);
        }
    }
}

TEST(LanguageFiles, NarrowAndWideLookupsReadTheSameFile) {
    // Latin texts survive any code page; the narrow call reads the UTF-16 file too.
    struct Case {
        const char* file;
        const char* key;
        const char* expected;
    } const cases[] = {
        {"German.ini", "Cancel", "Abbrechen"},
        {"French.ini", "Cancel", "Annuler"},
        {"Spanish.ini", "OK", "Aceptar"},
        {"Japanese.ini", "OK", "OK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = kLanguageFiles + "\\" + c.file;
        char value[260];
        GetPrivateProfileStringA("Translations", c.key, "", value, sizeof(value), path.c_str());
        EXPECT_STREQ(c.expected, value);
    }
}

// The language the real library must find for this user ("" for English).
std::string ExpectedLanguage() {
    const char* name = nullptr;
    const char* file = nullptr;
    if (LookUpLanguage(GetUserDefaultUILanguage(), &name, &file) &&
        GetFileAttributesA((kLanguageFiles + "\\" + file).c_str()) != INVALID_FILE_ATTRIBUTES)
        return name;
    return std::string();
}

// Runs under the user's interface language; the build registers it once per installed locale
// with DORMELLO_EXPECT_LANGUAGE naming the language that locale must give.
TEST(RealLibrary, FollowsTheUserInterfaceLanguage) {
    ScratchFolder scratch;
    const char* libraryFile = "KvMultiLang.dll";
    std::string library = scratch.CopyIn(kRealLibrary, libraryFile);
    ASSERT_EQ(0, LoadLanguageLibraryFrom(Wide(library).c_str(), Wide(kLanguageFiles).c_str(), LanguageProgram::Confirmation));

    std::string expectedName = ExpectedLanguage();
    const char* wanted = getenv("DORMELLO_EXPECT_LANGUAGE");
    if (wanted) {
        EXPECT_EQ(wanted, expectedName) << "LANG did not give the expected interface language";
    }

    char actual[MAX_PATH];
    GetLanguageName(actual);
    EXPECT_EQ(expectedName, actual);

    // The narrow lookup, converted from the system code page, must equal the UTF-16 lookup.
    for (const wchar_t* key : kKeys) {
        char narrowKey[260];
        WideCharToMultiByte(CP_ACP, 0, key, -1, narrowKey, sizeof(narrowKey), nullptr, nullptr);
        std::wstring wide = TranslateTextW(key);
        wchar_t converted[520];
        MultiByteToWideChar(CP_ACP, 0, TranslateText(narrowKey), -1, converted, ARRAYSIZE(converted));
        EXPECT_EQ(wide, converted);
        if (!expectedName.empty()) {
            EXPECT_TRUE(wide != key || wcscmp(key, L"OK") == 0) << "untranslated text";
        }
    }
    UnloadLanguageLibrary();
}

// Installed in a folder whose name the system code page may not hold: the library is loaded
// from that folder (never from the folder a best-fit narrow name would point at, which holds a
// decoy) and the language is kept when the folder has a narrow or a short form.
TEST(RealLibrary, LoadsFromTheRightFolderWhateverItsName) {
    ScratchFolder scratch;
    std::wstring const base = Wide(scratch.Path());
    const wchar_t* const names[] = {L"\x65e5\x672c\x8a9e", L"Caf\x00e9", L"\x0395\x03bb\x03bb\x03b7\x03bd\x03b9\x03ba\x03ac"};
    std::string const expected = ExpectedLanguage();
    for (const wchar_t* name : names) {
        std::wstring root = base + L"\\" + name;
        std::wstring folder = root + L"\\Images\\LangFiles";
        SCOPED_TRACE(testing::Message() << "folder U+" << std::hex << static_cast<unsigned>(name[0]));
        ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
        CreateDirectoryW((root + L"\\Images").c_str(), nullptr);
        CreateDirectoryW(folder.c_str(), nullptr);
        for (const char* file : {"Japanese.ini", "German.ini", "French.ini", "Spanish.ini", "SimplifiedChinese.ini"})
            CopyFileW(Wide(kLanguageFiles + "\\" + file).c_str(), (folder + L"\\" + Wide(file)).c_str(), FALSE);
        std::wstring library = root + L"\\KvMultiLang.dll";
        ASSERT_TRUE(CopyFileW(Wide(kRealLibrary).c_str(), library.c_str(), FALSE));

        char bestFit[MAX_PATH] = {};
        WideCharToMultiByte(CP_ACP, 0, root.c_str(), -1, bestFit, sizeof(bestFit), nullptr, nullptr);
        std::wstring decoy = Wide(bestFit) + L"\\KvMultiLang.dll";
        bool hasDecoy = Wide(bestFit) != root && CreateDirectoryW(Wide(bestFit).c_str(), nullptr) &&
                        CopyFileW(Wide(kEchoLibrary).c_str(), decoy.c_str(), FALSE);

        ASSERT_EQ(0, LoadLanguageLibraryFrom(library.c_str(), folder.c_str(), LanguageProgram::Confirmation));
        EXPECT_NE(nullptr, GetModuleHandleW(library.c_str()));
        if (hasDecoy) {
            EXPECT_EQ(nullptr, GetModuleHandleW(decoy.c_str())) << "loaded the best-fit decoy";
        }

        char narrow[MAX_PATH];
        bool reachable = NarrowFolderForLibrary(folder.c_str(), narrow);
        char actual[MAX_PATH];
        GetLanguageName(actual);
        std::cout << "  code page " << GetACP() << ": the library gets \"" << narrow << "\"\n";
        if (!reachable) {
            // No exact narrow form and no short name: the library gets no folder, English stays.
            EXPECT_STREQ("", narrow);
            EXPECT_STREQ("", actual);
            EXPECT_STREQ(L"Cancel", TranslateTextW(L"Cancel"));
        } else {
            wchar_t longForm[MAX_PATH] = {};
            GetLongPathNameW(Wide(narrow).c_str(), longForm, MAX_PATH);
            EXPECT_EQ(0, lstrcmpiW(folder.c_str(), longForm)) << "the narrow folder names the same folder";
            EXPECT_EQ(expected, actual);
            if (!expected.empty()) {
                EXPECT_STRNE(L"Cancel", TranslateTextW(L"Cancel")) << "translation lost";
            }
        }
        UnloadLanguageLibrary();
        if (hasDecoy)
            DeleteFileW(decoy.c_str());
    }
}

TEST(LanguagePaths, AFolderWithNoNarrowFormAndNoShortNameIsNoFolder) {
    char narrow[MAX_PATH];
    EXPECT_EQ(GetACP() == CP_UTF8, NarrowFolderForLibrary(L"Z:\\nowhere\\\x0e01\x0e02", narrow));
    EXPECT_TRUE(NarrowFolderForLibrary(L"Z:\\plain\\folder", narrow));
    EXPECT_STREQ("Z:\\plain\\folder", narrow);
}

}  // namespace
