// Ends the agent cleanly when a setup or uninstaller, in any session, sets the machine-wide
// quit event: a thread-pool wait posts WM_CLOSE to the agent's window, which ends the agent as
// a close from outside does.
#pragma once
#include "framework/Handles.h"

class QuitSignal {
public:
    QuitSignal() = default;
    ~QuitSignal() { Stop(); }
    QuitSignal(const QuitSignal&) = delete;
    QuitSignal& operator=(const QuitSignal&) = delete;

    // True when the agent listens from now on; false leaves it to be ended by force.
    bool Listen(HWND window);
    // Waits for a running callback, then lets go of the wait and the event.
    void Stop();

private:
    static void CALLBACK OnSignalled(void* window, BOOLEAN timedOut);

    fw::KernelHandle event_;
    HANDLE wait_ = nullptr;  // the registered wait, released by Stop
};
