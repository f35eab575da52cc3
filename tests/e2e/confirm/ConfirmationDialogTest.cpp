// The real Dormnote.exe from a copy of the staged install, observed from outside: its window,
// its answers for every way of answering, and the values it reads.
#include "ConfirmationTestSupport.h"

using namespace confirm_e2e;
using e2e::Confirmation;
using e2e::InstallFolder;
using e2e::TextOf;
using e2e::PressKeys;

namespace {

int const kOk = 1030;
int const kCancel = 1031;
int const kDontShow = 1004;

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void ExpectClientRect(HWND dialog, int id, int x, int y, int width, int height) {
    RECT rect = ClientRectOf(dialog, GetDlgItem(dialog, id));
    EXPECT_EQ(x, rect.left) << "control " << id;
    EXPECT_EQ(y, rect.top) << "control " << id;
    EXPECT_EQ(width, rect.right - rect.left) << "control " << id;
    EXPECT_EQ(height, rect.bottom - rect.top) << "control " << id;
}

}  // namespace

TEST_F(ConfirmationTest, WindowIdentityShapeAndLayout) {
    InstallFolder install;
    Confirmation confirmation;
    ASSERT_TRUE(confirmation.Start(install));
    HWND dialog = confirmation.Window();

    wchar_t className[32] = {};
    GetClassNameW(dialog, className, ARRAYSIZE(className));
    EXPECT_STREQ(L"#32770", className);
    LONG style = GetWindowLongW(dialog, GWL_STYLE);
    LONG exStyle = GetWindowLongW(dialog, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << "no taskbar button";

    RECT window = {};
    GetWindowRect(dialog, &window);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 - kDialogWidth / 2, window.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 2 - kDialogHeight / 2, window.top);
    EXPECT_EQ(kDialogWidth, window.right - window.left);
    EXPECT_EQ(kDialogHeight, window.bottom - window.top);

    // The magenta margin of the background is cut away; the body stays.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(dialog, region));
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, kDialogWidth - 1, kDialogHeight - 1));
    EXPECT_FALSE(PtInRegion(region, 4, 120));
    EXPECT_TRUE(PtInRegion(region, 20, 20));
    EXPECT_TRUE(PtInRegion(region, 270, 120));
    EXPECT_TRUE(PtInRegion(region, 520, 230));
    DeleteObject(region);

    ExpectClientRect(dialog, kOk, 279, 198, 119, 30);
    ExpectClientRect(dialog, kCancel, 400, 198, 119, 30);
    ExpectClientRect(dialog, kDontShow, 199, 154, 15, 15);
    ExpectClientRect(dialog, 1062, 23, 20, 200, 70);
    ExpectClientRect(dialog, 1060, 200, 68, 300, 70);
    ExpectClientRect(dialog, 1006, 224, 153, 300, 140);

    EXPECT_EQ(L"OK", TextOf(confirmation.Item(kOk)));
    EXPECT_EQ(L"Cancel", TextOf(confirmation.Item(kCancel)));
    EXPECT_TRUE(IsWindowVisible(confirmation.Item(kOk)));
    EXPECT_TRUE(IsWindowVisible(confirmation.Item(kCancel)));
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(confirmation.Item(kDontShow), BM_GETCHECK, 0, 0));
    EXPECT_EQ(confirmation.Item(kCancel), confirmation.Focus()) << "Enter must not sleep the machine by accident";
    EXPECT_EQ(dialog, GetForegroundWindow());
    EXPECT_EQ(kSuspendSentinel, ReadSuspend()) << "nothing is written before an answer";

    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(confirmation.Proc().WaitForExit(10000));
}

// Each way of answering, from a fresh dialog, and what it leaves in the registry.
TEST_F(ConfirmationTest, AnswersByMouseAndKeyboard) {
    struct Case {
        const char* name;
        void (*answer)(Confirmation&);
        DWORD suspend;          // kSuspendSentinel: nothing written
        DWORD showMessageBox;   // 0xFFFFFFFF: not written
    };
    const Case cases[] = {
        {"click OK", [](Confirmation& c) { e2e::ClickAt(e2e::CentreOf(c.Item(kOk))); }, 1, 0},
        {"tick, click OK",
         [](Confirmation& c) {
             SendMessageW(c.Item(kDontShow), BM_CLICK, 0, 0);
             e2e::ClickAt(e2e::CentreOf(c.Item(kOk)));
         },
         1, 1},
        {"tick, click Cancel",
         [](Confirmation& c) {
             SendMessageW(c.Item(kDontShow), BM_CLICK, 0, 0);
             e2e::ClickAt(e2e::CentreOf(c.Item(kCancel)));
         },
         0, 0xFFFFFFFF},
        {"Escape", [](Confirmation&) { e2e::PressKeys({VK_ESCAPE}); }, 0, 0xFFFFFFFF},
        {"Enter on Cancel", [](Confirmation&) { e2e::PressKeys({VK_RETURN}); }, 0, 0xFFFFFFFF},
        {"Left, Enter on OK",
         [](Confirmation&) {
             e2e::PressKeys({VK_LEFT});
             e2e::PressKeys({VK_RETURN});
         },
         1, 0},
        {"numeric-pad 4, Enter",
         [](Confirmation&) {
             e2e::PressKeys({VK_NUMPAD4});
             e2e::PressKeys({VK_RETURN});
         },
         1, 0},
        {"Left, Escape",
         [](Confirmation&) {
             e2e::PressKeys({VK_LEFT});
             e2e::PressKeys({VK_ESCAPE});
         },
         0, 0xFFFFFFFF},
        {"Alt+F4", [](Confirmation&) { e2e::PressKeys({VK_MENU, VK_F4}); }, kSuspendSentinel, 0xFFFFFFFF},
        {"WM_CLOSE", [](Confirmation& c) { PostMessageW(c.Window(), WM_CLOSE, 0, 0); }, kSuspendSentinel,
         0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        InstallFolder install;
        Confirmation confirmation;
        ASSERT_TRUE(confirmation.Start(install));
        // Keys go to the foreground window: on a loaded machine the question's own bid for the
        // foreground can still be on its way when it is idle.
        ASSERT_TRUE(e2e::BringToForeground(confirmation.Window()));
        c.answer(confirmation);
        ASSERT_TRUE(confirmation.Proc().WaitForExit(10000)) << "the dialog ends with the answer";
        EXPECT_EQ(c.suspend, ReadSuspend());
        if (c.showMessageBox == 0xFFFFFFFF)
            EXPECT_TRUE(ShowMessageBoxMissing());
        else
            EXPECT_TRUE(ShowMessageBoxIs(c.showMessageBox));
    }
}

TEST_F(ConfirmationTest, EnglishQuestionForEachKindOfPc) {
    ExpectTheQuestionForEachStart([](const wchar_t* key) { return std::wstring(key); });
}

TEST_F(ConfirmationTest, LeftAndRightMoveTheFocusAndStopAtTheEnds) {
    InstallFolder install;
    Confirmation confirmation;
    ASSERT_TRUE(confirmation.Start(install));
    HWND ok = confirmation.Item(kOk);
    HWND cancel = confirmation.Item(kCancel);
    struct Step {
        WORD key;
        HWND expected;
    };
    const Step steps[] = {
        {VK_RIGHT, cancel}, {VK_LEFT, ok}, {VK_LEFT, ok}, {VK_NUMPAD6, cancel}, {VK_RIGHT, cancel}, {VK_NUMPAD4, ok},
    };
    for (const Step& step : steps) {
        e2e::PressKeys({step.key});
        EXPECT_TRUE(e2e::WaitUntil([&] { return confirmation.Focus() == step.expected; }, 3000))
            << "after key " << step.key;
    }
    EXPECT_TRUE(confirmation.Proc().IsRunning()) << "moving the focus answers nothing";
    EXPECT_EQ(kSuspendSentinel, ReadSuspend());
    e2e::PressKeys({VK_ESCAPE});
    EXPECT_TRUE(confirmation.Proc().WaitForExit(10000));
}

TEST_F(ConfirmationTest, StoredShowMessageBoxDecidesWhetherToAsk) {
    struct Case {
        const char* name;
        DWORD type;
        BYTE data[8];
        DWORD size;
        bool asks;
        UINT boxState;
    };
    const Case cases[] = {
        {"0", REG_DWORD, {0}, 4, true, BST_UNCHECKED},
        {"2", REG_DWORD, {2}, 4, true, BST_CHECKED},
        {"text of 4 bytes, read raw", REG_SZ, {'x', 0, 0, 0}, 4, true, BST_CHECKED},
        {"8 bytes: unreadable, counts as 0", REG_QWORD, {1}, 8, true, BST_UNCHECKED},
        {"missing", REG_NONE, {0}, 0, true, BST_UNCHECKED},
        {"1: do not ask", REG_DWORD, {1}, 4, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.type != REG_NONE)
            e2e::registry::WriteSettingRaw(L"ShowMessageBox", c.type, c.data, c.size);
        InstallFolder install;
        if (!c.asks) {
            e2e::Process process;
            ASSERT_TRUE(process.Start(install / L"Dormnote.exe"));
            bool everVisible = false;
            bool ended = e2e::WaitUntil(
                [&] {
                    HWND window = e2e::FindTopWindow(Confirmation::kWindowClass, Confirmation::kWindowTitle, process.Id());
                    everVisible |= window && IsWindowVisible(window);
                    return !process.IsRunning();
                },
                10000);
            EXPECT_TRUE(ended) << "no input is awaited";
            EXPECT_FALSE(everVisible) << "nothing is shown";
            EXPECT_EQ(1u, ReadSuspend());
            continue;
        }
        Confirmation confirmation;
        ASSERT_TRUE(confirmation.Start(install));
        EXPECT_EQ(c.boxState, static_cast<UINT>(SendMessageW(confirmation.Item(kDontShow), BM_GETCHECK, 0, 0)));
        PostMessageW(confirmation.Window(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(confirmation.Proc().WaitForExit(10000));
    }
}

TEST_F(ConfirmationTest, ASecondStartRaisesTheFirstAndWritesNothing) {
    InstallFolder install;
    Confirmation first;
    ASSERT_TRUE(first.Start(install, L"/ignored -also ignored"));
    e2e::Process second;
    ASSERT_TRUE(second.Start(install / L"Dormnote.exe"));
    EXPECT_TRUE(second.WaitForExit(10000));
    EXPECT_EQ(nullptr, e2e::FindTopWindow(Confirmation::kWindowClass, Confirmation::kWindowTitle, second.Id()));
    EXPECT_TRUE(IsWindowVisible(first.Window()));
    EXPECT_EQ(first.Window(), GetForegroundWindow());
    EXPECT_EQ(kSuspendSentinel, ReadSuspend());
    EXPECT_TRUE(ShowMessageBoxMissing());
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(first.Proc().WaitForExit(10000));
    EXPECT_EQ(0u, ReadSuspend());
}

TEST_F(ConfirmationTest, TheShadowFollowsTheDialog) {
    InstallFolder install;
    Confirmation confirmation;
    ASSERT_TRUE(confirmation.Start(install));
    HWND shadow = e2e::FindTopWindow(L"MainShadowClass", L"Dormello Shadow", confirmation.Proc().Id());
    ASSERT_NE(nullptr, shadow);
    LONG exStyle = GetWindowLongW(shadow, GWL_EXSTYLE);
    const LONG required = WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_TOPMOST;
    EXPECT_EQ(required, exStyle & required);
    EXPECT_TRUE(IsWindowVisible(shadow));

    auto topLeft = [](HWND window) {
        RECT rect = {};
        GetWindowRect(window, &rect);
        return POINT{rect.left, rect.top};
    };
    POINT dialogAt = topLeft(confirmation.Window());
    EXPECT_TRUE(e2e::WaitUntil([&] {
        POINT s = topLeft(shadow);
        return s.x == dialogAt.x && s.y == dialogAt.y;
    }, 3000));

    SetWindowPos(confirmation.Window(), nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(e2e::WaitUntil([&] {
        POINT s = topLeft(shadow);
        return s.x == 100 && s.y == 120;
    }, 3000)) << "moved with the dialog";
    EXPECT_EQ(confirmation.Window(), GetForegroundWindow()) << "the shadow never takes the activation";
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(confirmation.Proc().WaitForExit(10000));
}

TEST_F(ConfirmationTest, WithoutImagesOrLanguageFilesItStillAsksInEnglish) {
    const wchar_t* const removals[] = {L"Images", L"KvMultiLang.dll"};
    for (const wchar_t* removed : removals) {
        SCOPED_TRACE(testing::Message() << "without " << removed);
        SetUp();
        InstallFolder install({removed});
        Confirmation confirmation;
        ASSERT_TRUE(confirmation.Start(install));
        EXPECT_EQ(L"OK", TextOf(confirmation.Item(kOk)));
        EXPECT_EQ(L"Cancel", TextOf(confirmation.Item(kCancel)));
        PressKeys({VK_LEFT});
        PressKeys({VK_RETURN});
        ASSERT_TRUE(confirmation.Proc().WaitForExit(10000));
        EXPECT_EQ(1u, ReadSuspend());
    }
}

// Without usable skins the buttons are plain but still where the layout puts them, inside the
// window's shape, with dark captions on the light system face; the mouse still answers.
TEST_F(ConfirmationTest, PlainButtonsAreReadableAtTheirPlaces) {
    for (const e2e::SkinLoss& loss : e2e::kSkinLosses) {
        SCOPED_TRACE(loss.name);
        SetUp();
        e2e::DamagedInstall install(loss);
        Confirmation confirmation;
        ASSERT_TRUE(confirmation.Start(install));
        HWND dialog = confirmation.Window();
        ExpectClientRect(dialog, kOk, 279, 198, 119, 30);
        ExpectClientRect(dialog, kCancel, 400, 198, 119, 30);
        for (int id : {kOk, kCancel}) {
            std::string why;
            e2e::WaitUntil([&] { return (why = e2e::WhyCaptionUnreadable(dialog, confirmation.Item(id))).empty(); },
                           3000);
            EXPECT_EQ("", why) << "button " << id;
        }
        e2e::ClickAt(e2e::CentreOf(confirmation.Item(kCancel)));
        ASSERT_TRUE(confirmation.Proc().WaitForExit(10000));
        EXPECT_EQ(0u, ReadSuspend());
    }
}

TEST_F(ConfirmationTest, ScreenshotShowsTheSkinnedQuestion) {
    InstallFolder install;
    Confirmation confirmation;
    ASSERT_TRUE(confirmation.Start(install));
    Sleep(300);  // let the first paint reach the screen
    RECT window = {};
    GetWindowRect(confirmation.Window(), &window);
    e2e::Screenshot shot(window);
    std::wstring saved = shot.SaveArtifact(L"confirmation-en.bmp");
    EXPECT_FALSE(saved.empty());

    // The dark body, the light-blue title in its box and the light-grey message in its box.
    EXPECT_TRUE(e2e::ColourNear(RGB(34, 34, 34), shot.At(150, 60), 16)) << std::hex << shot.At(150, 60);
    RECT titleBox = {23, 20, 223, 40};
    RECT messageBox = {200, 68, 500, 110};
    EXPECT_GT(shot.CountNear(titleBox, RGB(112, 226, 255), 40), 20);
    EXPECT_GT(shot.CountNear(messageBox, RGB(210, 210, 210), 40), 50);
    EXPECT_EQ(0, shot.CountNear(messageBox, RGB(112, 226, 255), 20)) << "only the title is blue";
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(confirmation.Proc().WaitForExit(10000));
}

// Without "Images\" beside the program, the one beside its folder skins the buttons.
TEST_F(ConfirmationTest, SkinFromTheParentFolder) {
    struct Case {
        const char* name;
        bool imagesInParent;
    } const cases[] = {{"Images beside the parent folder", true}, {"no Images anywhere", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        InstallFolder install({L"Dormnote.exe", L"Images"});
        ASSERT_TRUE(install.CopyFileTo(e2e::StageDir() + L"\\Dormnote.exe", L"bin\\Dormnote.exe"));
        if (c.imagesInParent) {
            const wchar_t* const skins[] = {L"button_n.png", L"button_d.png", L"button_o.png", L"button_g.png"};
            for (const wchar_t* skin : skins)
                ASSERT_TRUE(install.CopyFileTo(e2e::StageDir() + L"\\Images\\" + skin, std::wstring(L"Images\\") + skin));
        }
        e2e::Process process;
        ASSERT_TRUE(process.Start(install / L"bin\\Dormnote.exe"));
        HWND dialog = e2e::WaitForTopWindow(Confirmation::kWindowClass, Confirmation::kWindowTitle, process.Id(), 15000);
        ASSERT_NE(nullptr, dialog);
        ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 5000));
        Sleep(300);
        RECT ok = {};
        GetWindowRect(GetDlgItem(dialog, kOk), &ok);
        e2e::Screenshot shot(ok);
        // A skinned face is dark; a plain one is the light system button face.
        COLORREF face = shot.At(8, 4);
        EXPECT_EQ(c.imagesInParent, GetRValue(face) < 128) << std::hex << face;
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        EXPECT_TRUE(process.WaitForExit(10000));
    }
}

// A settings key that cannot be created (its parent is volatile, and a volatile key cannot have
// a lasting child): every write fails, the question is still asked and still ends as chosen.
TEST_F(ConfirmationTest, UnwritableSettingsStillEndAsChosen) {
    HKEY software = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                                           &software));
    RegDeleteTreeW(software, L"Korvane");
    HKEY vendor = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(software, L"Korvane", 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &vendor, nullptr));
    RegCloseKey(vendor);
    e2e::registry::WriteSetting(L"Suspend", 1);
    ASSERT_EQ(0xdeadbeefu, ReadSuspend()) << "the settings key must not be creatable";

    const char* const answers[] = {"OK", "Cancel"};
    for (const char* answer : answers) {
        SCOPED_TRACE(answer);
        InstallFolder install;
        Confirmation confirmation;
        ASSERT_TRUE(confirmation.Start(install));
        e2e::ClickAt(e2e::CentreOf(confirmation.Item(answer == answers[0] ? kOk : kCancel)));
        EXPECT_TRUE(confirmation.Proc().WaitForExit(10000)) << "the dialog ends as chosen";
    }
    RegDeleteTreeW(software, L"Korvane");
    RegCloseKey(software);
}

// Bad input from outside: a few thousand random private messages to the dialog and its buttons,
// then twenty starts at once. The question stays alive, answers, and shows only once.
TEST_F(ConfirmationTest, SurvivesMessageFuzzAndStartStorms) {
    InstallFolder install;
    {
        Confirmation confirmation;
        ASSERT_TRUE(confirmation.Start(install));
        HWND targets[] = {confirmation.Window(), confirmation.Item(kOk), confirmation.Item(kCancel)};
        unsigned seed = 2026;
        auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
        DWORD const started = GetTickCount();
        for (int i = 0; i < 3000 && GetTickCount() - started < 60000; ++i) {
            UINT message = WM_USER + next() % (0xC000 - WM_USER);  // private messages only
            DWORD_PTR result = 0;
            SendMessageTimeoutW(targets[next() % 3], message, next(), next(), SMTO_ABORTIFHUNG, 200, &result);
        }
        DWORD_PTR result = 0;
        EXPECT_TRUE(SendMessageTimeoutW(confirmation.Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result))
            << "responsive";
        ASSERT_TRUE(confirmation.Proc().IsRunning());
        EXPECT_TRUE(IsWindowVisible(confirmation.Window()));
        EXPECT_EQ(kSuspendSentinel, ReadSuspend()) << "no answer was given";
        PostMessageW(confirmation.Window(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(confirmation.Proc().WaitForExit(10000));
    }

    e2e::Process starts[20];
    for (e2e::Process& start : starts)
        ASSERT_TRUE(start.Start(install / L"Dormnote.exe"));
    auto shown = [&] {
        int count = 0;
        for (const e2e::Process& start : starts) {
            HWND window = e2e::FindTopWindow(Confirmation::kWindowClass, Confirmation::kWindowTitle, start.Id());
            count += window && IsWindowVisible(window) ? 1 : 0;
        }
        return count;
    };
    auto running = [&] {
        int count = 0;
        for (const e2e::Process& start : starts)
            count += start.IsRunning() ? 1 : 0;
        return count;
    };
    EXPECT_TRUE(e2e::WaitUntil([&] { return running() == 1 && shown() == 1; }, 60000))
        << running() << " running, " << shown() << " shown";
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(e2e::WaitUntil([&] { return running() == 0; }, 10000));
    EXPECT_EQ(0u, ReadSuspend());
}
