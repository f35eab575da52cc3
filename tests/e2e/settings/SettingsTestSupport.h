// What the settings window's end-to-end tests in the running language share: a clean start
// (no agent, no settings) and the agent started with its window shown.
#pragma once
#include "support/Harness.h"

#include <gtest/gtest.h>

namespace settings_e2e {

class SettingsTest : public ::testing::Test {
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
    // Starts the agent (ending one started before) and shows its window in the foreground;
    // false when the window did not show.
    bool StartAndShow(const e2e::InstallFolder& install) {
        agent_.Close();
        e2e::EndStrayAgents();
        if (!agent_.Start(install))
            return false;
        window_ = agent_.Window();
        SendMessageW(window_, WM_USER + 3, 0, 85);
        return IsWindowVisible(window_) && e2e::BringToForeground(window_);
    }
    HWND Item(int id) const { return GetDlgItem(window_, id); }

    e2e::Agent agent_;
    HWND window_ = nullptr;
};

}  // namespace settings_e2e
