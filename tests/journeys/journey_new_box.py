#!/usr/bin/env python3
"""A new box from nothing: Next on the first step; on the empty front face the
text tool asks for a blank image, then the text layer "Hello" at "Highest";
the side face dropped from a file manager; saved as GIF, which decodes at the
size the render tool gives the same faces."""

import os

from journey import Journey, JourneyError, key, run, type_text, wait_until

# In the "New Text Layer" dialog, found in a picture of it.
QUALITY = (399, 148)
HIGHEST, QUALITIES = 0, 5


def new_box(j):
    samples = os.path.join(os.path.dirname(j.args.program), "Samples")
    program = j.start()
    program.press_and_wait(program.next_button(), program.instructions(), "the front step")

    program.press(program.layer_tool(1))  # New Text Layer...
    blank = program.wait_window("Box Front Properties")  # the New Image dialog
    j.shot("new-image")
    key("Return")
    program.wait_gone(blank)
    text = program.wait_window("New Text Layer")
    type_text("Hello")
    program.choose_from_list(lambda: text.click(*QUALITY), HIGHEST, QUALITIES)
    j.shot("text-layer")
    before = program.look(program.face_view())
    text.click(text.w - 138, text.h - 23)  # OK
    program.wait_gone(text)
    wait_until("the text on the front face", lambda: program.look(program.face_view()) != before)
    j.shot("front")

    program.press_and_wait(program.next_button(), program.instructions(), "the side step")
    program.drop_files([os.path.join(samples, "GreyfinchSide.jpg")], program.face_view())
    j.shot("side")

    program.press_and_wait(program.next_button(), program.instructions(), "the result step")
    j.shot("result")
    target = os.path.join(j.work, "out", "new box.gif")
    program.save_as(target, 1)
    with open(target, "rb") as f:
        if f.read(6) not in (b"GIF87a", b"GIF89a"):
            raise JourneyError("the saved file is not a GIF")

    # With "Default Size" (ticked on a first run) the faces are brought to
    # 250 x 300 whatever their own sizes, so the render tool's box from the
    # sample faces has the size of this one.
    j.expect_rendered_size(target, "--front", os.path.join(samples, "GreyfinchFront.jpg"),
                           "--side", os.path.join(samples, "GreyfinchSide.jpg"), "--orientation", "right",
                           "--default-size")

    # The same box as a PNG lies on a transparent ground: the corner is clear.
    png = os.path.join(j.work, "out", "new box.png")
    program.save_as(png, 3)
    corner = run("convert", png, "-format", "%[fx:int(255*p{0,0}.a)]", "info:").strip()
    if corner != "0":
        raise JourneyError(f"the PNG's corner is not transparent (alpha {corner})")

    program.close_with_no(program.next_button())  # Finish, no other image
    if "\\Dialogs\\New Image]" not in j.settings() or "\\Dialogs\\Font]" not in j.settings():
        raise JourneyError(f"the dialogs' positions are not stored:\n{j.settings()}")


if __name__ == "__main__":
    Journey("new_box").main(new_box)
