#include "Capture.h"

#include "HybridS3Dlg.h"
#include "KeyNames.h"

#include <string.h>

DWORD PendingKey1 = 0;
DWORD PendingKey2 = 0;
DWORD CaptureStep = 0;

namespace {

wchar_t captureName[kKeyNameCapacity];

// Keys that keep their meaning in the window (Space presses the focused button, Enter and
// Escape answer, arrows move the focus), and browser, media and OEM keys.
bool IsPassedOver(WPARAM key) {
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_ESCAPE:
    case VK_RETURN:
    case VK_BACK:
    case VK_SPACE:
        return true;
    }
    return key >= 0xA6;
}

void AnnounceCapture() {
    if (HWND window = FindAgentWindow())
        SendMessageW(window, WM_APP_KEY_CAPTURED, 0, kMessageMarker);
}

}  // namespace

LRESULT CALLBACK KeyboardCaptureProc(int code, WPARAM virtualKey, LPARAM keyData) {
    // Key-downs, repeats and key-ups alike: the pending test below drops the repeats and the
    // key-up of a key just captured.
    if (code >= 0 && code != HC_NOREMOVE && !IsPassedOver(virtualKey) && virtualKey != PendingKey1 &&
        virtualKey != PendingKey2) {
        memset(captureName, 0, sizeof(captureName));
        VirtualKeyToName(static_cast<DWORD>(virtualKey), captureName);
        if (captureName[0] != L'\0') {
            DWORD key = static_cast<DWORD>(virtualKey);
            wchar_t* text = CaptureStep == 0 ? Key1Text : Key2Text;
            if (CaptureStep == 0)
                PendingKey1 = key;
            else
                PendingKey2 = key;
            CaptureStep = CaptureStep == 0 ? 1 : 0;
            memset(text, 0, kKeyNameCapacity * sizeof(wchar_t));
            memcpy(text, captureName, sizeof(captureName));
            AnnounceCapture();
        }
    }
    return CallNextHookEx(nullptr, code, virtualKey, keyData);
}
