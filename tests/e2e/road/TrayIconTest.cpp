// The notification-area icon with a shell still busy starting, through the agent's test build
// (helpers/BusyShell.cpp): its first icon adds are refused, or time out after the shell took
// the icon. Whether the icon is there is asked of the shell itself (e2e::TrayHasIcon); the
// agent's calls that reached the shell come from Wine's relay trace.
#include "RoadFixture.h"

#include <shellapi.h>

using namespace road;

namespace {

DWORD const kIconWithinMs = 8000;  // tries after 1 s and 2 s more: the icon is in after 3 s
DWORD const kNextTryMs = 5000;     // longer than the wait before a fourth try would have been

class TrayIcon : public RoadTest {
protected:
    // The agent's calls that reached the shell, in order: "add:1 modify:0 ..." with their results.
    std::string ShellCalls(RoadAgent& agent) const {
        std::string calls;
        for (const RelayTrace::Call& call : shell_.CallsWithResults(agent.Proc().Id(), "shell32.Shell_NotifyIconW")) {
            DWORD message = strtoul(call.arguments.c_str(), nullptr, 16);
            calls += calls.empty() ? "" : " ";
            calls += message == NIM_ADD      ? "add:"
                     : message == NIM_MODIFY ? "modify:"
                     : message == NIM_DELETE ? "delete:"
                                             : "other:";
            calls += call.result ? "1" : "0";
        }
        return calls;
    }

    RelayTrace shell_{L"shell32.Shell_NotifyIconW"};
};

}  // namespace

// A refused icon is tried again, less and less often, until the shell takes it; a call that timed
// out may have added it, so each new try first asks the shell to change the icon. Once it is in,
// no more calls are made until the agent ends and takes it out. The same holds for a new taskbar (TaskbarCreated) that is still busy.
TEST_F(TrayIcon, BusyShellGetsTheIconOnceItAnswers) {
    struct Case {
        const char* name;
        const wchar_t* fault;
        bool newTaskbar;  // no icon at the start; switched on, then a new taskbar announced
        const char* calls;
    } const cases[] = {
        {"a shell that answers", L"TRAY_FAULT_REFUSED_ADDS=0", false, "add:1"},
        {"two refused adds", L"TRAY_FAULT_REFUSED_ADDS=2", false, "modify:0 modify:0 add:1"},
        {"an add that timed out after the shell took the icon", L"TRAY_FAULT_LATE_ADDS=1", false, "add:1 modify:1"},
        {"a new taskbar that refuses an add", L"TRAY_FAULT_REFUSED_ADDS=1", true, "modify:0 add:1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        RoadInstall install;
        RoadAgent agent;
        ASSERT_TRUE(install.CopyFileTo(BusyShellAgent(), L"Dormkey.exe"));
        e2e::registry::WriteSetting(kShowInTrayValue, c.newTaskbar ? 0 : 1);
        ASSERT_TRUE(agent.Start(install, {c.fault}));
        if (c.newTaskbar) {
            EXPECT_FALSE(e2e::TrayHasIcon(agent.Window()));
            e2e::registry::WriteSetting(kShowInTrayValue, 1);
            SendMessageW(agent.Window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
        }
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TrayHasIcon(agent.Window()); }, kIconWithinMs));
        Sleep(kNextTryMs);
        EXPECT_EQ(c.calls, ShellCalls(agent));
        EXPECT_TRUE(agent.Close());
        // The shell would drop the icon of an ended program only when the mouse passes over it.
        EXPECT_EQ(std::string(c.calls) + " delete:1", ShellCalls(agent)) << "the ending agent takes its icon out";
    }
}
