// The question for screen-reader and keyboard users, in the language the test program runs in
// (built twice: English, and Japanese with LANG=ja_JP.UTF-8): every part's name read through
// oleacc, pixels that the names leave alone, and Tab moving a visible focus in a fixed order.
#include "ConfirmationTestSupport.h"

#include "support/Accessibility.h"

using namespace confirm_e2e;
using e2e::Confirmation;
using e2e::InstallFolder;

namespace {

wchar_t const kDontShow[] = L"Do not show next time";

}  // namespace

// Names for screen readers, which add no pixel: the dialog paints every word itself.
TEST_F(ConfirmationTest, EveryPartHasItsNameForScreenReaders) {
#ifdef RUNS_IN_JAPANESE
    ASSERT_EQ(0x0411, GetUserDefaultUILanguage()) << "run with LANG=ja_JP.UTF-8";
#endif
    e2e::ComScope com;
    e2e::TranslationCase const cases[] = {{"complete language file", nullptr}, {"a translation missing", kDontShow}};
    for (const e2e::TranslationCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        InstallFolder install;
        e2e::PrepareTranslationCase(install.Path(), c);
        Confirmation confirmation;
        ASSERT_TRUE(confirmation.Start(install, L"/sleep:hybrid"));
        auto expected = [&](const wchar_t* key) { return e2e::ExpectedName(install.Path(), c, key); };
        struct Row {
            int id;
            std::wstring name;
        } const rows[] = {
            {1062, L"Korvane Dormello"},
            {1060, expected(L"After clicking OK, the system will enter the Hybrid Sleep mode.")},
            {1004, expected(kDontShow)},
            {1006, expected(kDontShow)},
            {1030, expected(L"OK")},
            {1031, expected(L"Cancel")},
        };
        for (const Row& row : rows) {
            EXPECT_FALSE(row.name.empty()) << "control " << row.id;
            EXPECT_EQ(row.name, e2e::AccessibleNameOf(confirmation.Item(row.id))) << "control " << row.id;
        }
        e2e::ExpectNamesAddNoPixel(confirmation.Window(), {1062, 1060, 1004, 1006});
        e2e::PressKeys({VK_ESCAPE});
        EXPECT_TRUE(confirmation.Proc().WaitForExit(10000));
    }
}

// The question opens with the focus on Cancel and no cue; Tab walks OK, Cancel, the box, and
// Space ticks the box it reaches; Escape still cancels.
TEST_F(ConfirmationTest, TabMovesAVisibleFocusInAFixedOrder) {
    InstallFolder install;
    Confirmation confirmation;
    ASSERT_TRUE(confirmation.Start(install, L"/sleep:hybrid"));
    Sleep(300);
    ASSERT_EQ(confirmation.Item(1031), confirmation.Focus());
    e2e::TabWalk walk(confirmation.Window(), {{1030, 0}, {1031, 0}, {1004, 1006}});
    walk.Steps(4);        // box, OK, Cancel, box
    walk.Steps(2, true);  // Cancel, OK

    walk.Steps(2);  // Cancel, box
    ASSERT_EQ(confirmation.Item(1004), confirmation.Focus());
    e2e::PressKeys({VK_SPACE});
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return SendMessageW(confirmation.Item(1004), BM_GETCHECK, 0, 0) == BST_CHECKED; }, 3000))
        << "Space ticks the focused box";
    EXPECT_TRUE(confirmation.Proc().IsRunning());
    e2e::PressKeys({VK_ESCAPE});
    ASSERT_TRUE(confirmation.Proc().WaitForExit(10000));
    EXPECT_EQ(0u, ReadSuspend());
    EXPECT_TRUE(ShowMessageBoxMissing()) << "Escape stores nothing of the box";
}
