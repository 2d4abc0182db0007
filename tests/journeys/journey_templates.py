#!/usr/bin/env python3
"""Templates dialog round trip: "Edit Templates..." → add "My Box" with the
sample faces (one typed, one chosen in the Open dialog) → OK; the picker
selects it and shows its preview. After a restart it is still in the list
and still previews."""

import os
import re

from journey import Journey, JourneyError, Screen, key, run, type_text, wait_until

# Controls of the Templates dialog (fixed size), found in a picture of it.
ADD = (291, 77)
NAME_FIELD = (162, 137)
FRONT_FIELD = (162, 185)
SIDE_FIELD = (162, 234)
OPEN_BESIDE_SIDE = (311, 234)  # the open button follows the field last entered


def add_my_box(j, program, samples, no_preview):
    program.choose_template_row(2, 5)  # Edit Templates...
    dialog = program.wait_window("Templates")
    j.shot("templates-dialog")
    name_area = (NAME_FIELD[0] - 100, NAME_FIELD[1] - 8, 200, 16)
    empty_name = dialog.region(Screen(), *name_area)

    dialog.click(*ADD)
    ask = program.wait_window("Add New Template")
    type_text("My Box")
    j.shot("name")
    key("Return")
    program.wait_gone(ask)
    wait_until("the new template's name in its field",
               lambda: dialog.region(Screen(), *name_area) != empty_name)

    dialog.click(*FRONT_FIELD)
    type_text(os.path.join(samples, "GreyfinchFront.jpg"))
    dialog.click(*SIDE_FIELD)
    dialog.click(*OPEN_BESIDE_SIDE)
    chooser = program.wait_window("Open")
    type_text(os.path.join(samples, "GreyfinchSide.jpg"))
    j.shot("open-side")
    key("Return")
    program.wait_gone(chooser)
    j.shot("my-box")

    dialog.click(dialog.w - 138, dialog.h - 23)  # OK
    program.wait_gone(dialog)
    wait_until("the preview of My Box", lambda: program.look(program.preview()) != no_preview)
    j.shot("picked")


def templates(j):
    samples = os.path.join(os.path.dirname(j.args.program), "Samples")
    program = j.start()
    no_preview = program.look(program.preview())
    add_my_box(j, program, samples, no_preview)
    program.press(program.exit_button())
    program.wait_exit()

    stored = j.settings()
    for expected in (r"\Templates\My Box]", '"ItemName"="My Box"',
                     f'"FrontImage"="{os.path.join(samples, "GreyfinchFront.jpg")}"',
                     f'"SideImage"="{os.path.join(samples, "GreyfinchSide.jpg")}"',
                     "[HKEY_CURRENT_USER\\Templates]",
                     "\\Dialogs\\Input]"):
        if expected not in stored:
            raise JourneyError(f"the settings file lacks {expected}:\n{stored}")
    names = run(j.args.render, "--list-templates", env=j.env).splitlines()
    if "My Box" not in names:
        raise JourneyError(f"the render tool lists {names}")

    # Again: "My Box" sorts before "Sample Template", in row 4 of 6.
    program = j.start()
    if program.look(program.preview()) != no_preview:
        raise JourneyError("a preview before any template was picked")
    program.choose_template_row(4, 6, shot="list-after-restart")
    wait_until("the preview of My Box after the restart",
               lambda: program.look(program.preview()) != no_preview)
    j.shot("picked-after-restart")
    program.press(program.exit_button())
    program.wait_exit()


if __name__ == "__main__":
    Journey("templates").main(templates)
