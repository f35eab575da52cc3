#include "QuitSignal.h"

#include "common/AgentIdentity.h"

#include <sddl.h>

bool QuitSignal::Listen(HWND window) {
    Stop();
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAgentQuitEventSecurity, SDDL_REVISION_1,
                                                              &security.lpSecurityDescriptor, nullptr))
        return false;
    // Manual reset: one setting releases the agents of every session at once.
    event_.Reset(CreateEventW(&security, TRUE, FALSE, kAgentQuitEventName));
    LocalFree(security.lpSecurityDescriptor);
    if (!event_.IsValid())
        return false;
    if (!RegisterWaitForSingleObject(&wait_, event_.Get(), OnSignalled, window, INFINITE, WT_EXECUTEONLYONCE)) {
        wait_ = nullptr;
        event_.Close();
        return false;
    }
    return true;
}

void QuitSignal::Stop() {
    if (wait_)
        UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
    wait_ = nullptr;
    event_.Close();
}

void CALLBACK QuitSignal::OnSignalled(void* window, BOOLEAN) {
    PostMessageW(static_cast<HWND>(window), WM_CLOSE, 0, 0);
}
