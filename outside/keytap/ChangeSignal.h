// Writes a new counter value into the volatile sub-key of the change-signal key. Used only on
// the hook library's own thread.
#pragma once
#include <windows.h>

class ChangeSignal {
public:
    ChangeSignal() = default;
    ~ChangeSignal() { Close(); }
    ChangeSignal(const ChangeSignal&) = delete;
    ChangeSignal& operator=(const ChangeSignal&) = delete;

    // Writes a value different from the last one: writing the same data again signals nothing.
    void Raise();

private:
    bool Open();
    void Close();
    bool WriteNext();

    HKEY key_ = nullptr;
    DWORD counter_ = 0;
};
