#include "HybridSetting.h"

#include <powrprof.h>

namespace {

// The hybrid-sleep setting (SUB_SLEEP, HYBRIDSLEEP): index 0 off, 1 on.
GUID const kHybridSleepSetting = {0x94ac6d29, 0x73ce, 0x41a6, {0x80, 0x9f, 0x63, 0x63, 0xba, 0x21, 0xb4, 0x7e}};
GUID const kSleepSubgroup = {0x238c9fa8, 0x0aad, 0x41ed, {0x83, 0xf4, 0x97, 0xbe, 0x24, 0x2c, 0x8f, 0x20}};
// Where the group policies "Turn off hybrid sleep" (plugged in, on battery) keep their value.
wchar_t const kHybridSleepPolicyKey[] =
    L"Software\\Policies\\Microsoft\\Power\\PowerSettings\\94ac6d29-73ce-41a6-809f-6363ba21b47e";

// Windows reports 255 where it cannot tell the power source; a desktop reports mains.
bool OnBattery() {
    SYSTEM_POWER_STATUS status = {};
    return GetSystemPowerStatus(&status) && status.ACLineStatus == 0;
}

bool ReadPlanValue(bool battery, DWORD* value) {
    GUID* scheme = nullptr;
    DWORD error = PowerGetActiveScheme(nullptr, &scheme);
    if (error == ERROR_SUCCESS && scheme) {
        error = battery ? PowerReadDCValueIndex(nullptr, scheme, &kSleepSubgroup, &kHybridSleepSetting, value)
                        : PowerReadACValueIndex(nullptr, scheme, &kSleepSubgroup, &kHybridSleepSetting, value);
    }
    if (scheme)
        LocalFree(scheme);  // allocated by Windows for the caller
    return error == ERROR_SUCCESS && scheme;
}

bool ReadPolicyValue(bool battery, DWORD* value) {
    DWORD size = sizeof(*value);
    return RegGetValueW(HKEY_LOCAL_MACHINE, kHybridSleepPolicyKey, battery ? L"DCSettingIndex" : L"ACSettingIndex",
                        RRF_RT_REG_DWORD, nullptr, value, &size) == ERROR_SUCCESS;
}

}  // namespace

HybridSetting DecideHybridSetting(const HybridReadings& readings, PowercfgOutcome runs) {
    if (readings.policySet)
        return readings.policyValue ? HybridSetting::On : HybridSetting::PolicyOff;
    if (readings.planRead)
        return readings.planValue ? HybridSetting::On : HybridSetting::Off;
    return runs == PowercfgOutcome::Succeeded ? HybridSetting::On : HybridSetting::Unknown;
}

SleepKind PromisedSleep(SleepKind offered, HybridSetting setting) {
    if (offered != SleepKind::Hybrid)
        return offered;
    switch (setting) {
    case HybridSetting::On:
        return SleepKind::Hybrid;
    case HybridSetting::Off:
        return SleepKind::HybridOff;
    case HybridSetting::PolicyOff:
        return SleepKind::PolicyOff;
    case HybridSetting::Unknown:
        break;
    }
    return SleepKind::Unknown;  // the question says only that the PC will sleep
}

HybridReadings ReadHybridReadings() {
    bool const battery = OnBattery();
    HybridReadings readings = {};
    readings.planRead = ReadPlanValue(battery, &readings.planValue);
    readings.policySet = ReadPolicyValue(battery, &readings.policyValue);
    return readings;
}

SleepKind PromiseFor(SleepKind offered) {
    if (offered != SleepKind::Hybrid)
        return offered;
    return PromisedSleep(offered, DecideHybridSetting(ReadHybridReadings(), PowercfgRuns::LastEnded()));
}
