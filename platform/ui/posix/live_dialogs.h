// The dialogs that are running, for front-ends whose window handles are the addresses of their
// own objects. A handle from the program is only ever compared against this list, so a stale
// or foreign handle finds nothing and is never followed.
//
// `Dialog` gives Handle() and ControlOf(HWND), the control with that handle or nullptr.
#pragma once

#include <vector>

#include "win32_types.h"

namespace posixui {

template <typename Dialog>
class LiveDialogs {
  public:
    void Add(Dialog* dialog) { dialogs_.push_back(dialog); }
    void Remove(Dialog* dialog) { std::erase(dialogs_, dialog); }
    // Every running dialog, the first started first.
    const std::vector<Dialog*>& All() const { return dialogs_; }

    // The running dialog with this handle, or nullptr.
    Dialog* Find(HWND handle) const {
        for (Dialog* dialog : dialogs_) {
            if (dialog->Handle() == handle) {
                return dialog;
            }
        }
        return nullptr;
    }

    // The running dialog that owns a control with this handle, or nullptr; the control goes
    // to `control`.
    template <typename Control>
    Dialog* OwnerOf(HWND handle, Control** control) const {
        for (Dialog* dialog : dialogs_) {
            if (Control* found = dialog->ControlOf(handle)) {
                *control = found;
                return dialog;
            }
        }
        return nullptr;
    }

  private:
    std::vector<Dialog*> dialogs_;
};

}  // namespace posixui
