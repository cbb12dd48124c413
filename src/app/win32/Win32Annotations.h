#pragma once

// Windows only.

#include <string>

#include <windows.h>

struct IAccPropServices;

namespace moxel {

// What a screen reader says for the window's controls (SpokenTexts.h), given
// to the system's own accessible objects of the controls as annotations
// (dynamic annotation, IAccPropServices): their names and descriptions. Where
// the service is missing (Wine has none), nothing is said beyond what the
// controls show.
class Win32Annotations {
  public:
    Win32Annotations();
    ~Win32Annotations();
    Win32Annotations(const Win32Annotations&) = delete;
    Win32Annotations& operator=(const Win32Annotations&) = delete;

    // The control's texts while it shows `caption` (a control the table has
    // no texts for keeps its own).
    void speak(HWND control, const std::string& name, const std::string& caption);
    // A new description, told as a change (a lamp's state).
    void describe(HWND control, const std::string& description);

  private:
    IAccPropServices* services_ = nullptr;
    bool comStarted_ = false;
};

} // namespace moxel
