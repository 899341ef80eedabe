// The status label as a polite live region: screen readers speak each caption the scan sets.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleacc.h>

namespace tervane {

// Active Accessibility's annotation service (oleacc's IAccPropServices),
// made through COM the first time it is asked for. COM is started only where
// Windows can raise accessibility events and has the service registered, and
// never before the window is on the screen.
class AnnotationService {
 public:
  // given: a service made elsewhere (a test's), used as it is, without COM;
  // nullptr makes oleacc's through COM when first asked for.
  explicit AnnotationService(IAccPropServices* given = nullptr)
      : tried_(given != nullptr), service_(given) {}
  ~AnnotationService();
  AnnotationService(const AnnotationService&) = delete;
  AnnotationService& operator=(const AnnotationService&) = delete;

  // nullptr where this Windows lacks the service; asked once.
  IAccPropServices* Get();

 private:
  bool tried_ = false;
  bool comStarted_ = false;
  HMODULE ole32_ = nullptr;
  IAccPropServices* service_ = nullptr;
};

// A static control that Windows' accessibility announces when its text
// changes: marked as a polite live region, and raising
// EVENT_OBJECT_LIVEREGIONCHANGED after each change. Where NotifyWinEvent is
// missing (Windows 95 without Active Accessibility) it does nothing.
class LiveRegion {
 public:
  void Attach(HWND control, AnnotationService& annotations);
  // The text was set: announced if the control is on the screen, which the
  // first time also marks it as a live region.
  void TextChanged();
  // Takes the mark off again, before the control is destroyed.
  void Detach();

 private:
  using NotifyWinEventFn = void(WINAPI*)(DWORD, HWND, LONG, LONG);

  void MarkPolite();

  HWND control_ = nullptr;
  AnnotationService* annotations_ = nullptr;
  bool lookedUp_ = false;
  NotifyWinEventFn notify_ = nullptr;
  // Only a mark that the service took is taken off again.
  bool marked_ = false;
};

}  // namespace tervane
