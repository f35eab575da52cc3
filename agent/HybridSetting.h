// Whether hybrid sleep is on right now. The question promises hybrid sleep only when it is, and
// it is looked at again once the user has said yes: a failed, hung or missing powercfg, or an
// organisation's policy, leaves the PC with a plain sleep that a power cut turns into lost work.
#pragma once
#include "PowercfgRuns.h"

#include "common/SleepKind.h"

enum class HybridSetting {
    On,
    Off,        // off in the active power plan: powercfg has not switched it on
    PolicyOff,  // a policy turns it off: nothing the utility does can switch it on
    Unknown,    // neither the plan nor powercfg's runs tell
};

// What one look found, for the power source in use.
struct HybridReadings {
    bool planRead;  // the active plan's value could be read
    DWORD planValue;
    bool policySet;  // the policy's value for this power source exists
    DWORD policyValue;
};

// A policy decides where it is set. Otherwise the active plan's value; where the plan cannot be
// read (Wine's powrprof reads no plan), powercfg's runs count only when every one ended with 0.
HybridSetting DecideHybridSetting(const HybridReadings& readings, PowercfgOutcome runs);

// What the question says for a PC that offers this kind of sleep with the setting as it is.
SleepKind PromisedSleep(SleepKind offered, HybridSetting setting);

// The active plan's value and the policy for the power source in use now.
HybridReadings ReadHybridReadings();

// What the PC will do for the hotkey now: for a PC that offers hybrid sleep, whether it is on.
// The runs that count are those that ended last (normally the start-up's): a hotkey's own
// start only once its question is up. The question and the settings window both say this.
SleepKind PromiseFor(SleepKind offered);
