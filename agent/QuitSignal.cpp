#include "QuitSignal.h"

#include "common/AgentIdentity.h"
#include "common/PrivateNames.h"
#include "common/RegistryLayout.h"

#include <sddl.h>

namespace {

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
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlyObjectSecurity, SDDL_REVISION_1,
                                                              &security.lpSecurityDescriptor, nullptr))
        return false;
    for (int attempt = 0; attempt < 3 && !event_.IsValid(); ++attempt) {
        name_ = RandomName(kAgentQuitEventPrefix);
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
    HKEY list = OpenAdminOnlyKey(kAgentQuitListKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE);
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
        HKEY list = OpenAdminOnlyKey(kAgentQuitListKeyPath, KEY_SET_VALUE);
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
