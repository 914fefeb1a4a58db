#!/usr/bin/env python3
"""Checks the resources of built Windows programs (or a compiled .res) against their one source,
the resource script: its dialogs, menu and icons as the other front-ends have them (compiled
from the script, dumped as JSON by vm_templates_dump), the icon files themselves, the version
block and the manifest, all in language 1033.

    check_resources.py --templates JSON --icons DIR --version A.B.C.D FILE...
    check_resources.py --templates JSON --icons DIR FILE...
FILE is a vellumark.exe or a .res. Without --version only the dialogs, menus and icons are
checked (a script that is not the program's). Exits 0 when everything matches; prints every
mismatch otherwise. With several FILEs their resources must also be identical to each other."""

import argparse
import json
import os
import struct
import sys
import xml.etree.ElementTree as ET

import resources as rs

LANG = 1033
VERSION_STRINGS = {
    "CompanyName": "Quillfen", "FileDescription": "Vellumark Monitoring Utility",
    "InternalName": "Vellumark", "ProductName": "Vellumark"}
VERSION_STANDARD_KEYS = ("Comments", "LegalCopyright", "OriginalFilename")


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
    """[id, class, text, x, y, cx, cy, style, exStyle], the class in lower case: the resource
    compiler may store a predefined class by ordinal or by name in any case."""
    values = list(control)
    values[1] = values[1].lower()
    return tuple(values)


def resource_control(control):
    return control_tuple([control[key] for key in ("id", "className", "text", "x", "y", "cx",
                                                   "cy", "style", "exStyle")])


def check_dialog(check, built, dialog):
    """A dialog resource against its template: every field, and no menu or class of its own
    (the template format has neither)."""
    name = f"dialog {dialog['id']}"
    for field in ("caption", "x", "y", "cx", "cy", "style", "exStyle", "font"):
        check.expect(f"{name} {field}", built[field], dialog[field])
    check.expect(f"{name} menu", built["menu"], "")
    check.expect(f"{name} class", built["windowClass"], "")
    actual = [resource_control(c) for c in built["controls"]]
    check.expect(f"{name} control count", len(actual), len(dialog["controls"]))
    for index, (got, want) in enumerate(zip(actual, dialog["controls"])):
        check.expect(f"{name} control #{index}", got, control_tuple(want))


def menu_resource(menu):
    """A menu template as decode_menu gives the resource: one untitled popup of its items."""
    return [{"flags": rs.MF_POPUP, "text": "", "items": [
        {"flags": 0, "id": item["id"], "text": item["text"]} for item in menu["items"]]}]


def read_ico(path):
    """The images of an .ico file: its directory entries and each image's bytes."""
    data = open(path, "rb").read()
    reader = rs.Reader(data)
    reserved, kind, count = reader.u16(), reader.u16(), reader.u16()
    if reserved != 0 or kind != 1:
        raise rs.ResourceError(f"{path}: not an icon file")
    images = []
    for _ in range(count):
        width, height, colors, _reserved = reader.u8(), reader.u8(), reader.u8(), reader.u8()
        planes, bits, size, offset = struct.unpack("<HHII", reader.take(12))
        entry = {"width": width or 256, "height": height or 256, "colors": colors,
                 "planes": planes, "bitCount": bits, "bytes": size}
        images.append((entry, rs.Reader(data, offset).take(size)))
    return images


def check_icons(check, get, icons, icon_dir):
    """Each icon group holds its .ico file's images, numbered from 1 in the script's order."""
    image_id = 1
    for icon in icons:
        group_id = icon["id"]
        try:
            images = read_ico(os.path.join(icon_dir, icon["name"] + ".ico"))
        except (OSError, rs.ResourceError) as error:
            check.fail(f"icon {group_id}: {error}")
            continue
        entries = rs.decode_group_icon(get[(rs.RT_GROUP_ICON, group_id)])
        expected = []
        for entry, image in images:
            expected.append(dict(entry, imageId=image_id))
            if get.get((rs.RT_ICON, image_id)) != image:
                check.fail(f"icon image {image_id} is not the image of {icon['name']}.ico")
            decoded = rs.decode_icon_image(image)
            if not decoded.get("maskMatchesAlpha") or decoded.get("trailing"):
                check.fail(f"icon image {image_id}: mask and alpha disagree, or trailing bytes")
            image_id += 1
        check.expect(f"icon group {group_id}", entries, expected)
    return image_id - 1


def check_file(path, numbers, templates, icon_dir):
    check = Checker(path)
    try:
        table = rs.read_resources(path)
    except (OSError, rs.ResourceError) as error:
        check.fail(f"cannot read resources: {error}")
        return check, {}
    for rtype, name, language in table:
        check.expect(f"language of {rtype}/{name}", language, LANG)
    get = {(rtype, name): data for (rtype, name, _), data in table.items()}
    expected_keys = {(rs.RT_VERSION, 1), (rs.RT_MANIFEST, 1)} if numbers else set()
    expected_keys |= {(rs.RT_DIALOG, d["id"]) for d in templates["dialogs"]}
    expected_keys |= {(rs.RT_MENU, m["id"]) for m in templates["menus"]}
    expected_keys |= {(rs.RT_GROUP_ICON, i["id"]) for i in templates["icons"]}
    try:
        for dialog in templates["dialogs"]:
            check_dialog(check, rs.decode_dialog(get[(rs.RT_DIALOG, dialog["id"])]), dialog)
        for menu in templates["menus"]:
            check.expect(f"menu {menu['id']}", rs.decode_menu(get[(rs.RT_MENU, menu["id"])]),
                         menu_resource(menu))
        images = check_icons(check, get, templates["icons"], icon_dir)
        expected_keys |= {(rs.RT_ICON, n) for n in range(1, images + 1)}
        if numbers:
            check_version(check, rs.decode_version(get[(rs.RT_VERSION, 1)]), numbers)
            check_manifest(check, get[(rs.RT_MANIFEST, 1)])
    except KeyError as missing:
        check.fail(f"missing resource {missing}")
    except rs.ResourceError as error:
        check.fail(f"malformed resource: {error}")
    check.expect("resource set", sorted(get, key=str), sorted(expected_keys, key=str))
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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--templates", required=True,
                        help="the resources as the other front-ends have them (JSON)")
    parser.add_argument("--icons", required=True, help="the folder of the icon files")
    parser.add_argument("--version", help="the project's version, a.b.c.d")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    with open(args.templates) as source:
        templates = json.load(source)
    numbers = tuple(int(n) for n in args.version.split(".")) if args.version else None
    failures = []
    tables = []
    for path in args.files:
        check, get = check_file(path, numbers, templates, args.icons)
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
