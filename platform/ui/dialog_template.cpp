#include "platform/ui/dialog_template.h"

#include <algorithm>

namespace tmpl {
namespace {

constexpr int NO_ID = -1;

template <typename Entry>
const Entry* FindById(std::span<const Entry> entries, int id) {
    const auto found =
        std::find_if(entries.begin(), entries.end(), [id](const Entry& e) { return e.id == id; });
    return found != entries.end() ? &*found : nullptr;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    return FindById(ProgramResources().dialogs, id);
}

const MenuTemplate* FindMenuTemplate(int id) {
    return FindById(ProgramResources().menus, id);
}

const IconTemplate* FindIcon(int id) {
    return FindById(ProgramResources().icons, id);
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
    return id != NO_ID ? FindById(dialog.controls, id) : nullptr;
}

const char* ControlNameOf(int controlId) {
    const ControlName* found =
        controlId != NO_ID ? FindById(ProgramResources().controlNames, controlId) : nullptr;
    return found != nullptr ? found->name : nullptr;
}

}  // namespace tmpl
