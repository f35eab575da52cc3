#include "ConfirmationRules.h"

#include "common/DwordRegHelper.h"
#include "common/RegistryLayout.h"

#include <memory>

bool ShouldSkipQuestion(DWORD showMessageBox, bool alwaysShown) {
    return showMessageBox == 1 && !alwaysShown;
}

bool IsDialogKey(WPARAM virtualKey) {
    switch (virtualKey) {
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_NUMPAD4:
    case VK_NUMPAD6:
        return true;
    }
    return false;
}

KeyAction ConfirmationKeyAction(WPARAM virtualKey, FocusedButton focus) {
    switch (virtualKey) {
    case VK_RETURN:
        if (focus == FocusedButton::Ok)
            return KeyAction::Ok;
        return focus == FocusedButton::Cancel ? KeyAction::Cancel : KeyAction::None;
    case VK_ESCAPE:
        return KeyAction::Cancel;
    case VK_LEFT:
    case VK_NUMPAD4:
        return focus == FocusedButton::Cancel ? KeyAction::FocusOk : KeyAction::None;
    case VK_RIGHT:
    case VK_NUMPAD6:
        return focus == FocusedButton::Ok ? KeyAction::FocusCancel : KeyAction::None;
    }
    return KeyAction::None;
}

void WriteSuspendAnswer(DWORD answer) {
    std::unique_ptr<DwordRegHelper> suspend(new DwordRegHelper(kSuspendValue, kConfirmReadFailure));
    suspend->Write(answer);
}
