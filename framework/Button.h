// Push-button base: owner-draw requests sent to the parent (WM_DRAWITEM) reach DrawItem.
#pragma once
#include "Window.h"

namespace fw {

class Button : public Window {
protected:
    virtual void DrawItem(DRAWITEMSTRUCT* item) { (void)item; }
    bool ReflectDrawItem(DRAWITEMSTRUCT* item) override {
        DrawItem(item);
        return true;
    }
};

}  // namespace fw
