// The language binding on real INI files and real libraries, in scratch folders.
#include "TestPaths.h"

#include "common/LanguageBinding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string const kEcho = WindowsPath(ECHO_LIBRARY);
std::string const kNoEntry = WindowsPath(NOENTRY_LIBRARY);

// A narrow INI file with the section and the given "key=value" lines.
std::string AnsiIni(const std::string& lines) {
    return "[Translations]\r\n" + lines;
}

class LanguageBinding : public ::testing::Test {
protected:
    void TearDown() override { UnloadLanguageLibrary(); }

    // A language folder called languageName holding lang.ini with contents, bound through the echo library.
    std::string Bind(const std::string& languageName, const std::string& contents,
                     LanguageProgram program = LanguageProgram::Agent) {
        std::string folder = scratch.MakeFolder(languageName);
        scratch.WriteFile(languageName + "\\lang.ini", contents);
        EXPECT_EQ(0, LoadLanguageLibraryFrom(Wide(kEcho).c_str(), Wide(folder).c_str(), program));
        return folder;
    }

    ScratchFolder scratch;
};

TEST_F(LanguageBinding, NarrowLookupGrowsTheBufferByDoublingWhenTheTextMayHaveBeenCut) {
    struct Case {
        size_t length;
        size_t bufferAfter;
    } const cases[] = {
        {10, 260}, {258, 260}, {259, 520}, {518, 520}, {519, 1040}, {600, 1040}, {2000, 2080},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string text(c.length, 'x');
        text.back() = 'y';
        Bind("Narrow", AnsiIni("Long=" + text + "\r\n"));
        ASSERT_EQ(260u, TranslationBufferSize());
        EXPECT_EQ(text, TranslateText("Long"));
        EXPECT_EQ(c.bufferAfter, TranslationBufferSize());
        UnloadLanguageLibrary();
    }
}

TEST_F(LanguageBinding, WideLookupUsesHalfTheBytesAndGrowsTheSameBuffer) {
    std::wstring const wide(258, L'\x00e9');
    Bind("Wide", Utf16File(L"[Translations]\r\nShort=" + std::wstring(100, L'a') + L"\r\nWide=" + wide +
                           L"\r\nNarrow=" + std::wstring(259, L'n') + L"\r\n"));
    EXPECT_EQ(std::wstring(100, L'a'), TranslateTextW(L"Short"));
    EXPECT_EQ(260u, TranslationBufferSize()) << "130 units hold 100";

    // 258 units do not fit 130: the buffer doubles once (the same bytes serve both kinds of lookup).
    EXPECT_EQ(wide, TranslateTextW(L"Wide"));
    EXPECT_EQ(520u, TranslationBufferSize());
    // 259 units may have been cut at 260: it doubles again.
    EXPECT_EQ(std::wstring(259, L'n'), TranslateTextW(L"Narrow"));
    EXPECT_EQ(1040u, TranslationBufferSize());
}

TEST_F(LanguageBinding, WideLookupAfterANarrowOneGrewTheBufferHas260Units) {
    Bind("After", Utf16File(L"[Translations]\r\nNarrow=" + std::wstring(259, L'n') + L"\r\nWide=" +
                            std::wstring(258, L'w') + L"\r\n"));
    EXPECT_EQ(std::string(259, 'n'), TranslateText("Narrow"));
    ASSERT_EQ(520u, TranslationBufferSize());
    EXPECT_EQ(std::wstring(258, L'w'), TranslateTextW(L"Wide"));
    EXPECT_EQ(520u, TranslationBufferSize()) << "258 units fit the 260 units of 520 bytes";
}

TEST_F(LanguageBinding, MissingKeysAndNullKeys) {
    Bind("Keys", AnsiIni("OK=Bien\r\n"));
    EXPECT_STREQ("Bien", TranslateText("OK"));
    EXPECT_STREQ("Cancel", TranslateText("Cancel")) << "a key without entry is its own text";
    EXPECT_STREQ(L"Cancel", TranslateTextW(L"Cancel"));
    EXPECT_EQ(nullptr, TranslateText(nullptr));
    EXPECT_EQ(nullptr, TranslateTextW(nullptr));
}

TEST_F(LanguageBinding, EverythingMissingGivesEnglish) {
    struct Case {
        const char* name;
        int loadResult;
        std::string library;
        bool makeFolder;
        bool makeFile;
    } const cases[] = {
        {"missing library", 1, scratch.Path() + "\\absent\\KvMultiLang.dll", true, true},
        {"library without entry point", 0, kNoEntry, true, true},
        {"missing folder", 0, kEcho, false, false},
        {"missing file", 0, kEcho, true, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        for (LanguageProgram program : {LanguageProgram::Agent, LanguageProgram::Confirmation}) {
            SCOPED_TRACE(c.name);
            std::string folder = scratch.Path() + "\\Case" + std::to_string(++index);
            if (c.makeFolder)
                CreateDirectoryA(folder.c_str(), nullptr);
            if (c.makeFile)
                scratch.WriteFile("Case" + std::to_string(index) + "\\lang.ini", AnsiIni("OK=Bien\r\n"));
            EXPECT_EQ(c.loadResult, LoadLanguageLibraryFrom(Wide(c.library).c_str(), Wide(folder).c_str(), program));
            EXPECT_STREQ("OK", TranslateText("OK"));
            EXPECT_STREQ(L"OK", TranslateTextW(L"OK"));
            char name[MAX_PATH];
            memset(name, 'x', sizeof(name));
            if (c.library != kEcho) {  // the echo library would name the folder
                EXPECT_EQ(0u, GetLanguageName(name));
                EXPECT_STREQ("", name);
            }
            UnloadLanguageLibrary();
        }
    }
}

TEST_F(LanguageBinding, ConfirmationProgramTestsTheFileBeforeEveryLookup) {
    std::string folder = Bind("Gone", AnsiIni("OK=Bien\r\n"), LanguageProgram::Confirmation);
    EXPECT_STREQ("Bien", TranslateText("OK"));
    DeleteFileA((folder + "\\lang.ini").c_str());
    const char* key = "OK";
    EXPECT_EQ(key, TranslateText(key)) << "the key itself, not a copy";
    const wchar_t* wideKey = L"OK";
    EXPECT_EQ(wideKey, TranslateTextW(wideKey));
}

// A library that writes unterminated outputs, or far more than they hold, spoils nothing of
// the binding: the name is cut to 63 characters, a path that does not fit is no path.
TEST_F(LanguageBinding, MisbehavingLibraryOutputsAreCutAndTerminated) {
    for (const char* behaviour : {"overlong", "overflow"}) {
        SCOPED_TRACE(behaviour);
        std::string folder = scratch.MakeFolder(behaviour);
        ASSERT_EQ(0, LoadLanguageLibraryFrom(Wide(kEcho).c_str(), Wide(folder).c_str(), LanguageProgram::Agent));
        char name[MAX_PATH];
        EXPECT_EQ(63u, GetLanguageName(name));
        EXPECT_EQ(std::string(63, 'N'), name);
        EXPECT_EQ(260u, TranslationBufferSize()) << "the binding's own fields are intact";
        EXPECT_STREQ("OK", TranslateText("OK")) << "no such file: English";
        EXPECT_STREQ(L"OK", TranslateTextW(L"OK"));
        UnloadLanguageLibrary();
    }
}

// Whatever stands where the language file should be, every lookup ends with a terminated,
// bounded text; an empty value is as good as missing.
TEST_F(LanguageBinding, BadLanguageFilesNeverBreakALookup) {
    std::string garbage;
    unsigned seed = 12345;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage += static_cast<char>(seed >> 16);
    }
    std::string noBom = Utf16File(L"[Translations]\r\nOK=Bien\r\n").substr(2);
    struct Case {
        const char* name;
        std::string contents;  // "<dir>": a folder in the file's place
        const char* ok;        // the expected narrow "OK", null: any bounded text
    } const cases[] = {
        {"garbage", garbage, nullptr},
        {"UTF-16 without byte-order mark", noBom, nullptr},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF[Translations]\r\nOK=Caf\xC3\xA9\r\n", nullptr},
        {"UTF-8", "[Translations]\r\nCancel=Caf\xC3\xA9\r\nOK=Bien\r\n", "Bien"},
        {"truncated", "[Translations]\r\nCancel=Ann", "OK"},
        {"empty", "", "OK"},
        {"a directory", "<dir>", "OK"},
        {"empty values", "[Translations]\r\nOK=\r\nCancel=   \r\n", "OK"},
        {"a 2 MB value", "[Translations]\r\nOK=" + std::string(2 << 20, 'x') + "\r\n", nullptr},
    };
    int index = 0;
    for (const Case& c : cases) {
        for (LanguageProgram program : {LanguageProgram::Agent, LanguageProgram::Confirmation}) {
            SCOPED_TRACE(c.name);
            std::string language = "Bad" + std::to_string(++index);
            if (c.contents == "<dir>") {
                scratch.MakeFolder(language + "\\lang.ini");
                EXPECT_EQ(0, LoadLanguageLibraryFrom(Wide(kEcho).c_str(), Wide(scratch.Path() + "\\" + language).c_str(), program));
            } else {
                Bind(language, c.contents, program);
            }
            DWORD started = GetTickCount();
            const char* ok = TranslateText("OK");
            ASSERT_NE(nullptr, ok);
            EXPECT_LT(strnlen(ok, 2 << 20), static_cast<size_t>(2 << 20)) << "terminated within bounds";
            if (c.ok) {
                EXPECT_STREQ(c.ok, ok);
            }
            const wchar_t* cancel = TranslateTextW(L"Cancel");
            ASSERT_NE(nullptr, cancel);
            EXPECT_LT(wcsnlen(cancel, 1 << 20), static_cast<size_t>(1 << 20));
            if (c.contents.find("Cancel=   ") != std::string::npos) {
                EXPECT_STREQ(L"Cancel", cancel) << "an empty value is English";
            }
            EXPECT_LT(GetTickCount() - started, 10000u);
            UnloadLanguageLibrary();
        }
    }
}

TEST_F(LanguageBinding, LanguageNameAndCharSet) {
    struct Case {
        const char* name;
        BYTE charSet;
    } const cases[] = {
        {"Japanese", SHIFTJIS_CHARSET}, {"JAPANESE", SHIFTJIS_CHARSET}, {"japanese", SHIFTJIS_CHARSET},
        {"jApAnEsE", SHIFTJIS_CHARSET}, {"German", DEFAULT_CHARSET},     {"Japanese2", DEFAULT_CHARSET},
        {"Japan", DEFAULT_CHARSET},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bind(c.name, AnsiIni(""));
        char name[MAX_PATH];
        EXPECT_EQ(strlen(c.name), GetLanguageName(name));
        EXPECT_STREQ(c.name, name);
        EXPECT_EQ(c.charSet, LanguageCharSet(name));
        UnloadLanguageLibrary();
    }
    EXPECT_EQ(DEFAULT_CHARSET, LanguageCharSet(""));
    EXPECT_EQ(DEFAULT_CHARSET, LanguageCharSet(nullptr));
}

TEST_F(LanguageBinding, UnloadedBindingReturnsKeys) {
    EXPECT_EQ(0u, TranslationBufferSize());
    const char* key = "Redefine";
    EXPECT_EQ(key, TranslateText(key));
    char name[MAX_PATH];
    EXPECT_EQ(0u, GetLanguageName(name));
}

TEST(LanguagePaths, LibraryPathPerProgram) {
    struct Case {
        LanguageProgram program;
        const wchar_t* module;
        const wchar_t* expected;
    } const cases[] = {
        {LanguageProgram::Agent, L"C:\\Prog\\Dormkey.exe", L"C:\\Prog\\Images\\KvMultiLang.dll"},
        {LanguageProgram::Confirmation, L"C:\\Prog\\Dormnote.exe", L"C:\\Prog\\KvMultiLang.dll"},
        {LanguageProgram::Confirmation, L"C:\\Prog\\Images\\Dormnote.exe", L"C:\\Prog\\Images\\KvMultiLang.dll"},
        {LanguageProgram::Confirmation, L"C:\\Caf\x00e9\\\x03a3\\Dormnote.exe", L"C:\\Caf\x00e9\\\x03a3\\KvMultiLang.dll"},
    };
    for (const Case& c : cases) {
        wchar_t path[MAX_PATH];
        EXPECT_TRUE(BuildLanguageLibraryPath(c.program, c.module, path));
        EXPECT_STREQ(c.expected, path);
    }
    std::wstring deep = L"C:\\" + std::wstring(245, L'd') + L"\\Dormkey.exe";
    wchar_t path[MAX_PATH];
    EXPECT_FALSE(BuildLanguageLibraryPath(LanguageProgram::Agent, deep.c_str(), path)) << "does not fit 260";
    EXPECT_STREQ(L"", path);
}

TEST(LanguagePaths, ConfirmationProgramPrefersTheFolderBesideIt) {
    ScratchFolder scratch;
    std::wstring program = Wide(scratch.MakeFolder("Prog\\Images"));
    std::wstring here = program + L"\\Images\\LangFiles";
    std::wstring parent = Wide(scratch.Path()) + L"\\Prog\\Images\\LangFiles";
    wchar_t folder[MAX_PATH];

    EXPECT_FALSE(FindLanguageFolderIn(LanguageProgram::Confirmation, program.c_str(), folder)) << "neither exists";
    EXPECT_STREQ(L"", folder);

    scratch.MakeFolder("Prog\\Images\\LangFiles");
    EXPECT_TRUE(FindLanguageFolderIn(LanguageProgram::Confirmation, program.c_str(), folder));
    EXPECT_EQ(parent, folder) << "only the parent's folder exists";

    scratch.MakeFolder("Prog\\Images\\Images\\LangFiles");
    EXPECT_TRUE(FindLanguageFolderIn(LanguageProgram::Confirmation, (program + L"\\").c_str(), folder));
    EXPECT_EQ(here, folder) << "the folder beside the program wins";
}

TEST(LanguagePaths, AgentNeverTestsTheFolder) {
    wchar_t folder[MAX_PATH];
    EXPECT_TRUE(FindLanguageFolderIn(LanguageProgram::Agent, L"Z:\\nowhere\\at all", folder));
    EXPECT_STREQ(L"Z:\\nowhere\\at all\\Images\\LangFiles", folder);
}

}  // namespace
