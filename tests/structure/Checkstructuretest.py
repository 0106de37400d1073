#!/usr/bin/env python3
"""scripts/check_structure.py on a small src of its own and call graphs written as GCC writes
them: two files calling each other through a header that only one of them owns are a circle
that their includes alone do not show; calls into libraries belong to no file."""
import contextlib
import io
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
import check_structure  # noqa: E402

SOURCES = {
    "app/Form.h": "#pragma once\nstruct Form { void Show(); void Look(); };\n",
    "app/Form.cpp": '#include "app/Form.h"\nvoid Form::Show() {}\n',
    "app/Formlook.cpp": '#include "app/Form.h"\nvoid Form::Look() { Show(); }\n',
}


def check(show_calls_look):
    """Form.cpp defines Show (and calls Look when asked); Formlook.cpp defines Look, which calls
    Show and strlen. The .ci files: defined functions without a shape, declared ones as ellipses."""
    with tempfile.TemporaryDirectory() as top:
        src, build = os.path.join(top, "src"), os.path.join(top, "build")
        for rel, text in SOURCES.items():
            os.makedirs(os.path.dirname(os.path.join(src, rel)), exist_ok=True)
            with open(os.path.join(src, rel), "w") as f:
                f.write(text)
        os.makedirs(build)
        node = '"{0}" label: "void Form::{0}()\\n{1}/app/{2}:2:6"'
        for name, defined, other, calls in [("Form.cpp", "Show", "Look", show_calls_look), ("Formlook.cpp", "Look", "Show", True)]:
            text = [f'graph: {{ title: "{src}/app/{name}"', f"node: {{ title: {node.format(defined, src, name)} }}",
                    f"node: {{ title: {node.format(other, src, name)} shape : ellipse }}"]
            if name == "Formlook.cpp":
                text += ['node: { title: "strlen" label: "size_t strlen(const char*)\\n-" shape : ellipse }',
                         f'edge: {{ sourcename: "Look" targetname: "strlen" label: "{src}/app/{name}:2:30" }}']
            if calls:
                text.append(f'edge: {{ sourcename: "{defined}" targetname: "{other}" label: "{src}/app/{name}:2:20" }}')
            with open(os.path.join(build, name + ".ci"), "w") as f:
                f.write("\n".join(text) + "\n}\n")
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            code = check_structure.main(src, build)
        return code, out.getvalue()


class CallCircles(unittest.TestCase):
    def test_files_calling_each_other_are_a_circle_and_one_way_is_none(self):
        code, out = check(True)
        self.assertEqual(code, 1, out)
        self.assertIn("circle: app/Form -> app/Formlook", out)
        self.assertIn("app/Form.cpp:2 calls void Form::Look()", out)
        code, out = check(False)
        self.assertEqual(code, 0, out)
        self.assertIn("1 pairs of them linked by calls", out)


if __name__ == "__main__":
    unittest.main()
