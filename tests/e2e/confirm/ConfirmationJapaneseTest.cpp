// The confirmation program for a Japanese user (the test program runs with LANG=ja_JP.UTF-8,
// which the programs it starts inherit): translated captions and message, and English again
// when the translation library or the language file is missing. (Fonts are GDI objects of the
// other process and cannot be read from here; the unit tests check the character set rule.)
#include "ConfirmationTestSupport.h"

using namespace confirm_e2e;
using e2e::Confirmation;
using e2e::InstallFolder;
using e2e::TextOf;

namespace {

std::wstring Translation(const std::wstring& install, const wchar_t* key) {
    wchar_t value[256] = {};
    GetPrivateProfileStringW(L"Translations", key, L"", value, ARRAYSIZE(value),
                             (install + L"\\Images\\LangFiles\\Japanese.ini").c_str());
    return value;
}

}  // namespace

TEST_F(ConfirmationTest, JapaneseCaptionsFontsAndPicture) {
    ASSERT_EQ(0x0411, GetUserDefaultUILanguage()) << "run with LANG=ja_JP.UTF-8";
    InstallFolder install;
    std::wstring ok = Translation(install.Path(), L"OK");
    std::wstring cancel = Translation(install.Path(), L"Cancel");
    ASSERT_FALSE(ok.empty());
    ASSERT_FALSE(cancel.empty());

    Confirmation confirmation;
    ASSERT_TRUE(confirmation.Start(install));
    EXPECT_EQ(ok, TextOf(confirmation.Item(1030)));
    EXPECT_EQ(cancel, TextOf(confirmation.Item(1031)));

    Sleep(300);
    RECT window = {};
    GetWindowRect(confirmation.Window(), &window);
    e2e::Screenshot shot(window);
    EXPECT_FALSE(shot.SaveArtifact(L"confirmation-ja.bmp").empty());
    RECT messageBox = {200, 68, 500, 138};
    EXPECT_GT(shot.CountNear(messageBox, RGB(210, 210, 210), 40), 50) << "the translated message is drawn";

    e2e::PressKeys({VK_LEFT});
    e2e::PressKeys({VK_RETURN});
    ASSERT_TRUE(confirmation.Proc().WaitForExit(10000));
    EXPECT_EQ(1u, ReadSuspend());
}

TEST_F(ConfirmationTest, JapaneseQuestionForEachKindOfPc) {
    ASSERT_EQ(0x0411, GetUserDefaultUILanguage()) << "run with LANG=ja_JP.UTF-8";
    std::wstring const stage = e2e::StageDir();
    ExpectTheQuestionForEachStart([&](const wchar_t* key) { return Translation(stage, key); });
}

TEST_F(ConfirmationTest, WithoutTheTranslationLibraryJapaneseUsersGetEnglish) {
    const wchar_t* const removals[] = {L"KvMultiLang.dll", L"Images\\LangFiles\\Japanese.ini", L"Images\\LangFiles"};
    for (const wchar_t* removed : removals) {
        SCOPED_TRACE(testing::Message() << "without " << removed);
        SetUp();
        InstallFolder install({removed});
        Confirmation confirmation;
        ASSERT_TRUE(confirmation.Start(install));
        EXPECT_EQ(L"OK", TextOf(confirmation.Item(1030)));
        EXPECT_EQ(L"Cancel", TextOf(confirmation.Item(1031)));
        e2e::PressKeys({VK_ESCAPE});
        ASSERT_TRUE(confirmation.Proc().WaitForExit(10000));
        EXPECT_EQ(0u, ReadSuspend());
    }
}

// Installed in "Café", which the Japanese code page cannot hold (its best-fit form is "Cafe"):
// the question loads nothing from "Cafe", where a decoy translation library waits, and keeps
// its Japanese captions.
TEST_F(ConfirmationTest, AFolderTheCodePageCannotHoldKeepsTheTranslation) {
    e2e::TempFolder root;
    std::wstring cafe = root / L"Caf\x00e9";
    e2e::CopyStageTo(cafe);
    ASSERT_TRUE(root.CopyFileTo(e2e::WindowsPathFromUnix(ECHO_LIBRARY), L"Cafe\\KvMultiLang.dll"));
    ASSERT_TRUE(root.CopyFileTo(cafe + L"\\Images\\LangFiles\\German.ini", L"Cafe\\Images\\LangFiles\\lang.ini"));
    WritePrivateProfileStringW(L"Translations", L"OK", L"DECOY", (root / L"Cafe\\Images\\LangFiles\\lang.ini").c_str());

    e2e::Process process;
    ASSERT_TRUE(process.Start(cafe + L"\\Dormnote.exe"));
    HWND dialog = e2e::WaitForTopWindow(Confirmation::kWindowClass, Confirmation::kWindowTitle, process.Id(), 15000);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 5000));
    EXPECT_EQ(Translation(cafe, L"OK"), TextOf(GetDlgItem(dialog, 1030)));
    EXPECT_EQ(Translation(cafe, L"Cancel"), TextOf(GetDlgItem(dialog, 1031)));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(process.WaitForExit(10000));
}
