// Loading the agent's settings from the registry.
#include "HybridS3Dlg.h"

#include "KeyNames.h"

#include "common/RegistryLayout.h"

namespace {

std::unique_ptr<DwordRegHelper>& EnsureSetting(std::unique_ptr<DwordRegHelper>& setting, const wchar_t* name) {
    if (!setting)
        setting.reset(new DwordRegHelper(kSettingsKeyPath, name, kAgentReadFailure));
    return setting;
}

// A stored or unreadable code of 1 means "not set", and so does a code that names no key (0,
// 255, a value too short to hold one): no user could hold it, so keeping it would silently
// kill the hotkey. The default is used, and not written back.
DWORD LoadKeyCode(DwordRegHelper& setting, DWORD defaultCode, wchar_t* name) {
    DWORD code = setting.Read();
    if (code == kKeyNotSet || !HasKeyName(code))
        code = defaultCode;
    VirtualKeyToName(code, name);
    return code;
}

}  // namespace

void CHybridS3Dlg::LoadSettings() {
    enableFunction_ = EnsureSetting(enableFunctionSetting_, kEnableFunctionValue)->Read();
    showInTray_ = EnsureSetting(showInTraySetting_, kShowInTrayValue)->Read();
    ReloadHotkey();
}

void CHybridS3Dlg::ReloadHotkey() {
    Key1 = LoadKeyCode(*EnsureSetting(key1Setting_, kKey1Value), kDefaultKey1, Key1Text);
    Key2 = LoadKeyCode(*EnsureSetting(key2Setting_, kKey2Value), kDefaultKey2, Key2Text);
}
