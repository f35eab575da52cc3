// The modal run, subclassed controls and owner-draw reflection, observed on real windows.
#include "resource.h"

#include "framework/Button.h"
#include "framework/Dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

UINT const WM_TEST_PROBE = WM_APP + 7;

class ProbeControl : public fw::Window {
public:
    std::vector<UINT> seen;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        if (message == WM_TEST_PROBE)
            return 1234;
        return fw::Window::WindowProc(message, wParam, lParam);
    }
};

class DrawnButton : public fw::Button {
public:
    int drawCount = 0;
    UINT lastControlId = 0;

protected:
    void PreSubclassWindow() override { ModifyStyle(0, BS_OWNERDRAW); }
    void DrawItem(DRAWITEMSTRUCT* item) override {
        ++drawCount;
        lastControlId = item->CtlID;
        FillRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
};

// A test dialog whose behaviour each test fills in.
class TestDialog : public fw::Dialog {
public:
    explicit TestDialog(HWND parent = nullptr) : fw::Dialog(IDD_TEST_DIALOG, parent) {}

    std::function<void(TestDialog&)> onInit;
    std::function<BOOL(TestDialog&, MSG*)> onPreTranslate;
    std::vector<UINT> windowProcSeen;
    int cancelCalls = 0;
    int okCalls = 0;
    ProbeControl edit;
    DrawnButton drawn;
    HWND hwnd() const { return hwnd_; }

    BOOL PreTranslateMessage(MSG* message) override {
        if (onPreTranslate)
            return onPreTranslate(*this, message);
        return FALSE;
    }

protected:
    void DoDataExchange() override {
        edit.SubclassDlgItem(IDC_PLAIN_EDIT, hwnd_);
        drawn.SubclassDlgItem(IDC_DRAWN_BUTTON, hwnd_);
    }
    BOOL OnInitDialog() override {
        fw::Dialog::OnInitDialog();
        if (onInit)
            onInit(*this);
        return TRUE;
    }
    void OnOK() override {
        ++okCalls;
        fw::Dialog::OnOK();
    }
    void OnCancel() override {
        ++cancelCalls;
        fw::Dialog::OnCancel();
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        windowProcSeen.push_back(message);
        return fw::Dialog::WindowProc(message, wParam, lParam);
    }
};

bool Contains(const std::vector<UINT>& messages, UINT message) {
    for (UINT m : messages)
        if (m == message)
            return true;
    return false;
}

void DrainQuit() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

}  // namespace

TEST(ModalRun, PreTranslateSeesPostedMessagesBeforeDispatch) {
    TestDialog dialog;
    HWND window = nullptr;
    bool seenByPreTranslate = false;
    dialog.onInit = [&](TestDialog& d) {
        window = d.hwnd();
        PostMessageW(d.hwnd(), WM_TEST_PROBE, 0, 0);
    };
    dialog.onPreTranslate = [&](TestDialog& d, MSG* message) -> BOOL {
        if (message->message == WM_TEST_PROBE) {
            seenByPreTranslate = true;
            d.EndDialog(42);
            return TRUE;  // handled: must not reach the window
        }
        return FALSE;
    };
    EXPECT_EQ(42, dialog.DoModal());
    EXPECT_TRUE(seenByPreTranslate);
    EXPECT_FALSE(Contains(dialog.windowProcSeen, WM_TEST_PROBE));
    EXPECT_FALSE(IsWindow(window)) << "the run destroys the dialog window";
    EXPECT_EQ(nullptr, dialog.GetSafeHwnd());
}

TEST(ModalRun, UnhandledMessagesAreDispatchedToWindowProc) {
    TestDialog dialog;
    dialog.onInit = [](TestDialog& d) {
        PostMessageW(d.hwnd(), WM_TEST_PROBE, 0, 0);
        PostMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_TRUE(Contains(dialog.windowProcSeen, WM_TEST_PROBE));
    EXPECT_EQ(1, dialog.okCalls);
}

TEST(ModalRun, KeyboardMessagesForControlsPassPreTranslateFirst) {
    TestDialog dialog;
    UINT keySeenFor = 0;
    dialog.onInit = [](TestDialog& d) {
        HWND edit = GetDlgItem(d.hwnd(), IDC_PLAIN_EDIT);
        PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    };
    dialog.onPreTranslate = [&](TestDialog& d, MSG* message) -> BOOL {
        if (message->message == WM_KEYDOWN && message->wParam == VK_ESCAPE) {
            keySeenFor = GetDlgCtrlID(message->hwnd);
            d.EndDialog(7);
            return TRUE;  // the dialog manager never turns it into IDCANCEL
        }
        return FALSE;
    };
    EXPECT_EQ(7, dialog.DoModal());
    EXPECT_EQ(static_cast<UINT>(IDC_PLAIN_EDIT), keySeenFor);
    EXPECT_EQ(0, dialog.cancelCalls);
}

TEST(ModalRun, EndedFromOutside) {
    struct Case {
        UINT message;
        WPARAM wParam;
        const char* name;
    };
    const Case cases[] = {
        {WM_CLOSE, 0, "WM_CLOSE"},
        {WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), "IDCANCEL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDialog dialog;
        HWND window = nullptr;
        dialog.onInit = [&](TestDialog& d) {
            window = d.hwnd();
            PostMessageW(d.hwnd(), c.message, c.wParam, 0);
        };
        EXPECT_EQ(IDCANCEL, dialog.DoModal());
        EXPECT_EQ(1, dialog.cancelCalls);
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST(ModalRun, QuitEndsTheRunAndIsPostedAgain) {
    TestDialog dialog;
    dialog.onInit = [](TestDialog&) { PostQuitMessage(5); };
    EXPECT_EQ(-1, dialog.DoModal());
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(5u, message.wParam);
    DrainQuit();
}

TEST(ModalRun, OwnerIsDisabledDuringTheRunAndEnabledAfter) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    TestDialog dialog(owner);
    BOOL enabledDuringRun = TRUE;
    dialog.onInit = [&](TestDialog& d) {
        PostMessageW(d.hwnd(), WM_TEST_PROBE, 0, 0);
    };
    dialog.onPreTranslate = [&](TestDialog& d, MSG* message) -> BOOL {
        if (message->message == WM_TEST_PROBE) {
            enabledDuringRun = IsWindowEnabled(owner);
            d.EndDialog(IDOK);
        }
        return FALSE;
    };
    dialog.DoModal();
    EXPECT_FALSE(enabledDuringRun);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST(Subclassing, ControlMessagesReachTheObject) {
    TestDialog dialog;
    LRESULT probeResult = 0;
    HWND edit = nullptr;
    dialog.onInit = [&](TestDialog& d) {
        edit = GetDlgItem(d.hwnd(), IDC_PLAIN_EDIT);
        probeResult = SendMessageW(edit, WM_TEST_PROBE, 0, 0);
        EXPECT_EQ(&d.edit, fw::Window::FromHandle(edit));
        // Unhandled messages still reach the edit control's own procedure.
        SetWindowTextW(edit, L"typed");
        d.EndDialog(IDOK);
    };
    dialog.DoModal();
    EXPECT_EQ(1234, probeResult);
    EXPECT_TRUE(Contains(dialog.edit.seen, WM_SETTEXT));
    EXPECT_EQ(nullptr, dialog.edit.GetSafeHwnd()) << "released at WM_NCDESTROY";
    EXPECT_EQ(nullptr, fw::Window::FromHandle(edit));
}

TEST(Subclassing, AWindowCannotBeBoundTwice) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ProbeControl first;
    ProbeControl second;
    EXPECT_TRUE(first.SubclassWindow(window));
    EXPECT_FALSE(second.SubclassWindow(window));
    EXPECT_EQ(window, first.UnsubclassWindow());
    EXPECT_TRUE(second.SubclassWindow(window));
    DestroyWindow(window);
    EXPECT_EQ(nullptr, second.GetSafeHwnd());
}

TEST(OwnerDraw, DrawItemSentToTheParentReachesTheButton) {
    TestDialog dialog;
    LONG style = 0;
    dialog.onInit = [&](TestDialog& d) {
        HWND button = GetDlgItem(d.hwnd(), IDC_DRAWN_BUTTON);
        style = GetWindowLongW(button, GWL_STYLE);
        SetWindowPos(d.hwnd(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
        RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
        d.EndDialog(IDOK);
    };
    dialog.DoModal();
    EXPECT_EQ(static_cast<LONG>(BS_OWNERDRAW), style & BS_TYPEMASK);
    EXPECT_GE(dialog.drawn.drawCount, 1);
    EXPECT_EQ(static_cast<UINT>(IDC_DRAWN_BUTTON), dialog.drawn.lastControlId);
}
