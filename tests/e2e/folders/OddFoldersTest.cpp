// Both programs installed in folders whose paths come near the 260-character limit (246: the
// program path itself is 259 characters long): whatever
// cannot work may only leave skins or texts out; nothing crashes or hangs.
#include "support/Harness.h"

#include <gtest/gtest.h>

#include <iostream>

namespace {

// A folder under base whose full path is exactly length characters long.
std::wstring FolderOfLength(const std::wstring& base, size_t length) {
    std::wstring folder = base;
    while (folder.size() + 1 < length) {
        size_t part = length - folder.size() - 1;  // what one last name would take
        if (part > 100)
            part = part == 101 ? 99 : 100;  // never leave one character: a name needs a backslash and a letter
        folder += L"\\" + std::wstring(part, L'd');
    }
    return folder;
}

// Exit codes of an ended process that crashed (an exception code), rather than ended.
bool Crashed(DWORD code) {
    return code >= 0xC0000000u;
}

}  // namespace

TEST(OddFolders, PathsNearTheLimitNeverCrash) {
    struct Case {
        const wchar_t* program;
        size_t folderLength;
    } const cases[] = {
        {L"Dormnote.exe", 200}, {L"Dormnote.exe", 240}, {L"Dormnote.exe", 246},
        {L"Dormkey.exe", 200},  {L"Dormkey.exe", 240},  {L"Dormkey.exe", 246},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.program << " in a folder of " << c.folderLength);
        e2e::EndStrayAgents();
        e2e::EndStrayConfirmations();
        e2e::registry::DeleteSettingsKey();
        e2e::TempFolder root;
        ASSERT_LT(root.Path().size() + 10, c.folderLength);
        std::wstring folder = FolderOfLength(root.Path(), c.folderLength);
        ASSERT_EQ(c.folderLength, folder.size());
        e2e::CopyStageTo(folder);

        bool agent = c.program[4] == L'k';
        const wchar_t* title = agent ? e2e::Agent::kWindowTitle : e2e::Confirmation::kWindowTitle;
        e2e::Process process;
        if (!process.Start(folder + L"\\" + c.program)) {
            std::cout << "  not started: the system refuses the path\n";
            continue;
        }
        HWND window = nullptr;
        e2e::WaitUntil([&] { return (window = e2e::FindTopWindow(L"#32770", title, process.Id())) || !process.IsRunning(); },
                       20000);
        if (window) {
            if (agent) {
                Sleep(1500);  // resident
                SendMessageW(window, WM_USER + 3, 0, 85);
                EXPECT_TRUE(IsWindowVisible(window)) << "the settings window shows";
            }
            DWORD_PTR result = 0;
            EXPECT_TRUE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result));
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
        ASSERT_TRUE(process.WaitForExit(15000)) << "ends when closed, or by itself";
        EXPECT_FALSE(Crashed(process.ExitCode())) << std::hex << process.ExitCode();
        std::cout << "  " << (window ? "window shown" : "ended without a window") << ", exit code "
                  << process.ExitCode() << "\n";
    }
    e2e::registry::DeleteSettingsKey();
}
