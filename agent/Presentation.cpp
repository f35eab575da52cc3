// The settings window's look: fonts, skin layout, centring.
#include "HybridS3Dlg.h"

#include "resource.h"

void CHybridS3Dlg::SetUpLanguage() {
    // Bound with the translation library.
}

void CHybridS3Dlg::UnloadLanguage() {
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
    // Built with the skin toolkit's drop-shadow window.
}

void CHybridS3Dlg::ReleaseSkinResources() {
}
