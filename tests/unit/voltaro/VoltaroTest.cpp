// The power library as a caller sees it: the two scheme exports against the Windows calls they
// wrap, the hidden window, and the rules for the power-scheme callback.
#include "powerlib/Voltaro.h"

#include <gtest/gtest.h>
#include <powrprof.h>
#include <shlwapi.h>
#include <time.h>

#include <string>
#include <vector>

namespace {

wchar_t const kLibraryPath[] = L"" VOLTARO_DLL;

GUID const kPersonality = {0x245D8541, 0x3943, 0x4422, {0xB0, 0x25, 0x13, 0xA7, 0x84, 0xF6, 0x79, 0xB7}};
GUID const kPowerSaver = {0xA1841308, 0x3541, 0x4FAB, {0xBC, 0x81, 0xF7, 0x15, 0x56, 0xF2, 0x0B, 0x4A}};
GUID const kHighPerformance = {0x8C5E7FDA, 0xE8BF, 0x4A96, {0x9A, 0x85, 0xA6, 0xE2, 0x3A, 0x8C, 0x63, 0x5C}};
GUID const kUnknownScheme = {0x0D0E1A2B, 0x3C4D, 0x5E6F, {0x70, 0x81, 0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7}};

using GetActiveSchemeProc = DWORD(WINAPI*)(HKEY, GUID**);
using SetActiveSchemeProc = DWORD(WINAPI*)(HKEY, const GUID*);
using RegisterPowerCBKProc = void(WINAPI*)(PowerCBK);

// A WM_POWERBROADCAST report with room for one GUID of data.
struct SettingReport {
    GUID PowerSetting;
    DWORD DataLength;
    GUID Data;
};

// What the callbacks saw; each callback records under its own tag.
struct Delivery {
    char tag;
    DWORD event;
    GUID data;
};
std::vector<Delivery> g_deliveries;

void Record(char tag, DWORD event, const BYTE* data) {
    Delivery delivery = {tag, event, {}};
    memcpy(&delivery.data, data, sizeof(GUID));
    g_deliveries.push_back(delivery);
}
void CALLBACK CallbackA(DWORD event, const BYTE* data) { Record('A', event, data); }
void CALLBACK CallbackB(DWORD event, const BYTE* data) { Record('B', event, data); }

class Library {
public:
    Library() : module_(LoadLibraryW(kLibraryPath)) {}
    ~Library() { Unload(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    void Unload() {
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
    }
    template <typename Proc>
    Proc Get(const char* name) const {
        // Through void(*)() so the compiler accepts the change of signature.
        return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

HWND HiddenWindow() {
    return FindWindowW(kVoltaroWindowClass, kVoltaroWindowTitle);
}

void SendReport(const GUID& setting, DWORD length, const GUID& data) {
    SettingReport report = {setting, length, data};
    SendMessageW(HiddenWindow(), WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&report));
}

// Waits until the clock is more than 1000 ms past `since`, when reports are no longer held back.
void WaitPastHoldBack(clock_t since) {
    while (clock() - since <= 1000 + 20)
        Sleep(20);
}

int RunSecondProcess() {
    wchar_t helper[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, helper, MAX_PATH);
    PathRemoveFileSpecW(helper);
    PathAppendW(helper, L"voltaro_second_process.exe");
    std::wstring commandLine = L"\"" + std::wstring(helper) + L"\" \"" + kLibraryPath + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(helper, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, 10000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace

TEST(VoltaroExports, ExactlyTheThreeEntryPoints) {
    Library library;
    ASSERT_TRUE(library.Loaded());
    for (const char* name : {"GetActiveScheme", "SetActiveScheme", "RegisterPowerCBK"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(nullptr, library.Get<FARPROC>(name));
    }
    EXPECT_EQ(nullptr, library.Get<FARPROC>("GetActiveScheme@8")) << "names are undecorated";
    EXPECT_EQ(nullptr, library.Get<FARPROC>("_GetActiveScheme@8"));
}

TEST(VoltaroExports, GetActiveSchemeReturnsWhatWindowsReturns) {
    Library library;
    auto getActiveScheme = library.Get<GetActiveSchemeProc>("GetActiveScheme");
    ASSERT_NE(nullptr, getActiveScheme);

    GUID* sentinel = reinterpret_cast<GUID*>(0xdeadbeef);
    GUID* direct = sentinel;
    GUID* wrapped = sentinel;
    DWORD directResult = PowerGetActiveScheme(nullptr, &direct);
    DWORD wrappedResult = getActiveScheme(nullptr, &wrapped);
    EXPECT_EQ(directResult, wrappedResult);
    if (directResult == ERROR_SUCCESS) {
        ASSERT_NE(sentinel, wrapped);
        ASSERT_NE(nullptr, wrapped);
        EXPECT_TRUE(IsEqualGUID(*direct, *wrapped));
        EXPECT_EQ(nullptr, LocalFree(wrapped)) << "the GUID is allocated by Windows for LocalFree";
        LocalFree(direct);
    } else {
        EXPECT_EQ(direct, wrapped) << "the out argument is treated exactly as Windows treats it";
    }
}

TEST(VoltaroExports, SetActiveSchemeReturnsWhatWindowsReturns) {
    Library library;
    auto setActiveScheme = library.Get<SetActiveSchemeProc>("SetActiveScheme");
    ASSERT_NE(nullptr, setActiveScheme);
    // A scheme that exists nowhere: nothing changes on a real machine either.
    EXPECT_EQ(PowerSetActiveScheme(nullptr, &kUnknownScheme), setActiveScheme(nullptr, &kUnknownScheme));
}

TEST(VoltaroWindow, OneHiddenWindowWhileLoaded) {
    ASSERT_EQ(nullptr, HiddenWindow()) << "no window before the library is loaded";
    {
        Library library;
        HWND window = HiddenWindow();
        ASSERT_NE(nullptr, window);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        EXPECT_EQ(GetCurrentProcessId(), owner);
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(nullptr, GetParent(window)) << "an ordinary top-level window";
        EXPECT_EQ(static_cast<LONG>(WS_OVERLAPPEDWINDOW),
                  GetWindowLongW(window, GWL_STYLE) & static_cast<LONG>(WS_OVERLAPPEDWINDOW));
        EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        RECT rect = {};
        GetWindowRect(window, &rect);
        EXPECT_EQ(300, rect.right - rect.left);
        EXPECT_EQ(200, rect.bottom - rect.top);
    }
    EXPECT_EQ(nullptr, HiddenWindow()) << "unloading destroys the window";
    WNDCLASSEXW info = {};
    info.cbSize = sizeof(info);
    EXPECT_FALSE(GetClassInfoExW(nullptr, kVoltaroWindowClass, &info)) << "and unregisters its class";
}

TEST(VoltaroWindow, SecondProcessUsesTheWindowOfTheFirst) {
    EXPECT_EQ(1, RunSecondProcess()) << "alone, a process creates its own window";
    Library library;
    HWND first = HiddenWindow();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(2, RunSecondProcess()) << "with the first holding the window, the second creates none";
    EXPECT_EQ(first, HiddenWindow()) << "and leaves the first process's window alone";
}

// Reports of other settings or of the wrong size never reach the callback; replacement and
// null registration follow the library's rules. The hold-back is passed once for the suite.
class VoltaroCallback : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = new Library;
        register_ = library_->Get<RegisterPowerCBKProc>("RegisterPowerCBK");
        clock_t loaded = clock();
        register_(CallbackA);
        WaitPastHoldBack(loaded);
        SendReport(kPersonality, sizeof(GUID), kPowerSaver);  // the first report after the hold-back
    }
    static void TearDownTestSuite() {
        delete library_;
        library_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(library_->Loaded());
        ASSERT_NE(nullptr, register_);
        g_deliveries.clear();
    }

    static Library* library_;
    static RegisterPowerCBKProc register_;
};
Library* VoltaroCallback::library_ = nullptr;
RegisterPowerCBKProc VoltaroCallback::register_ = nullptr;

TEST_F(VoltaroCallback, OnlyPersonalityReportsOfSixteenBytesAreDelivered) {
    struct Case {
        const char* name;
        GUID setting;
        DWORD length;
        bool delivered;
    } const cases[] = {
        {"personality, 16 bytes", kPersonality, 16, true},
        {"other setting", kPowerSaver, 16, false},
        {"personality, 4 bytes", kPersonality, 4, false},
        {"personality, 20 bytes", kPersonality, 20, false},
        {"personality, 0 bytes", kPersonality, 0, false},
    };
    register_(CallbackA);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_deliveries.clear();
        SendReport(c.setting, c.length, kHighPerformance);
        ASSERT_EQ(c.delivered ? 1u : 0u, g_deliveries.size());
        if (c.delivered) {
            EXPECT_EQ(1u, g_deliveries[0].event);
            EXPECT_TRUE(IsEqualGUID(kHighPerformance, g_deliveries[0].data));
        }
    }
}

TEST_F(VoltaroCallback, NullRegistrationKeepsTheCallback) {
    register_(CallbackA);
    register_(nullptr);
    SendReport(kPersonality, sizeof(GUID), kPowerSaver);
    ASSERT_EQ(1u, g_deliveries.size());
    EXPECT_EQ('A', g_deliveries[0].tag);
}

TEST_F(VoltaroCallback, SecondRegistrationReplacesTheFirst) {
    register_(CallbackA);
    register_(CallbackB);
    SendReport(kPersonality, sizeof(GUID), kPowerSaver);
    SendReport(kPersonality, sizeof(GUID), kHighPerformance);
    ASSERT_EQ(2u, g_deliveries.size());
    EXPECT_EQ('B', g_deliveries[0].tag);
    EXPECT_EQ('B', g_deliveries[1].tag);
    EXPECT_TRUE(IsEqualGUID(kHighPerformance, g_deliveries[1].data));
}

TEST_F(VoltaroCallback, OtherMessagesReachNoCallback) {
    register_(CallbackA);
    SettingReport report = {kPersonality, sizeof(GUID), kPowerSaver};
    SendMessageW(HiddenWindow(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, reinterpret_cast<LPARAM>(&report));
    SendMessageW(HiddenWindow(), WM_USER, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&report));
    EXPECT_EQ(0u, g_deliveries.size());
}

TEST(VoltaroHoldBack, ReportsOfTheFirstSecondAreDroppedThenAllDelivered) {
    Sleep(20);  // the clock must read non-zero when the library registers
    // A loaded machine can take a second between the load and the first report, and then it
    // cannot tell a held-back report from a late one: the library is loaded afresh for that.
    for (int attempt = 0; attempt < 5; ++attempt) {
        clock_t beforeLoad = clock();
        ASSERT_GT(beforeLoad, 0);
        Library library;
        clock_t afterLoad = clock();
        auto registerCallback = library.Get<RegisterPowerCBKProc>("RegisterPowerCBK");
        ASSERT_NE(nullptr, registerCallback);
        registerCallback(CallbackA);
        g_deliveries.clear();

        SendReport(kPersonality, sizeof(GUID), kPowerSaver);
        if (clock() - beforeLoad >= 1000)
            continue;
        EXPECT_EQ(0u, g_deliveries.size()) << "held back right after registration";

        WaitPastHoldBack(afterLoad);
        SendReport(kPersonality, sizeof(GUID), kPowerSaver);
        SendReport(kPersonality, sizeof(GUID), kHighPerformance);
        EXPECT_EQ(2u, g_deliveries.size()) << "after the hold-back every report is delivered";
        return;
    }
    FAIL() << "the machine was too slow to test the hold-back five times in a row";
}
