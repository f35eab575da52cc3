// What the confirmation program's end-to-end tests share: the registry sentinel and the
// expected geometry of the dialog.
#pragma once
#include "support/Harness.h"
#include "support/Screenshot.h"

#include <gtest/gtest.h>

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
