// What the confirmation program's end-to-end tests share: the registry sentinel and the
// expected geometry of the dialog.
#pragma once
#include "support/Harness.h"
#include "support/Screenshot.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace confirm_e2e {

// Suspend holds this before each test, so "nothing was written" can be seen.
DWORD const kSuspendSentinel = 7;

int const kDialogWidth = 542;
int const kDialogHeight = 251;

inline DWORD ReadSuspend() {
    DWORD value = 0xdeadbeef;
    return e2e::registry::ReadSetting(L"Suspend", &value) ? value : 0xdeadbeef;
}

inline bool ShowMessageBoxIs(DWORD expected) {
    DWORD value = 0xdeadbeef;
    return e2e::registry::ReadSetting(L"ShowMessageBox", &value) && value == expected;
}

inline bool ShowMessageBoxMissing() {
    DWORD value = 0;
    return !e2e::registry::ReadSetting(L"ShowMessageBox", &value);
}

// For each way the program can be started, the question it shows: the message control carries the
// sentence (translation names the expected words for an English key), and where the PC offers
// no sleep only a Close button is left.
inline void ExpectTheQuestionForEachStart(const std::function<std::wstring(const wchar_t*)>& translation) {
    struct Start {
        const wchar_t* arguments;
        const wchar_t* sentence;
        bool closeOnly;
    } const starts[] = {
        {L"/sleep:hybrid", L"After clicking OK, the system will enter the Hybrid Sleep mode.", false},
        {L"/sleep:plain",
         L"After clicking OK, the PC will sleep, but not in hybrid sleep: hibernation is off (powercfg /hibernate on "
         L"turns it on).",
         false},
        {L"/sleep:hibernate", L"After clicking OK, the PC will hibernate: it has no hybrid sleep.", false},
        {L"/sleep:hybridoff",
         L"After clicking OK, the PC will sleep, but not in hybrid sleep: it is off in the power plan and could not "
         L"be switched on.",
         false},
        {L"/sleep:policyoff",
         L"After clicking OK, the PC will sleep, but not in hybrid sleep: a policy of your organisation turns it "
         L"off.",
         false},
        {L"/sleep:none", L"This PC offers no sleep that this utility can start.", true},
        {L"", L"The PC will go to sleep.", false},                 // started by hand
        {L"/sleep:hybernate", L"The PC will go to sleep.", false},  // a case it does not know
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(start.arguments)));
        e2e::InstallFolder install;
        e2e::Confirmation confirmation;
        ASSERT_TRUE(confirmation.Start(install, start.arguments));
        std::wstring const expected = translation(start.sentence);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(expected, e2e::TextOf(confirmation.Item(1060)));
        EXPECT_EQ(!start.closeOnly, IsWindowVisible(confirmation.Item(1030)) != FALSE);
        EXPECT_EQ(translation(start.closeOnly ? L"Close" : L"Cancel"), e2e::TextOf(confirmation.Item(1031)));
        e2e::PressKeys({VK_ESCAPE});
        EXPECT_TRUE(confirmation.Proc().WaitForExit(10000));
        EXPECT_EQ(0u, ReadSuspend());
    }
}

class ConfirmationTest : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::EndStrayConfirmations();
        e2e::registry::DeleteSettingsKey();
        e2e::registry::WriteSetting(L"Suspend", kSuspendSentinel);
    }
    void TearDown() override {
        e2e::EndStrayConfirmations();
        e2e::registry::DeleteSettingsKey();
    }
};

}  // namespace confirm_e2e
