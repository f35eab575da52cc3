#include "Scaling.h"

#include "Harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace e2e {

namespace {
wchar_t const kDesktopKey[] = L"Control Panel\\Desktop";
wchar_t const kLogPixels[] = L"LogPixels";

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}
}  // namespace

ScaleCase const kScales[5] = {{96, L"100"}, {120, L"125"}, {144, L"150"}, {192, L"200"}, {288, L"300"}};

int Scaled(int length, UINT dpi) {
    return MulDiv(length, static_cast<int>(dpi), 96);
}

RECT ScaledBox(int x, int y, int width, int height, UINT dpi) {
    int left = Scaled(x, dpi), top = Scaled(y, dpi);
    return RECT{left, top, left + Scaled(width, dpi), top + Scaled(height, dpi)};
}

RECT ScaledEdges(const RECT& r, UINT dpi) {
    return RECT{Scaled(r.left, dpi), Scaled(r.top, dpi), Scaled(r.right, dpi), Scaled(r.bottom, dpi)};
}

DisplayScaling::DisplayScaling(UINT dpi) {
    DWORD size = sizeof(previous_);
    hadValue_ = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr, &previous_,
                             &size) == ERROR_SUCCESS;
    DWORD value = dpi;
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &value, sizeof(value));
}

DisplayScaling::~DisplayScaling() {
    if (hadValue_)
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &previous_, sizeof(previous_));
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
}

void SeePhysicalPixels() {
    using SetContextProc = BOOL(WINAPI*)(HANDLE);
    auto setContext = reinterpret_cast<SetContextProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    // -4: per-monitor v2, where Windows maps no coordinate of another window.
    if (!setContext || !setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))))
        SetProcessDPIAware();
}

RECT InkBounds(const Screenshot& shot, const RECT& area, COLORREF colour, int tolerance) {
    RECT ink = {shot.Width(), shot.Height(), -1, -1};
    for (int y = std::max(0L, area.top); y < std::min<LONG>(shot.Height(), area.bottom); ++y)
        for (int x = std::max(0L, area.left); x < std::min<LONG>(shot.Width(), area.right); ++x)
            if (ColourNear(shot.At(x, y), colour, tolerance)) {
                ink.left = std::min<LONG>(ink.left, x);
                ink.top = std::min<LONG>(ink.top, y);
                ink.right = std::max<LONG>(ink.right, x + 1);
                ink.bottom = std::max<LONG>(ink.bottom, y + 1);
            }
    return ink.right < 0 ? RECT{} : ink;
}

RECT ExpectTextInItsRoom(const Screenshot& shot, const PaintedText& text, UINT dpi) {
    RECT room = ScaledEdges(text.room, dpi);
    RECT searched = ScaledEdges(text.searched, dpi);
    RECT ink = InkBounds(shot, searched, text.colour, 40);
    EXPECT_FALSE(IsRectEmpty(&ink)) << text.name << ": no text painted";
    RECT inside = {};
    IntersectRect(&inside, &ink, &room);
    EXPECT_TRUE(EqualRect(&inside, &ink) && ink.right < room.right && ink.bottom < room.bottom)
        << text.name << ": ink " << Describe(ink) << " leaves its room " << Describe(room);
    return ink;
}

void ExpectScaledSize(HWND window, SIZE atDefault, UINT dpi) {
    RECT r = {};
    ASSERT_TRUE(GetWindowRect(window, &r));
    EXPECT_NEAR(Scaled(atDefault.cx, dpi), r.right - r.left, 2) << "width at " << dpi << " DPI";
    EXPECT_NEAR(Scaled(atDefault.cy, dpi), r.bottom - r.top, 2) << "height at " << dpi << " DPI";
}

RECT ExpectWindowAtScale(HWND window, const ScaledWindowSpec& spec, UINT dpi, const wchar_t* scale) {
    SCOPED_TRACE(testing::Message() << dpi << " DPI");
    ExpectScaledSize(window, spec.size, dpi);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    RECT bounds = {};
    EXPECT_NE(ERROR, GetWindowRgn(window, region)) << "the window has a region";
    GetRgnBox(region, &bounds);
    DeleteObject(region);
    const RECT& b = spec.body;
    RECT body = ScaledBox(b.left, b.top, b.right - b.left, b.bottom - b.top, dpi);
    EXPECT_NEAR(body.left, bounds.left, 2);
    EXPECT_NEAR(body.top, bounds.top, 2);
    EXPECT_NEAR(body.right, bounds.right, 2);
    EXPECT_NEAR(body.bottom, bounds.bottom, 2);
    Screenshot shot = KeepShotOf(window, spec.shotPrefix, scale);
    RECT title = {};
    for (size_t i = 0; i < spec.textCount; ++i) {
        RECT ink = ExpectTextInItsRoom(shot, spec.texts[i], dpi);
        if (i == 0)
            title = ink;
    }
    return title;
}

void ExpectInkScaled(const RECT& inkAtDefault, const RECT& ink, UINT dpi) {
    double const scale = dpi / 96.0;
    double const width = (inkAtDefault.right - inkAtDefault.left) * scale;
    double const height = (inkAtDefault.bottom - inkAtDefault.top) * scale;
    // Hinting rounds each glyph to whole pixels: a tenth either way, and never less than 2 px.
    EXPECT_NEAR(width, ink.right - ink.left, std::max(2.0, width / 10)) << "title width at " << dpi << " DPI";
    EXPECT_NEAR(height, ink.bottom - ink.top, std::max(2.0, height / 10)) << "title height at " << dpi << " DPI";
}

Screenshot KeepShotOf(HWND window, const wchar_t* prefix, const wchar_t* scale) {
    RECT r = {};
    GetWindowRect(window, &r);
    Screenshot shot(r);
    std::wstring name = std::wstring(prefix) + L"-" + scale + L"-" + LanguageTag() + L".bmp";
    shot.SaveArtifact(name.c_str());
    return shot;
}

bool SendDpiChanged(HWND window, UINT dpi, const RECT& suggested) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    if (!process)
        return false;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    bool sent = remote && WriteProcessMemory(process, remote, &suggested, sizeof(suggested), nullptr);
    DWORD_PTR result = 0;
    if (sent)
        sent = SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                                   SMTO_NORMAL, 10000, &result) != 0;
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return sent;
}

void ExpectDpiChangeFollowed(HWND window, DWORD processId, const ScaledWindowSpec& spec) {
    UINT const dpi = 192;
    RECT before = {};
    GetWindowRect(window, &before);
    RECT suggested = {before.left - 100, before.top - 50, 0, 0};
    suggested.right = suggested.left + Scaled(spec.size.cx, dpi);
    suggested.bottom = suggested.top + Scaled(spec.size.cy, dpi);
    ASSERT_TRUE(SendDpiChanged(window, dpi, suggested));
    Sleep(300);

    RECT after = {};
    GetWindowRect(window, &after);
    EXPECT_TRUE(EqualRect(&suggested, &after)) << "the window takes the suggested rectangle";
    ExpectWindowAtScale(window, spec, dpi, L"200-changed");

    HWND shadow = FindTopWindow(L"MainShadowClass", L"Dormello Shadow", processId);
    RECT shadowRect = {};
    ASSERT_TRUE(shadow && GetWindowRect(shadow, &shadowRect));
    EXPECT_EQ(after.left, shadowRect.left);
    EXPECT_EQ(after.top, shadowRect.top);
    EXPECT_EQ(Scaled(spec.size.cx, dpi), shadowRect.right - shadowRect.left) << "the shadow is drawn for the new DPI";

    SendMessageW(window, WM_SETTINGCHANGE, 0, 0);  // what a change of high contrast sends
    Sleep(300);
    ExpectWindowAtScale(window, spec, dpi, L"200-repainted");
}

const wchar_t* LanguageTag() {
    return GetUserDefaultUILanguage() == 0x0411 ? L"ja" : L"en";
}

}  // namespace e2e
