// The real Dormkey.exe from a copy of the staged install: start-up, single instance, the hidden
// window, its private messages and its end, observed from outside.
#include "support/Harness.h"

#include <gtest/gtest.h>

#include <vector>

using e2e::Agent;
using e2e::InstallFolder;

namespace {

UINT const kPrivateMessages[] = {WM_USER + 1, WM_USER + 3, WM_USER + 4, WM_USER + 5};

class AgentLifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::EndStrayAgents();
        e2e::registry::DeleteSettingsKey();
    }
    void TearDown() override {
        e2e::EndStrayAgents();
        e2e::registry::DeleteSettingsKey();
    }

    // Keeps the test waiting long enough for a window that is about to appear to do so.
    static bool StaysHidden(HWND window, DWORD forMs) {
        return !e2e::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, forMs);
    }
    static bool HidesWithin(HWND window, DWORD forMs) {
        return e2e::WaitUntil([&] { return !IsWindowVisible(window); }, forMs);
    }
};

// A topmost stand-in for the shell's notification area, on a thread that reads its messages:
// when a program adds its icon (WM_COPYDATA), it sends the agent the show request right then.
class ShowRequestingTray {
public:
    ShowRequestingTray() {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
        e2e::WaitUntil([&] { return window_ != nullptr; }, 5000);
    }
    ~ShowRequestingTray() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
    ShowRequestingTray(const ShowRequestingTray&) = delete;
    ShowRequestingTray& operator=(const ShowRequestingTray&) = delete;
    HWND Window() const { return window_; }
    bool Asked() const { return asked_ != 0; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_COPYDATA)
            return DefWindowProcW(window, message, wParam, lParam);
        auto* self = reinterpret_cast<ShowRequestingTray*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        HWND agent = FindWindowW(Agent::kWindowClass, Agent::kWindowTitle);
        if (self && agent && InterlockedExchange(&self->asked_, 1) == 0)
            SendMessageW(agent, WM_USER + 3, 0, 85);
        return TRUE;
    }
    static DWORD WINAPI Run(void* parameter) {
        auto* self = static_cast<ShowRequestingTray*>(parameter);
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"Shell_TrayWnd";
        RegisterClassW(&windowClass);
        HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 1, 1,
                                      nullptr, nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        DestroyWindow(window);
        UnregisterClassW(L"Shell_TrayWnd", windowClass.hInstance);
        return 0;
    }

    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HWND volatile window_ = nullptr;
    LONG volatile asked_ = 0;
};

}  // namespace

TEST_F(AgentLifecycle, StartsResidentWithItsWindowHidden) {
    InstallFolder install;
    Agent agent;
    ASSERT_TRUE(agent.Start(install));
    HWND window = agent.Window();
    wchar_t className[64] = {};
    GetClassNameW(window, className, ARRAYSIZE(className));
    EXPECT_STREQ(L"#32770", className);
    EXPECT_TRUE(StaysHidden(window, 1500)) << "the modal run's showing must not make it visible";
    EXPECT_EQ(0, e2e::CountTopWindows(agent.Proc().Id(), true)) << "no visible window at all";
    EXPECT_TRUE(agent.Proc().IsRunning());

    LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << "kept off the taskbar";
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(static_cast<LONG>(WS_CLIPSIBLINGS | WS_CLIPCHILDREN), style & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_EQ(nullptr, GetMenu(window));

    // Showing it from outside does not work either while it is meant to be hidden.
    ShowWindow(window, SW_SHOW);
    EXPECT_TRUE(StaysHidden(window, 500));
    EXPECT_TRUE(agent.Close());
}

TEST_F(AgentLifecycle, SecondStartWhileHiddenShowsTheWindowAndEnds) {
    InstallFolder install;
    Agent first;
    ASSERT_TRUE(first.Start(install));

    e2e::Process second;
    ASSERT_TRUE(second.Start(install.Agent()));
    EXPECT_TRUE(second.WaitForExit(10000)) << "the second start ends at once";
    EXPECT_TRUE(IsWindowVisible(first.Window())) << "the first agent shows its settings window";
    EXPECT_EQ(first.Window(), FindWindowW(Agent::kWindowClass, Agent::kWindowTitle));
    EXPECT_EQ(nullptr, e2e::FindTopWindow(Agent::kWindowClass, Agent::kWindowTitle, second.Id()));
    EXPECT_TRUE(first.Proc().IsRunning());

    // A third start while the window is shown changes nothing.
    RECT before = {}, after = {};
    GetWindowRect(first.Window(), &before);
    e2e::Process third;
    ASSERT_TRUE(third.Start(install.Agent()));
    EXPECT_TRUE(third.WaitForExit(10000));
    GetWindowRect(first.Window(), &after);
    EXPECT_TRUE(IsWindowVisible(first.Window()));
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_TRUE(first.Close());
}

TEST_F(AgentLifecycle, ShowRequestWithTheMarkerShowsTheWindow) {
    InstallFolder install;
    Agent agent;
    ASSERT_TRUE(agent.Start(install));
    RECT hidden = {};
    GetWindowRect(agent.Window(), &hidden);
    EXPECT_EQ(0, SendMessageW(agent.Window(), WM_USER + 3, 0, 85));
    EXPECT_TRUE(IsWindowVisible(agent.Window()));

    // Centred on the work area of its monitor, each half computed on its own as at start, so
    // it shows exactly where it sat while hidden.
    RECT window = {}, work = {};
    GetWindowRect(agent.Window(), &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(work.left + (work.right - work.left) / 2 - 542 / 2, window.left);
    EXPECT_EQ(work.top + (work.bottom - work.top) / 2 - 251 / 2, window.top);
    EXPECT_EQ(hidden.left, window.left);
    EXPECT_EQ(hidden.top, window.top);
    if (work.right - work.left == 1920 && work.bottom - work.top == 1080) {
        EXPECT_EQ(689, window.left);
        EXPECT_EQ(415, window.top);
    }
    EXPECT_TRUE(agent.Close());
}

// A second start can find the window by its title while the agent still initialises, and the
// agent lets sent messages in while it waits on other programs: adding its tray icon (the last
// step before everything is hidden) waits on the notification area. A stand-in notification area
// sends the show request exactly then; the request must be acted on, not hidden again.
TEST_F(AgentLifecycle, ShowRequestDuringStartUpIsNotLost) {
    ShowRequestingTray tray;
    ASSERT_NE(nullptr, tray.Window());
    InstallFolder install;
    Agent agent;
    ASSERT_TRUE(agent.Start(install));
    ASSERT_TRUE(tray.Asked()) << "the agent added its icon through the stand-in";
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(agent.Window()) != FALSE; }, 5000));
    EXPECT_FALSE(HidesWithin(agent.Window(), 500)) << "nothing hides it afterwards";
    EXPECT_TRUE(agent.Close());
}

// The window menu's Close hides the window as Cancel does; the resident agent goes on. Only a
// WM_CLOSE from outside (as the installer sends) ends it.
TEST_F(AgentLifecycle, WindowMenuCloseOnlyHidesTheWindow) {
    InstallFolder install;
    Agent agent;
    ASSERT_TRUE(agent.Start(install));
    for (int round = 0; round < 2; ++round) {
        SendMessageW(agent.Window(), WM_USER + 3, 0, 85);
        ASSERT_TRUE(IsWindowVisible(agent.Window()));
        PostMessageW(agent.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(agent.Window()); }, 5000));
        EXPECT_TRUE(StaysHidden(agent.Window(), 300));
        EXPECT_TRUE(agent.Proc().IsRunning());
    }
    PostMessageW(agent.Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(agent.Proc().WaitForExit(10000));
    EXPECT_EQ(0u, agent.Proc().ExitCode());
}

// Twenty starts at once: exactly one resident agent remains, with one window.
TEST_F(AgentLifecycle, TwentySimultaneousStartsLeaveOneAgent) {
    InstallFolder install;
    e2e::Process starts[20];
    for (e2e::Process& start : starts)
        ASSERT_TRUE(start.Start(install.Agent()));
    auto running = [&] {
        int count = 0;
        for (const e2e::Process& start : starts)
            count += start.IsRunning() ? 1 : 0;
        return count;
    };
    EXPECT_TRUE(e2e::WaitUntil([&] { return running() == 1; }, 60000)) << running() << " still running";
    Sleep(500);
    EXPECT_EQ(1, running());
    HWND window = FindWindowW(Agent::kWindowClass, Agent::kWindowTitle);
    ASSERT_NE(nullptr, window);
    for (const e2e::Process& start : starts) {
        if (!start.IsRunning())
            continue;
        EXPECT_EQ(window, e2e::FindTopWindow(Agent::kWindowClass, Agent::kWindowTitle, start.Id()));
        EXPECT_EQ(nullptr, FindWindowExW(nullptr, window, Agent::kWindowClass, Agent::kWindowTitle)) << "one window";
        DWORD_PTR result = 1;
        EXPECT_TRUE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) << "and it answers";
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return running() == 0; }, 10000));
}

TEST_F(AgentLifecycle, PrivateMessagesWithoutTheMarkerDoNothing) {
    InstallFolder install;
    Agent agent;
    ASSERT_TRUE(agent.Start(install));
    const LPARAM notTheMarker[] = {0, 84, 86, 0x55 + 0x100, -85};
    for (UINT message : kPrivateMessages) {
        for (LPARAM lParam : notTheMarker) {
            SCOPED_TRACE(testing::Message() << "message WM_USER+" << message - WM_USER << " lParam " << lParam);
            SetLastError(0xdeadbeef);
            DWORD_PTR result = 0xdeadbeef;
            ASSERT_TRUE(SendMessageTimeoutW(agent.Window(), message, 0, lParam, SMTO_ABORTIFHUNG, 5000, &result));
            EXPECT_EQ(0u, result);
        }
    }
    EXPECT_TRUE(StaysHidden(agent.Window(), 300)) << "WM_USER+3 without 85 shows nothing";
    EXPECT_EQ(0, e2e::CountTopWindows(agent.Proc().Id(), true)) << "nothing of the agent became visible";
    EXPECT_TRUE(agent.Proc().IsRunning());
    EXPECT_TRUE(agent.Close());
}

TEST_F(AgentLifecycle, HelpOpensNothing) {
    InstallFolder install;
    Agent agent;
    ASSERT_TRUE(agent.Start(install));
    SendMessageW(agent.Window(), WM_USER + 3, 0, 85);
    int windowsBefore = e2e::CountTopWindows(0, true);

    HELPINFO help = {};
    help.cbSize = sizeof(help);
    help.iContextType = HELPINFO_WINDOW;
    help.hItemHandle = agent.Window();
    EXPECT_EQ(TRUE, SendMessageW(agent.Window(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help)));
    // F1 typed into the shown window reaches the same handler through the dialog manager.
    PostMessageW(agent.Window(), WM_KEYDOWN, VK_F1, 0x003B0001);
    PostMessageW(agent.Window(), WM_KEYUP, VK_F1, 0xC03B0001);
    Sleep(500);
    EXPECT_EQ(windowsBefore, e2e::CountTopWindows(0, true)) << "no help window appeared";
    EXPECT_TRUE(agent.Proc().IsRunning());
    EXPECT_TRUE(agent.Close());
}

// Also with the tray menu open: its own loop handles the close, which ends the menu first.
TEST_F(AgentLifecycle, CloseFromOutsideEndsTheProcessCleanly) {
    struct Case {
        const char* name;
        UINT ender;
        bool menuOpen;
    } const cases[] = {
        {"WM_CLOSE", WM_CLOSE, false},
        {"IDCANCEL", WM_COMMAND, false},
        {"WM_CLOSE with the tray menu open", WM_CLOSE, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallFolder install;
        Agent agent;
        ASSERT_TRUE(agent.Start(install));
        HWND window = agent.Window();
        if (c.menuOpen) {
            PostMessageW(window, WM_USER + 2, 132, WM_RBUTTONUP);
            ASSERT_TRUE(e2e::WaitUntil([] { return FindWindowW(L"#32768", nullptr) != nullptr; }, 5000));
        }
        PostMessageW(window, c.ender, c.ender == WM_COMMAND ? IDCANCEL : 0, 0);
        ASSERT_TRUE(agent.Proc().WaitForExit(5000));
        EXPECT_EQ(0u, agent.Proc().ExitCode());
        EXPECT_FALSE(IsWindow(window));

        // The mutex went with it: a new start becomes the resident agent again.
        Agent next;
        ASSERT_TRUE(next.Start(install));
        EXPECT_TRUE(next.Proc().IsRunning());
        EXPECT_TRUE(next.Close());
    }
}

TEST_F(AgentLifecycle, MissingSettingsKeyStartsWithDefaultsAndWritesNothing) {
    InstallFolder install;
    Agent agent;
    ASSERT_TRUE(agent.Start(install));
    SendMessageW(agent.Window(), WM_USER + 3, 0, 85);
    // The check boxes show the defaults: hotkey on, tray icon on.
    EXPECT_EQ(BST_CHECKED, SendMessageW(GetDlgItem(agent.Window(), 1003), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_CHECKED, SendMessageW(GetDlgItem(agent.Window(), 1004), BM_GETCHECK, 0, 0));
    EXPECT_TRUE(agent.Close());
    EXPECT_FALSE(e2e::registry::SettingsKeyExists());
}

TEST_F(AgentLifecycle, StoredSettingsReachTheWindowAndSurvive) {
    e2e::registry::WriteSetting(L"EnableFunction", 2);
    e2e::registry::WriteSetting(L"ShowInTray", 1);
    InstallFolder install;
    Agent agent;
    ASSERT_TRUE(agent.Start(install));
    SendMessageW(agent.Window(), WM_USER + 3, 0, 85);
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(GetDlgItem(agent.Window(), 1003), BM_GETCHECK, 0, 0))
        << "only exactly 1 counts as on";
    EXPECT_EQ(BST_CHECKED, SendMessageW(GetDlgItem(agent.Window(), 1004), BM_GETCHECK, 0, 0));
    EXPECT_TRUE(agent.Close());
    DWORD value = 0;
    ASSERT_TRUE(e2e::registry::ReadSetting(L"EnableFunction", &value));
    EXPECT_EQ(2u, value);
}

// Bad data in the two on/off settings: data of up to 4 bytes are taken as they come, anything
// longer reads as unreadable (on). The agent keeps running and rewrites nothing.
TEST_F(AgentLifecycle, BadOnOffValuesGiveDefaultsAndStayAsStored) {
    const wchar_t text[] = L"yes please";
    BYTE const shortOne[] = {1, 0};
    ULONGLONG const wide = 0x1200000012ull;
    DWORD const allBits = 0xFFFFFFFF;
    std::vector<BYTE> huge(1 << 20, 1);
    struct Case {
        const char* name;
        DWORD type;
        const void* data;
        DWORD size;
        LRESULT checked;
    } const cases[] = {
        {"text", REG_SZ, text, sizeof(text), BST_CHECKED},
        {"no data", REG_BINARY, shortOne, 0, BST_UNCHECKED},
        {"2 bytes", REG_BINARY, shortOne, sizeof(shortOne), BST_CHECKED},
        {"8 bytes", REG_QWORD, &wide, sizeof(wide), BST_CHECKED},
        {"1 MB", REG_BINARY, huge.data(), static_cast<DWORD>(huge.size()), BST_CHECKED},
        {"out of range", REG_DWORD, &allBits, sizeof(allBits), BST_UNCHECKED},
    };
    InstallFolder install;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        e2e::registry::DeleteSettingsKey();
        e2e::registry::WriteSettingRaw(L"EnableFunction", c.type, c.data, c.size);
        e2e::registry::WriteSettingRaw(L"ShowInTray", c.type, c.data, c.size);
        Agent agent;
        ASSERT_TRUE(agent.Start(install));
        SendMessageW(agent.Window(), WM_USER + 3, 0, 85);
        EXPECT_TRUE(IsWindowVisible(agent.Window()));
        EXPECT_EQ(c.checked, SendMessageW(GetDlgItem(agent.Window(), 1003), BM_GETCHECK, 0, 0));
        EXPECT_EQ(c.checked, SendMessageW(GetDlgItem(agent.Window(), 1004), BM_GETCHECK, 0, 0));
        EXPECT_TRUE(agent.Close());

        // Nothing that was stored is lost or rewritten.
        for (const wchar_t* name : {L"EnableFunction", L"ShowInTray"}) {
            DWORD type = 0, size = 0;
            EXPECT_TRUE(e2e::registry::SettingTypeAndSize(name, &type, &size));
            EXPECT_EQ(c.type, type);
            EXPECT_EQ(c.size, size);
        }
    }
}

TEST_F(AgentLifecycle, MissingDataFoldersDoNotStopTheAgent) {
    InstallFolder install({L"Images"});
    Agent agent;
    ASSERT_TRUE(agent.Start(install));
    EXPECT_EQ(0, SendMessageW(agent.Window(), WM_USER + 3, 0, 85));
    EXPECT_TRUE(IsWindowVisible(agent.Window()));
    EXPECT_TRUE(agent.Proc().IsRunning());
    EXPECT_TRUE(agent.Close());
}
