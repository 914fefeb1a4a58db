// The resources of rc_edge_cases.rc as the templates' compiler reads them, for the dump tool to
// print in place of the program's.
#include "platform/ui/dialog_template.h"
#include "win32_types.h"

namespace tmpl {
namespace {

#include "rc_edge_cases.inc"

constexpr ResourceTable RESOURCES{RC_DIALOGS, RC_MENUS, RC_ICONS, {}};

}  // namespace

const ResourceTable& ProgramResources() {
    return RESOURCES;
}

}  // namespace tmpl
