// The code-to-name table: named codes, the departures from the VK_ names, and untouched buffers.
#include "agent/KeyNames.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring NameOf(DWORD code, const wchar_t* before = L"") {
    wchar_t buffer[kKeyNameCapacity];
    wcscpy(buffer, before);
    VirtualKeyToName(code, buffer);
    return buffer;
}

}  // namespace

TEST(VirtualKeyToName, NamedCodes) {
    struct Row {
        DWORD code;
        const wchar_t* name;
    };
    const Row rows[] = {
        {0x01, L"LBUTTON"}, {0x12, L"ALT"},        {0x10, L"SHIFT"}, {0x11, L"CONTROL"}, {0x27, L"RIGHT"},
        {0x30, L"Number-0"}, {0x35, L"Number-5"}, {0x41, L"Key-A"}, {0x5A, L"Key-Z"},   {0x5F, L"SLEEP"},
        {0x70, L"F1"},       {0x87, L"F24"},      {0x90, L"NUMLOCK"}, {0x91, L"SCROLL"}, {0x6E, L"DECIMAL"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(std::wstring(row.name), NameOf(row.code)) << "code 0x" << std::hex << row.code;
}

TEST(VirtualKeyToName, CodesWithoutANameLeaveTheBufferUntouched) {
    const DWORD unnamed[] = {0x00, 0x03, 0x07, 0x08, 0x0D, 0x1B, 0x20, 0x25, 0x26, 0x28, 0x3A,
                             0x40, 0x5E, 0x88, 0x8F, 0x92, 0xA0, 0xA5, 0xFF, 0x10000};
    for (DWORD code : unnamed) {
        EXPECT_EQ(L"F1", NameOf(code, L"F1")) << "code 0x" << std::hex << code;
        EXPECT_EQ(L"", NameOf(code)) << "code 0x" << std::hex << code;
    }
}

TEST(VirtualKeyToName, ExactlyOneHundredFourteenNamesNoneLongerThanTen) {
    int named = 0;
    for (DWORD code = 0; code < 0x100; ++code) {
        std::wstring name = NameOf(code);
        if (name.empty())
            continue;
        ++named;
        EXPECT_LE(name.size(), 10u) << "code 0x" << std::hex << code;
        EXPECT_LE(code, 0x91u);
    }
    EXPECT_EQ(114, named);
}
