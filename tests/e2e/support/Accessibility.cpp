#include "Accessibility.h"

#include "Harness.h"
#include "Screenshot.h"

#include <gtest/gtest.h>

#include <initguid.h>
#include <oleacc.h>

namespace e2e {

namespace {
CLSID const kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
}  // namespace

std::wstring AccessibleNameOf(HWND window) {
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&accessible))) ||
        !accessible)
        return L"<no object>";
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    accessible->get_accName(self, &name);
    std::wstring result = name ? std::wstring(name, SysStringLen(name)) : std::wstring();
    SysFreeString(name);
    accessible->Release();
    return result;
}

bool PlatformAnnotatesNames() {
    HWND probe = CreateWindowExW(0, L"Static", L"title", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    IAccPropServices* services = nullptr;
    HRESULT result = CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                      reinterpret_cast<void**>(&services));
    if (SUCCEEDED(result) && services) {
        result = services->SetHwndPropStr(probe, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                                          L"annotated");
        MSAAPROPID name = PROPID_ACC_NAME;
        services->ClearHwndProps(probe, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
        services->Release();
    }
    DestroyWindow(probe);
    return SUCCEEDED(result);
}

namespace {

std::wstring JapaneseFile(const std::wstring& install) {
    return install + L"\\Images\\LangFiles\\Japanese.ini";
}

RECT WindowRectOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

// The stop's rectangle relative to window, with its label's first line: a label's box reaches
// far below its one line of text, over other controls.
RECT StopArea(HWND window, const FocusStop& stop) {
    int const kLabelLine = 24;
    RECT area = WindowRectOf(GetDlgItem(window, stop.id));
    if (stop.labelId) {
        RECT label = WindowRectOf(GetDlgItem(window, stop.labelId));
        label.bottom = label.top + kLabelLine;
        UnionRect(&area, &area, &label);
    }
    RECT frame = WindowRectOf(window);
    OffsetRect(&area, -frame.left, -frame.top);
    return area;
}

void Repaint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);  // the other process paints
}

}  // namespace

std::wstring InRunningLanguage(const std::wstring& install, const wchar_t* key) {
    if (GetUserDefaultUILanguage() != 0x0411)
        return key;
    wchar_t value[512] = {};
    GetPrivateProfileStringW(L"Translations", key, key, value, ARRAYSIZE(value), JapaneseFile(install).c_str());
    return value;
}

void PrepareTranslationCase(const std::wstring& install, const TranslationCase& translation) {
    if (translation.untranslated)
        WritePrivateProfileStringW(L"Translations", translation.untranslated, nullptr, JapaneseFile(install).c_str());
}

std::wstring ExpectedName(const std::wstring& install, const TranslationCase& translation, const wchar_t* key) {
    if (translation.untranslated && lstrcmpW(key, translation.untranslated) == 0)
        return key;
    return InRunningLanguage(install, key);
}

HWND KeyboardFocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

void ExpectNamesAddNoPixel(HWND window, std::initializer_list<int> namedIds) {
    Repaint(window);
    Screenshot named(WindowRectOf(window));
    std::vector<std::wstring> names;
    for (int id : namedIds) {
        names.push_back(TextOf(GetDlgItem(window, id)));
        EXPECT_FALSE(names.back().empty()) << "control " << id << " has no name to take away";
        SendMessageW(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    }
    Repaint(window);
    Screenshot nameless(WindowRectOf(window));
    RECT all = {0, 0, named.Width(), named.Height()};
    int const changed = named.CountDifferent(nameless, all);
    EXPECT_EQ(0, changed) << "pixels that the names changed";
    if (changed) {
        named.SaveArtifact(L"with-names.bmp");
        nameless.SaveArtifact(L"without-names.bmp");
    }
    size_t i = 0;
    for (int id : namedIds)
        SendMessageW(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names[i++].c_str()));
    Repaint(window);
}

TabWalk::TabWalk(HWND window, std::vector<FocusStop> order)
    : window_(window), order_(std::move(order)), openingFocus_(KeyboardFocusOf(window)),
      opening_(WindowRectOf(window)) {}

void TabWalk::Steps(int steps, bool backwards) {
    for (int step = 0; step < steps; ++step) {
        HWND focus = KeyboardFocusOf(window_);
        size_t const count = order_.size();
        size_t at = count;  // elsewhere
        for (size_t i = 0; i < count; ++i)
            if (GetDlgItem(window_, order_[i].id) == focus)
                at = i;
        size_t next = at == count ? (backwards ? count - 1 : 0) : (at + (backwards ? count - 1 : 1)) % count;
        const FocusStop& expected = order_[next];
        Screenshot before(WindowRectOf(window_));
        if (backwards)
            PressKeys({VK_SHIFT, VK_TAB});
        else
            PressKeys({VK_TAB});
        EXPECT_TRUE(WaitUntil([&] { return KeyboardFocusOf(window_) == GetDlgItem(window_, expected.id); }, 3000))
            << "step " << step << ": the focus should be on " << expected.id;
        Sleep(300);
        Screenshot after(WindowRectOf(window_));
        EXPECT_GT(after.CountDifferent(before, StopArea(window_, expected)), 0)
            << "step " << step << ": control " << expected.id << " shows no focus";
        // The window opened with the focus on this control but without a cue; now it shows one.
        if (GetDlgItem(window_, expected.id) == openingFocus_) {
            EXPECT_GT(after.CountDifferent(opening_, StopArea(window_, expected)), 0)
                << "step " << step << ": control " << expected.id << " looks as it did without a cue";
        }
        if (at != count && focus != openingFocus_) {
            int const left = after.CountDifferent(opening_, StopArea(window_, order_[at]));
            EXPECT_EQ(0, left) << "step " << step << ": control " << order_[at].id << " still shows the focus it lost";
            if (left) {
                opening_.SaveArtifact(L"tab-opening.bmp");
                after.SaveArtifact(L"tab-after.bmp");
            }
        }
    }
}

}  // namespace e2e
