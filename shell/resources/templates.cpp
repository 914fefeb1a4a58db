#include "shell/resources/templates.h"

#include "shell/resources/resource.h"

namespace tmpl {
namespace {

constexpr int NO_ID = -1;
constexpr int IDOK_ID = 1;  // IDOK: the dialog manager's OK command
constexpr FontTemplate SHELL_FONT{"MS Shell Dlg", 8, 400, false, 1};

// A label: a left-aligned static whose text the window lays out from the right edge.
constexpr std::uint32_t LABEL_STYLE =
    STYLE_WS_CHILD | STYLE_WS_VISIBLE | STYLE_WS_GROUP | STYLE_SS_LEFT;
constexpr std::uint32_t VALUE_STYLE =
    STYLE_WS_CHILD | STYLE_WS_VISIBLE | STYLE_WS_GROUP | STYLE_SS_LEFT;

// clang-format off
constexpr ControlTemplate MONITOR_CONTROLS[] = {
    // id                   class           text                   x    y    cx   cy   style                                                                  exStyle  name
    {IDC_HIDE,              BUTTON_CLASS,   "Hide",                109, 101, 50,  14,  STYLE_WS_CHILD | STYLE_WS_VISIBLE | STYLE_WS_TABSTOP | STYLE_BS_PUSHBUTTON,                        0, nullptr},
    {IDC_PRIMARY,           EDIT_CLASS,     "",                    59,  7,   120, 14,  STYLE_WS_CHILD | STYLE_WS_VISIBLE | STYLE_WS_BORDER | STYLE_ES_AUTOHSCROLL,                       0, "primary"},
    {IDC_PRIMARY_LABEL,     STATIC_CLASS,   "Primary Status:",     7,   9,   50,  8,   LABEL_STYLE,                                                           STYLE_WS_EX_RIGHT, "label"},
    {IDC_UPDATE_TARGET,     BUTTON_CLASS,   "Update Target",       17,  101, 55,  14,  STYLE_WS_CHILD | STYLE_WS_TABSTOP | STYLE_BS_DEFPUSHBUTTON,                                 0, "update_target"},
    {NO_ID,                 STATIC_CLASS,   "Secondary Status:",   7,   27,  60,  8,   LABEL_STYLE,                                                           STYLE_WS_EX_RIGHT, nullptr},
    {IDC_SECONDARY,         EDIT_CLASS,     "",                    69,  25,  110, 28,  STYLE_WS_CHILD | STYLE_WS_VISIBLE | STYLE_WS_BORDER | STYLE_WS_VSCROLL | STYLE_ES_MULTILINE | STYLE_ES_AUTOVSCROLL | STYLE_ES_AUTOHSCROLL, 0, "secondary"},
    {IDC_PAGECOUNT,         STATIC_CLASS,   "",                    77,  73,  86,  8,   VALUE_STYLE,                                                           0, "page_count"},
    {NO_ID,                 STATIC_CLASS,   "Current Page Count:", 7,   73,  68,  8,   LABEL_STYLE,                                                           STYLE_WS_EX_RIGHT, nullptr},
    {IDC_TONER,             PROGRESS_CLASS, "",                    69,  58,  110, 7,   STYLE_WS_CHILD | STYLE_WS_VISIBLE | STYLE_WS_BORDER | STYLE_PBS_SMOOTH,                            0, "toner"},
    {NO_ID,                 STATIC_CLASS,   "Toner Remaining:",    7,   57,  57,  8,   LABEL_STYLE,                                                           STYLE_WS_EX_RIGHT, nullptr},
    {NO_ID,                 STATIC_CLASS,   "Power-On Page Count:", 7,  90,  75,  8,   LABEL_STYLE,                                                           STYLE_WS_EX_RIGHT, nullptr},
    {IDC_POWERON_COUNT,     STATIC_CLASS,   "",                    84,  90,  83,  8,   VALUE_STYLE,                                                           0, "power_on_count"},
};

constexpr ControlTemplate TARGET_CONTROLS[] = {
    // id                   class           text                                     x   y   cx   cy  style                                                              exStyle  name
    {IDOK_ID,               BUTTON_CLASS,   "OK",                                    63, 49, 50,  14, STYLE_WS_CHILD | STYLE_WS_VISIBLE | STYLE_WS_TABSTOP | STYLE_BS_DEFPUSHBUTTON,                 0, nullptr},
    {IDC_TARGET_EDIT,       EDIT_CLASS,     "",                                      30, 22, 108, 14, STYLE_WS_CHILD | STYLE_WS_VISIBLE | STYLE_WS_BORDER | STYLE_WS_TABSTOP | STYLE_ES_AUTOHSCROLL,        0, nullptr},
    {NO_ID,                 BUTTON_CLASS,   "IP or HOST Name of Printer to Monitor", 7,  3,  151, 69, STYLE_WS_CHILD | STYLE_WS_VISIBLE | STYLE_BS_GROUPBOX,                                  0, nullptr},
};

constexpr MenuItemTemplate TRAY_MENU_ITEMS[] = {
    {IDM_SHOW, "Show Vellumark"},
    {IDM_HIDE, "Hide Vellumark"},
    {0, nullptr},
    {IDM_EXIT, "Exit Vellumark"},
};
// clang-format on

// IDD_MONITOR: 0x80C808C8, extended 0x00000088.
constexpr DialogTemplate MONITOR{
    IDD_MONITOR,
    "HP LaserJet 9000 mfp",
    0,
    0,
    186,
    122,
    STYLE_WS_POPUP | STYLE_WS_CAPTION | STYLE_WS_SYSMENU | STYLE_DS_MODALFRAME | STYLE_DS_CENTER |
        STYLE_DS_SHELLFONT,
    STYLE_WS_EX_TOPMOST | STYLE_WS_EX_TOOLWINDOW,
    SHELL_FONT,
    MONITOR_CONTROLS,
};

// IDD_TARGET: 0x80C800C8, no extended style; no DS_CENTER, so it opens at the top-left.
constexpr DialogTemplate TARGET{
    IDD_TARGET,
    "No Target Specified",
    0,
    0,
    165,
    79,
    STYLE_WS_POPUP | STYLE_WS_CAPTION | STYLE_WS_SYSMENU | STYLE_DS_MODALFRAME | STYLE_DS_SHELLFONT,
    0,
    SHELL_FONT,
    TARGET_CONTROLS,
};

constexpr MenuTemplate TRAY_MENU{IDR_TRAYMENU, TRAY_MENU_ITEMS};

static_assert(MONITOR.style == 0x80C808C8u);
static_assert(MONITOR.exStyle == 0x88u);
static_assert(TARGET.style == 0x80C800C8u);
static_assert(TARGET_CONTROLS[0].style == 0x50010001u);
static_assert(TARGET_CONTROLS[1].style == 0x50810080u);
static_assert(TARGET_CONTROLS[2].style == 0x50000007u);
static_assert(MONITOR_CONTROLS[3].style == 0x40010001u);
static_assert(MONITOR_CONTROLS[5].style == 0x50A000C4u);

}  // namespace

const DialogTemplate& MonitorTemplate() {
    return MONITOR;
}
const DialogTemplate& TargetTemplate() {
    return TARGET;
}
const MenuTemplate& TrayMenuTemplate() {
    return TRAY_MENU;
}

const DialogTemplate* FindDialogTemplate(int id) {
    if (id == MONITOR.id) {
        return &MONITOR;
    }
    if (id == TARGET.id) {
        return &TARGET;
    }
    return nullptr;
}

const MenuTemplate* FindMenuTemplate(int id) {
    return id == TRAY_MENU.id ? &TRAY_MENU : nullptr;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
    if (id == NO_ID) {
        return nullptr;
    }
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

}  // namespace tmpl
