#!/usr/bin/env python3
"""Checks the resources of built Windows programs (or a compiled .res) against the program's
design: dialog templates, tray menu, icons, version block and manifest, all in language 1033.

    check_resources.py FILE...                 each FILE a vellumark.exe or a .res
    check_resources.py --templates JSON FILE   also compare the dialogs and the menu with the
                                               template data the other front-ends lay out
Exits 0 when everything matches; prints every mismatch otherwise. With several FILEs their
resources must also be identical to each other."""

import argparse
import json
import sys
import xml.etree.ElementTree as ET

import resources as rs

LANG = 1033
# Style bits spelled out once so the expectations below read like the design.
WS_POPUP, WS_CHILD, WS_VISIBLE, WS_CAPTION = 0x80000000, 0x40000000, 0x10000000, 0x00C00000
WS_BORDER, WS_VSCROLL, WS_SYSMENU, WS_GROUP, WS_TABSTOP = 0x800000, 0x200000, 0x80000, 0x20000, 0x10000
DS_MODALFRAME, DS_CENTER, DS_SHELLFONT = 0x80, 0x800, 0x48
WS_EX_TOPMOST, WS_EX_TOOLWINDOW, WS_EX_RIGHT = 0x8, 0x80, 0x1000
BS_DEFPUSHBUTTON, BS_GROUPBOX = 1, 7
ES_MULTILINE, ES_AUTOVSCROLL, ES_AUTOHSCROLL = 0x4, 0x40, 0x80
PBS_SMOOTH = 1
LABEL = WS_CHILD | WS_VISIBLE | WS_GROUP
FONT = {"face": "MS Shell Dlg", "pointSize": 8, "weight": 400, "italic": False, "charset": 1}

# (id, class, text, x, y, cx, cy, style, exStyle) in template order.
MONITOR_CONTROLS = [
    (1000, "Button", "Hide", 109, 101, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0),
    (2000, "Edit", "", 59, 7, 120, 14, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 0),
    (3002, "Static", "Primary Status:", 7, 9, 50, 8, LABEL, WS_EX_RIGHT),
    (3001, "Button", "Update Target", 17, 101, 55, 14, WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON, 0),
    (-1, "Static", "Secondary Status:", 7, 27, 60, 8, LABEL, WS_EX_RIGHT),
    (2001, "Edit", "", 69, 25, 110, 28, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL
     | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL, 0),
    (2003, "Static", "", 77, 73, 86, 8, LABEL, 0),
    (-1, "Static", "Current Page Count:", 7, 73, 68, 8, LABEL, WS_EX_RIGHT),
    (2002, "msctls_progress32", "", 69, 58, 110, 7, WS_CHILD | WS_VISIBLE | WS_BORDER | PBS_SMOOTH, 0),
    (-1, "Static", "Toner Remaining:", 7, 57, 57, 8, LABEL, WS_EX_RIGHT),
    (-1, "Static", "Power-On Page Count:", 7, 90, 75, 8, LABEL, WS_EX_RIGHT),
    (1010, "Static", "", 84, 90, 83, 8, LABEL, 0),
]
TARGET_CONTROLS = [
    (1, "Button", "OK", 63, 49, 50, 14, 0x50010001, 0),
    (3000, "Edit", "", 30, 22, 108, 14, 0x50810080, 0),
    (-1, "Button", "IP or HOST Name of Printer to Monitor", 7, 3, 151, 69, 0x50000007, 0),
]
DIALOGS = {
    201: {"caption": "HP LaserJet 9000 mfp", "x": 0, "y": 0, "cx": 186, "cy": 122,
          "style": WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SHELLFONT,
          "exStyle": WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "controls": MONITOR_CONTROLS},
    202: {"caption": "No Target Specified", "x": 0, "y": 0, "cx": 165, "cy": 79,
          "style": 0x80C800C8, "exStyle": 0, "controls": TARGET_CONTROLS},
}
MENU = [{"flags": 0x10, "text": "", "items": [
    {"flags": 0, "id": 203, "text": "Show Vellumark"},
    {"flags": 0, "id": 204, "text": "Hide Vellumark"},
    {"flags": 0, "id": 0, "text": ""},
    {"flags": 0, "id": 205, "text": "Exit Vellumark"}]}]
VERSION_STRINGS = {
    "CompanyName": "Quillfen", "FileDescription": "Vellumark Monitoring Utility",
    "InternalName": "Vellumark", "ProductName": "Vellumark"}
VERSION_STANDARD_KEYS = ("Comments", "LegalCopyright", "OriginalFilename")
ICONS = {100: 1, 101: 2}  # group id -> image id
EXPECTED_KEYS = {(rs.RT_DIALOG, 201), (rs.RT_DIALOG, 202), (rs.RT_MENU, 229),
                 (rs.RT_GROUP_ICON, 100), (rs.RT_GROUP_ICON, 101), (rs.RT_ICON, 1),
                 (rs.RT_ICON, 2), (rs.RT_VERSION, 1), (rs.RT_MANIFEST, 1)}


class Checker:
    def __init__(self, label):
        self.label = label
        self.failures = []

    def expect(self, what, actual, expected):
        if actual != expected:
            self.failures.append(f"{self.label}: {what}: got {actual!r}, want {expected!r}")

    def fail(self, what):
        self.failures.append(f"{self.label}: {what}")


def control_tuple(control):
    class_name = control["className"]
    # The resource compiler may store a predefined class by ordinal or by name in any case.
    for known in ("Button", "Edit", "Static"):
        if isinstance(class_name, str) and class_name.lower() == known.lower():
            class_name = known
    if isinstance(class_name, str) and class_name.lower() == "msctls_progress32":
        class_name = "msctls_progress32"
    return (control["id"], class_name, control["text"], control["x"], control["y"],
            control["cx"], control["cy"], control["style"], control["exStyle"])


def check_dialog(check, dialog_id, dialog, expected):
    name = f"dialog {dialog_id}"
    for field in ("caption", "x", "y", "cx", "cy", "style", "exStyle"):
        check.expect(f"{name} {field}", dialog[field], expected[field])
    check.expect(f"{name} font", dialog["font"], FONT)
    check.expect(f"{name} menu", dialog["menu"], "")
    check.expect(f"{name} class", dialog["windowClass"], "")
    actual = [control_tuple(c) for c in dialog["controls"]]
    check.expect(f"{name} control count", len(actual), len(expected["controls"]))
    for index, (got, want) in enumerate(zip(actual, expected["controls"])):
        check.expect(f"{name} control #{index}", got, want)


def check_file(path, numbers):
    check = Checker(path)
    try:
        table = rs.read_resources(path)
    except (OSError, rs.ResourceError) as error:
        check.fail(f"cannot read resources: {error}")
        return check, {}
    keys = {(rtype, name) for rtype, name, _ in table}
    check.expect("resource set", sorted(keys, key=str), sorted(EXPECTED_KEYS, key=str))
    for rtype, name, language in table:
        check.expect(f"language of {rtype}/{name}", language, LANG)
    get = {(rtype, name): data for (rtype, name, _), data in table.items()}
    try:
        for dialog_id, expected in DIALOGS.items():
            check_dialog(check, dialog_id, rs.decode_dialog(get[(rs.RT_DIALOG, dialog_id)]),
                         expected)
        check.expect("menu 229", rs.decode_menu(get[(rs.RT_MENU, 229)]), MENU)
        for group_id, image_id in ICONS.items():
            entries = rs.decode_group_icon(get[(rs.RT_GROUP_ICON, group_id)])
            check.expect(f"icon group {group_id}", entries, [
                {"width": 48, "height": 48, "colors": 0, "planes": 1, "bitCount": 32,
                 "bytes": 9640, "imageId": image_id}])
            image = rs.decode_icon_image(get[(rs.RT_ICON, image_id)])
            check.expect(f"icon image {image_id}", image, {
                "headerSize": 40, "width": 48, "height": 48, "planes": 1, "bitCount": 32,
                "bytes": 9640, "maskMatchesAlpha": True, "trailing": 0})
        check_version(check, rs.decode_version(get[(rs.RT_VERSION, 1)]), numbers)
        check_manifest(check, get[(rs.RT_MANIFEST, 1)])
    except KeyError as missing:
        check.fail(f"missing resource {missing}")
    except rs.ResourceError as error:
        check.fail(f"malformed resource: {error}")
    return check, get


def check_version(check, version, numbers):
    commas = ", ".join(str(n) for n in numbers)
    expected_strings = dict(VERSION_STRINGS, FileVersion=commas, ProductVersion=commas)
    check.expect("version fixed part", version["fixed"], {
        "fileVersion": numbers, "productVersion": numbers, "flagsMask": 0x17,
        "flags": 0, "os": 0x4, "type": 1, "subtype": 0, "date": (0, 0)})
    check.expect("version string tables", sorted(version["strings"]), ["040904b0"])
    strings = dict(version["strings"].get("040904b0", {}))
    for key in VERSION_STANDARD_KEYS:
        if not strings.pop(key, ""):
            check.fail(f"version entry {key} missing or empty")
    check.expect("version strings", strings, expected_strings)
    check.expect("version translation", version["translation"], (0x0409, 0x04B0))


def check_manifest(check, data):
    try:
        root = ET.fromstring(data)
    except ET.ParseError as error:
        check.fail(f"manifest is not XML: {error}")
        return
    check.expect("manifest root", root.tag, "{urn:schemas-microsoft-com:asm.v1}assembly")
    check.expect("manifest attributes", root.attrib, {"manifestVersion": "1.0"})
    check.expect("manifest children", [child.tag for child in root], [])


def compare_with_templates(check, get, templates):
    """The .rc and the template data every other front-end lays out must agree exactly."""
    for dialog in templates["dialogs"]:
        data = get.get((rs.RT_DIALOG, dialog["id"]))
        if data is None:
            check.fail(f"template dialog {dialog['id']} has no resource")
            continue
        built = rs.decode_dialog(data)
        name = f"templates vs resource, dialog {dialog['id']}"
        for field in ("caption", "x", "y", "cx", "cy", "style", "exStyle", "font"):
            check.expect(f"{name} {field}", built[field], dialog[field])
        built_controls = [control_tuple(c) for c in built["controls"]]
        check.expect(f"{name} control count", len(built_controls), len(dialog["controls"]))
        for index, (got, want) in enumerate(zip(built_controls, dialog["controls"])):
            check.expect(f"{name} control #{index}", got, tuple(want))
    for menu in templates["menus"]:
        data = get.get((rs.RT_MENU, menu["id"]))
        if data is None:
            check.fail(f"template menu {menu['id']} has no resource")
            continue
        items = rs.decode_menu(data)[0]["items"]
        check.expect(f"templates vs resource, menu {menu['id']}",
                     [(i["id"], i["text"]) for i in items],
                     [(i["id"], i["text"]) for i in menu["items"]])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--templates", help="JSON dump of the shared template data")
    parser.add_argument("--version", required=True, help="the project's version, a.b.c.d")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    templates = json.load(open(args.templates)) if args.templates else None
    failures = []
    tables = []
    for path in args.files:
        check, get = check_file(path, tuple(int(n) for n in args.version.split(".")))
        if templates is not None:
            compare_with_templates(check, get, templates)
        failures += check.failures
        tables.append((path, get))
    for path, get in tables[1:]:
        if get != tables[0][1]:
            failures.append(f"{path}: resources differ from {tables[0][0]}")
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(args.files)} file(s) checked, {len(failures)} mismatch(es)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
