#include "QuitSignal.h"

#include "common/AgentIdentity.h"
#include "common/RegistryLayout.h"

#include <objbase.h>
#include <sddl.h>

namespace {

// The list of names, opened (made when missing) with the given rights; null when it cannot be.
// A list made here gets its security set after the creation too: Wine ignores the one passed
// to RegCreateKeyExW.
HKEY OpenNameList(REGSAM rights) {
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAgentQuitListSecurity, SDDL_REVISION_1,
                                                              &security.lpSecurityDescriptor, nullptr))
        return nullptr;
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAgentQuitListKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  rights | WRITE_DAC | kRegistryView, &security, &key, &disposition);
    if (result == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY)
        result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security.lpSecurityDescriptor);
    LocalFree(security.lpSecurityDescriptor);
    if (result != ERROR_SUCCESS && key) {
        RegCloseKey(key);
        key = nullptr;
    }
    return key;
}

// Names left by agents that were ended by force: their events are gone with them.
void ForgetEndedAgents(HKEY list) {
    wchar_t name[256];
    for (DWORD index = 0;;) {
        DWORD length = ARRAYSIZE(name);
        if (RegEnumValueW(list, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;
        HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name);
        if (!event && GetLastError() == ERROR_FILE_NOT_FOUND && RegDeleteValueW(list, name) == ERROR_SUCCESS)
            continue;  // the next name now has this index
        if (event)
            CloseHandle(event);
        ++index;
    }
}

// A name nobody can guess: the prefix and a random GUID (CoCreateGuid draws it from the
// system's random numbers).
std::wstring RandomEventName() {
    GUID guid = {};
    wchar_t text[40] = {};
    if (FAILED(CoCreateGuid(&guid)) || !StringFromGUID2(guid, text, ARRAYSIZE(text)))
        return {};
    return std::wstring(kAgentQuitEventPrefix) + text;
}

}  // namespace

bool QuitSignal::Listen(HWND window) {
    Stop();
    window_ = window;
    if (!CreateOwnEvent() || !ListName()) {
        Stop();
        return false;
    }
    stop_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (stop_.IsValid())
        thread_.Reset(CreateThread(nullptr, 0, WaitThread, this, 0, nullptr));
    if (!thread_.IsValid()) {
        Stop();
        return false;
    }
    return true;
}

// An object of the chosen name that already exists is someone else's: another name is drawn.
bool QuitSignal::CreateOwnEvent() {
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAgentQuitEventSecurity, SDDL_REVISION_1,
                                                              &security.lpSecurityDescriptor, nullptr))
        return false;
    for (int attempt = 0; attempt < 3 && !event_.IsValid(); ++attempt) {
        name_ = RandomEventName();
        if (name_.empty())
            break;
        // Manual reset: the setting stays until the agent has seen it.
        event_.Reset(CreateEventW(&security, TRUE, FALSE, name_.c_str()));
        if (event_.IsValid() && GetLastError() == ERROR_ALREADY_EXISTS)
            event_.Close();
    }
    LocalFree(security.lpSecurityDescriptor);
    return event_.IsValid();
}

bool QuitSignal::ListName() {
    HKEY list = OpenNameList(KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (!list)
        return false;
    ForgetEndedAgents(list);
    DWORD const processId = GetCurrentProcessId();  // for a reader of the list; the setup needs only the name
    LONG result = RegSetValueExW(list, name_.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&processId),
                                 sizeof(processId));
    RegCloseKey(list);
    return result == ERROR_SUCCESS;
}

void QuitSignal::Stop() {
    if (thread_.IsValid()) {
        SetEvent(stop_.Get());
        WaitForSingleObject(thread_.Get(), INFINITE);
    }
    thread_.Close();
    stop_.Close();
    if (event_.IsValid()) {
        HKEY list = OpenNameList(KEY_SET_VALUE);
        if (list) {
            RegDeleteValueW(list, name_.c_str());
            RegCloseKey(list);
        }
    }
    event_.Close();
    name_.clear();
}

DWORD WINAPI QuitSignal::WaitThread(void* parameter) {
    QuitSignal* signal = static_cast<QuitSignal*>(parameter);
    HANDLE const events[] = {signal->event_.Get(), signal->stop_.Get()};
    if (WaitForMultipleObjects(ARRAYSIZE(events), events, FALSE, INFINITE) == WAIT_OBJECT_0)
        PostMessageW(signal->window_, WM_CLOSE, 0, 0);
    return 0;
}
