// Hybrid-sleep support, the power library, and switching hybrid sleep on in the active scheme.
#include "HybridS3Dlg.h"

#include "common/ModulePath.h"

#include <powrprof.h>
#include <string.h>
#include <wchar.h>

namespace {

wchar_t const kPowerLibraryName[] = L"Voltaro.dll";

GUID const kPowerSaverScheme = {0xA1841308, 0x3541, 0x4FAB, {0xBC, 0x81, 0xF7, 0x15, 0x56, 0xF2, 0x0B, 0x4A}};
GUID const kHighPerformanceScheme = {0x8C5E7FDA, 0xE8BF, 0x4A96, {0x9A, 0x85, 0xA6, 0xE2, 0x3A, 0x8C, 0x63, 0x5C}};

// powercfg's two command lines for one scheme: set hybrid sleep on (mains power), re-activate.
struct SchemeCommands {
    const wchar_t* setValue;
    const wchar_t* activate;
};
SchemeCommands const kPowerSaverCommands = {L"-setacvalueindex SCHEME_MAX SUB_SLEEP HYBRIDSLEEP 1",
                                            L"-SETACTIVE SCHEME_MAX"};
SchemeCommands const kHighPerformanceCommands = {L"-setacvalueindex SCHEME_MIN SUB_SLEEP HYBRIDSLEEP 1",
                                                 L"-SETACTIVE SCHEME_MIN"};
SchemeCommands const kBalancedCommands = {L"-setacvalueindex SCHEME_BALANCED SUB_SLEEP HYBRIDSLEEP 1",
                                          L"-SETACTIVE SCHEME_BALANCED"};

// A scheme of the user's own counts as Balanced.
const SchemeCommands& CommandsFor(const GUID& scheme) {
    if (memcmp(&scheme, &kPowerSaverScheme, sizeof(GUID)) == 0)
        return kPowerSaverCommands;
    if (memcmp(&scheme, &kHighPerformanceScheme, sizeof(GUID)) == 0)
        return kHighPerformanceCommands;
    return kBalancedCommands;
}

// powercfg's full command line: the quoted program, then its parameters.
void BuildCommandLine(const wchar_t* program, const wchar_t* parameters, wchar_t (&line)[2 * MAX_PATH]) {
    _snwprintf(line, ARRAYSIZE(line) - 1, L"\"%ls\" %ls", program, parameters);
}

}  // namespace

void CHybridS3Dlg::DetectHybridSupport() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    // Either capability suffices; hybrid sleep needs Windows Vista or later.
    if (version.dwMajorVersion > 5 && (IsPwrSuspendAllowed() || IsPwrHibernateAllowed()))
        hybridSupported_ = 1;
    OutputDebugStringW(hybridSupported_ ? L"(Korvane Dormello) Support Hybrid-S3"
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
    // SetActiveScheme is not called, but a library without it is not trusted either.
    if (!hybridSupported_ || !getActiveScheme_ || !setActiveScheme_)
        return 0;
    GUID* active = nullptr;
    // Without a scheme there is nothing to compare: no command is run.
    if (getActiveScheme_(nullptr, &active) != ERROR_SUCCESS || !active)
        return 0;
    SchemeCommands const commands = CommandsFor(*active);
    LocalFree(active);  // allocated by Windows for the caller

    wchar_t powercfg[MAX_PATH] = {};
    if (!BuildSystemPath(L"powercfg.exe", powercfg))  // the agent runs elevated
        return 0;
    // The two runs are not ordered. The caller starts them: before a question, once it is up.
    powercfgRuns_.Close();
    wchar_t line[2 * MAX_PATH] = {};
    BuildCommandLine(powercfg, commands.setValue, line);
    powercfgRuns_.Plan(powercfg, line);
    BuildCommandLine(powercfg, commands.activate, line);
    powercfgRuns_.Plan(powercfg, line);
    return 1;
}
