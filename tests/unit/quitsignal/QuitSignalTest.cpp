// The agent's quit signal: the event it lists under the administrators' key, set as a setup sets
// it, closes the window; the list forgets the names of agents that are gone.
#include "agent/QuitSignal.h"
#include "common/AgentIdentity.h"
#include "common/RegistryLayout.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> ListedNames() {
    std::vector<std::wstring> names;
    HKEY list = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAgentQuitListKeyPath, 0, KEY_QUERY_VALUE | kRegistryView, &list) != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = ARRAYSIZE(name);
        if (RegEnumValueW(list, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(list);
    return names;
}

std::wstring ListSecurity() {
    HKEY list = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAgentQuitListKeyPath, 0, READ_CONTROL | kRegistryView, &list) != ERROR_SUCCESS)
        return L"no key";
    BYTE descriptor[1024] = {};
    DWORD size = sizeof(descriptor);
    wchar_t* text = nullptr;
    std::wstring result = L"unreadable";
    if (RegGetKeySecurity(list, DACL_SECURITY_INFORMATION, descriptor, &size) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                             nullptr)) {
        result = text;
        LocalFree(text);
    }
    RegCloseKey(list);
    return result;
}

// A window that counts the WM_CLOSE it gets.
int closes = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ++closes;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CountingWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuitSignalTestWindow";
    RegisterClassW(&windowClass);
    return CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
}

// Dispatches messages until a WM_CLOSE arrived or the time is up.
bool CloseArrives(DWORD timeoutMs) {
    DWORD const start = GetTickCount();
    while (closes == 0 && GetTickCount() - start < timeoutMs) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(10);
    }
    return closes > 0;
}

class QuitSignalTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kAgentQuitListKeyPath, kRegistryView, 0);
        closes = 0;
        window_ = CountingWindow();
    }
    void TearDown() override {
        DestroyWindow(window_);
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kAgentQuitListKeyPath, kRegistryView, 0);
    }
    HWND window_ = nullptr;
};

}  // namespace

// The name is random and listed; only SYSTEM and Administrators may read the list; the event,
// set as a setup sets it, closes the window; Stop takes the name off the list and the event goes.
TEST_F(QuitSignalTest, TheListedEventClosesTheWindowAndGoesWithStop) {
    QuitSignal signal;
    ASSERT_TRUE(signal.Listen(window_));
    std::vector<std::wstring> names = ListedNames();
    ASSERT_EQ(1u, names.size());
    std::wstring const name = names[0];
    EXPECT_EQ(0u, name.find(kAgentQuitEventPrefix)) << "prefix";
    EXPECT_EQ(wcslen(kAgentQuitEventPrefix) + 38, name.size()) << "a GUID after it";
    EXPECT_EQ(L"D:P(A;;KA;;;SY)(A;;KA;;;BA)", ListSecurity());

    EXPECT_FALSE(CloseArrives(300)) << "nothing before the event is set";
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str());
    ASSERT_NE(nullptr, event);
    SetEvent(event);
    CloseHandle(event);
    EXPECT_TRUE(CloseArrives(5000));

    signal.Stop();
    EXPECT_TRUE(ListedNames().empty());
    EXPECT_EQ(nullptr, OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
}

// Two agents get two names; a name left by an agent ended by force (its event gone) is forgotten
// by the next agent that starts.
TEST_F(QuitSignalTest, EachAgentHasItsOwnNameAndNamesOfEndedAgentsAreForgotten) {
    std::wstring const stale = std::wstring(kAgentQuitEventPrefix) + L"{00000000-0000-0000-0000-000000000000}";
    QuitSignal first;
    ASSERT_TRUE(first.Listen(window_));
    HKEY list = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAgentQuitListKeyPath, 0, KEY_SET_VALUE | kRegistryView, &list));
    DWORD const gone = 1;
    RegSetValueExW(list, stale.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&gone), sizeof(gone));
    RegCloseKey(list);

    QuitSignal second;
    ASSERT_TRUE(second.Listen(window_));
    std::vector<std::wstring> names = ListedNames();
    EXPECT_EQ(2u, names.size());
    for (const std::wstring& name : names)
        EXPECT_NE(stale, name);
}
