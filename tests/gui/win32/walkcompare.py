#!/usr/bin/env python3
"""The Windows listener's walk (walksteps.py) beside the Orca walk (tests/gui/qt/Screenreadertest.py):
every step either hears the Orca walk's words or says why not, and every text the Orca walk waits
for has a Windows step or a reason."""
import os
import re
import sys

import walksteps

ORCA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "qt", "Screenreadertest.py")


def main():
    with open(ORCA, encoding="utf-8") as f:
        orca = f.read()
    waited = set(re.findall(r'expect_text\(f?"([^"]*)"', orca))
    problems, covered = [], set()
    for step in walksteps.STEPS:
        words = " | ".join(str(part) for entry in step.heard for part in entry[1:])
        said = (step.orca,) if isinstance(step.orca, str) else step.orca or ()
        if not said and not step.differs:
            problems.append(f"{step.name}: no Orca step and no reason")
        for text in said:
            covered.add(text)
            if f'"{text}"' not in orca:
                problems.append(f"{step.name}: the Orca walk has no step {text!r}")
            pattern = ".+".join(map(re.escape, re.split(r"\{[^}]*\}", text)))
            if text in waited and not step.differs and not re.search(pattern, words):
                problems.append(f"{step.name}: the Orca walk hears {text!r}, Windows {words!r}")
    for text in sorted(waited - covered - set(walksteps.ORCA_ONLY)):
        problems.append(f"the Orca walk hears {text!r}, the Windows walk has no such step nor a reason")
    for problem in problems:
        print(problem)
    print(f"{len(walksteps.STEPS)} steps, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
