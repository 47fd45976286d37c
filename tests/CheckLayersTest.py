#!/usr/bin/env python3
"""The layer check against small trees with known faults."""

import runpy
import io
import os
import sys
import tempfile
import types
import unittest
from contextlib import redirect_stderr, redirect_stdout

HERE = os.path.dirname(os.path.abspath(__file__))
# The checker's own functions, loaded from its file (its name has a dash).
check_layers = types.SimpleNamespace(**runpy.run_path(os.path.join(HERE, "..", "tools", "check-layers.py")))

TABLE = """# Layers
```layers
frontends/sdl -> app world gfx platform
app      -> world gfx platform   [portable]
world    -> gfx platform         [portable]
gfx      -> platform             [portable]
input    -> platform             [portable]
platform -> -                    [portable]
server          -> server/domain server/storage
server/domain   -> server/storage
server/storage  -> -
tests    -> *
%s
```
"""


class LayerCheck(unittest.TestCase):
    def tree(self, files, known=""):
        root = tempfile.mkdtemp(prefix="layers-")
        self.addCleanup(lambda: __import__("shutil").rmtree(root))
        files = dict(files)
        files["docs/architecture.md"] = TABLE % known
        for path, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as f:
                f.write(text)
        return root

    def run_check(self, root):
        out, err = io.StringIO(), io.StringIO()
        with redirect_stdout(out), redirect_stderr(err):
            code = check_layers.main(["--root", root])
        return code, out.getvalue() + err.getvalue()

    def test_includes_down_the_layers_pass(self):
        root = self.tree({
            "platform/Platform.h": "#include <cstdint>\n",
            "gfx/Sprite.h": '#include "platform/Platform.h"\n',
            "world/Game.cpp": '#include "world/Game.h"\n#include "gfx/Sprite.h"\n#include "Version.h"\n',
            "world/Game.h": "#include <string_view>\n",
            "app/App.cpp": '#include "Game.h"\n#include "world/Game.h"\n',
            "frontends/sdl/main.cpp": '#include <SDL.h>\n#include "app/App.cpp"\n',
            "tests/T.cpp": '#include "frontends/sdl/main.cpp"\n',
        })
        code, text = self.run_check(root)
        self.assertEqual(code, 0, text)

    def test_upward_and_sideways_includes_are_named_with_their_line(self):
        root = self.tree({
            "platform/Platform.h": "",
            "input/Keys.h": "",
            "app/App.h": "",
            "world/Game.cpp": '// the world\n#include "app/App.h"\n',
            "gfx/Sprite.cpp": '#include "platform/Platform.h"\n  #  include "input/Keys.h"\n',
            "platform/Seam.cpp": '#include "frontends/sdl/Window.h"\n',
            "frontends/sdl/Window.h": "",
        })
        code, text = self.run_check(root)
        self.assertEqual(code, 1)
        self.assertIn("world/Game.cpp:2: world/ includes app/App.h", text)
        self.assertIn("gfx/Sprite.cpp:2: gfx/ includes input/Keys.h", text)
        self.assertIn("platform/Seam.cpp:1: platform/ includes frontends/sdl/Window.h", text)

    def test_the_core_takes_only_standard_headers_in_angle_brackets(self):
        root = self.tree({
            "gfx/Sprite.cpp": "#include <vector>\n#include <windows.h>\n#include <sys/mman.h>\n",
            "frontends/sdl/main.cpp": "#include <SDL2/SDL.h>\n",
        })
        code, text = self.run_check(root)
        self.assertEqual(code, 1)
        self.assertIn("gfx/Sprite.cpp:2: the portable gfx/ includes <windows.h>", text)
        self.assertIn("gfx/Sprite.cpp:3:", text)
        self.assertNotIn("<vector>", text)
        self.assertNotIn("frontends/sdl", text)

    def test_a_source_outside_every_layer_is_a_fault(self):
        root = self.tree({"extras/Thing.cpp": "int x;\n"})
        code, text = self.run_check(root)
        self.assertEqual(code, 1)
        self.assertIn("extras/Thing.cpp: in no layer", text)

    def test_the_service_includes_from_its_own_folder(self):
        root = self.tree({
            "server/domain/Desk.h": "",
            "server/storage/Store.h": "",
            "server/storage/Store.cpp": '#include "storage/Store.h"\n#include "domain/Desk.h"\n',
            "server/domain/Desk.cpp": '#include "storage/Store.h"\n',
            "server/main.cpp": '#include "domain/Desk.h"\n#include "world/Game.h"\n',
            "world/Game.h": "",
        })
        code, text = self.run_check(root)
        self.assertEqual(code, 1)
        self.assertIn("server/storage/Store.cpp:2: server/storage/ includes server/domain/Desk.h", text)
        self.assertIn("server/main.cpp:2: server/ includes world/Game.h", text)
        self.assertNotIn("server/domain/Desk.cpp", text)

    def test_a_known_crossing_passes_until_it_is_mended_then_must_go(self):
        files = {"app/App.h": "", "world/Game.cpp": '#include "app/App.h"\n'}
        known = "known world/Game.cpp -> app/App.h"
        code, text = self.run_check(self.tree(files, known))
        self.assertEqual(code, 0, text)
        files["world/Game.cpp"] = "\n"
        code, text = self.run_check(self.tree(files, known))
        self.assertEqual(code, 1)
        self.assertIn("world/Game.cpp: the known crossing to app/App.h is gone", text)

    def test_an_unusable_table_stops_the_check(self):
        for known in ("app -> nowhere", "gfx -> platform", "this is no rule"):
            code, text = self.run_check(self.tree({}, known))
            self.assertEqual(code, 2, known)
            self.assertIn("check-layers:", text)
        root = self.tree({})
        os.remove(os.path.join(root, "docs/architecture.md"))
        code, text = self.run_check(root)
        self.assertEqual(code, 2)


if __name__ == "__main__":
    unittest.main()
