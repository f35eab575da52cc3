// The per-process state of the library: created on process attach, freed on detach.
#pragma once
#include "Voltaro.h"

struct LibraryState {
    PowerCBK callback;
    long registrationTime;  // clock() right after registering; non-zero while reports are held back
};

// Null when the record could not be allocated; every entry point tests it first.
extern LibraryState* g_state;

// Finds or creates the hidden window and registers the power-setting report for it.
void AttachHiddenWindow();
// Destroys the hidden window, if this process can, and unregisters its class.
void DetachHiddenWindow();
