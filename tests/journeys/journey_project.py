#!/usr/bin/env python3
"""A project carried over to the next day: the sample box with its faces is
saved as a project with Ctrl+Shift+S, the program closes, the project is
opened again as the program's argument (as from a file manager), and the
picture saved from it is the one cubiform-render makes of the project."""

import os

from journey import Journey, JourneyError, colours, key, run, type_text, wait_until


def project(j):
    out = os.path.join(j.work, "out")
    saved = os.path.join(out, "greyfinch.cubiform")

    program = j.start()
    j.shot("first-step")
    program.choose_template_row(4, 5)  # Sample Template
    program.press_and_wait(program.next_button(), program.instructions(), "the front step")
    key("ctrl+shift+s")
    dialog = program.wait_window("Save Project")
    key("ctrl+a")
    type_text(os.path.join(out, "greyfinch"))  # the extension is added
    j.shot("save-project")
    key("Return")
    program.wait_gone(dialog)
    wait_until(f"the project {saved}", lambda: os.path.exists(saved))
    program.close_with_no(program.exit_button())

    program = j.start(saved)
    wait_until("the project's front face", lambda: len(colours(program.look(program.face_view()))) > 8)
    j.shot("reopened")
    # A two-sided box: the side, then the result.
    for _ in range(2):
        program.press_and_wait(program.next_button(), program.instructions(), "the next step")
    picture = os.path.join(out, "greyfinch.png")
    program.save_as(picture, 3)
    j.shot("result")
    reference = os.path.join(out, "reference.png")
    run(j.args.render, "--project", saved, "-o", reference, env=j.env)
    with open(picture, "rb") as a, open(reference, "rb") as b:
        if a.read() != b.read():
            raise JourneyError("the picture saved from the opened project is not cubiform-render's")
    # Saved, and the project unchanged: Exit asks nothing.
    program.press(program.exit_button())
    program.wait_exit()


if __name__ == "__main__":
    Journey("project").main(project)
