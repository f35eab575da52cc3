// The settings store against the real registry of the test's Wine prefix. Each test works in a
// scratch key that is recreated at the start and deleted at the end.
#include "common/DwordRegHelper.h"
#include "common/RegistryLayout.h"

#include <gtest/gtest.h>

namespace {

wchar_t const kScratchPath[] = L"SOFTWARE\\Korvane\\DormelloTest\\";

void DeleteScratch(HKEY root) {
    HKEY parent;
    if (RegOpenKeyExW(root, L"SOFTWARE\\Korvane", 0, KEY_ALL_ACCESS | kRegistryView, &parent) == ERROR_SUCCESS) {
        RegDeleteTreeW(parent, L"DormelloTest");
        RegCloseKey(parent);
    }
}

void SetRaw(HKEY root, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, kScratchPath, 0, nullptr, 0, KEY_WRITE | kRegistryView, nullptr,
                                             &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

bool GetRaw(HKEY root, const wchar_t* name, DWORD* type, DWORD* data) {
    HKEY key;
    if (RegOpenKeyExW(root, kScratchPath, 0, KEY_READ | kRegistryView, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof(*data);
    LONG result = RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

class DwordRegHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteScratch(HKEY_LOCAL_MACHINE);
        DeleteScratch(HKEY_CURRENT_USER);
    }
    void TearDown() override { SetUp(); }
};

}  // namespace

TEST_F(DwordRegHelperTest, MissingKeyOrValueGivesEachProgramsFailureResult) {
    DwordRegHelper agent(kScratchPath, L"EnableFunction", kAgentReadFailure);
    DwordRegHelper confirm(kScratchPath, L"ShowMessageBox", kConfirmReadFailure);
    EXPECT_EQ(1u, agent.Read()) << "key missing";
    EXPECT_EQ(0u, confirm.Read()) << "key missing";

    DWORD other = 7;
    SetRaw(HKEY_LOCAL_MACHINE, L"Other", REG_DWORD, &other, sizeof(other));
    EXPECT_EQ(1u, agent.Read()) << "value missing";
    EXPECT_EQ(0u, confirm.Read()) << "value missing";
    EXPECT_EQ(0u, agent.value) << "a failed read leaves the held value alone";
}

TEST_F(DwordRegHelperTest, ReadsStoredValues) {
    const DWORD stored[] = {0, 1, 2, 18, 112, 0xFFFFFFFF};
    for (DWORD v : stored) {
        SetRaw(HKEY_LOCAL_MACHINE, L"Key1", REG_DWORD, &v, sizeof(v));
        DwordRegHelper helper(kScratchPath, L"Key1", kAgentReadFailure);
        EXPECT_EQ(v, helper.Read());
        EXPECT_EQ(v, helper.value);
    }
}

TEST_F(DwordRegHelperTest, OtherTypesUpToFourBytesAreReadRawLongerOnesFail) {
    BYTE two[2] = {0x34, 0x12};
    SetRaw(HKEY_LOCAL_MACHINE, L"Short", REG_BINARY, two, sizeof(two));
    DwordRegHelper shortValue(kScratchPath, L"Short", kAgentReadFailure);
    shortValue.value = 0xAAAAAAAA;
    EXPECT_EQ(0x1234u, shortValue.Read()) << "no stale bytes above the two that were stored";

    const wchar_t text[] = L"1";  // 4 bytes with its terminator
    SetRaw(HKEY_LOCAL_MACHINE, L"Text", REG_SZ, text, sizeof(text));
    DwordRegHelper textValue(kScratchPath, L"Text", kAgentReadFailure);
    EXPECT_EQ(0x31u, textValue.Read());

    ULONGLONG eight = 5;
    SetRaw(HKEY_LOCAL_MACHINE, L"Long", REG_QWORD, &eight, sizeof(eight));
    DwordRegHelper longAgent(kScratchPath, L"Long", kAgentReadFailure);
    DwordRegHelper longConfirm(kScratchPath, L"Long", kConfirmReadFailure);
    EXPECT_EQ(1u, longAgent.Read());
    EXPECT_EQ(0u, longConfirm.Read());
}

TEST_F(DwordRegHelperTest, CurrentUserFallsBackToLocalMachine) {
    DWORD machine = 42;
    SetRaw(HKEY_LOCAL_MACHINE, L"KeyPress", REG_DWORD, &machine, sizeof(machine));
    DwordRegHelper helper(kScratchPath, L"KeyPress", kAgentReadFailure);
    helper.root = HKEY_CURRENT_USER;
    EXPECT_EQ(42u, helper.Read()) << "HKCU key missing: read from HKLM";

    DWORD user = 9;
    SetRaw(HKEY_CURRENT_USER, L"KeyPress", REG_DWORD, &user, sizeof(user));
    EXPECT_EQ(9u, helper.Read()) << "HKCU key present: read there";
}

TEST_F(DwordRegHelperTest, WriteCreatesThePathAndStoresADword) {
    DwordRegHelper helper(L"SOFTWARE\\Korvane\\DormelloTest\\Deeper\\Still\\", L"Suspend", kAgentReadFailure);
    EXPECT_TRUE(helper.Write(0));
    EXPECT_EQ(0u, helper.Read());
    DWORD newValue = 1;
    EXPECT_TRUE(helper.Write(newValue));

    DwordRegHelper reader(L"SOFTWARE\\Korvane\\DormelloTest\\Deeper\\Still\\", L"Suspend", kAgentReadFailure);
    EXPECT_EQ(1u, reader.Read());

    DwordRegHelper direct(kScratchPath, L"Direct", kAgentReadFailure);
    DWORD three = 3;
    EXPECT_TRUE(direct.Write(three));
    DWORD type = 0, data = 0;
    ASSERT_TRUE(GetRaw(HKEY_LOCAL_MACHINE, L"Direct", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(3u, data);
}

TEST_F(DwordRegHelperTest, WriteChangesTheHeldValueEvenWhenTheRegistryWriteFails) {
    DwordRegHelper helper(kScratchPath, L"EnableFunction", kAgentReadFailure);
    helper.root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));  // no such key handle
    DWORD newValue = 5;
    EXPECT_FALSE(helper.Write(newValue));
    EXPECT_EQ(5u, helper.value);
}

TEST_F(DwordRegHelperTest, NamesAndPathsAreCopiedBounded) {
    wchar_t longName[300];
    for (wchar_t& c : longName)
        c = L'n';
    longName[299] = L'\0';
    DwordRegHelper helper(kScratchPath, longName, kAgentReadFailure);
    EXPECT_EQ(127u, wcslen(helper.valueName));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, helper.root);
    EXPECT_EQ(0u, helper.value);

    DwordRegHelper confirmForm(L"ShowMessageBox", kConfirmReadFailure);
    EXPECT_STREQ(kSettingsKeyPath, confirmForm.keyPath);
    EXPECT_STREQ(L"ShowMessageBox", confirmForm.valueName);
}
