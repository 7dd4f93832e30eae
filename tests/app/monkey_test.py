#!/usr/bin/python3
"""Random user input against the desktop program under Xvfb.

Clicks, wheel turns, drags, keys, shortcuts, menu items, typed text,
window closes and resizes of the picture window, drawn from a seeded generator. Fails when the program ends
(exit or signal), when it leaves a part of its window uncovered again
unpainted for the hang limit, or when its resident memory keeps rising through the run's second
half. Never chooses "Exit", never clicks on or closes the program's modal
dialogs: those get only Esc and Enter, as from a user.

Exit status 77 (skipped) when xvfb-run, xdotool or python3-xlib is missing.
"""

import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
INNER_MARK = "QX_MONKEY_INSIDE_XVFB"
SCREEN = "1600x1200x24"

# Picture-window keys; Home asks "Main Mandelbrot?", F1 opens the manual.
PICTURE_KEYS = ["Left", "Right", "Up", "Down", "plus", "minus", "equal", "Home", "Escape",
                "Return", "space", "Tab", "F1", "F11", "a", "1"]
# Every menu shortcut but Exit's.
SHORTCUTS = ["ctrl+b", "ctrl+o", "ctrl+shift+o", "ctrl+s", "ctrl+shift+s", "ctrl+e", "ctrl+i",
             "ctrl+p", "ctrl+l", "ctrl+k", "ctrl+j", "ctrl+Home", "alt+Left", "alt+Right"]
# The menus in the order of the menu bar, with how many items may be reached
# by Down from the top: the File menu's last item, Exit, is never reached.
MENUS = [("File", 7), ("Fractal", 7), ("Zoom movie", 3), ("Help", 2)]
TEXT_CHARACTERS = "0123456789.-eE abcxyz"


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="the desktop program")
    parser.add_argument("--minutes", type=float, default=2.0, help="length of the run")
    parser.add_argument("--seed", type=int, default=None, help="seed of the inputs (default: from the clock)")
    parser.add_argument("--hang-limit", type=float, default=30.0, help="seconds the program may leave its window unpainted")
    parser.add_argument("--memory-limit-mib", type=float, default=150.0,
                        help="rise of the resident memory over the second half that counts as a leak")
    return parser.parse_args()


def rerun_inside_xvfb():
    """Runs this script again under its own X server; returns its status."""
    env = dict(os.environ, **{INNER_MARK: "1"})
    command = ["xvfb-run", "-a", "-s", f"-screen 0 {SCREEN}", sys.executable, os.path.abspath(__file__)]
    return subprocess.call(command + sys.argv[1:], env=env)


class Display:
    """The program's top-level windows, their closing and their repainting, over Xlib."""

    def __init__(self, pid):
        from Xlib import X, display, protocol
        self.X, self.protocol = X, protocol
        self.display = display.Display()
        self.root = self.display.screen().root
        self.pid = pid
        atom = self.display.intern_atom
        self.atoms = {name: atom(name) for name in
                      ("_NET_WM_PID", "_NET_WM_STATE", "_NET_WM_STATE_MODAL", "WM_PROTOCOLS",
                       "WM_DELETE_WINDOW")}

    def _property(self, window, name):
        reply = window.get_full_property(self.atoms[name], self.X.AnyPropertyType)
        return list(reply.value) if reply else []

    def windows(self):
        """Viewable, managed top-level windows of the program: (window, title, modal, x, y, w, h)."""
        found = []
        candidates = list(self.root.query_tree().children)
        # Under a window manager the program's windows sit inside its frames.
        for frame in list(candidates):
            try:
                candidates.extend(frame.query_tree().children)
            except Exception:
                pass
        for window in candidates:
            try:
                attributes = window.get_attributes()
                if attributes.map_state != self.X.IsViewable or attributes.override_redirect:
                    continue
                if self._property(window, "_NET_WM_PID") != [self.pid]:
                    continue
                geometry = window.get_geometry()
                place = window.translate_coords(self.root, 0, 0)
                title = window.get_wm_name() or ""
                if isinstance(title, bytes):
                    title = title.decode("latin-1")
                modal = self.atoms["_NET_WM_STATE_MODAL"] in self._property(window, "_NET_WM_STATE")
                found.append((window, title, modal, -place.x, -place.y, geometry.width, geometry.height))
            except Exception:
                continue  # closed while we looked
        return found

    def _send_protocol(self, window, message, *data):
        event = self.protocol.event.ClientMessage(
            window=window, client_type=self.atoms["WM_PROTOCOLS"],
            data=(32, [self.atoms[message], *data] + [0] * (4 - len(data))))
        window.send_event(event, event_mask=0)
        self.display.flush()

    def close(self, window):
        """What a window manager's close button does."""
        self._send_protocol(window, "WM_DELETE_WINDOW", self.X.CurrentTime)

    def repaint_time(self, place, limit):
        """Seconds the program took to repaint a part of `place` uncovered
        again, or None after `limit`.

        A small window of our own, two colours in a pattern no picture has,
        is shown over the program's window and taken away: the program's
        windows have no background of their own, so the pattern stays on
        the screen until the program's event loop paints there again.
        """
        X = self.X
        _, _, _, x, y, w, h = place
        side = min(16, w, h)
        half = side // 2
        screen = self.display.screen()
        cover = self.root.create_window(x, y, side, side, 0, screen.root_depth, X.InputOutput,
                                        X.CopyFromParent, background_pixel=0x00ff00ff, override_redirect=True)
        cover.create_window(0, 0, half, half, 0, screen.root_depth, X.InputOutput, X.CopyFromParent,
                            background_pixel=0x0000ff00).map()
        cover.map()
        self.display.sync()
        pattern = self.root.get_image(x, y, side, side, X.ZPixmap, 0xffffffff).data
        cover.unmap()
        cover.destroy()
        self.display.sync()
        start = time.monotonic()
        while time.monotonic() - start < limit:
            if self.root.get_image(x, y, side, side, X.ZPixmap, 0xffffffff).data != pattern:
                return time.monotonic() - start
            time.sleep(0.05)
        return None


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def steady_rise_mib(samples):
    """The rise over the second half when it keeps rising to new heights: quarter medians in order,
    the last above everything the first half reached (a leak keeps making new highs; a run that
    shrank its pictures and enlarges them again does not), else 0."""
    first, half = samples[:len(samples) // 2], samples[len(samples) // 2:]
    if len(half) < 8:
        return 0.0
    quarter = len(half) // 4
    medians = [sorted(half[i * quarter:(i + 1) * quarter])[quarter // 2] for i in range(4)]
    if all(later > earlier for earlier, later in zip(medians, medians[1:])) and medians[-1] > max(first):
        return (medians[-1] - medians[0]) / 1024.0
    return 0.0


class Monkey:
    def __init__(self, display, rng):
        self.display = display
        # The two windows that end the program when closed, told apart by
        # size at the start: their titles change with frames and movies.
        first = sorted(display.windows(), key=lambda w: w[5] * w[6], reverse=True)
        self.picture_id = first[0][0].id
        self.menu_id = first[1][0].id if len(first) > 1 else None
        self.rng = rng
        self.counts = {}
        self.recent = []

    def point_in(self, place, margin=0):
        _, _, _, x, y, w, h = place
        return (x + self.rng.randint(margin, max(margin, w - 1 - margin)),
                y + self.rng.randint(margin, max(margin, h - 1 - margin)))

    def act(self):
        windows = self.display.windows()
        modal = [w for w in windows if w[2]]
        if modal:
            # A user answers the question or leaves the dialog with keys only.
            self.display.display.set_input_focus(modal[-1][0], self.display.X.RevertToParent,
                                                 self.display.X.CurrentTime)
            self.display.display.flush()
            action = self.rng.choice(["Escape", "Return", "Tab", "text"])
            self.count("modal " + action)
            if action == "text":
                self.type_text()
            else:
                self.xdotool("key", action)
            return
        picture = next((w for w in windows if w[0].id == self.picture_id), None)
        menu = next((w for w in windows if w[0].id == self.menu_id), None)
        tools = [w for w in windows if w[0].id not in (self.picture_id, self.menu_id)]
        choice = self.rng.choices(
            ["click", "wheel", "drag", "box", "key", "shortcut", "menu", "tool click", "text", "close", "resize"],
            weights=[14, 14, 8, 4, 14, 6, 5, 12, 6, 3, 2])[0]
        if choice in ("click", "wheel", "drag", "box", "key", "resize") and picture is None:
            return
        self.count(choice)
        if choice == "click":
            x, y = self.point_in(picture)
            self.xdotool("mousemove", str(x), str(y), "click", self.rng.choice(["1", "1", "3"]))
        elif choice == "wheel":
            x, y = self.point_in(picture)
            self.xdotool("mousemove", str(x), str(y), "click", "--repeat", str(self.rng.randint(1, 3)),
                         self.rng.choice(["4", "5"]))
        elif choice in ("drag", "box"):
            x, y = self.point_in(picture)
            to_x, to_y = self.point_in(picture)
            button, modifier = "1", []
            if choice == "drag":
                button, modifier = self.rng.choice([("2", []), ("1", ["shift"])])
            steps = ["mousemove", str(x), str(y)]
            if modifier:
                steps += ["keydown", *modifier]
            steps += ["mousedown", button, "mousemove", str((x + to_x) // 2), str((y + to_y) // 2),
                      "mousemove", str(to_x), str(to_y), "mouseup", button]
            if modifier:
                steps += ["keyup", *modifier]
            self.xdotool(*steps)
        elif choice == "key":
            self.focus(picture)
            self.xdotool("key", self.rng.choice(PICTURE_KEYS))
        elif choice == "shortcut":
            self.focus(self.rng.choice([picture, menu] + tools))
            self.xdotool("key", self.rng.choice(SHORTCUTS))
        elif choice == "menu" and menu is not None:
            self.choose_menu_item(menu)
        elif choice == "tool click" and tools:
            tool = self.rng.choice(tools)
            x, y = self.point_in(tool, margin=2)
            self.xdotool("mousemove", str(x), str(y), "click", self.rng.choice(["1", "1", "1", "3"]))
        elif choice == "text" and tools:
            tool = self.rng.choice(tools)
            x, y = self.point_in(tool, margin=2)
            self.xdotool("mousemove", str(x), str(y), "click", "1")
            self.type_text()
            if self.rng.random() < 0.5:
                self.xdotool("key", "Return")
        elif choice == "resize":
            self.xdotool("windowsize", str(picture[0].id), str(self.rng.randint(60, 1200)),
                         str(self.rng.randint(40, 900)))
        elif choice == "close" and tools:
            tool = self.rng.choice(tools)
            self.recent.append(f"close {tool[1]!r}")
            self.display.close(tool[0])

    def count(self, name):
        self.counts[name] = self.counts.get(name, 0) + 1

    def xdotool(self, *arguments):
        # The last inputs are shown when the run fails.
        self.recent = (self.recent + [" ".join(arguments)])[-30:]
        subprocess.run(["xdotool", *arguments], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=20)

    def focus(self, place):
        if place is None:
            return
        self.display.display.set_input_focus(place[0], self.display.X.RevertToParent, self.display.X.CurrentTime)
        self.display.display.flush()

    def type_text(self):
        text = "".join(self.rng.choice(TEXT_CHARACTERS) for _ in range(self.rng.randint(1, 8)))
        self.xdotool("type", "--delay", "5", text)

    def choose_menu_item(self, menu):
        # The menu bar's titles lie side by side from the window's left edge.
        index = self.rng.randrange(len(MENUS))
        title_left = [4, 40, 100, 190][index]
        _, _, _, x, y, _, _ = menu
        self.xdotool("mousemove", str(x + title_left + 10), str(y + 10), "click", "1")
        time.sleep(0.2)
        downs = self.rng.randint(1, MENUS[index][1])
        self.xdotool("key", "--delay", "20", *(["Down"] * downs), "Return")


def run(arguments):
    for tool in ("xdotool",):
        if shutil.which(tool) is None:
            print(f"{tool} is missing; skipped")
            return SKIPPED
    seed = arguments.seed if arguments.seed is not None else int(time.time())
    print(f"seed {seed}, {arguments.minutes} minutes", flush=True)
    rng = random.Random(seed)

    scratch = tempfile.mkdtemp(prefix="quorvatix-monkey-")
    home = os.path.join(scratch, "home")
    work = os.path.join(scratch, "work")
    runtime = os.path.join(scratch, "runtime")
    for folder in (home, work, runtime):
        os.makedirs(folder, mode=0o700)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local/share"), XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb", BROWSER="true")
    env.pop("QT_SCALE_FACTOR", None)
    log_path = os.path.join(scratch, "program.log")
    log = open(log_path, "w")
    program = subprocess.Popen([os.path.abspath(arguments.program)], cwd=work, env=env, stdout=log,
                               stderr=subprocess.STDOUT)
    failure = None
    try:
        failure = drive(program, arguments, rng)
    finally:
        if program.poll() is None:
            program.send_signal(signal.SIGTERM)
            try:
                program.wait(timeout=10)
            except subprocess.TimeoutExpired:
                program.kill()
                program.wait()
        log.close()
    if failure:
        print("FAILED: " + failure)
        with open(log_path, errors="replace") as text:
            print("program output (last lines):\n" + "".join(text.readlines()[-40:]))
        print(f"rerun with --seed {seed}")
    shutil.rmtree(scratch, ignore_errors=True)
    return 1 if failure else 0


def ended(program):
    code = program.poll()
    if code is None:
        return None
    return f"the program ended with signal {-code}" if code < 0 else f"the program ended with status {code}"


def drive(program, arguments, rng):
    display = None
    start = time.monotonic()
    while display is None or len(display.windows()) < 2:
        if ended(program):
            return ended(program)
        if time.monotonic() - start > arguments.hang_limit:
            return "no window appeared"
        if display is None:
            display = Display(program.pid)
        time.sleep(0.2)
    monkey = Monkey(display, rng)
    deadline = time.monotonic() + arguments.minutes * 60
    samples, slowest_repaint, actions = [], 0.0, 0
    next_check = 0.0
    while time.monotonic() < deadline:
        monkey.act()
        actions += 1
        time.sleep(rng.uniform(0.02, 0.25))
        if ended(program):
            return ended(program) + f" after {actions} inputs, the last:\n  " + "\n  ".join(monkey.recent)
        if time.monotonic() >= next_check:
            next_check = time.monotonic() + 3.0
            windows = display.windows()
            if not windows:
                return "the program shows no window"
            answer = display.repaint_time(windows[0], arguments.hang_limit)
            if answer is None:
                return ended(program) or f"the program did not repaint for {arguments.hang_limit:.0f} s"
            slowest_repaint = max(slowest_repaint, answer)
            samples.append(resident_kib(program.pid))
    rise = steady_rise_mib(samples)
    print(f"{actions} inputs: {dict(sorted(monkey.counts.items()))}")
    print(f"slowest repaint {slowest_repaint:.2f} s; resident memory first {samples[0] / 1024:.0f} MiB, "
          f"peak {max(samples) / 1024:.0f} MiB, last {samples[-1] / 1024:.0f} MiB; "
          f"steady rise over the second half {rise:.0f} MiB", flush=True)
    if rise > arguments.memory_limit_mib:
        return f"resident memory kept rising by {rise:.0f} MiB over the second half"
    return None


def main():
    arguments = parse_arguments()
    if os.environ.get(INNER_MARK) is None:
        if shutil.which("xvfb-run") is None:
            print("xvfb-run is missing; skipped")
            return SKIPPED
        return rerun_inside_xvfb()
    try:
        import Xlib  # noqa: F401 (python3-xlib)
    except ImportError:
        print("python3-xlib is missing; skipped")
        return SKIPPED
    return run(arguments)


if __name__ == "__main__":
    sys.exit(main())
