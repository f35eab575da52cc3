// The agent's settings load: defaults for a fresh machine, stored values otherwise.
#include "agent/HybridS3Dlg.h"
#include "agent/KeyNames.h"
#include "common/RegistryLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void DeleteSettingsKey() {
    HKEY parent;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvane", 0, KEY_ALL_ACCESS | kRegistryView, &parent) ==
        ERROR_SUCCESS) {
        RegDeleteTreeW(parent, L"Korvane Dormello");
        RegCloseKey(parent);
    }
}

void StoreRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, 0,
                                             KEY_WRITE | kRegistryView, nullptr, &key, nullptr));
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void Store(const wchar_t* name, DWORD value) { StoreRaw(name, REG_DWORD, &value, sizeof(value)); }

DWORD StoredSize(const wchar_t* name) {
    DWORD size = 0xdeadbeef;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_READ | kRegistryView, &key) != ERROR_SUCCESS)
        return size;
    if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        size = 0xdeadbeef;
    RegCloseKey(key);
    return size;
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

// Every stored code that names no key counts as "not set", like 1: the default in memory, the
// stored data left as they were.
TEST_F(LoadSettingsTest, CodesWithoutAKeyNameMeanNotSet) {
    DWORD const codes[] = {1, 0, 0xA0, 0xFF, 0x100, 0xFFFFFFFF};
    BYTE const shortData[] = {0xFF, 0x00};
    wchar_t const text[] = L"F1";
    ULONGLONG const wide = VK_F2;
    std::vector<BYTE> huge(1 << 20, VK_F3);
    size_t const fixedRows = 5;
    struct Case {
        const char* name;
        DWORD type;
        const void* data;
        DWORD size;
    } cases[ARRAYSIZE(codes) + fixedRows] = {
        {"2 bytes, 255", REG_BINARY, shortData, sizeof(shortData)},
        {"no data at all", REG_BINARY, shortData, 0},
        {"text", REG_SZ, text, sizeof(text)},
        {"8 bytes", REG_QWORD, &wide, sizeof(wide)},
        {"1 MB", REG_BINARY, huge.data(), static_cast<DWORD>(huge.size())},
    };
    for (size_t i = 0; i < ARRAYSIZE(codes); ++i)
        cases[i + fixedRows] = {"code", REG_DWORD, &codes[i], sizeof(DWORD)};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << (c.size == 4 ? *static_cast<const DWORD*>(c.data) : 0));
        DeleteSettingsKey();
        StoreRaw(kKey1Value, c.type, c.data, c.size);
        StoreRaw(kKey2Value, c.type, c.data, c.size);
        CHybridS3Dlg dialog;
        dialog.LoadSettings();
        EXPECT_EQ(18u, Key1);
        EXPECT_EQ(112u, Key2);
        EXPECT_STREQ(L"ALT", Key1Text);
        EXPECT_STREQ(L"F1", Key2Text);
        EXPECT_EQ(c.size, StoredSize(kKey1Value)) << "the default is not written back";
    }
}

TEST_F(LoadSettingsTest, StoredValuesAreUsedAsTheyAre) {
    Store(kEnableFunctionValue, 2);
    Store(kShowInTrayValue, 0);
    Store(kKey1Value, 0x11);
    Store(kKey2Value, 0x7B);
    CHybridS3Dlg dialog;
    dialog.LoadSettings();
    EXPECT_EQ(2u, dialog.EnableFunctionCopy());
    EXPECT_EQ(0u, dialog.ShowInTrayCopy());
    EXPECT_EQ(0x11u, Key1);
    EXPECT_EQ(0x7Bu, Key2);
    EXPECT_STREQ(L"CONTROL", Key1Text);
    EXPECT_STREQ(L"F12", Key2Text);
}
