"""Shared driver of the journeys: runs the real cubiform on an X server of its
own (xvfb-run), sends it real X events with xdotool, takes pictures of the
screen with ImageMagick's import and reads the files it writes back with the
project's own readers.

Controls are found from the window's geometry and the design layout of the
host and the page (the page's controls keep their design places; those
anchored right keep their distance from the right edge). Waits poll the
screen or the window list until something happens, with a timeout.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time
import traceback

SKIP = 77
SCREEN = (1024, 768)

# Host layout: the information panel on top, the command bar at the bottom.
TOP_PANEL = 59
BOTTOM_PANEL = 46
BUTTON_TOP = 14
BUTTON_H = 23
# Page layout (below the information panel): the instruction area is 117
# high; the result step's strip is its bottom 31 pixels.
TOOLS_H = 117
STRIP_TOP = TOOLS_H - 31


class JourneyError(Exception):
    pass


def run(*cmd, check=True, env=None, timeout=30):
    done = subprocess.run(cmd, capture_output=True, text=True, env=env, timeout=timeout)
    if check and done.returncode != 0:
        raise JourneyError(f"{' '.join(cmd)} exited with {done.returncode}: {done.stderr.strip()}")
    return done.stdout


def wait_until(what, probe, timeout=10.0, interval=0.05):
    """Polls probe() until it returns something true; that is returned."""
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise JourneyError(f"timed out waiting for {what}")
        time.sleep(interval)


class Screen:
    """The whole X screen as raw RGB bytes."""

    def __init__(self):
        w, h = SCREEN
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                             capture_output=True, timeout=30).stdout
        if len(raw) != w * h * 3:
            raise JourneyError(f"screen grab gave {len(raw)} bytes")
        self.raw = raw

    def region(self, x, y, w, h):
        rows = []
        for row in range(max(0, y), min(SCREEN[1], y + h)):
            i = (row * SCREEN[0] + max(0, x)) * 3
            rows.append(self.raw[i:i + 3 * (min(SCREEN[0], x + w) - max(0, x))])
        return b"".join(rows)


def colours(data):
    return {data[i:i + 3] for i in range(0, len(data), 3)}


class Window:
    def __init__(self, wid):
        self.id = wid
        self.refresh()

    def refresh(self):
        values = dict(line.split("=", 1) for line in
                      run("xdotool", "getwindowgeometry", "--shell", self.id).split())
        self.x, self.y = int(values["X"]), int(values["Y"])
        self.w, self.h = int(values["WIDTH"]), int(values["HEIGHT"])
        return self

    def click(self, x, y, button=1):
        """Clicks at (x, y) inside the window; negative values count from the right or bottom."""
        if x < 0:
            x += self.w
        if y < 0:
            y += self.h
        run("xdotool", "mousemove", str(self.x + x), str(self.y + y), "click", str(button))
        return self.x + x

    def region(self, screen, x, y, w, h):
        return screen.region(self.x + x, self.y + y, w, h)


def key(*keys):
    run("xdotool", "key", "--delay", "30", *keys)


def type_text(text):
    run("xdotool", "type", "--delay", "10", text)


class Program:
    """One run of cubiform with the journey's own settings file."""

    def __init__(self, journey, arguments=()):
        self.journey = journey
        self.log = os.path.join(journey.work, f"cubiform-{len(journey.programs) + 1}.log")
        with open(self.log, "w") as log:
            self.proc = subprocess.Popen([journey.args.program, *arguments], env=journey.env,
                                         stdout=log, stderr=subprocess.STDOUT)
        journey.programs.append(self)
        self.known = set()
        wid = wait_until("the wizard window", lambda: self.new_windows(), timeout=20)[0]
        self.main = Window(wid)
        # The first paint has happened once the bottom bar shows its buttons.
        wait_until("the wizard's buttons", lambda: len(colours(
            self.main.region(Screen(), *self.next_button()))) > 2)

    def visible_windows(self):
        if self.proc.poll() is not None:
            raise JourneyError(f"cubiform ended early ({self.proc.returncode}):\n{self.output()}")
        out = run("xdotool", "search", "--onlyvisible", "--pid", str(self.proc.pid), check=False)
        return out.split()

    def new_windows(self):
        """Visible windows that have not been seen before (they are then known)."""
        fresh = [w for w in self.visible_windows() if w not in self.known]
        self.known.update(fresh)
        return fresh

    def wait_window(self, title, timeout=10):
        """A new top-level window whose title starts with title."""
        def probe():
            for wid in self.visible_windows():
                if wid not in self.known and run("xdotool", "getwindowname", wid,
                                                 check=False).startswith(title):
                    self.known.add(wid)
                    return wid
            return None
        window = Window(wait_until(f'the window "{title}"', probe, timeout=timeout))
        # Shown, painted (not one colour any more) and taking the keys.
        wait_until(f'"{title}" to paint', lambda: len(colours(
            window.refresh().region(Screen(), 0, 0, window.w, window.h))) > 3)
        wait_until(f'"{title}" to take the keyboard focus',
                   lambda: run("xdotool", "getwindowfocus", check=False).strip() == window.id)
        return window

    def wait_gone(self, window, timeout=10):
        wait_until(f"window {window.id} to close",
                   lambda: window.id not in self.visible_windows(), timeout=timeout)
        self.known.discard(window.id)

    def wait_exit(self, timeout=15):
        try:
            rc = self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise JourneyError("cubiform did not close")
        if rc != 0:
            raise JourneyError(f"cubiform exited with {rc}:\n{self.output()}")

    def output(self):
        with open(self.log, errors="replace") as log:
            return log.read()

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()

    # Host controls: (x, y, w, h) inside the main window.
    def next_button(self):
        return (self.main.w - 94 - 75, self.main.h - BOTTOM_PANEL + BUTTON_TOP, 75, BUTTON_H)

    def exit_button(self):
        return (self.main.w - 8 - 75, self.main.h - BOTTOM_PANEL + BUTTON_TOP, 75, BUTTON_H)

    def save_button(self):
        return (self.main.w - 251 - 185, self.main.h - BOTTOM_PANEL + BUTTON_TOP, 185, BUTTON_H)

    # Page controls.
    def page(self, x, y, w, h):
        return (x, TOP_PANEL + y, w, h)

    def instructions(self):
        return self.page(7, 8, self.main.w - 13, 73)

    def face_view(self):
        """The face or result view below the layer toolbar (faces) or the strip."""
        return self.page(0, TOOLS_H + 28, self.main.w, self.main.h - BOTTOM_PANEL - TOP_PANEL - TOOLS_H - 28)

    def templates_combo(self):
        return self.page(8, TOOLS_H + 24, 200, 21)

    def preview(self):
        return self.page(224, TOOLS_H + 24, self.main.w - 232 - 16, 150)

    def shadow_box(self):
        return self.page(96, STRIP_TOP + 8, 14, 14)

    def orient_left(self):
        return self.page(self.main.w - 8 - 2 * 23 - 2, STRIP_TOP + 4, 23, 23)

    def orient_right(self):
        return self.page(self.main.w - 8 - 23, STRIP_TOP + 4, 23, 23)

    def resize(self, w, h):
        """Resizes the main window as a window manager would, and waits for the new layout."""
        run("xdotool", "windowsize", self.main.id, str(w), str(h))
        wait_until("the window's new size", lambda: (self.main.refresh().w, self.main.h) == (w, h))
        wait_until("the buttons in their new places", lambda: len(colours(self.look(self.exit_button()))) > 2)

    def layer_tool(self, index):
        """The index-th button of the layer toolbar after Undo, Redo and their
        separator (0 image, 1 text)."""
        return self.page(4 + 2 * 23 + 8 + 26 * index, TOOLS_H + 2, 24, 24)

    def press(self, control):
        x, y, w, h = control
        return self.main.click(x + w // 2, y + h // 2)

    def look(self, control):
        return self.main.region(Screen(), *control)

    def press_and_wait(self, control, watched, what, timeout=10):
        """Presses a control and waits until the watched area changes."""
        before = self.look(watched)
        self.press(control)
        wait_until(what, lambda: self.look(watched) != before, timeout=timeout)

    def choose_from_list(self, opener, row, rows, shot=None):
        """Clicks opener() to drop a list down, then the row-th of its rows
        (all rows have one height)."""
        x = opener()

        def dropped():
            # The list lies under the control (a tooltip would not).
            for wid in self.new_windows():
                self.known.discard(wid)
                try:
                    window = Window(wid)
                except JourneyError:  # gone again
                    continue
                if window.x <= x < window.x + window.w and window.h >= rows * 8:
                    return window
            return None
        popup = wait_until("the list to drop down", dropped)
        if shot:
            wait_until("the list to paint", lambda: len(colours(
                popup.region(Screen(), 0, 0, popup.w, popup.h))) > 3)
            self.journey.shot(shot)
        popup.click(popup.w // 2, (2 * row + 1) * popup.h // (2 * rows))
        wait_until("the list to close", lambda: popup.id not in self.visible_windows())

    def choose_template_row(self, row, rows, shot=None):
        """Picks a row of the template picker."""
        self.choose_from_list(lambda: self.press(self.templates_combo()), row, rows, shot)

    def save_as(self, path, file_type):
        """Save in the command bar; in Qt's save dialog the type (0 JPEG, 1 GIF,
        2 BMP, 3 PNG) is chosen in "Files of type" (at the bottom left) and the name typed."""
        self.press(self.save_button())
        dialog = self.wait_window("Save As")
        self.choose_from_list(lambda: dialog.click(150, dialog.h - 24), file_type, 4)
        dialog.click(150, dialog.h - 54)  # the name field above it
        key("ctrl+a")
        type_text(path)
        self.journey.shot("save-as")
        key("Return")
        self.wait_gone(dialog)
        wait_until(f"the file {path}", lambda: os.path.exists(path))

    def drop_files(self, files, control):
        """Drags files from a stand-in file manager onto a control and drops them there."""
        with open(os.path.join(self.journey.work, "dragsource.log"), "a") as log:
            source = subprocess.Popen([self.journey.args.dragsource, *files], env=self.journey.env,
                                      stdout=log, stderr=subprocess.STDOUT)
        try:
            found = wait_until("the drag source", lambda: run(
                "xdotool", "search", "--onlyvisible", "--pid", str(source.pid), check=False).split())
            window = Window(found[0])
            wait_until("the drag source to paint", lambda: len(colours(
                window.region(Screen(), 0, 0, window.w, window.h))) > 1)
            x0, y0 = window.x + window.w // 2, window.y + window.h // 2
            x, y, w, h = control
            x1, y1 = self.main.x + x + w // 2, self.main.y + y + h // 2
            run("xdotool", "mousemove", str(x0), str(y0), "mousedown", "1")
            # The target learns where the drag is from the pointer's moves over it.
            for k in range(1, 13):
                run("xdotool", "mousemove", str(x0 + (x1 - x0) * k // 12), str(y0 + (y1 - y0) * k // 12))
                time.sleep(0.03)
            before = self.look(control)
            run("xdotool", "mouseup", "1")
            # The program reads the dropped names from the source, so it stays until then.
            wait_until("the dropped file on the face", lambda: self.look(control) != before)
        finally:
            source.kill()
            source.wait()

    def answer(self, title, letter):
        """Answers the message box titled title with the button of that mnemonic."""
        box = self.wait_window(title)
        self.journey.shot(f"question-{letter}")
        key(letter)
        return box

    def close_with_no(self, button):
        """Presses button (Finish or Exit), answers the program's question No and
        waits for the program to end."""
        self.press(button)
        self.answer("Cubiform 2.0", "n")
        self.wait_exit()


class Journey:
    def __init__(self, name):
        self.name = name
        parser = argparse.ArgumentParser()
        for option in ("--program", "--imagesize", "--render", "--dragsource", "--work", "--shots"):
            parser.add_argument(option, required=True)
        self.args = parser.parse_args()
        self.work = os.path.abspath(self.args.work)
        self.shots = os.path.abspath(self.args.shots)
        self.count = 0
        self.programs = []
        self.env = dict(os.environ,
                        CUBIFORM_HIVE=os.path.join(self.work, "user.reg"),
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        XDG_RUNTIME_DIR=os.path.join(self.work, "runtime"),
                        HOME=os.path.join(self.work, "home"),
                        QT_QPA_PLATFORM="xcb")
        self.env.pop("QT_SCALE_FACTOR", None)

    @property
    def hive(self):
        return self.env["CUBIFORM_HIVE"]

    def shot(self, label, window=None):
        """A picture of the screen, or of one window only."""
        self.count += 1
        path = os.path.join(self.shots, f"{self.name}-{self.count:02d}-{label}.png")
        run("import", "-window", window.id if window else "root", path)
        return path

    def image_size(self, path):
        out = run(self.args.imagesize, path).strip()
        w, h = out.split("x")
        return int(w), int(h)

    def expect_rendered_size(self, saved, *render_args):
        """The picture saved has the size of the render tool's box made with render_args."""
        reference = os.path.join(self.work, "out", "reference" + os.path.splitext(saved)[1])
        run(self.args.render, *render_args, "-o", reference, env=self.env)
        got, rendered = self.image_size(saved), self.image_size(reference)
        if got != rendered:
            raise JourneyError(f"saved {got[0]}x{got[1]}, rendered {rendered[0]}x{rendered[1]}")

    def settings(self):
        with open(self.hive, encoding="utf-8", errors="replace") as f:
            return f.read()

    def start(self, *arguments):
        return Program(self, arguments)

    def main(self, body):
        """Runs body(journey) on an X server of its own; exits with the test's result."""
        if os.environ.get("JOURNEY_ON_XVFB") != "1":
            for tool in ("xvfb-run", "xdotool", "import"):
                if not shutil.which(tool):
                    print(f"{tool} is not installed: journey skipped")
                    sys.exit(SKIP)
            sys.exit(self.relaunch())
        shutil.rmtree(self.work, ignore_errors=True)
        for sub in ("config", "home", "out"):
            os.makedirs(os.path.join(self.work, sub))
        os.makedirs(os.path.join(self.work, "runtime"), mode=0o700)
        os.makedirs(self.shots, exist_ok=True)
        for old in os.listdir(self.shots):
            if old.startswith(self.name + "-"):
                os.remove(os.path.join(self.shots, old))
        started = time.monotonic()
        try:
            body(self)
        except Exception as e:  # the program must not outlive a broken journey
            if not isinstance(e, JourneyError):
                traceback.print_exc()
            print(f"FAILED: {e}")
            try:
                print("screen at the failure:", self.shot("failure"))
            except JourneyError:
                pass
            for program in self.programs:
                program.kill()
            print("0 passed, 1 failed")
            sys.exit(1)
        print(f"{self.name}: done in {time.monotonic() - started:.1f} s; pictures in {self.shots}")
        print("1 passed, 0 failed")
        sys.exit(0)

    def relaunch(self):
        """Runs this script again on an X server of its own. The server must
        not reset when its last client goes: the journey's short-lived
        clients (xdotool, import) come and go while the program connects."""
        env = dict(os.environ, JOURNEY_ON_XVFB="1")
        return subprocess.call(["xvfb-run", "-a", "-s", f"-screen 0 {SCREEN[0]}x{SCREEN[1]}x24 -noreset",
                                sys.executable, *sys.argv], env=env)
