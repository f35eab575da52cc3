// The settings window for screen-reader and keyboard users, in the language the test program
// runs in (built twice: English, and Japanese with LANG=ja_JP.UTF-8): names read through oleacc
// in both modes, with the other mode's labels hidden, pixels that the names leave alone, and Tab
// moving a visible focus in a fixed order, but not while a new hotkey is recorded.
#include "support/Accessibility.h"
#include "support/Harness.h"

#include <gtest/gtest.h>

#include <string>

using e2e::InstallFolder;

namespace {

int const kOk = 1000, kCancel = 1001, kRedefine = 1002, kEnable = 1003, kTray = 1004;
wchar_t const kEnableLabel[] = L"Enable the Korvane Dormello hotkey";
wchar_t const kTrayLabel[] = L"Show the utility icon on the toolbar";
wchar_t const kHeading[] = L"Set up the Korvane Dormello hotkey";
wchar_t const kRedefineText[] = L"Press the combination keys to quickly access the Hybrid Sleep mode.";

class SettingsAccessibility : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef RUNS_IN_JAPANESE
        ASSERT_EQ(0x0411, GetUserDefaultUILanguage()) << "run with LANG=ja_JP.UTF-8";
#endif
        e2e::EndStrayAgents();
        e2e::registry::DeleteSettingsKey();
    }
    void TearDown() override {
        agent_.Close();
        e2e::EndStrayAgents();
        e2e::registry::DeleteSettingsKey();
    }
    void StartAndShow(const InstallFolder& install) {
        ASSERT_TRUE(agent_.Start(install));
        window_ = agent_.Window();
        SendMessageW(window_, WM_USER + 3, 0, 85);
        ASSERT_TRUE(IsWindowVisible(window_));
        ASSERT_TRUE(e2e::BringToForeground(window_));
    }
    void EnterRedefineMode() {
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(kRedefine, BN_CLICKED), reinterpret_cast<LPARAM>(Item(kRedefine)));
        ASSERT_FALSE(IsWindowVisible(Item(kRedefine)));
        ASSERT_TRUE(e2e::BringToForeground(window_));
    }
    HWND Item(int id) const { return GetDlgItem(window_, id); }

    e2e::Agent agent_;
    HWND window_ = nullptr;
};

}  // namespace

// Names for screen readers in both modes, which add no pixel: the window paints every word itself.
TEST_F(SettingsAccessibility, EveryPartHasItsNameInBothModes) {
    e2e::ComScope com;
    e2e::TranslationCase const cases[] = {{"complete language file", nullptr}, {"a translation missing", kTrayLabel}};
    for (const e2e::TranslationCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        InstallFolder install;
        e2e::PrepareTranslationCase(install.Path(), c);
        StartAndShow(install);
        auto expected = [&](const wchar_t* key) { return e2e::ExpectedName(install.Path(), c, key); };
        enum Mode { kSettings = 1, kRedefining = 2, kBoth = 3 };
        struct Row {
            int id;
            std::wstring name;
            int shownIn;
        } const rows[] = {
            {1007, L"Korvane Dormello", kBoth},
            {kEnable, expected(kEnableLabel), kSettings},
            {1005, expected(kEnableLabel), kSettings},
            {kTray, expected(kTrayLabel), kSettings},
            {1006, expected(kTrayLabel), kSettings},
            {1008, expected(kHeading), kSettings},
            {kRedefine, expected(L"Redefine"), kSettings},
            {1013, expected(kRedefineText), kRedefining},
            {1011, L"ALT", kRedefining},  // the hotkey line: the default Alt+F1
            {1014, L"+", kRedefining},
            {1012, L"F1", kRedefining},
            {kOk, expected(L"OK"), kBoth},
            {kCancel, expected(L"Cancel"), kBoth},
        };
        for (Mode mode : {kSettings, kRedefining}) {
            SCOPED_TRACE(mode == kSettings ? "settings mode" : "redefine mode");
            if (mode == kRedefining)
                EnterRedefineMode();
            for (const Row& row : rows) {
                EXPECT_FALSE(row.name.empty()) << "control " << row.id;
                EXPECT_EQ(row.name, e2e::AccessibleNameOf(Item(row.id))) << "control " << row.id;
                EXPECT_EQ((row.shownIn & mode) != 0, IsWindowVisible(Item(row.id)) != FALSE) << "control " << row.id;
            }
            if (mode == kSettings)
                e2e::ExpectNamesAddNoPixel(window_, {1007, kEnable, 1005, kTray, 1006, 1008});
            else
                e2e::ExpectNamesAddNoPixel(window_, {1007, 1013, 1011, 1014, 1012});
        }
        // Peers find the window by its title; its spoken name is the product's where the platform
        // keeps annotations.
        EXPECT_EQ(window_, FindWindowW(L"#32770", L"KvHybridS3"));
        EXPECT_EQ(e2e::PlatformAnnotatesNames() ? L"Korvane Dormello" : L"KvHybridS3", e2e::AccessibleNameOf(window_));
    }
}

// Tab walks the two boxes, Redefine, OK and Cancel; Space ticks a focused box. While a new
// hotkey is recorded Tab is recorded like any key and the focus stays.
TEST_F(SettingsAccessibility, TabMovesAVisibleFocusButNotWhileRecording) {
    InstallFolder install;
    StartAndShow(install);
    Sleep(300);
    e2e::TabWalk walk(window_, {{kEnable, 1005}, {kTray, 1006}, {kRedefine, 0}, {kOk, 0}, {kCancel, 0}});
    walk.Steps(6);
    walk.Steps(2, true);

    while (e2e::KeyboardFocusOf(window_) != Item(kTray))
        walk.Steps(1);
    LRESULT const ticked = SendMessageW(Item(kTray), BM_GETCHECK, 0, 0);
    e2e::PressKeys({VK_SPACE});
    EXPECT_TRUE(e2e::WaitUntil([&] { return SendMessageW(Item(kTray), BM_GETCHECK, 0, 0) != ticked; }, 3000))
        << "Space toggles the focused box";

    EnterRedefineMode();
    HWND const focus = e2e::KeyboardFocusOf(window_);
    e2e::PressKeys({VK_TAB});
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TextOf(Item(1011)) == L"TAB"; }, 3000)) << "Tab is recorded";
    EXPECT_EQ(focus, e2e::KeyboardFocusOf(window_)) << "the focus stays while recording";
    e2e::PressKeys({VK_ESCAPE});
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(window_); }, 3000)) << "Escape still cancels";
}
