// The list of the agents' quit events: only SYSTEM and Administrators may read it, each agent
// lists a random name of its own and takes it off at Stop, and names of agents that are gone
// (ended by force) are forgotten. That a listed event ends an agent is tested end to end with the
// setup (tests/e2e/install).
#include "agent/QuitSignal.h"
#include "common/AgentIdentity.h"
#include "common/RegistryLayout.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace {

HKEY OpenList(REGSAM rights) {
    HKEY list = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAgentQuitListKeyPath, 0, rights | kRegistryView, &list);
    return list;
}

std::vector<std::wstring> ListedNames() {
    std::vector<std::wstring> names;
    HKEY list = OpenList(KEY_QUERY_VALUE);
    wchar_t name[256];
    DWORD length = ARRAYSIZE(name);
    for (DWORD index = 0; list && RegEnumValueW(list, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++index, length = ARRAYSIZE(name))
        names.push_back(name);
    if (list)
        RegCloseKey(list);
    return names;
}

// The list's DACL in SDDL.
std::wstring ListSecurity() {
    HKEY list = OpenList(READ_CONTROL);
    BYTE descriptor[1024] = {};
    DWORD size = sizeof(descriptor);
    wchar_t* text = nullptr;
    std::wstring result = L"unreadable";
    if (list && RegGetKeySecurity(list, DACL_SECURITY_INFORMATION, descriptor, &size) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                             nullptr)) {
        result = text;
        LocalFree(text);
    }
    if (list)
        RegCloseKey(list);
    return result;
}

}  // namespace

TEST(QuitSignalList, OnlyAdministratorsReadItAndEachAgentListsANameOfItsOwn) {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kAgentQuitListKeyPath, kRegistryView, 0);
    HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    QuitSignal first;
    ASSERT_TRUE(first.Listen(window));
    EXPECT_EQ(L"D:P(A;;KA;;;SY)(A;;KA;;;BA)", ListSecurity());
    std::wstring const stale = std::wstring(kAgentQuitEventPrefix) + L"{00000000-0000-0000-0000-000000000000}";
    HKEY list = OpenList(KEY_SET_VALUE);
    DWORD const gone = 1;
    RegSetValueExW(list, stale.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&gone), sizeof(gone));
    RegCloseKey(list);

    QuitSignal second;
    ASSERT_TRUE(second.Listen(window));
    std::vector<std::wstring> const names = ListedNames();
    ASSERT_EQ(2u, names.size()) << "the stale name is forgotten";
    EXPECT_NE(names[0], names[1]);
    for (const std::wstring& name : names) {
        EXPECT_EQ(0u, name.find(kAgentQuitEventPrefix));
        EXPECT_EQ(wcslen(kAgentQuitEventPrefix) + 32, name.size()) << "128 random bits after the prefix";
    }

    first.Stop();
    second.Stop();
    EXPECT_TRUE(ListedNames().empty());
    EXPECT_EQ(nullptr, OpenEventW(SYNCHRONIZE, FALSE, names[0].c_str())) << "the event goes with Stop";
    DestroyWindow(window);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kAgentQuitListKeyPath, kRegistryView, 0);
}
