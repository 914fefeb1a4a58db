// Prints the shared dialog and menu templates as JSON, for check_resources.py to compare with
// the compiled resource script.
#include <cstdio>
#include <string>

#include "shell/resources/templates.h"

namespace {

std::string Quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void PrintDialog(const tmpl::DialogTemplate& dialog, bool last) {
    std::printf("  {\"id\": %d, \"caption\": %s, \"x\": %d, \"y\": %d, \"cx\": %d, \"cy\": %d,\n",
                dialog.id, Quoted(dialog.caption).c_str(), dialog.x, dialog.y, dialog.cx,
                dialog.cy);
    std::printf("   \"style\": %u, \"exStyle\": %u,\n", static_cast<unsigned>(dialog.style),
                static_cast<unsigned>(dialog.exStyle));
    std::printf(
        "   \"font\": {\"face\": %s, \"pointSize\": %d, \"weight\": %d, \"italic\": %s, "
        "\"charset\": %d},\n",
        Quoted(dialog.font.face).c_str(), dialog.font.pointSize, dialog.font.weight,
        dialog.font.italic ? "true" : "false", dialog.font.charset);
    std::printf("   \"controls\": [\n");
    for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
        const tmpl::ControlTemplate& c = dialog.controls[i];
        std::printf("    [%d, %s, %s, %d, %d, %d, %d, %u, %u]%s\n", c.id,
                    Quoted(c.className).c_str(), Quoted(c.text).c_str(), c.x, c.y, c.cx, c.cy,
                    static_cast<unsigned>(c.style), static_cast<unsigned>(c.exStyle),
                    i + 1 < dialog.controls.size() ? "," : "");
    }
    std::printf("  ]}%s\n", last ? "" : ",");
}

}  // namespace

int main() {
    std::printf("{\"dialogs\": [\n");
    PrintDialog(tmpl::MonitorTemplate(), false);
    PrintDialog(tmpl::TargetTemplate(), true);
    const tmpl::MenuTemplate& menu = tmpl::TrayMenuTemplate();
    std::printf("], \"menus\": [{\"id\": %d, \"items\": [\n", menu.id);
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        std::printf("  {\"id\": %d, \"text\": %s}%s\n", menu.items[i].id,
                    Quoted(menu.items[i].text).c_str(), i + 1 < menu.items.size() ? "," : "");
    }
    std::printf("]}]}\n");
    return 0;
}
