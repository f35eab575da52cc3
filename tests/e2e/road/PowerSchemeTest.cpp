// Hybrid sleep switched on in the active scheme: the powercfg command lines named by the scheme
// the power library reports, the tool found in the system folder only, the scheme's memory
// released, and no command without a usable library.
#include "RoadFixture.h"

#include <algorithm>
#include <fstream>

#include <stdlib.h>

using namespace road;

namespace {

class PowerScheme : public RoadTest {
protected:
    // "<system folder>\powercfg.exe|<parameters>" for each expected command, in preparation order.
    std::vector<std::wstring> Expected(const std::wstring& scheme, int preparations) const {
        std::vector<std::wstring> runs;
        for (int i = 0; i < preparations; ++i) {
            runs.push_back(powercfg_.Path() + L"|-setacvalueindex " + scheme + L" SUB_SLEEP HYBRIDSLEEP 1");
            runs.push_back(powercfg_.Path() + L"|-setdcvalueindex " + scheme + L" SUB_SLEEP HYBRIDSLEEP 1");
            runs.push_back(powercfg_.Path() + L"|-setactive " + scheme);
        }
        return runs;
    }
    // The recorded runs with the system folder spelt as the agent asked for it: a 32-bit program
    // on 64-bit Windows reaches the system folder at its WOW64 location.
    std::vector<std::wstring> RecordedRuns() const {
        wchar_t wow64[MAX_PATH] = {};
        GetSystemWow64DirectoryW(wow64, MAX_PATH);
        std::wstring const places[] = {powercfg_.Path(), std::wstring(wow64) + L"\\powercfg.exe"};
        std::vector<std::wstring> runs = powercfg_.Runs();
        for (std::wstring& run : runs) {
            for (const std::wstring& place : places) {
                std::wstring head = run.substr(0, place.size());
                if (run.size() > place.size() && lstrcmpiW(head.c_str(), place.c_str()) == 0) {
                    run.replace(0, place.size(), powercfg_.Path());
                    break;
                }
            }
        }
        return runs;
    }

    PowercfgInSystemFolder powercfg_;
};

// The addresses the test build of the library handed out, lower case as the relay trace shows them.
// Addresses as numbers: the trace and the log may print them with different widths (the
// relay trace of 64-bit programs drops leading zeros).
std::vector<unsigned long long> Allocations(const std::wstring& log) {
    std::vector<unsigned long long> addresses;
    std::ifstream in(log.c_str());
    std::string word;
    std::string address;
    while (in >> word >> address)
        addresses.push_back(strtoull(address.c_str(), nullptr, 16));
    return addresses;
}

std::vector<unsigned long long> Addresses(const std::vector<std::string>& arguments) {
    std::vector<unsigned long long> addresses;
    for (const std::string& argument : arguments)
        addresses.push_back(strtoull(argument.c_str(), nullptr, 16));
    return addresses;
}

}  // namespace

// Hybrid sleep goes on, on mains and on battery, in the active scheme itself, whichever it is:
// a scheme of the user's own stays active. Where the scheme cannot be read, powercfg's name for
// the active one is used.
TEST_F(PowerScheme, TheActiveSchemeGetsBothValuesAndStaysActive) {
    struct Case {
        const char* name;
        const wchar_t* environment;  // how the test build of the library answers, if it is used
        const wchar_t* expected;     // the scheme as powercfg is told
    } const cases[] = {
        {"power saver", L"VOLTARO_TEST_SCHEME={A1841308-3541-4FAB-BC81-F71556F20B4A}",
         L"a1841308-3541-4fab-bc81-f71556f20b4a"},
        {"high performance", L"VOLTARO_TEST_SCHEME={8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}",
         L"8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c"},
        {"balanced", L"VOLTARO_TEST_SCHEME={381B4222-F694-41F0-9685-FF5BB260DF2E}",
         L"381b4222-f694-41f0-9685-ff5bb260df2e"},
        {"a scheme of the user's own", L"VOLTARO_TEST_SCHEME={0D0E1A2B-3C4D-5E6F-7081-92A3B4C5D6E7}",
         L"0d0e1a2b-3c4d-5e6f-7081-92a3b4c5d6e7"},
        {"scheme call fails", L"VOLTARO_TEST_SCHEME=error:120", L"SCHEME_CURRENT"},
        {"scheme call succeeds without a GUID", L"VOLTARO_TEST_SCHEME=null", L"SCHEME_CURRENT"},
        {"the real library under Wine (no scheme)", nullptr, L"SCHEME_CURRENT"},
    };
    ASSERT_TRUE(powercfg_.Installed());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standin::Reset();
        standin::SetAnswer(kNotOne);
        RoadInstall install;
        install.AddConfirmation(L"Dormnote.exe");
        if (c.environment) {
            ASSERT_TRUE(install.CopyFileTo(SchemeVoltaro(), L"Voltaro.dll"));
        }
        // A powercfg beside the agent must never be the one started.
        ASSERT_TRUE(install.CopyFileTo(PowercfgStandIn(), L"powercfg.exe"));
        std::wstring allocationLog = install / L"allocations.log";
        std::wstring allocationEnvironment = L"VOLTARO_TEST_LOG=" + allocationLog;
        std::wstring runLog = powercfg_.LogEnvironment();
        RoadAgent agent;
        ASSERT_TRUE(agent.Start(install, {c.environment ? c.environment : L"ROAD_UNUSED=",
                                          allocationEnvironment.c_str(), runLog.c_str()}));

        ASSERT_TRUE(powercfg_.WaitForRuns(3)) << "prepared at start-up";
        ASSERT_TRUE(RunSequence(agent));
        ASSERT_TRUE(powercfg_.WaitForRuns(6)) << "and again before the confirmation";
        Sleep(300);
        EXPECT_EQ(Expected(c.expected, 2), InPreparationOrder(RecordedRuns()));

        std::vector<unsigned long long> freed = Addresses(trace_.Calls(agent.Proc().Id(), "KERNEL32.LocalFree"));
        std::vector<unsigned long long> handedOut = Allocations(allocationLog);
        EXPECT_EQ(lstrcmpW(c.expected, L"SCHEME_CURRENT") ? 2u : 0u, handedOut.size());
        for (unsigned long long address : handedOut)
            EXPECT_TRUE(std::find(freed.begin(), freed.end(), address) != freed.end())
                << "the scheme GUID at " << std::hex << address << " is not freed";
        EXPECT_TRUE(agent.Close());
        powercfg_.ClearRuns();
    }
}

TEST_F(PowerScheme, NoUsableLibraryRunsNoCommand) {
    struct Case {
        const char* name;
        const wchar_t* library;  // copied over Voltaro.dll, or null to remove it
    } const cases[] = {
        {"library missing", nullptr},
        {"library without the entry points", L"Keytap.dll"},
    };
    ASSERT_TRUE(powercfg_.Installed());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standin::Reset();
        standin::SetAnswer(kNotOne);
        RoadInstall install;
        install.AddConfirmation(L"Dormnote.exe");
        if (c.library) {
            ASSERT_TRUE(install.CopyFileTo(install / c.library, L"Voltaro.dll"));
        } else {
            ASSERT_TRUE(install.Remove(L"Voltaro.dll"));
        }
        std::wstring runLog = powercfg_.LogEnvironment();
        RoadAgent agent;
        ASSERT_TRUE(agent.Start(install, {runLog.c_str()}));
        EXPECT_TRUE(RunSequence(agent)) << "the sleep sequence runs all the same";
        Sleep(500);
        EXPECT_EQ(0u, powercfg_.Runs().size());
        EXPECT_TRUE(agent.Proc().IsRunning());
        EXPECT_TRUE(agent.Close());
        powercfg_.ClearRuns();
    }
}
