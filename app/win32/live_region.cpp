// The label's live region: the mark through oleacc's annotations, the event after each change.
#include "app/win32/live_region.h"

#include "platform/win32/library_loader.h"
#include "platform/win32/run_time_function.h"

namespace tervane {
namespace {

// The GUIDs are spelled out here rather than taken from import libraries:
// oleacc's CLSID_AccPropServices and IID_IAccPropServices, and UI
// Automation's LiveSetting property with its value Polite.
constexpr GUID kAccPropServicesClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kAccPropServicesInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPolite = 1;
// The same class, as COM finds it in the registry.
constexpr const char* kAccPropServicesKey = "CLSID\\{B5F8350B-0548-48B1-A6EE-88BD00B4A5E7}";

using CoInitializeFn = HRESULT(WINAPI*)(LPVOID);
using CoUninitializeFn = void(WINAPI*)();
using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);

// Active Accessibility 2.0 registers the class (Windows XP and later, or
// its redistributable); without it COM would be started for nothing.
bool ServiceRegistered() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kAccPropServicesKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

}  // namespace

AnnotationService::~AnnotationService() {
  if (comStarted_) {
    if (service_ != nullptr) service_->Release();
    if (auto uninitialize = LookUpFunction<CoUninitializeFn>(ole32_, "CoUninitialize")) {
      uninitialize();
    }
  }
  if (ole32_ != nullptr) FreeLibrary(ole32_);
}

IAccPropServices* AnnotationService::Get() {
  if (tried_) return service_;
  tried_ = true;
  if (!ServiceRegistered()) return nullptr;
  ole32_ = LoadLibraryNotFromCurrentDirectory("ole32.dll");
  auto initialize = LookUpFunction<CoInitializeFn>(ole32_, "CoInitialize");
  auto create = LookUpFunction<CoCreateInstanceFn>(ole32_, "CoCreateInstance");
  if (initialize == nullptr || create == nullptr) return nullptr;
  // S_FALSE, COM already started on this thread, is balanced the same way.
  comStarted_ = SUCCEEDED(initialize(nullptr));
  void* made = nullptr;
  if (comStarted_ && SUCCEEDED(create(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER,
                                      kAccPropServicesInterface, &made))) {
    service_ = static_cast<IAccPropServices*>(made);
  }
  return service_;
}

void LiveRegion::Attach(HWND control, AnnotationService& annotations) {
  control_ = control;
  annotations_ = &annotations;
}

void LiveRegion::TextChanged() {
  // An event raised while the window is hidden, during the load, reaches no one.
  if (control_ == nullptr || !IsWindowVisible(control_)) return;
  if (!lookedUp_) {
    lookedUp_ = true;
    notify_ = LookUpSystemFunction<NotifyWinEventFn>("user32.dll", "NotifyWinEvent");
    // Without accessibility events nothing would read the mark.
    if (notify_ != nullptr) MarkPolite();
  }
  if (notify_ != nullptr) {
    notify_(EVENT_OBJECT_LIVEREGIONCHANGED, control_, OBJID_CLIENT, CHILDID_SELF);
  }
}

// Whatever the service answers, the event is raised all the same: a screen
// reader that listens to the events themselves speaks the text without the mark.
void LiveRegion::MarkPolite() {
  IAccPropServices* service = annotations_->Get();
  if (service == nullptr) return;
  VARIANT polite = {};
  polite.vt = VT_I4;
  polite.lVal = kPolite;
  marked_ = SUCCEEDED(service->SetHwndProp(control_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                           kLiveSettingProperty, polite));
}

void LiveRegion::Detach() {
  if (marked_) {
    annotations_->Get()->ClearHwndProps(control_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                        &kLiveSettingProperty, 1);
    marked_ = false;
  }
  control_ = nullptr;
}

}  // namespace tervane
