// Both skinned windows at a display scale, in the language the test program runs in (built
// twice: English, and Japanese with LANG=ja_JP.UTF-8), and after a DPI change sent to the open
// window: size, shape and shadow DPI / 96 times those at 96 DPI, every text drawn at that size in
// its room. The settings window is also seen with its power note, on PCs whose hybrid sleep is
// off, and every language's notes are measured against the note's room. The pictures are kept
// in the artifacts.
//
// A scale is a whole Wine session: LogPixels is the system scale, which Windows too takes only at
// the next sign-in, and Wine (10 on) gives the monitors the DPI its session started with.
// at-each-scale.sh starts one session per scale and runs ScaledSession there.
#include "common/Dpi.h"
#include "common/LanguageBinding.h"
#include "common/TextInBox.h"
#include "helpers/StandIns.h"
#include "support/Harness.h"
#include "support/Screenshot.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using e2e::InstallFolder;

namespace {

COLORREF const kTitle = RGB(112, 226, 255), kText = RGB(210, 210, 210), kWhite = RGB(255, 255, 255);
SIZE const kSize = {542, 251};            // both windows at 96 DPI
RECT const kBody = {9, 8, 529, 237};      // what their regions keep

int Scaled(int length, UINT dpi) {
    return MulDiv(length, static_cast<int>(dpi), 96);
}
RECT ScaledEdges(const RECT& r, UINT dpi) {
    return RECT{Scaled(r.left, dpi), Scaled(r.top, dpi), Scaled(r.right, dpi), Scaled(r.bottom, dpi)};
}
std::string Describe(const RECT& r) {
    return testing::PrintToString(std::vector<LONG>{r.left, r.top, r.right, r.bottom});
}

// A painted text: its colour, the 96-DPI room its ink must stay in without reaching the room's
// right or bottom edge (a word cut there would), and the wider area searched for its ink. Rooms
// end where the next part begins.
struct PaintedText {
    const char* name;
    COLORREF colour;
    RECT room, searched;
};
std::vector<PaintedText> const kSettingsTexts = {
    {"title", kTitle, {23, 20, 223, 46}, {9, 9, 528, 46}},
    {"enable label", kText, {224, 58, 524, 91}, {218, 52, 528, 91}},
    {"tray label", kText, {224, 91, 524, 124}, {218, 91, 528, 124}},
    {"heading", kText, {224, 124, 524, 145}, {218, 124, 528, 145}},
    {"Redefine", kText, {224, 145, 343, 169}, {224, 145, 343, 169}},
    {"OK", kText, {279, 198, 398, 228}, {279, 198, 398, 228}},
    {"Cancel", kText, {400, 198, 519, 228}, {400, 198, 519, 228}},
};
// The line on what the hotkey does, below the check boxes, where the PC will not hybrid-sleep.
PaintedText const kPowerNote = {"power note", kText, {23, 190, 273, 234}, {9, 180, 278, 237}};
std::vector<PaintedText> const kSettingsWithNoteTexts = [] {
    std::vector<PaintedText> texts = kSettingsTexts;
    texts.push_back(kPowerNote);
    return texts;
}();
std::vector<PaintedText> const kQuestionTexts = {
    {"title", kTitle, {23, 20, 223, 46}, {9, 9, 528, 46}},
    {"message", kText, {200, 68, 524, 150}, {196, 60, 528, 150}},
    {"do-not-show label", kText, {224, 150, 524, 188}, {218, 150, 528, 188}},
    {"OK", kWhite, {279, 198, 398, 228}, {279, 198, 398, 228}},
    {"Cancel", kWhite, {400, 198, 519, 228}, {400, 198, 519, 228}},
};

// One program's window, open while the object lives.
class OpenWindow {
public:
    virtual ~OpenWindow() = default;
    HWND window = nullptr;
    DWORD processId = 0;
};
class OpenSettings : public OpenWindow {
public:
    explicit OpenSettings(const InstallFolder& install) {
        if (!agent_.Start(install))
            return;
        SendMessageW(agent_.Window(), WM_USER + 3, 0, 85);  // what a second start asks
        window = IsWindowVisible(agent_.Window()) ? agent_.Window() : nullptr;
        processId = agent_.Proc().Id();
    }
    ~OpenSettings() override { agent_.Close(); }

private:
    e2e::Agent agent_;
};

// A PC that can hybrid-sleep, where it is off: in the active plan, which the stand-in power
// library (beside the agent) plays and nothing here switches on, or by the organisation's policy.
wchar_t const kHybridPolicyKey[] =
    L"Software\\Policies\\Microsoft\\Power\\PowerSettings\\94ac6d29-73ce-41a6-809f-6363ba21b47e";
class HybridOffPc {
public:
    HybridOffPc(const InstallFolder& install, bool byPolicy) {
        install.CopyFileTo(e2e::WindowsPathFromUnix(SCALING_POWRPROF_STANDIN), L"powrprof.dll");
        wchar_t const capabilities[] = L"s3 s4 hiberfile full", scheme[] = L"{0D0E1A2B-3C4D-5E6F-7081-92A3B4C5D6E7}";
        RegSetKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kPowerCapabilitiesValue, REG_SZ, capabilities,
                        sizeof(capabilities));
        RegSetKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kActiveSchemeValue, REG_SZ, scheme, sizeof(scheme));
        DWORD const plan = byPolicy ? 1 : 0, policy = 0;
        RegSetKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kHybridSleepValue, REG_DWORD, &plan, sizeof(plan));
        if (!byPolicy)
            return;
        for (const wchar_t* name : {L"ACSettingIndex", L"DCSettingIndex"})
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, kHybridPolicyKey, name, REG_DWORD, &policy, sizeof(policy));
    }
    ~HybridOffPc() {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kHybridPolicyKey);
        RegDeleteTreeW(HKEY_CURRENT_USER, kStandInKeyPath);
        RegDeleteKeyW(HKEY_CURRENT_USER, kStandInKeyPath);
    }

private:
    e2e::NativeLibraryFirst standInFirst_{L"Dormkey.exe", L"powrprof"};
};
class OpenSettingsWithNote : public OpenWindow {
public:
    OpenSettingsWithNote(const InstallFolder& install, bool byPolicy) : pc_(install, byPolicy), settings_(install) {
        window = settings_.window;
        processId = settings_.processId;
    }

private:
    HybridOffPc pc_;  // the PC outlives the agent that reads it
    OpenSettings settings_;
};
class OpenQuestion : public OpenWindow {
public:
    explicit OpenQuestion(const InstallFolder& install) {
        if (question_.Start(install, L"/sleep:hybrid"))
            window = question_.Window();
        processId = question_.Proc().Id();
    }

private:
    e2e::Confirmation question_;  // ended with it
};

struct WindowCase {
    const wchar_t* name;
    std::unique_ptr<OpenWindow> (*open)(const InstallFolder&);
    const std::vector<PaintedText>& texts;
};
WindowCase const kWindows[] = {
    {L"settings", [](const InstallFolder& i) -> std::unique_ptr<OpenWindow> { return std::make_unique<OpenSettings>(i); },
     kSettingsTexts},
    {L"confirmation", [](const InstallFolder& i) -> std::unique_ptr<OpenWindow> { return std::make_unique<OpenQuestion>(i); },
     kQuestionTexts},
    {L"settings-hybridoff",
     [](const InstallFolder& i) -> std::unique_ptr<OpenWindow> { return std::make_unique<OpenSettingsWithNote>(i, false); },
     kSettingsWithNoteTexts},
    {L"settings-policyoff",
     [](const InstallFolder& i) -> std::unique_ptr<OpenWindow> { return std::make_unique<OpenSettingsWithNote>(i, true); },
     kSettingsWithNoteTexts},
};

// The smallest rectangle of the shot holding every pixel of area near colour; empty for none.
RECT InkBounds(const e2e::Screenshot& shot, const RECT& area, COLORREF colour) {
    RECT ink = {LONG_MAX, LONG_MAX, -1, -1};
    for (LONG y = std::max(0L, area.top); y < std::min<LONG>(shot.Height(), area.bottom); ++y)
        for (LONG x = std::max(0L, area.left); x < std::min<LONG>(shot.Width(), area.right); ++x)
            if (e2e::ColourNear(shot.At(x, y), colour, 40))
                ink = RECT{std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1), std::max(ink.bottom, y + 1)};
    return ink.right < 0 ? RECT{} : ink;
}

// The window at dpi: its size and region, and each text in its room. Keeps a picture named
// <window>-scale-<tag>-<language>.bmp and returns the title's ink.
RECT ExpectWindowAt(HWND window, const WindowCase& c, UINT dpi, const std::wstring& tag) {
    SCOPED_TRACE(testing::Message() << dpi << " DPI");
    RECT r = {}, bounds = {};
    GetWindowRect(window, &r);
    EXPECT_NEAR(Scaled(kSize.cx, dpi), r.right - r.left, 2) << "width";
    EXPECT_NEAR(Scaled(kSize.cy, dpi), r.bottom - r.top, 2) << "height";
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(ERROR, GetWindowRgn(window, region));
    GetRgnBox(region, &bounds);
    DeleteObject(region);
    RECT body = ScaledEdges(kBody, dpi);
    EXPECT_TRUE(std::abs(body.left - bounds.left) <= 2 && std::abs(body.top - bounds.top) <= 2 &&
                std::abs(body.right - bounds.right) <= 2 && std::abs(body.bottom - bounds.bottom) <= 2)
        << "region " << Describe(bounds) << ", body " << Describe(body);

    e2e::Screenshot shot(r);
    bool const japanese = GetUserDefaultUILanguage() == 0x0411;
    if (!tag.empty())
        shot.SaveArtifact((std::wstring(c.name) + L"-scale-" + tag + (japanese ? L"-ja.bmp" : L"-en.bmp")).c_str());
    RECT title = {};
    for (const PaintedText& text : c.texts) {
        RECT room = ScaledEdges(text.room, dpi), ink = InkBounds(shot, ScaledEdges(text.searched, dpi), text.colour);
        RECT inside = {};
        IntersectRect(&inside, &ink, &room);
        EXPECT_FALSE(IsRectEmpty(&ink)) << text.name << ": no text painted";
        EXPECT_TRUE(EqualRect(&inside, &ink) && ink.right < room.right && ink.bottom < room.bottom)
            << text.name << ": ink " << Describe(ink) << " leaves its room " << Describe(room);
        if (&text == &c.texts.front())
            title = ink;
    }
    return title;
}

// A loaded machine paints late: waits, up to five seconds, until the window would pass
// ExpectWindowAt, whose failures are held back meanwhile. The caller then checks it for real.
void WaitUntilDrawnAt(HWND window, const WindowCase& c, UINT dpi) {
    e2e::WaitUntil(
        [&] {
            testing::TestPartResultArray failures;
            testing::ScopedFakeTestPartResultReporter quiet(
                testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
            ExpectWindowAt(window, c, dpi, L"");
            return failures.size() == 0;
        },
        5000);
}

// Glyphs drawn for the size, not enlarged 96-DPI ones: the title's ink grows with the scale, give
// or take a tenth (hinting), and never by less than 2 pixels.
void ExpectTitleScaled(const RECT& atDefault, const RECT& title, UINT dpi) {
    double width = (atDefault.right - atDefault.left) * dpi / 96.0;
    double height = (atDefault.bottom - atDefault.top) * dpi / 96.0;
    EXPECT_NEAR(width, title.right - title.left, std::max(2.0, width / 10)) << "title width at " << dpi << " DPI";
    EXPECT_NEAR(height, title.bottom - title.top, std::max(2.0, height / 10)) << "title height at " << dpi << " DPI";
}

// Sends WM_DPICHANGED as Windows does when a window moves to a monitor of dpi; the suggested
// rectangle is written into the window's process.
bool SendDpiChanged(HWND window, DWORD processId, UINT dpi, const RECT& suggested) {
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    if (!process)
        return false;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    DWORD_PTR result = 0;
    bool sent = remote && WriteProcessMemory(process, remote, &suggested, sizeof(suggested), nullptr) &&
                SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                                    SMTO_NORMAL, 10000, &result);
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return sent;
}

class Scaling : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef RUNS_IN_JAPANESE
        ASSERT_EQ(0x0411, GetUserDefaultUILanguage()) << "run with LANG=ja_JP.UTF-8";
#endif
        // Physical pixels of every window, whatever its DPI: per-monitor v2, else system aware.
        using SetContextProc = BOOL(WINAPI*)(HANDLE);
        auto setContext = reinterpret_cast<SetContextProc>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
        if (!setContext || !setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))))
            SetProcessDPIAware();
        TearDown();
    }
    void TearDown() override {
        e2e::EndStrayAgents();
        e2e::EndStrayConfirmations();
        e2e::registry::DeleteSettingsKey();
    }
};

}  // namespace

// The session's scale: the one at-each-scale.sh started it at, else the system's. The primary
// monitor must be at it, or the session was not started anew.
UINT SessionDpi() {
    char value[16] = {};
    if (GetEnvironmentVariableA("DORMELLO_SCALING_DPI", value, sizeof(value)))
        return static_cast<UINT>(atoi(value));
    return WindowDpi(nullptr);
}
UINT MonitorDpi() {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    UINT dpi = WindowDpi(probe);
    DestroyWindow(probe);
    return dpi;
}

// The titles' ink at 96 DPI, kept by the 96-DPI session for the others in the file
// DORMELLO_SCALING_REFERENCE names: a line "<window> <width> <height>" each.
std::string ReferenceFile() {
    char path[MAX_PATH] = {};
    return GetEnvironmentVariableA("DORMELLO_SCALING_REFERENCE", path, sizeof(path)) ? path : "";
}
void KeepReferenceTitle(const WindowCase& c, const RECT& title) {
    if (FILE* file = fopen(ReferenceFile().c_str(), "a")) {
        fprintf(file, "%ls %ld %ld\n", c.name, title.right - title.left, title.bottom - title.top);
        fclose(file);
    }
}
bool ReferenceTitle(const WindowCase& c, RECT* title) {
    FILE* file = fopen(ReferenceFile().c_str(), "r");
    if (!file)
        return false;
    wchar_t name[32];
    long width = 0, height = 0;
    bool found = false;
    while (!found && fwscanf(file, L"%31ls %ld %ld", name, &width, &height) == 3)
        found = wcscmp(name, c.name) == 0;
    fclose(file);
    *title = RECT{0, 0, width, height};
    return found;
}

class ScaledSession : public Scaling {};

TEST_F(ScaledSession, EachWindowIsTheScaleTimesItsSizeWithTextDrawnAtIt) {
    UINT const dpi = SessionDpi();
    ASSERT_EQ(dpi, MonitorDpi()) << "the monitor is not at the session's scale: the session was not started anew";
    InstallFolder install;
    for (const WindowCase& c : kWindows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        std::unique_ptr<OpenWindow> open = c.open(install);
        ASSERT_TRUE(open->window);
        WaitUntilDrawnAt(open->window, c, dpi);
        RECT title = ExpectWindowAt(open->window, c, dpi, std::to_wstring(dpi * 100 / 96)), titleAtDefault = {};
        if (dpi == kDefaultDpi) {
            KeepReferenceTitle(c, title);
        } else if (!ReferenceFile().empty()) {
            EXPECT_TRUE(ReferenceTitle(c, &titleAtDefault)) << "the 96-DPI session kept no title to compare with";
        }
        if (!IsRectEmpty(&titleAtDefault))
            ExpectTitleScaled(titleAtDefault, title, dpi);
    }
}

// Wine moves no window between monitors: the test tells the window, at 96 DPI, that it is now on
// a 200 % monitor. It takes the suggested rectangle and is laid out, painted and shaped again, its
// shadow drawn anew on its corner, and a later high-contrast repaint keeps the new DPI.
TEST_F(Scaling, ADpiChangeLaysEachWindowOutAgain) {
    InstallFolder install;
    UINT const dpi = 192;
    for (const WindowCase& c : kWindows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        std::unique_ptr<OpenWindow> open = c.open(install);
        ASSERT_TRUE(open->window);
        WaitUntilDrawnAt(open->window, c, MonitorDpi());
        RECT suggested = {}, after = {}, shadow = {};
        GetWindowRect(open->window, &suggested);
        OffsetRect(&suggested, -100, -50);
        suggested.right = suggested.left + Scaled(kSize.cx, dpi);
        suggested.bottom = suggested.top + Scaled(kSize.cy, dpi);
        ASSERT_TRUE(SendDpiChanged(open->window, open->processId, dpi, suggested));
        WaitUntilDrawnAt(open->window, c, dpi);
        GetWindowRect(open->window, &after);
        EXPECT_EQ(Describe(suggested), Describe(after)) << "the window takes the suggested rectangle";
        ExpectWindowAt(open->window, c, dpi, L"200-changed");

        HWND shadowWindow = e2e::FindTopWindow(L"MainShadowClass", L"Dormello Shadow", open->processId);
        ASSERT_TRUE(shadowWindow && GetWindowRect(shadowWindow, &shadow));
        EXPECT_EQ(after.left, shadow.left);
        EXPECT_EQ(after.top, shadow.top);
        EXPECT_EQ(Scaled(kSize.cx, dpi), shadow.right - shadow.left) << "the shadow is drawn for the new DPI";

        SendMessageW(open->window, WM_SETTINGCHANGE, 0, 0);  // what a change of high contrast sends
        WaitUntilDrawnAt(open->window, c, dpi);
        ExpectWindowAt(open->window, c, dpi, L"200-repainted");
    }
}

// Windows need not tell a hidden window that its monitor's scale changed. The test tells the
// hidden settings window of a change to 200 % that its monitor never made: once shown, the
// window has found its monitor's DPI and is laid out at it again.
TEST_F(Scaling, HiddenSettingsWindowTakesItsMonitorsDpiWhenShown) {
    InstallFolder install;
    e2e::Agent agent;
    ASSERT_TRUE(agent.Start(install));
    UINT const changed = 192;
    RECT suggested = {0, 0, Scaled(kSize.cx, changed), Scaled(kSize.cy, changed)};
    ASSERT_TRUE(SendDpiChanged(agent.Window(), agent.Proc().Id(), changed, suggested));
    SendMessageW(agent.Window(), WM_USER + 3, 0, 85);  // what a second start asks
    ASSERT_TRUE(IsWindowVisible(agent.Window()));
    WaitUntilDrawnAt(agent.Window(), kWindows[0], MonitorDpi());
    ExpectWindowAt(agent.Window(), kWindows[0], MonitorDpi(), L"shown-after-missed-change");
    EXPECT_TRUE(agent.Close());
}

// Every language's power notes fit the note's room at every scale the sessions above run, as the
// settings window draws them: its text font (Verdana, 12 pixels at 96 DPI, in the language's
// character set), word-wrapped to the room's width (and inside a word where a line would not fit:
// Wine 10 leaves most runs of Chinese characters unbroken). A language is measured where it is shown: the
// Japanese program stands for the East Asian systems, whose fonts have taller lines (English is
// shown there when a translation is missing; Chinese is measured there, since a Western system's
// font has none of its glyphs). The pictures show only the notes of the PCs they play, in one
// language, and a line wrapped below the room would not be drawn at all.
TEST_F(Scaling, EveryLanguagesPowerNotesFitTheirRoom) {
    const wchar_t* const notes[] = {
        L"On this PC the hotkey starts sleep, not hybrid sleep: hibernation is off.",
        L"The hotkey starts sleep: hybrid sleep is off in the power plan, and switching it on failed.",
        L"The hotkey starts sleep: a policy of your organisation turns hybrid sleep off.",
        L"On this PC the hotkey starts hibernation: it has no hybrid sleep.",
        L"This PC offers no sleep that the hotkey can start.",
    };
    struct Language {
        const char* name;     // as the translation library names it
        const wchar_t* file;  // in Images\LangFiles; none for English, whose notes are the keys
        bool western, eastAsian;
    } const languages[] = {
        {"English", nullptr, true, true},          {"French", L"French", true, false},
        {"German", L"German", true, false},        {"Japanese", L"Japanese", true, true},
        {"Simplified Chinese", L"SimplifiedChinese", false, true}, {"Spanish", L"Spanish", true, false},
    };
    bool const eastAsian = GetUserDefaultUILanguage() == 0x0411;
    RECT const& room = kPowerNote.room;
    HDC dc = CreateCompatibleDC(nullptr);
    for (const Language& language : languages) {
        if (!(eastAsian ? language.eastAsian : language.western))
            continue;
        std::wstring const file = language.file ? e2e::StageDir() + L"\\Images\\LangFiles\\" + language.file + L".ini" : L"";
        for (UINT dpi : {96u, 120u, 144u, 192u, 288u}) {
            LOGFONTW logFont = {};
            lstrcpynW(logFont.lfFaceName, L"Verdana", LF_FACESIZE);
            logFont.lfCharSet = LanguageCharSet(language.name);
            logFont.lfHeight = -ScaleToDpi(12, dpi);
            HFONT font = CreateFontIndirectW(&logFont);
            HGDIOBJ previous = SelectObject(dc, font);
            for (const wchar_t* key : notes) {
                wchar_t note[512] = {};
                if (language.file)
                    GetPrivateProfileStringW(L"Translations", key, L"", note, ARRAYSIZE(note), file.c_str());
                else
                    lstrcpynW(note, key, ARRAYSIZE(note));
                RECT box = {0, 0, Scaled(room.right - room.left, dpi), 0};
                UINT const format = FormatKeepingTextInBox(dc, note, -1, box, DT_LEFT | DT_VCENTER | DT_WORDBREAK);
                DrawTextW(dc, note, -1, &box, format | DT_CALCRECT);
                EXPECT_TRUE(note[0] && box.right <= Scaled(room.right - room.left, dpi) &&
                            box.bottom <= Scaled(room.bottom - room.top, dpi))
                    << language.name << " at " << dpi << " DPI: " << testing::PrintToString(std::wstring(note))
                    << " needs " << box.right << " x " << box.bottom;
            }
            SelectObject(dc, previous);
            DeleteObject(font);
        }
    }
    DeleteDC(dc);
}
