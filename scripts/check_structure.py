#!/usr/bin/env python3
"""Checks the shape of src/: includes run downward only (platform <- book <- card <- settings <-
integration <- app <- gui, shellext), no two files depend on each other in a circle (a file and
its header count as one; what a file includes, it calls), no file is longer than the limit, and
only the platform folder asks which system it is built for. Prints what it finds; exit 1 then."""
import os
import re
import sys

LAYERS = {"platform": 0, "book": 1, "card": 2, "settings": 3, "integration": 4, "app": 5, "gui": 6, "shellext": 6}
MAX_LINES = 450
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main(src):
    problems = []
    units = {}  # "card/Bookwriting" -> set of units it includes
    for folder, _, names in os.walk(src):
        for name in names:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            lines = text.count("\n")
            if lines > MAX_LINES:
                problems.append(f"{rel}: {lines} lines (at most {MAX_LINES})")
            layer = rel.split("/")[0]
            if layer != "platform" and re.search(r"^\s*#\s*if(def)?\s.*_WIN32", text, re.M):
                problems.append(f"{rel}: asks for _WIN32 outside src/platform")
            unit = os.path.splitext(rel)[0]
            deps = units.setdefault(unit, set())
            for target in INCLUDE.findall(text):
                top = target.split("/")[0]
                if top not in LAYERS:
                    continue
                if layer in LAYERS and LAYERS[top] > LAYERS[layer]:
                    problems.append(f"{rel}: includes {target}, a layer above its own")
                target_unit = os.path.splitext(target)[0]
                if target_unit != unit:
                    deps.add(target_unit)
    # Circles among units (Tarjan's strongly connected components).
    index, low, stack, on_stack, counter = {}, {}, [], set(), [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(units.get(v, ())):
            if w not in units:
                continue
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                problems.append("circle: " + " -> ".join(sorted(component)))

    sys.setrecursionlimit(10000)
    for v in sorted(units):
        if v not in index:
            visit(v)
    for p in problems:
        print(p)
    print(f"{len(units)} files checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")))
