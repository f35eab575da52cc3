// Hybrid sleep switched on in the active scheme: the powercfg command lines chosen by the scheme
// the power library reports, the tool found in the system folder only, the scheme's memory
// released, and no command when there is no scheme or no usable library.
#include "RoadFixture.h"

#include <algorithm>
#include <fstream>

#include <stdlib.h>

using namespace road;

namespace {

class PowerScheme : public RoadTest {
protected:
    // "<system folder>\powercfg.exe|<parameters>" for each expected command, sorted.
    std::vector<std::wstring> Expected(const wchar_t* alias, int preparations) const {
        std::vector<std::wstring> runs;
        for (int i = 0; i < preparations; ++i) {
            runs.push_back(powercfg_.Path() + L"|-setacvalueindex " + alias + L" SUB_SLEEP HYBRIDSLEEP 1");
            runs.push_back(powercfg_.Path() + L"|-SETACTIVE " + alias);
        }
        std::sort(runs.begin(), runs.end());
        return runs;
    }
    // The recorded runs, sorted, with the system folder spelt as the agent asked for it: a 32-bit
    // program on 64-bit Windows reaches the system folder at its WOW64 location.
    std::vector<std::wstring> SortedRuns() const {
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
        std::sort(runs.begin(), runs.end());
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

TEST_F(PowerScheme, ActiveSchemeChoosesTheCommandLines) {
    struct Case {
        const wchar_t* scheme;
        const wchar_t* alias;
    } const cases[] = {
        {L"{A1841308-3541-4FAB-BC81-F71556F20B4A}", L"SCHEME_MAX"},       // power saver
        {L"{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}", L"SCHEME_MIN"},       // high performance
        {L"{381B4222-F694-41F0-9685-FF5BB260DF2E}", L"SCHEME_BALANCED"},  // balanced
        {L"{0D0E1A2B-3C4D-5E6F-7081-92A3B4C5D6E7}", L"SCHEME_BALANCED"},  // a scheme of the user's own
    };
    ASSERT_TRUE(powercfg_.Installed());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.alias) + L" for " + c.scheme));
        RoadInstall install;
        install.AddConfirmation(L"Dormnote.exe");
        ASSERT_TRUE(install.CopyFileTo(SchemeVoltaro(), L"Voltaro.dll"));
        // A powercfg beside the agent must never be the one started.
        ASSERT_TRUE(install.CopyFileTo(PowercfgStandIn(), L"powercfg.exe"));
        std::wstring scheme = std::wstring(L"VOLTARO_TEST_SCHEME=") + c.scheme;
        std::wstring allocationLog = install / L"allocations.log";
        std::wstring allocationEnvironment = L"VOLTARO_TEST_LOG=" + allocationLog;
        std::wstring runLog = powercfg_.LogEnvironment();
        RoadAgent agent;
        ASSERT_TRUE(agent.Start(install, {scheme.c_str(), allocationEnvironment.c_str(), runLog.c_str()}));

        ASSERT_TRUE(powercfg_.WaitForRuns(2)) << "prepared at start-up";
        ASSERT_TRUE(RunSequence(agent));
        ASSERT_TRUE(powercfg_.WaitForRuns(4)) << "and again before the confirmation";
        Sleep(300);
        EXPECT_EQ(Expected(c.alias, 2), SortedRuns());

        std::vector<unsigned long long> freed = Addresses(trace_.Calls(agent.Proc().Id(), "KERNEL32.LocalFree"));
        std::vector<unsigned long long> handedOut = Allocations(allocationLog);
        EXPECT_EQ(2u, handedOut.size());
        for (unsigned long long address : handedOut)
            EXPECT_TRUE(std::find(freed.begin(), freed.end(), address) != freed.end())
                << "the scheme GUID at " << std::hex << address << " is not freed";
        EXPECT_TRUE(agent.Close());
        powercfg_.ClearRuns();
    }
}

TEST_F(PowerScheme, NoSchemeOrNoUsableLibraryRunsNoCommand) {
    struct Case {
        const char* name;
        const wchar_t* library;      // copied over Voltaro.dll, or null
        bool removeLibrary;
        const wchar_t* environment;  // how the test build answers
    } const cases[] = {
        {"the real library under Wine (no scheme)", nullptr, false, L"ROAD_UNUSED="},
        {"scheme call fails", L"scheme", false, L"VOLTARO_TEST_SCHEME=error:120"},
        {"scheme call succeeds without a GUID", L"scheme", false, L"VOLTARO_TEST_SCHEME=null"},
        {"library missing", nullptr, true, L"ROAD_UNUSED="},
        {"library without the entry points", L"Keytap.dll", false, L"ROAD_UNUSED="},
    };
    ASSERT_TRUE(powercfg_.Installed());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standin::Reset();
        standin::SetAnswer(kNotOne);
        RoadInstall install;
        install.AddConfirmation(L"Dormnote.exe");
        if (c.removeLibrary) {
            ASSERT_TRUE(install.Remove(L"Voltaro.dll"));
        }
        if (c.library) {
            std::wstring source = lstrcmpW(c.library, L"scheme") == 0 ? SchemeVoltaro() : install / c.library;
            ASSERT_TRUE(install.CopyFileTo(source, L"Voltaro.dll"));
        }
        std::wstring runLog = powercfg_.LogEnvironment();
        RoadAgent agent;
        ASSERT_TRUE(agent.Start(install, {c.environment, runLog.c_str()}));
        EXPECT_TRUE(RunSequence(agent)) << "the sleep sequence runs all the same";
        Sleep(500);
        EXPECT_EQ(0u, powercfg_.Runs().size());
        EXPECT_TRUE(agent.Proc().IsRunning());
        EXPECT_TRUE(agent.Close());
        powercfg_.ClearRuns();
    }
}
