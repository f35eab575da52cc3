// Owner-drawn push button whose faces come from skin images.
#pragma once
#include "framework/Button.h"

class CxSkinButton : public fw::Button {
};
