// What the PC can do when asked to sleep, the power library, and switching hybrid sleep on in
// the active scheme.
#include "HybridS3Dlg.h"

#include "common/ModulePath.h"

#include <powrprof.h>
#include <wchar.h>

namespace {

wchar_t const kPowerLibraryName[] = L"Voltaro.dll";

// powercfg's parameters, with %ls for the scheme: hybrid sleep on mains and on battery, then the
// scheme activated again so that its new values take effect. Run in this order.
const wchar_t* const kPreparationRuns[] = {
    L"-setacvalueindex %ls SUB_SLEEP HYBRIDSLEEP 1",
    L"-setdcvalueindex %ls SUB_SLEEP HYBRIDSLEEP 1",
    L"-setactive %ls",
};
static_assert(ARRAYSIZE(kPreparationRuns) <= PowercfgRuns::kMaxRuns, "every run must fit");

// powercfg's name for a scheme: its GUID in lower case without braces.
void SchemeName(const GUID& scheme, wchar_t (&name)[40]) {
    _snwprintf(name, ARRAYSIZE(name) - 1, L"%08lx-%04hx-%04hx-%02x%02x-%02x%02x%02x%02x%02x%02x",
               static_cast<unsigned long>(scheme.Data1), scheme.Data2, scheme.Data3, scheme.Data4[0],
               scheme.Data4[1], scheme.Data4[2], scheme.Data4[3], scheme.Data4[4], scheme.Data4[5], scheme.Data4[6],
               scheme.Data4[7]);
    name[ARRAYSIZE(name) - 1] = L'\0';
}

}  // namespace

SleepKind ReadSleepKind() {
    SYSTEM_POWER_CAPABILITIES capabilities = {};
    if (!GetPwrCapabilities(&capabilities))
        return SleepKind::Unknown;
    return SleepKindFromCapabilities(capabilities);
}

void CHybridS3Dlg::DetectHybridSupport() {
    // Only logged: what the PC offers is read again at every hotkey, since nothing tells a
    // program when hibernation is switched on or off.
    sleepKind_ = ReadSleepKind();
    OutputDebugStringW(sleepKind_ == SleepKind::Hybrid ? L"(Korvane Dormello) Support Hybrid-S3"
                                                       : L"(Korvane Dormello) Not support Hybrid-S3");
}

int CHybridS3Dlg::LoadPowerLibrary() {
    wchar_t path[MAX_PATH] = {};
    if (!BuildModuleSiblingPath(kPowerLibraryName, path) || !powerLibrary_.LoadW(path))
        return 0;
    getActiveScheme_ = EntryPoint<GetActiveSchemeProc>(powerLibrary_, "GetActiveScheme");
    setActiveScheme_ = EntryPoint<SetActiveSchemeProc>(powerLibrary_, "SetActiveScheme");
    return 1;
}

int CHybridS3Dlg::PreparePowerSchemes() {
    // Hybrid sleep is switched on only where the PC can give it. SetActiveScheme is not called,
    // but a library without it is not trusted either.
    if (sleepKind_ != SleepKind::Hybrid || !getActiveScheme_ || !setActiveScheme_)
        return 0;
    // The active scheme itself, whichever it is, so that a scheme of the user's own stays
    // active. Where it cannot be read, powercfg's own name for the active one.
    wchar_t scheme[40] = L"SCHEME_CURRENT";
    GUID* active = nullptr;
    if (getActiveScheme_(nullptr, &active) == ERROR_SUCCESS && active)
        SchemeName(*active, scheme);
    if (active)
        LocalFree(active);  // allocated by Windows for the caller

    wchar_t powercfg[MAX_PATH] = {};
    if (!BuildSystemPath(L"powercfg.exe", powercfg))  // the agent runs elevated
        return 0;
    // The caller starts the runs: before a question, once it is up.
    powercfgRuns_.Close();
    for (const wchar_t* parameters : kPreparationRuns) {
        wchar_t line[2 * MAX_PATH] = {};
        int length = _snwprintf(line, ARRAYSIZE(line) - 1, L"\"%ls\" ", powercfg);
        if (length < 0 || _snwprintf(line + length, ARRAYSIZE(line) - 1 - length, parameters, scheme) < 0)
            return 0;
        powercfgRuns_.Plan(powercfg, line);
    }
    return 1;
}
