#!/usr/bin/env python3
"""Exit with unsaved work: the program asks whether to save it; "No" closes
the program and no picture is written anywhere."""

import os

from journey import Journey, JourneyError


def files_below(*folders):
    found = {}
    for folder in folders:
        for root, _, names in os.walk(folder):
            for name in names:
                path = os.path.join(root, name)
                found[path] = os.stat(path).st_mtime_ns
    return found


def unsaved_exit(j):
    samples = os.path.join(os.path.dirname(j.args.program), "Samples")
    before = files_below(samples, os.path.join(j.work, "out"), os.path.join(j.work, "home"))

    program = j.start()
    program.choose_template_row(4, 5)  # Sample Template
    # The front step with the sample's face is work not saved yet.
    program.press_and_wait(program.next_button(), program.instructions(), "the front step")
    j.shot("front")

    program.close_with_no(program.exit_button())

    after = files_below(samples, os.path.join(j.work, "out"), os.path.join(j.work, "home"))
    if after != before:
        changed = sorted(set(after.items()) ^ set(before.items()))
        raise JourneyError(f"files written or changed after No: {changed}")
    pictures = [p for p in files_below(j.work) if p.lower().endswith((".jpg", ".jpeg", ".gif", ".bmp"))]
    if pictures:
        raise JourneyError(f"pictures written after No: {pictures}")


if __name__ == "__main__":
    Journey("unsaved_exit").main(unsaved_exit)
