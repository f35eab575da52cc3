#include "KeyNames.h"

#include <wchar.h>

volatile DWORD Key1 = kDefaultKey1;
volatile DWORD Key2 = kDefaultKey2;
wchar_t Key1Text[kKeyNameCapacity];
wchar_t Key2Text[kKeyNameCapacity];

namespace {

// Names of the codes 0x00 to 0x91, following the VK_ constants, with friendlier letters,
// digits and Alt. Codes that cannot be part of a hotkey (Backspace, Return, Escape, Space,
// three of the arrows, reserved codes) have none.
const wchar_t* const kKeyNames[] = {
    nullptr,  // 0x00
    L"LBUTTON",  // 0x01
    L"RBUTTON",  // 0x02
    nullptr,  // 0x03
    L"MBUTTON",  // 0x04
    L"XBUTTON1",  // 0x05
    L"XBUTTON2",  // 0x06
    nullptr,  // 0x07
    nullptr,  // 0x08
    L"TAB",  // 0x09
    nullptr,  // 0x0A
    nullptr,  // 0x0B
    L"CLEAR",  // 0x0C
    nullptr,  // 0x0D
    nullptr,  // 0x0E
    nullptr,  // 0x0F
    L"SHIFT",  // 0x10
    L"CONTROL",  // 0x11
    L"ALT",  // 0x12
    L"PAUSE",  // 0x13
    L"CAPITAL",  // 0x14
    L"KANA",  // 0x15
    nullptr,  // 0x16
    L"JUNJA",  // 0x17
    L"FINAL",  // 0x18
    L"HANJA",  // 0x19
    nullptr,  // 0x1A
    nullptr,  // 0x1B
    L"CONVERT",  // 0x1C
    L"NONCONVERT",  // 0x1D
    L"ACCEPT",  // 0x1E
    L"MODECHANGE",  // 0x1F
    nullptr,  // 0x20
    L"PRIOR",  // 0x21
    L"NEXT",  // 0x22
    L"END",  // 0x23
    L"HOME",  // 0x24
    nullptr,  // 0x25
    nullptr,  // 0x26
    L"RIGHT",  // 0x27
    nullptr,  // 0x28
    L"SELECT",  // 0x29
    L"PRINT",  // 0x2A
    L"EXECUTE",  // 0x2B
    L"SNAPSHOT",  // 0x2C
    L"INSERT",  // 0x2D
    L"DELETE",  // 0x2E
    L"HELP",  // 0x2F
    L"Number-0",  // 0x30
    L"Number-1",  // 0x31
    L"Number-2",  // 0x32
    L"Number-3",  // 0x33
    L"Number-4",  // 0x34
    L"Number-5",  // 0x35
    L"Number-6",  // 0x36
    L"Number-7",  // 0x37
    L"Number-8",  // 0x38
    L"Number-9",  // 0x39
    nullptr,  // 0x3A
    nullptr,  // 0x3B
    nullptr,  // 0x3C
    nullptr,  // 0x3D
    nullptr,  // 0x3E
    nullptr,  // 0x3F
    nullptr,  // 0x40
    L"Key-A",  // 0x41
    L"Key-B",  // 0x42
    L"Key-C",  // 0x43
    L"Key-D",  // 0x44
    L"Key-E",  // 0x45
    L"Key-F",  // 0x46
    L"Key-G",  // 0x47
    L"Key-H",  // 0x48
    L"Key-I",  // 0x49
    L"Key-J",  // 0x4A
    L"Key-K",  // 0x4B
    L"Key-L",  // 0x4C
    L"Key-M",  // 0x4D
    L"Key-N",  // 0x4E
    L"Key-O",  // 0x4F
    L"Key-P",  // 0x50
    L"Key-Q",  // 0x51
    L"Key-R",  // 0x52
    L"Key-S",  // 0x53
    L"Key-T",  // 0x54
    L"Key-U",  // 0x55
    L"Key-V",  // 0x56
    L"Key-W",  // 0x57
    L"Key-X",  // 0x58
    L"Key-Y",  // 0x59
    L"Key-Z",  // 0x5A
    L"LWIN",  // 0x5B
    L"RWIN",  // 0x5C
    L"APPS",  // 0x5D
    nullptr,  // 0x5E
    L"SLEEP",  // 0x5F
    L"NUMPAD0",  // 0x60
    L"NUMPAD1",  // 0x61
    L"NUMPAD2",  // 0x62
    L"NUMPAD3",  // 0x63
    L"NUMPAD4",  // 0x64
    L"NUMPAD5",  // 0x65
    L"NUMPAD6",  // 0x66
    L"NUMPAD7",  // 0x67
    L"NUMPAD8",  // 0x68
    L"NUMPAD9",  // 0x69
    L"MULTIPLY",  // 0x6A
    L"ADD",  // 0x6B
    L"SEPARATOR",  // 0x6C
    L"SUBTRACT",  // 0x6D
    L"DECIMAL",  // 0x6E
    L"DIVIDE",  // 0x6F
    L"F1",  // 0x70
    L"F2",  // 0x71
    L"F3",  // 0x72
    L"F4",  // 0x73
    L"F5",  // 0x74
    L"F6",  // 0x75
    L"F7",  // 0x76
    L"F8",  // 0x77
    L"F9",  // 0x78
    L"F10",  // 0x79
    L"F11",  // 0x7A
    L"F12",  // 0x7B
    L"F13",  // 0x7C
    L"F14",  // 0x7D
    L"F15",  // 0x7E
    L"F16",  // 0x7F
    L"F17",  // 0x80
    L"F18",  // 0x81
    L"F19",  // 0x82
    L"F20",  // 0x83
    L"F21",  // 0x84
    L"F22",  // 0x85
    L"F23",  // 0x86
    L"F24",  // 0x87
    nullptr,  // 0x88
    nullptr,  // 0x89
    nullptr,  // 0x8A
    nullptr,  // 0x8B
    nullptr,  // 0x8C
    nullptr,  // 0x8D
    nullptr,  // 0x8E
    nullptr,  // 0x8F
    L"NUMLOCK",  // 0x90
    L"SCROLL",  // 0x91
};

}  // namespace

bool HasKeyName(DWORD code) {
    return code < ARRAYSIZE(kKeyNames) && kKeyNames[code];
}

void VirtualKeyToName(DWORD code, wchar_t* buffer) {
    if (!buffer || !HasKeyName(code))
        return;
    wcsncpy(buffer, kKeyNames[code], kKeyNameCapacity - 1);
    buffer[kKeyNameCapacity - 1] = L'\0';
}
