#!/usr/bin/env python3
"""First run: the sample template, Next through the faces, the result turned
right with a shadow, saved as JPEG at the rendered size; Finish, "No" to
another image, and the settings file keeps the choices and the window's place."""

import os

from journey import Journey, JourneyError, colours, wait_until


def first_run(j):
    program = j.start()
    j.shot("step0")

    # The picker: None Selected, separator, Edit Templates..., separator, Sample Template.
    before = program.look(program.preview())
    program.choose_template_row(4, 5)
    wait_until("the template preview", lambda: program.look(program.preview()) != before)
    j.shot("sample-template")

    for step in ("front", "side", "result"):
        program.press_and_wait(program.next_button(), program.instructions(), f"the {step} step")
        j.shot(step)
    # Only the result step shows Save in the command bar.
    if len(colours(program.look(program.save_button()))) < 3:
        raise JourneyError("no Save button on the result step")
    # Room for the whole box; the new size is stored at the end.
    program.resize(640, 600)

    # A first run starts turned right: turn it left and back.
    program.press_and_wait(program.orient_left(), program.face_view(), "the box turned left")
    program.press_and_wait(program.orient_right(), program.face_view(), "the box turned right")
    program.press_and_wait(program.shadow_box(), program.face_view(), "the shadow")
    j.shot("right-shadow")
    j.shot("window", program.main)

    target = os.path.join(j.work, "out", "sample box.jpg")
    program.save_as(target, 0)

    # The reference: the same box rendered by the project's render tool from
    # the same stored template (first run: Default Size is ticked).
    j.expect_rendered_size(target, "--template", "Sample Template", "--orientation", "right", "--shadow",
                           "--default-size")

    program.close_with_no(program.next_button())  # Finish, no other image

    stored = j.settings()
    expected = ['"BookType"="0"', '"LeftOrientation"="0"', '"DefaultSize"="1"',
                f'"Left"="{program.main.x}"', f'"Top"="{program.main.y}"',
                '"Width"="640"', '"Height"="600"']
    missing = [e for e in expected if e not in stored]
    if missing:
        raise JourneyError(f"the settings file lacks {missing}:\n{stored}")


if __name__ == "__main__":
    Journey("first_run").main(first_run)
