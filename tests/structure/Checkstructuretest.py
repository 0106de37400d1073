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


def graph(src, name, nodes, edges):
    """A .ci as GCC writes it: defined functions without a shape, declared ones as ellipses."""
    lines = [f'graph: {{ title: "{src}/app/{name}"']
    for title, label, where, defined in nodes:
        shape = "" if defined else " shape : ellipse"
        lines.append(f'node: {{ title: "{title}" label: "{label}\\n{where}"{shape} }}')
    for source, target, at in edges:
        lines.append(f'edge: {{ sourcename: "{source}" targetname: "{target}" label: "{at}" }}')
    return "\n".join(lines) + "\n}\n"


class CallCircles(unittest.TestCase):
    def check(self, show_calls_look):
        with tempfile.TemporaryDirectory() as top:
            src, build = os.path.join(top, "src"), os.path.join(top, "build")
            for rel, text in SOURCES.items():
                os.makedirs(os.path.dirname(os.path.join(src, rel)), exist_ok=True)
                with open(os.path.join(src, rel), "w") as f:
                    f.write(text)
            show = ("_ZN4Form4ShowEv", "void Form::Show()", f"{src}/app/Form.cpp:2:6", True)
            look = ("_ZN4Form4LookEv", "void Form::Look()", f"{src}/app/Formlook.cpp:2:6", True)
            strlen = ("strlen", "size_t strlen(const char*)", f"{src}/app/Formlook.cpp:1:1", False)
            form_edges = [(show[0], look[0], f"{src}/app/Form.cpp:2:20")] if show_calls_look else []
            os.makedirs(build)
            for name, nodes, edges in [
                ("Form.cpp", [show, look[:3] + (False,)], form_edges),
                ("Formlook.cpp", [look, show[:3] + (False,), strlen],
                 [(look[0], show[0], f"{src}/app/Formlook.cpp:2:22"), (look[0], "strlen", f"{src}/app/Formlook.cpp:2:30")]),
            ]:
                with open(os.path.join(build, name + ".ci"), "w") as f:
                    f.write(graph(src, name, nodes, edges))
            out = io.StringIO()
            with contextlib.redirect_stdout(out):
                code = check_structure.main(src, build)
            return code, out.getvalue()

    def test_files_calling_each_other_are_a_circle(self):
        code, out = self.check(True)
        self.assertEqual(code, 1, out)
        self.assertIn("circle: app/Form -> app/Formlook", out)
        self.assertIn("app/Form.cpp:2 calls void Form::Look()", out)

    def test_calls_one_way_are_no_circle(self):
        code, out = self.check(False)
        self.assertEqual(code, 0, out)
        self.assertIn("1 pairs of them linked by calls", out)


if __name__ == "__main__":
    unittest.main()
