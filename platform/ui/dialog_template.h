// The resource format of the front-ends without a resource compiler, as Win32 defines
// DLGTEMPLATE: dialog templates, menus and icons, looked up by resource identifier in the
// program's resources. Positions and sizes are in dialog units; styles carry their Win32
// values bit for bit. The program, not the platform, owns the data (ProgramResources).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tmpl {

// Win32 window, dialog and control style bits with their Win32 values. Named in mixed case so
// that they can sit next to <windows.h> macros of the same meaning without clashing.
inline constexpr std::uint32_t STYLE_WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t STYLE_WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t STYLE_WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t STYLE_WS_CAPTION = 0x00C00000u;
inline constexpr std::uint32_t STYLE_WS_BORDER = 0x00800000u;
inline constexpr std::uint32_t STYLE_WS_VSCROLL = 0x00200000u;
inline constexpr std::uint32_t STYLE_WS_SYSMENU = 0x00080000u;
inline constexpr std::uint32_t STYLE_WS_GROUP = 0x00020000u;
inline constexpr std::uint32_t STYLE_WS_TABSTOP = 0x00010000u;

inline constexpr std::uint32_t STYLE_DS_MODALFRAME = 0x0080u;
inline constexpr std::uint32_t STYLE_DS_CENTER = 0x0800u;
inline constexpr std::uint32_t STYLE_DS_SETFONT = 0x0040u;
inline constexpr std::uint32_t STYLE_DS_SHELLFONT = 0x0048u;  // DS_SETFONT | DS_FIXEDSYS

inline constexpr std::uint32_t STYLE_WS_EX_TOPMOST = 0x00000008u;
inline constexpr std::uint32_t STYLE_WS_EX_TOOLWINDOW = 0x00000080u;
inline constexpr std::uint32_t STYLE_WS_EX_RIGHT = 0x00001000u;

inline constexpr std::uint32_t STYLE_BS_PUSHBUTTON = 0x0000u;
inline constexpr std::uint32_t STYLE_BS_DEFPUSHBUTTON = 0x0001u;
inline constexpr std::uint32_t STYLE_BS_GROUPBOX = 0x0007u;
inline constexpr std::uint32_t STYLE_BS_TYPEMASK = 0x000Fu;

inline constexpr std::uint32_t STYLE_ES_LEFT = 0x0000u;
inline constexpr std::uint32_t STYLE_ES_MULTILINE = 0x0004u;
inline constexpr std::uint32_t STYLE_ES_AUTOVSCROLL = 0x0040u;
inline constexpr std::uint32_t STYLE_ES_AUTOHSCROLL = 0x0080u;
inline constexpr std::uint32_t STYLE_ES_READONLY = 0x0800u;

inline constexpr std::uint32_t STYLE_SS_LEFT = 0x0000u;
inline constexpr std::uint32_t STYLE_SS_RIGHT = 0x0002u;
inline constexpr std::uint32_t STYLE_SS_TYPEMASK = 0x001Fu;

inline constexpr std::uint32_t STYLE_PBS_SMOOTH = 0x0001u;

// Window class names as the resource script spells them.
inline constexpr const char* BUTTON_CLASS = "Button";
inline constexpr const char* EDIT_CLASS = "Edit";
inline constexpr const char* STATIC_CLASS = "Static";
inline constexpr const char* PROGRESS_CLASS = "msctls_progress32";

// One control: identifier (-1 for none), class, text, position and size in dialog units.
struct ControlTemplate {
    int id;
    const char* className;
    const char* text;
    int x;
    int y;
    int cx;
    int cy;
    std::uint32_t style;
    std::uint32_t exStyle;
};

struct FontTemplate {
    const char* face;
    int pointSize;
    int weight;
    bool italic;
    int charset;
};

// One extended dialog template. `controls` are in template order, which is the tab order and,
// as on Win32, the z-order from top to bottom.
struct DialogTemplate {
    int id;
    const char* caption;
    int x;
    int y;
    int cx;  // client area, dialog units
    int cy;
    std::uint32_t style;
    std::uint32_t exStyle;
    FontTemplate font;
    std::span<const ControlTemplate> controls;
};

// One menu item; id 0 with a null text is a separator.
struct MenuItemTemplate {
    int id;
    const char* text;
};

// One menu resource: a single top-level popup (with an empty title) holding `items`.
struct MenuTemplate {
    int id;
    std::span<const MenuItemTemplate> items;
};

// One icon: its resource identifier and the name of its image, the icon file's name without
// ".ico" (what a front-end loads it by, or shows in its place).
struct IconTemplate {
    int id;
    const char* name;
};

// The name scripts know a control's value by (the terminal program's JSON).
struct ControlName {
    int id;
    const char* name;
};

struct ResourceTable {
    std::span<const DialogTemplate> dialogs;
    std::span<const MenuTemplate> menus;
    std::span<const IconTemplate> icons;
    std::span<const ControlName> controlNames;
};

// The program's resources. Not defined by the platform: each program links one definition, as
// a Win32 program links its compiled resource script (shell/resources for Vellumark's); a test
// of the format may link resources of its own instead.
const ResourceTable& ProgramResources();

// The dialog, menu or icon of the program's resources with that identifier, or nullptr.
const DialogTemplate* FindDialogTemplate(int id);
const MenuTemplate* FindMenuTemplate(int id);
const IconTemplate* FindIcon(int id);
// The control with that identifier in the dialog, or nullptr (-1 is never looked up).
const ControlTemplate* FindControl(const DialogTemplate& dialog, int id);
// The name scripts know the control by, or nullptr when it has none.
const char* ControlNameOf(int controlId);

}  // namespace tmpl
