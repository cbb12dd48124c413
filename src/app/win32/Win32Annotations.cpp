#include "app/win32/Win32Annotations.h"

#include <oleacc.h>

#include "app/window/SpokenTexts.h"
#include "encoding/Utf16.h"

namespace moxel {

Win32Annotations::Win32Annotations() {
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&services_)))) {
        services_ = nullptr;
    }
}

Win32Annotations::~Win32Annotations() {
    if (services_ != nullptr) {
        services_->Release();
    }
    if (comStarted_) {
        CoUninitialize();
    }
}

void Win32Annotations::speak(HWND control, const std::string& name, const std::string& caption) {
    const auto spoken = spokenText(name, caption);
    if (services_ == nullptr || !spoken) {
        return;
    }
    services_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                              PROPID_ACC_NAME, wideFromUtf8(spoken->name).c_str());
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
    describe(control, spoken->description);
}

void Win32Annotations::describe(HWND control, const std::string& description) {
    if (services_ == nullptr) {
        return;
    }
    services_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                              PROPID_ACC_DESCRIPTION, wideFromUtf8(description).c_str());
    NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

} // namespace moxel
