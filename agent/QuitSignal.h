// Ends the agent cleanly when a setup or uninstaller, in any session, asks every agent to end.
// Each agent makes an event of its own, under a random name that it lists in a key only SYSTEM
// and Administrators can read: nobody else can learn the name before the event exists, so no
// one can make an object of that name first, and the event itself only they can set. A thread
// of its own blocks on the event and posts WM_CLOSE to the agent's window, which ends the agent
// as a close from outside does. The tray menu and a message box each run a loop of their own,
// which handles the close but would not return until the user closed them: the window's close
// handler ends the menu and closes the message box first.
#pragma once
#include "framework/Handles.h"

#include <string>

class QuitSignal {
public:
    QuitSignal() = default;
    ~QuitSignal() { Stop(); }
    QuitSignal(const QuitSignal&) = delete;
    QuitSignal& operator=(const QuitSignal&) = delete;

    // True when the agent listens from now on; false leaves it to be ended by force.
    bool Listen(HWND window);
    // Ends the waiting thread, lets go of the event and takes its name off the list.
    void Stop();

private:
    bool CreateOwnEvent();
    bool ListName();
    static DWORD WINAPI WaitThread(void* signal);

    HWND window_ = nullptr;
    std::wstring name_;      // the event's name, listed while the agent listens
    fw::KernelHandle event_;  // set by a setup or uninstaller
    fw::KernelHandle stop_;   // set by Stop
    fw::KernelHandle thread_;
};
