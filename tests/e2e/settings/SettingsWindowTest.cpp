// The agent's settings window from outside: its layout and look, the tray callbacks and
// menu, the two check boxes, and recording a new hotkey with real key presses.
#include "support/Harness.h"
#include "support/Screenshot.h"

#include <gtest/gtest.h>
#include <shellapi.h>

using e2e::Agent;
using e2e::InstallFolder;
using e2e::PressKeys;

namespace {

int const kOk = 1000, kCancel = 1001, kRedefine = 1002, kEnable = 1003, kTray = 1004;
UINT const kTrayCallback = WM_USER + 2;

class SettingsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::EndStrayAgents();
        e2e::registry::DeleteSettingsKey();
        ASSERT_TRUE(agent_.Start(install_));
        window_ = agent_.Window();
    }
    void TearDown() override {
        agent_.Close();
        e2e::EndStrayAgents();
        e2e::registry::DeleteSettingsKey();
    }
    void Show() {
        SendMessageW(window_, WM_USER + 3, 0, 85);
        ASSERT_TRUE(IsWindowVisible(window_));
        ASSERT_TRUE(e2e::BringToForeground(window_));
    }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    static DWORD Setting(const wchar_t* name) {
        DWORD value = 0xdeadbeef;
        e2e::registry::ReadSetting(name, &value);
        return value;
    }
    bool HidesSoon() {
        return e2e::WaitUntil([&] { return !IsWindowVisible(window_); }, 3000);
    }

    InstallFolder install_;
    Agent agent_;
    HWND window_ = nullptr;
};

}  // namespace

TEST_F(SettingsWindow, LayoutLookAndRegion) {
    Show();
    RECT window = {};
    GetWindowRect(window_, &window);
    EXPECT_EQ(542, window.right - window.left);
    EXPECT_EQ(251, window.bottom - window.top);
    RECT cancel = {};
    GetWindowRect(Item(kCancel), &cancel);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 + 129, cancel.left) << "1089 on a 1920-pixel screen";

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(window_, region));
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, 100, 100));
    DeleteObject(region);

    wchar_t caption[64] = {};
    GetWindowTextW(Item(kRedefine), caption, ARRAYSIZE(caption));
    EXPECT_STREQ(L"Redefine", caption);

    Sleep(300);
    e2e::Screenshot shot(window);
    EXPECT_FALSE(shot.SaveArtifact(L"settings-en.bmp").empty());
    EXPECT_TRUE(e2e::ColourNear(RGB(34, 34, 34), shot.At(150, 60), 16));
    RECT title = {23, 20, 223, 40};
    RECT labels = {224, 58, 524, 140};
    EXPECT_GT(shot.CountNear(title, RGB(112, 226, 255), 40), 20);
    EXPECT_GT(shot.CountNear(labels, RGB(210, 210, 210), 40), 100);
}

TEST_F(SettingsWindow, TrayCallbacks) {
    EXPECT_EQ(0, SendMessageW(window_, kTrayCallback, 133, WM_LBUTTONUP)) << "another icon id";
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_EQ(1, SendMessageW(window_, kTrayCallback, 132, WM_MOUSEMOVE));
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_EQ(1, SendMessageW(window_, kTrayCallback, 132, WM_LBUTTONUP)) << "a left click shows the window";
    EXPECT_TRUE(IsWindowVisible(window_));
}

TEST_F(SettingsWindow, TrayMenuOffersOneItemThatHidesTheIcon) {
    PostMessageW(window_, kTrayCallback, 132, WM_RBUTTONUP);
    HWND menuWindow = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (menuWindow = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menuWindow); }, 5000));
    // Menus cannot be read from another process: judge the popup by its size and picture.
    RECT popup = {};
    GetWindowRect(menuWindow, &popup);
    EXPECT_LT(popup.bottom - popup.top, 2 * GetSystemMetrics(SM_CYMENUSIZE)) << "exactly one item";
    EXPECT_GT(popup.right - popup.left, 150) << "room for the item's text";
    Sleep(200);
    e2e::Screenshot shot(popup);
    EXPECT_FALSE(shot.SaveArtifact(L"tray-menu.bmp").empty());
    PressKeys({VK_DOWN});
    PressKeys({VK_RETURN});
    EXPECT_TRUE(e2e::WaitUntil([&] { return Setting(L"ShowInTray") == 0; }, 5000));

    // The same command again switches it back on.
    SendMessageW(window_, WM_COMMAND, 32772, 0);
    EXPECT_EQ(1u, Setting(L"ShowInTray"));
}

TEST_F(SettingsWindow, MenuCommandsLeaveOtherValuesAlone) {
    agent_.Close();
    e2e::registry::WriteSetting(L"EnableFunction", 2);
    e2e::registry::WriteSetting(L"ShowInTray", 5);
    ASSERT_TRUE(agent_.Start(install_));
    window_ = agent_.Window();
    SendMessageW(window_, WM_COMMAND, 32771, 0);
    SendMessageW(window_, WM_COMMAND, 32772, 0);
    EXPECT_EQ(2u, Setting(L"EnableFunction"));
    EXPECT_EQ(5u, Setting(L"ShowInTray"));
    Show();
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(Item(kEnable), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(Item(kTray), BM_GETCHECK, 0, 0)) << "only exactly 1 ticks the box";
}

TEST_F(SettingsWindow, OkStoresTheBoxesCancelDoesNot) {
    Show();
    SendMessageW(Item(kEnable), BM_CLICK, 0, 0);
    e2e::ClickAt(e2e::CentreOf(Item(kCancel)));
    EXPECT_TRUE(HidesSoon());
    EXPECT_EQ(0xdeadbeefu, Setting(L"EnableFunction")) << "Cancel saves nothing";

    Show();
    EXPECT_EQ(BST_CHECKED, SendMessageW(Item(kEnable), BM_GETCHECK, 0, 0)) << "reset when shown again";
    SendMessageW(Item(kEnable), BM_CLICK, 0, 0);
    SendMessageW(Item(kTray), BM_CLICK, 0, 0);
    e2e::ClickAt(e2e::CentreOf(Item(kOk)));
    EXPECT_TRUE(HidesSoon());
    EXPECT_EQ(0u, Setting(L"EnableFunction"));
    EXPECT_EQ(0u, Setting(L"ShowInTray"));
}

TEST_F(SettingsWindow, RedefineRecordsAltF2WithRealKeys) {
    Show();
    e2e::ClickAt(e2e::CentreOf(Item(kRedefine)));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(Item(kRedefine)); }, 3000)) << "redefine mode";
    ASSERT_TRUE(IsWindowVisible(window_)) << "the window stays while redefining";
    ASSERT_TRUE(e2e::BringToForeground(window_));
    EXPECT_FALSE(IsWindowVisible(Item(kEnable)));
    PressKeys({VK_MENU, VK_F2});
    Sleep(200);
    e2e::ClickAt(e2e::CentreOf(Item(kOk)));
    EXPECT_TRUE(HidesSoon());
    EXPECT_EQ(18u, Setting(L"Key1"));
    EXPECT_EQ(113u, Setting(L"Key2"));

    Show();
    EXPECT_TRUE(IsWindowVisible(Item(kRedefine))) << "back in settings mode";
}

TEST_F(SettingsWindow, EscapeCancelsARedefinitionAndAltF4NeverCloses) {
    Show();
    e2e::ClickAt(e2e::CentreOf(Item(kRedefine)));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(Item(kRedefine)); }, 3000));
    ASSERT_TRUE(e2e::BringToForeground(window_));
    PressKeys({'Q'});
    PressKeys({VK_MENU, VK_F4});
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(window_)) << "Alt+F4 neither closes nor hides";
    EXPECT_TRUE(agent_.Proc().IsRunning());
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(HidesSoon());
    EXPECT_EQ(0xdeadbeefu, Setting(L"Key1")) << "nothing stored";

    Show();
    ASSERT_TRUE(e2e::BringToForeground(window_));  // the keys go to the foreground window
    PressKeys({VK_MENU, VK_F4});
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(window_));
    PressKeys({VK_RETURN});  // focus on Cancel: Enter cancels
    EXPECT_TRUE(HidesSoon());
    EXPECT_TRUE(agent_.Proc().IsRunning());
}

// A new taskbar (the shell restarted, or the agent started before it at sign-in) has no icons:
// the agent adds its own again, unless the user hid it.
TEST_F(SettingsWindow, TaskbarCreatedAddsTheIconAgainUnlessHidden) {
    UINT const taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::TrayHasIcon(window_); }, 5000)) << "added at start";
    struct { DWORD showInTray; bool added; } const cases[] = {{1, true}, {0, false}};
    for (const auto& test : cases) {
        e2e::registry::WriteSetting(L"ShowInTray", test.showInTray);
        NOTIFYICONDATAW icon = {};
        icon.cbSize = sizeof(icon);
        icon.hWnd = window_;
        icon.uID = 132;
        Shell_NotifyIconW(NIM_DELETE, &icon);  // as a new shell would have it
        ASSERT_FALSE(e2e::TrayHasIcon(window_));
        SendMessageW(window_, taskbarCreated, 0, 0);
        EXPECT_EQ(test.added, e2e::WaitUntil([&] { return e2e::TrayHasIcon(window_); }, 3000))
            << "ShowInTray " << test.showInTray;
    }
}

// Without "Images\" beside the agent, "ImageResource\" beside its folder skins the buttons.
TEST(SettingsWindowSkin, FromImageResourceBesideTheParentFolder) {
    e2e::EndStrayAgents();
    InstallFolder install({L"Dormkey.exe", L"Images"});
    ASSERT_TRUE(install.CopyFileTo(e2e::StageDir() + L"\\Dormkey.exe", L"bin\\Dormkey.exe"));
    const wchar_t* const skins[] = {L"button_n.png", L"button_d.png", L"button_o.png", L"button_un.png",
                                    L"small_button_n.png", L"small_button_d.png", L"small_button_o.png",
                                    L"small_button_un.png"};
    for (const wchar_t* skin : skins)
        ASSERT_TRUE(install.CopyFileTo(e2e::StageDir() + L"\\Images\\" + skin, std::wstring(L"ImageResource\\") + skin));
    e2e::Process agent;
    ASSERT_TRUE(agent.Start(install / L"bin\\Dormkey.exe"));
    HWND window = e2e::WaitForTopWindow(Agent::kWindowClass, Agent::kWindowTitle, agent.Id(), 15000);
    ASSERT_NE(nullptr, window);
    Sleep(1500);  // resident
    SendMessageW(window, WM_USER + 3, 0, 85);
    ASSERT_TRUE(IsWindowVisible(window));
    Sleep(300);
    RECT ok = {};
    GetWindowRect(GetDlgItem(window, kOk), &ok);
    EXPECT_EQ(119, ok.right - ok.left) << "placed by the skin layout";
    e2e::Screenshot shot(ok);
    COLORREF face = shot.At(8, 4);
    EXPECT_LT(GetRValue(face), 128) << "a skinned, dark face: " << std::hex << face;
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(agent.WaitForExit(10000));
}

// Without usable skins the three buttons are plain but at their layout places, inside the
// window's shape, with dark captions on the light system face.
TEST(SettingsWindowSkin, PlainButtonsAreReadableAtTheirPlaces) {
    for (const e2e::SkinLoss& loss : e2e::kSkinLosses) {
        SCOPED_TRACE(loss.name);
        e2e::EndStrayAgents();
        e2e::DamagedInstall install(loss);
        Agent agent;
        ASSERT_TRUE(agent.Start(install));
        HWND window = agent.Window();
        SendMessageW(window, WM_USER + 3, 0, 85);
        ASSERT_TRUE(IsWindowVisible(window));
        struct Place {
            int id, x, y, width, height;
        } const places[] = {{kOk, 279, 198, 119, 30}, {kCancel, 400, 198, 119, 30}, {kRedefine, 224, 145, 119, 24}};
        for (const Place& place : places) {
            HWND button = GetDlgItem(window, place.id);
            RECT rect = {};
            GetWindowRect(button, &rect);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
            EXPECT_EQ(place.x, rect.left) << "button " << place.id;
            EXPECT_EQ(place.y, rect.top) << "button " << place.id;
            EXPECT_EQ(place.width, rect.right - rect.left) << "button " << place.id;
            std::string why;
            e2e::WaitUntil([&] { return (why = e2e::WhyCaptionUnreadable(window, button)).empty(); }, 3000);
            EXPECT_EQ("", why) << "button " << place.id;
        }
        EXPECT_TRUE(agent.Close());
    }
}
