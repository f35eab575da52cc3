#pragma once
#include "common/PrivateNames.h"
#include "framework/Application.h"

// The agent's application object: one instance, running the settings dialog hidden for the
// whole session.
class CKvEMRunHelperApp : public fw::Application {
public:
    BOOL InitInstance() override;

private:
    InstanceName instance_;  // held for the life of the process: it marks the running agent
};
