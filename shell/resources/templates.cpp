// The program's resources for the front-ends without a resource compiler: the dialogs, the menu
// and the icons as the resource script has them (compiled from vellumark.rc at build time), and
// the names scripts know the status window's values by.
#include "platform/ui/dialog_template.h"
#include "shell/resources/resource.h"
#include "win32_types.h"

namespace tmpl {
namespace {

#include "vellumark_rc.inc"

// clang-format off
constexpr ControlName CONTROL_NAMES[] = {
    {IDC_PRIMARY,        "primary"},
    {IDC_PRIMARY_LABEL,  "label"},
    {IDC_UPDATE_TARGET,  "update_target"},
    {IDC_SECONDARY,      "secondary"},
    {IDC_PAGECOUNT,      "page_count"},
    {IDC_TONER,          "toner"},
    {IDC_POWERON_COUNT,  "power_on_count"},
};
// clang-format on

constexpr ResourceTable RESOURCES{RC_DIALOGS, RC_MENUS, RC_ICONS, CONTROL_NAMES};

}  // namespace

const ResourceTable& ProgramResources() {
    return RESOURCES;
}

}  // namespace tmpl
