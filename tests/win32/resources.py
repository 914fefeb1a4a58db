"""Reads the resources of the Windows program back out of a built .exe (through icoutils'
wrestool) or a compiled .res file, and decodes the kinds the program carries: extended dialog
templates, menus, icon groups and images, the version block and the manifest.

Every decoder is bounds-checked: truncated or malformed data raises ResourceError."""

import re
import struct
import subprocess

RT_ICON, RT_MENU, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 4, 5, 14, 16, 24
CLASS_ORDINALS = {0x80: "Button", 0x81: "Edit", 0x82: "Static", 0x83: "ListBox",
                  0x84: "ScrollBar", 0x85: "ComboBox"}
DS_SETFONT = 0x40


class ResourceError(Exception):
    pass


class Reader:
    def __init__(self, data, pos=0):
        self.data = data
        self.pos = pos

    def take(self, size):
        if size < 0 or self.pos + size > len(self.data):
            raise ResourceError(f"truncated at {self.pos} (+{size} of {len(self.data)})")
        chunk = self.data[self.pos:self.pos + size]
        self.pos += size
        return chunk

    def u8(self):
        return self.take(1)[0]

    def u16(self):
        return struct.unpack("<H", self.take(2))[0]

    def i16(self):
        return struct.unpack("<h", self.take(2))[0]

    def u32(self):
        return struct.unpack("<I", self.take(4))[0]

    def wstr(self):
        units = []
        while True:
            unit = self.u16()
            if unit == 0:
                return "".join(map(chr, units))
            units.append(unit)

    def sz_or_ord(self):
        first = self.u16()
        if first == 0xFFFF:
            return self.u16()
        if first == 0:
            return ""
        self.pos -= 2
        return self.wstr()

    def align(self, boundary):
        self.pos = (self.pos + boundary - 1) // boundary * boundary


# ---- containers ----

def read_res_file(path):
    """Returns {(type, name, language): data} from a 32-bit .res file."""
    data = open(path, "rb").read()
    reader = Reader(data)
    resources = {}
    while reader.pos < len(data):
        start = reader.pos
        data_size = reader.u32()
        header_size = reader.u32()
        rtype = reader.sz_or_ord()
        name = reader.sz_or_ord()
        reader.align(4)
        reader.take(4)  # DataVersion
        reader.u16()  # MemoryFlags
        language = reader.u16()
        reader.take(8)  # Version, Characteristics
        reader.pos = start + header_size
        payload = reader.take(data_size)
        reader.align(4)
        if data_size or rtype != 0:
            resources[(rtype, name, language)] = payload
    return resources


def read_exe(path):
    """Returns {(type, name, language): data} of a PE file, listed and extracted by wrestool."""
    listing = subprocess.run(["wrestool", "-l", path], check=True, capture_output=True,
                             text=True).stdout
    resources = {}
    for line in listing.splitlines():
        match = re.search(r"--type=(\S+) --name=(\S+) --language=(\d+)", line)
        if not match:
            continue
        rtype, name, language = match.groups()
        data = subprocess.run(["wrestool", "-x", "--raw", "--type=" + rtype, "--name=" + name,
                               "--language=" + language, path], check=True,
                              capture_output=True).stdout

        def key(text):
            return int(text) if text.isdigit() else text.strip("'")

        resources[(key(rtype), key(name), int(language))] = data
    return resources


def read_resources(path):
    return read_res_file(path) if path.endswith(".res") else read_exe(path)


# ---- decoders ----

def decode_dialog(data):
    reader = Reader(data)
    version, signature = reader.u16(), reader.u16()
    if (version, signature) != (1, 0xFFFF):
        raise ResourceError("not an extended dialog template")
    dialog = {"helpId": reader.u32(), "exStyle": reader.u32(), "style": reader.u32()}
    count = reader.u16()
    dialog.update(x=reader.i16(), y=reader.i16(), cx=reader.i16(), cy=reader.i16())
    dialog["menu"] = reader.sz_or_ord()
    dialog["windowClass"] = reader.sz_or_ord()
    dialog["caption"] = reader.wstr()
    dialog["font"] = None
    if dialog["style"] & DS_SETFONT:
        point_size, weight = reader.u16(), reader.u16()
        italic, charset = reader.u8(), reader.u8()
        dialog["font"] = {"face": reader.wstr(), "pointSize": point_size, "weight": weight,
                          "italic": bool(italic), "charset": charset}
    controls = []
    for _ in range(count):
        reader.align(4)
        control = {"helpId": reader.u32(), "exStyle": reader.u32(), "style": reader.u32()}
        control.update(x=reader.i16(), y=reader.i16(), cx=reader.i16(), cy=reader.i16())
        control["id"] = struct.unpack("<i", reader.take(4))[0]
        window_class = reader.sz_or_ord()
        control["className"] = CLASS_ORDINALS.get(window_class, window_class)
        text = reader.sz_or_ord()
        control["text"] = text if isinstance(text, str) else f"#{text}"
        extra = reader.u16()
        reader.take(extra)
        controls.append(control)
    dialog["controls"] = controls
    if reader.pos + 3 < len(data):
        raise ResourceError("trailing data after the last control")
    return dialog


MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_POPUP, MF_DEFAULT, MF_END = 1, 2, 8, 0x10, 0x1000, 0x80


def decode_menu(data):
    """A standard menu as nested lists of {"flags", "id", "text", "items"}."""
    reader = Reader(data)
    if (reader.u16(), reader.u16()) != (0, 0):
        raise ResourceError("not a standard menu")

    def items():
        result = []
        while True:
            flags = reader.u16()
            entry = {"flags": flags & ~MF_END}
            if flags & MF_POPUP:
                entry["text"] = reader.wstr()
                entry["items"] = items()
            else:
                entry["id"] = reader.u16()
                entry["text"] = reader.wstr()
            result.append(entry)
            if flags & MF_END:
                return result

    menu = items()
    if reader.pos != len(data):
        raise ResourceError("trailing data after the menu")
    return menu


def decode_group_icon(data):
    reader = Reader(data)
    reserved, kind, count = reader.u16(), reader.u16(), reader.u16()
    if reserved != 0 or kind != 1:
        raise ResourceError("not an icon group")
    entries = []
    for _ in range(count):
        width, height, colors, _reserved = reader.u8(), reader.u8(), reader.u8(), reader.u8()
        entries.append({"width": width or 256, "height": height or 256, "colors": colors,
                        "planes": reader.u16(), "bitCount": reader.u16(),
                        "bytes": reader.u32(), "imageId": reader.u16()})
    return entries


def decode_icon_image(data):
    """Header fields of an icon image plus whether its AND mask is set exactly where alpha is 0."""
    reader = Reader(data)
    header = struct.unpack("<IiiHHIIiiII", reader.take(40))
    size, width, height2, planes, bits = header[:5]
    image = {"headerSize": size, "width": width, "height": height2 // 2, "planes": planes,
             "bitCount": bits, "bytes": len(data)}
    if size != 40 or bits != 32 or width <= 0 or height2 <= 0:
        return image
    height = height2 // 2
    colors = reader.take(width * height * 4)
    mask_stride = (width + 31) // 32 * 4
    mask = reader.take(mask_stride * height)
    agrees = True
    for row in range(height):
        for column in range(width):
            alpha = colors[(row * width + column) * 4 + 3]
            bit = mask[row * mask_stride + column // 8] >> (7 - column % 8) & 1
            agrees &= (bit == 1) == (alpha == 0)
    image["maskMatchesAlpha"] = agrees
    image["trailing"] = len(data) - reader.pos
    return image


def decode_version(data):
    """The fixed part and the string tables of a VS_VERSIONINFO block."""
    result = {"fixed": None, "strings": {}, "translation": None}

    def node(reader, end, path):
        start = reader.pos
        length = reader.u16()
        value_length = reader.u16()
        is_text = reader.u16()
        key = reader.wstr()
        reader.align(4)
        if start + length > end or length < 6:
            raise ResourceError(f"bad length at {start}")
        node_end = start + length
        if path == [] and value_length:
            fixed = struct.unpack("<13I", reader.take(52))
            if fixed[0] != 0xFEEF04BD:
                raise ResourceError("no VS_FIXEDFILEINFO signature")
            result["fixed"] = {
                "fileVersion": (fixed[2] >> 16, fixed[2] & 0xFFFF, fixed[3] >> 16,
                                fixed[3] & 0xFFFF),
                "productVersion": (fixed[4] >> 16, fixed[4] & 0xFFFF, fixed[5] >> 16,
                                   fixed[5] & 0xFFFF),
                "flagsMask": fixed[6], "flags": fixed[7], "os": fixed[8], "type": fixed[9],
                "subtype": fixed[10], "date": (fixed[11], fixed[12])}
            reader.align(4)
        elif len(path) == 2 and path[0] == "StringFileInfo":
            text = reader.take(value_length * 2).decode("utf-16-le") if is_text else ""
            result["strings"].setdefault(path[1], {})[key] = text.rstrip("\0")
            reader.pos = node_end
        elif path == ["VarFileInfo"] and key == "Translation":
            result["translation"] = struct.unpack("<HH", reader.take(4))
            reader.pos = node_end
        elif value_length:
            reader.take(value_length * (2 if is_text else 1))
        reader.align(4)
        while reader.pos < node_end:
            node(reader, node_end, path + [key] if path or key != "VS_VERSION_INFO" else [])
            reader.align(4)
        reader.pos = node_end

    reader = Reader(data)
    node(reader, len(data), [])
    return result
