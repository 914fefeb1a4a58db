// Prints the shared dialog and menu templates as JSON, for check_resources.py to compare with
// the compiled resource script.
#include <cstdio>
#include <string>

#include "shell/resources/templates.h"

namespace {

// Template texts hold no control characters; one would make the JSON invalid, and the check
// fail loudly.
std::string Quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
        out += *p == '"' || *p == '\\' ? std::string{'\\', *p} : std::string(1, *p);
    }
    return out + "\"";
}

void PrintDialog(const tmpl::DialogTemplate& d, const char* separator) {
    std::printf("  {\"id\": %d, \"caption\": %s, \"x\": %d, \"y\": %d, \"cx\": %d, \"cy\": %d,\n",
                d.id, Quoted(d.caption).c_str(), d.x, d.y, d.cx, d.cy);
    std::printf("   \"style\": %u, \"exStyle\": %u,\n", static_cast<unsigned>(d.style),
                static_cast<unsigned>(d.exStyle));
    std::printf(
        "   \"font\": {\"face\": %s, \"pointSize\": %d, \"weight\": %d, \"italic\": %s, "
        "\"charset\": %d},\n   \"controls\": [\n",
        Quoted(d.font.face).c_str(), d.font.pointSize, d.font.weight,
        d.font.italic ? "true" : "false", d.font.charset);
    for (std::size_t i = 0; i < d.controls.size(); ++i) {
        const tmpl::ControlTemplate& c = d.controls[i];
        std::printf("    [%d, %s, %s, %d, %d, %d, %d, %u, %u]%s\n", c.id,
                    Quoted(c.className).c_str(), Quoted(c.text).c_str(), c.x, c.y, c.cx, c.cy,
                    static_cast<unsigned>(c.style), static_cast<unsigned>(c.exStyle),
                    i + 1 < d.controls.size() ? "," : "");
    }
    std::printf("  ]}%s\n", separator);
}

}  // namespace

int main() {
    std::printf("{\"dialogs\": [\n");
    PrintDialog(tmpl::MonitorTemplate(), ",");
    PrintDialog(tmpl::TargetTemplate(), "");
    const tmpl::MenuTemplate& menu = tmpl::TrayMenuTemplate();
    std::printf("], \"menus\": [{\"id\": %d, \"items\": [\n", menu.id);
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        std::printf("  {\"id\": %d, \"text\": %s}%s\n", menu.items[i].id,
                    Quoted(menu.items[i].text).c_str(), i + 1 < menu.items.size() ? "," : "");
    }
    std::printf("]}]}\n");
    return 0;
}
