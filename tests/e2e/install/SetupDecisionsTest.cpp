// The setup's machine and account choices (installer/Decisions.nsh), run by a probe built from
// the same script on machines and accounts Wine cannot play: Windows on Arm, 32-bit Windows,
// a deployment tool's SYSTEM account, a service's session 0.
#include "support/Harness.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

namespace {

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp, length && temp[length - 1] == L'\\' ? length - 1 : length);
}

// "build|program files|starts|log folder" as the probe wrote it.
std::wstring Decide(int machine, int isSystem, int session) {
    std::wstring out = TempFolder() + L"\\dormello-decision.txt";
    DeleteFileW(out.c_str());
    e2e::Process probe;
    std::wstring arguments = L"/MACHINE=" + std::to_wstring(machine) + L" /SYSTEM=" + std::to_wstring(isSystem) +
                             L" /SESSION=" + std::to_wstring(session) + L" /OUT=" + out;
    if (!probe.Start(e2e::WindowsPathFromUnix(DORMELLO_DECISION_PROBE), arguments) || !probe.WaitForExit(30000))
        return L"probe did not run";
    HANDLE file = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    wchar_t text[1024] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof(text) - sizeof(wchar_t), &read, nullptr);
    CloseHandle(file);
    DeleteFileW(out.c_str());
    return text[0] == 0xFEFF ? text + 1 : text;
}

}  // namespace

TEST(SetupDecisions, BuildFolderAgentStartAndLogFollowTheMachineAndTheAccount) {
    int const amd64 = 0x8664, arm64 = 0xAA64, i386 = 0x14C;
    std::wstring const x64Files = KnownFolder(CSIDL_PROGRAM_FILES), x86Files = KnownFolder(CSIDL_PROGRAM_FILESX86);
    std::wstring const user = L"1|" + TempFolder(), noUser = L"0|" + KnownFolder(CSIDL_COMMON_APPDATA) + L"\\Korvane";
    struct { const char* what; int machine, isSystem, session; std::wstring expected; } const cases[] = {
        {"x64 Windows, an administrator", amd64, 0, 1, L"x86_64|" + x64Files + L"|" + user},
        {"Windows on Arm", arm64, 0, 1, L"i686|" + x86Files + L"|" + user},
        {"32-bit Windows", i386, 0, 2, L"i686|" + x86Files + L"|" + user},
        {"SYSTEM in a user's session", amd64, 1, 1, L"x86_64|" + x64Files + L"|" + noUser},
        {"an administrator in session 0", arm64, 0, 0, L"i686|" + x86Files + L"|" + noUser},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Decide(c.machine, c.isSystem, c.session)) << c.what;
}
