// The settings window's look: fonts, skin layout, centring.
#include "HybridS3Dlg.h"

#include "resource.h"

#include "common/LanguageBinding.h"
#include "common/skin/ShadowWindow.h"

void CHybridS3Dlg::SetUpLanguage() {
    char folder[MAX_PATH];
    FindLanguageFolder(LanguageProgram::Agent, folder);
    LoadLanguageLibrary(folder, LanguageProgram::Agent);
    GetLanguageName(languageName_);
}

void CHybridS3Dlg::UnloadLanguage() {
    UnloadLanguageLibrary();
}

void CHybridS3Dlg::CreateWindowFonts() {
    // Built with the settings window's presentation.
}

void CHybridS3Dlg::LayoutSettingsWindow() {
    // Built with the settings window's presentation.
}

void CHybridS3Dlg::CenterAndCheck() {
    // Built with the settings window's presentation.
}

void CHybridS3Dlg::CreateShadowWindow() {
    shadowWindow_ = ::CreateShadowWindow(hwnd_, kAgentWindowTitle);
}

void CHybridS3Dlg::ReleaseSkinResources() {
    ReleaseShadowState();
}
