#include "AccessibleName.h"

#include <initguid.h>  // defines the GUIDs of oleacc.h here, so the program imports no oleacc.dll
#include <oleacc.h>

namespace {
// CLSID_CAccPropServices
CLSID const kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
DWORD const kAnnotatedObjects[] = {static_cast<DWORD>(OBJID_WINDOW), static_cast<DWORD>(OBJID_CLIENT)};
}  // namespace

HRESULT AccessibleName::Set(HWND window, const wchar_t* name) {
    Clear();
    HRESULT result = CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                      reinterpret_cast<void**>(&services_));
    if (FAILED(result)) {
        services_ = nullptr;
        return result;
    }
    window_ = window;
    for (DWORD object : kAnnotatedObjects) {
        result = services_->SetHwndPropStr(window, object, CHILDID_SELF, PROPID_ACC_NAME, name);
        if (FAILED(result))
            break;  // E_NOTIMPL under Wine: the title stays the name
    }
    return result;
}

void AccessibleName::Clear() {
    if (!services_)
        return;
    MSAAPROPID name = PROPID_ACC_NAME;
    for (DWORD object : kAnnotatedObjects)
        services_->ClearHwndProps(window_, object, CHILDID_SELF, &name, 1);
    services_->Release();
    services_ = nullptr;
    window_ = nullptr;
}
