#!/usr/bin/env python3
"""The layering check on small trees made for it: each case writes a few files and names the
includes the check must report (by file and line), no more and no fewer."""

import os
import sys
import tempfile
import unittest
from dataclasses import dataclass, field

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layering  # noqa: E402


def include(*paths, spacing="#include "):
    """A file's text: one include line per path (made here, so that this file holds no include
    lines of its own for a reader of includes to mistake)."""
    return "".join(f'{spacing}"{path}"\n' for path in paths)


@dataclass
class Case:
    name: str
    files: dict  # path -> content
    reported: list = field(default_factory=list)  # "path:line" expected in the report


CASES = [
    Case("down a floor, and within a folder, is allowed",
         {"shell/a.cpp": include("platform/ui/ui.h", "shell/b.h"),
          "shell/b.h": "", "platform/ui/ui.h": include("text/t.h"), "text/t.h": ""}),
    Case("a platform file including the shell's resources",
         {"platform/ui/qt/icons.cpp": "#include <map>\n" + include("shell/resources/resource.h"),
          "shell/resources/resource.h": ""},
         ["platform/ui/qt/icons.cpp:2"]),
    Case("a library including a program's folder",
         {"condition/engine.cpp": include("apps/term/options.h"),
          "apps/term/options.h": ""},
         ["condition/engine.cpp:1"]),
    Case("two programs side by side, and two folders of one floor",
         {"apps/qt/main.cpp": include("apps/term/options.h"), "apps/term/options.h": "",
          "exporter/x.cpp": include("tools/printer-sim/profile.h", spacing="  #  include "),
          "tools/printer-sim/profile.h": ""},
         ["apps/qt/main.cpp:1", "exporter/x.cpp:1"]),
    Case("a bare name found only through an include directory above",
         {"probe/p.cpp": include("globals.h", "vellumark/version.h"),
          "shell/globals.h": ""},
         ["probe/p.cpp:1"]),
    Case("a bare name beside the file, though one of that name is above",
         {"platform/net/r.cpp": include("socket_api.h"),
          "platform/net/socket_api.h": "", "shell/socket_api.h": ""}),
    Case("a folder of code on no floor; build folders are not looked at",
         {"widgets/w.cpp": "", "build/main/gen.cpp": include("apps/qt/x.h")},
         ["widgets/"]),
]


class LayeringTest(unittest.TestCase):
    def test_cases(self):
        for case in CASES:
            with self.subTest(case.name), tempfile.TemporaryDirectory() as root:
                for path, content in case.files.items():
                    os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                    with open(os.path.join(root, path), "w") as out:
                        out.write(content)
                reported = [where for where, _ in check_layering.check(root)]
                self.assertEqual(sorted(reported), sorted(case.reported), case.name)


if __name__ == "__main__":
    unittest.main()
