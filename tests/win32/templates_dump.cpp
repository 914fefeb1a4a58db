// Prints the program's resources as the front-ends without a resource compiler see them
// (compiled from the resource script) as JSON, for check_resources.py to compare with the
// resources the resource compiler put into the executable.
#include <iostream>
#include <nlohmann/json.hpp>

#include "platform/ui/dialog_template.h"

namespace tmpl {

// A control as the checker compares it: [id, class, text, x, y, cx, cy, style, exStyle].
void to_json(nlohmann::json& j, const ControlTemplate& c) {
    j = {c.id, c.className, c.text, c.x, c.y, c.cx, c.cy, c.style, c.exStyle};
}
void to_json(nlohmann::json& j, const MenuItemTemplate& item) {
    j = {{"id", item.id}, {"text", item.text != nullptr ? item.text : ""}};
}
void to_json(nlohmann::json& j, const MenuTemplate& menu) {
    j = {{"id", menu.id}, {"items", menu.items}};
}
void to_json(nlohmann::json& j, const IconTemplate& icon) {
    j = {{"id", icon.id}, {"name", icon.name}};
}
void to_json(nlohmann::json& j, const DialogTemplate& d) {
    const FontTemplate& f = d.font;
    j = {{"id", d.id}, {"caption", d.caption}, {"x", d.x}, {"y", d.y}, {"cx", d.cx}};
    j.update({{"cy", d.cy}, {"style", d.style}, {"exStyle", d.exStyle}, {"controls", d.controls}});
    j["font"] = {{"face", f.face}, {"pointSize", f.pointSize}, {"weight", f.weight}};
    j["font"].update({{"italic", f.italic}, {"charset", f.charset}});
}

}  // namespace tmpl

int main() {
    const tmpl::ResourceTable& resources = tmpl::ProgramResources();
    const nlohmann::json all = {
        {"dialogs", resources.dialogs}, {"menus", resources.menus}, {"icons", resources.icons}};
    std::cout << all.dump(1) << "\n";
    return 0;
}
