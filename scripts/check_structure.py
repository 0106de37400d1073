#!/usr/bin/env python3
"""Checks the shape of src/: includes run downward only (platform <- book <- card <- settings <-
integration <- app <- gui, shellext), no two files depend on each other in a circle, no file is
longer than the limit, and only the platform folder asks which system it is built for.

A file and its header count as one unit. A unit depends on another when it includes its header
or, given a build folder (--calls), when one of its functions calls a function the other defines:
GCC's call graphs of the objects (-fcallgraph-info, the .ci beside each object) say who calls
whom and where each function is written, so a function declared in one header but defined in
another file is caught too. Prints what it finds; exit 1 then."""
import argparse
import os
import re
import sys

LAYERS = {"platform": 0, "book": 1, "card": 2, "settings": 3, "integration": 4, "app": 5, "gui": 6, "shellext": 6}
MAX_LINES = 450
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
# Circles let stand, each with its reason: frozenset of units -> why.
ALLOWED_CIRCLES = {}

STRING = r'"((?:[^"\\]|\\.)*)"'
CI_GRAPH = re.compile(r'^graph: \{ title: ' + STRING, re.M)
CI_NODE = re.compile(r'^node: \{ title: ' + STRING + r' label: ' + STRING + r'( shape : ellipse)?', re.M)
CI_EDGE = re.compile(r'^edge: \{ sourcename: ' + STRING + r' targetname: ' + STRING + r'(?: label: ' + STRING + r')?', re.M)


def unit_of(path, src):
    """The unit of a source path (absolute, or as GCC wrote it), or None outside src."""
    rel = os.path.relpath(os.path.realpath(path), src)
    if rel.startswith(".."):
        return None
    return os.path.splitext(rel.replace(os.sep, "/"))[0]


def where(label):
    """The file a call graph label names (its second line: file:line:column)."""
    lines = label.split("\\n")
    if len(lines) < 2 or lines[1].startswith("<"):
        return None
    return lines[1].rsplit(":", 2)[0]


def read_calls(build, src, notes):
    """Calls between units from the .ci files under build: {(caller, callee): example}."""
    defined, declared, edges = {}, {}, []
    graphs = 0
    for folder, _, names in os.walk(build):
        for name in names:
            if not name.endswith(".ci"):
                continue
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            graph = CI_GRAPH.search(text)
            if graph is None or unit_of(graph.group(1), src) is None:
                continue
            source = graph.group(1)
            if not os.path.exists(source):
                continue  # a file since removed
            if os.path.getmtime(source) > os.path.getmtime(path):
                notes.append(f"{os.path.relpath(source, src)}: its call graph is older than the file; build first")
            graphs += 1
            for title, label, external in CI_NODE.findall(text):
                (declared if external else defined)[title] = label
            edges.extend(CI_EDGE.findall(text))
    calls = {}
    for caller, callee, at in edges:
        caller_label = defined.get(caller) or declared.get(caller, "")
        # Only a function defined in src has a unit; what the libraries define has none.
        callee_label = defined.get(callee, "")
        # The call's own place: the header of an inline function when that was inlined.
        site = at.rsplit(":", 2)[0] if at else where(caller_label)
        target = where(callee_label)
        if site is None or target is None:
            continue
        a, b = unit_of(site, src), unit_of(target, src)
        if a is None or b is None or a == b:
            continue
        name = callee_label.split("\\n")[0]
        calls.setdefault((a, b), f"{os.path.relpath(site, src)}:{at.rsplit(':', 2)[1] if at else '?'} calls {name}")
    return graphs, calls


def circles(units):
    """The strongly connected components of more than one unit (Tarjan)."""
    index, low, stack, on_stack, counter, found = {}, {}, [], set(), [0], []

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
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(units):
        if v not in index:
            visit(v)
    return found


def main(src, build):
    src = os.path.realpath(src)
    problems, notes = [], []
    units = {}  # "card/Bookwriting" -> set of units it depends on
    why = {}  # (unit, unit) -> what makes the first depend on the second
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
                    why.setdefault((unit, target_unit), f"{rel} includes {target}")
    calls = {}
    if build is not None:
        graphs, calls = read_calls(build, src, notes)
        if graphs == 0:
            problems.append(f"no call graphs (.ci) of src under {build}: build it with GCC first")
        for (a, b), example in calls.items():
            if a in units and b in units:
                units[a].add(b)
                why.setdefault((a, b), example)
    for component in circles(units):
        reason = ALLOWED_CIRCLES.get(frozenset(component))
        if reason is not None:
            notes.append("circle let stand (" + reason + "): " + " -> ".join(component))
            continue
        problems.append("circle: " + " -> ".join(component))
        members = set(component)
        for a in component:
            for b in sorted(units[a] & members):
                problems.append(f"  {a} -> {b}: {why[(a, b)]}")
    for n in notes:
        print("note: " + n)
    for p in problems:
        print(p)
    checked = f"{len(units)} files checked"
    if build is not None:
        checked += f", {len(calls)} pairs of them linked by calls"
    print(f"{checked}, {sum(not p.startswith('  ') for p in problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("src", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "src"))
    parser.add_argument("--calls", metavar="BUILD", help="a build folder with the objects' call graphs (.ci)")
    args = parser.parse_args()
    sys.exit(main(args.src, args.calls))
