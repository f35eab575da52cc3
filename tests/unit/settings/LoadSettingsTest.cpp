// The agent's settings load: defaults for a fresh machine, stored values otherwise.
#include "agent/HybridS3Dlg.h"
#include "agent/KeyNames.h"
#include "common/RegistryLayout.h"

#include <gtest/gtest.h>

namespace {

void DeleteSettingsKey() {
    HKEY parent;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvane", 0, KEY_ALL_ACCESS | kRegistryView, &parent) ==
        ERROR_SUCCESS) {
        RegDeleteTreeW(parent, L"Korvane Dormello");
        RegCloseKey(parent);
    }
}

void Store(const wchar_t* name, DWORD value) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, 0,
                                             KEY_WRITE | kRegistryView, nullptr, &key, nullptr));
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

bool SettingsKeyExists() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_READ | kRegistryView, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class LoadSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};

}  // namespace

TEST_F(LoadSettingsTest, MissingKeyGivesDefaultsAndWritesNothing) {
    CHybridS3Dlg dialog;
    dialog.LoadSettings();
    EXPECT_EQ(1u, dialog.EnableFunctionCopy());
    EXPECT_EQ(1u, dialog.ShowInTrayCopy());
    EXPECT_EQ(18u, Key1);
    EXPECT_EQ(112u, Key2);
    EXPECT_STREQ(L"ALT", Key1Text);
    EXPECT_STREQ(L"F1", Key2Text);
    EXPECT_FALSE(SettingsKeyExists()) << "defaults are not written back";
}

TEST_F(LoadSettingsTest, StoredOneMeansNotSet) {
    Store(kKey1Value, 1);
    Store(kKey2Value, 1);
    CHybridS3Dlg dialog;
    dialog.LoadSettings();
    EXPECT_EQ(18u, Key1);
    EXPECT_EQ(112u, Key2);
    EXPECT_STREQ(L"ALT", Key1Text);
    EXPECT_STREQ(L"F1", Key2Text);
}

TEST_F(LoadSettingsTest, StoredValuesAreUsedAsTheyAre) {
    Store(kEnableFunctionValue, 2);
    Store(kShowInTrayValue, 0);
    Store(kKey1Value, 0x11);
    Store(kKey2Value, 0xA0);  // a code without a name still works as a hotkey key
    CHybridS3Dlg dialog;
    dialog.LoadSettings();
    EXPECT_EQ(2u, dialog.EnableFunctionCopy());
    EXPECT_EQ(0u, dialog.ShowInTrayCopy());
    EXPECT_EQ(0x11u, Key1);
    EXPECT_EQ(0xA0u, Key2);
    EXPECT_STREQ(L"CONTROL", Key1Text);
    EXPECT_STREQ(L"", Key2Text) << "the constructor cleared it and no name exists";
}
