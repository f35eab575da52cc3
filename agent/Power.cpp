// Hybrid-sleep support, the power library, and switching hybrid sleep on in the active scheme.
#include "HybridS3Dlg.h"

void CHybridS3Dlg::DetectHybridSupport() {
}

int CHybridS3Dlg::LoadPowerLibrary() {
    return 0;  // built with the hotkey road
}

int CHybridS3Dlg::PreparePowerSchemes() {
    return 0;
}
