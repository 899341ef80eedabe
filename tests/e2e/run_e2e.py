#!/usr/bin/env python3
"""End-to-end tests of tervane.exe under Wine, worked from outside by the test driver.

  scripts/wine [--arch A] --prefix DIR --session [--dpi N] --
      run_e2e.py --exe tervane.exe --dll usbdongle.dll --noserial-dll usbdongle.dll
                 --driver driver.exe --work DIR [--dpi N] [--versions V,V...]
                 [unittest arguments, e.g. -k Keyboard]

Runs inside a Wine session (DISPLAY and WINEPREFIX set, the prefix at the
DPI given). Each case runs in the Windows versions of modes.txt it needs,
which Wine reports to the program: every case in the first version of each
lookup family, and a case marked @each_version, whose result the version can
change, in every version. At another DPI than 96 only the cases marked
@each_dpi run, in the first version of all. --versions runs only the
versions named. The program runs from DIR/<test>/bin beside a copy of the
stand-in usbdongle.dll (or without one), which simulates the bridges that
DIR/<test>/scenario.txt describes and logs every call to DIR/<test>/calls.log.
"""
import argparse
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import suite_facts

# The cables the registry knows (cable.reg): the main one, one on a port whose number does not
# fit 16 bits, and one whose port the two families keep apart.
CABLES = suite_facts.cables()
MAIN, OVERFLOW, FAMILY = (CABLES[name] for name in ("main", "overflow", "family"))
CABLE, OVERFLOW_CABLE, FAMILY_CABLE = (cable.scenario + "\n" for cable in (MAIN, OVERFLOW, FAMILY))
OTHER_BRIDGE = "bridge vid=0x10c4 pid=0xea60 serial=OTHER\n"
MODES = suite_facts.Modes()
# The DPI of the suite unless it runs at another: Windows' own.
DEFAULT_DPI = 96
# The family of the versions that run no port lookup (Windows NT 4.0): the cable shows the port
# number's start value.
NO_LOOKUP = "none"
NO_LOOKUP_PORT = 0
# The compatibility GUIDs of Windows 8.1 and 10; with either in the manifest
# GetVersion would report the real version and the scan would pick no lookup.
WINDOWS_81_AND_10_IDS = ("1f676c76-80e1-4239-95bb-83d0f6d0da78",
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a")

ARGS = None
WINE_ENV = None
TIMEOUT = 30
# Inside the session it inherits the architecture and the prefix.
WINE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wine")


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_wine(*args, check=True, timeout=TIMEOUT):
    # Output goes through a file, not a pipe: a Wine server started by this
    # command would hold a pipe open long after the command has ended.
    with tempfile.TemporaryFile("w+") as output:
        result = subprocess.run([WINE, *args], env=WINE_ENV, stdout=output,
                                stderr=subprocess.STDOUT, timeout=timeout)
        output.seek(0)
        result.stdout = output.read()
    if check and result.returncode != 0:
        raise AssertionError(f"wine {' '.join(args)} failed ({result.returncode}):\n"
                             f"{result.stdout}")
    return result


class Driver:
    """The test driver, started once and kept for the suite: each Windows process start costs
    the better part of a second, and a case asks the driver a dozen times."""

    def __init__(self):
        self.process = subprocess.Popen([WINE, ARGS.driver, "serve"], env=WINE_ENV,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\r\n"))
        self.lines.put(None)

    def ask(self, words, timeout=TIMEOUT * 4):
        """The lines the driver printed for the words and whether it succeeded."""
        self.process.stdin.write("\t".join(words) + "\n")
        self.process.stdin.flush()
        lines = []
        while True:
            try:
                line = self.lines.get(timeout=timeout)
            except queue.Empty:
                self.stop()
                raise AssertionError(f"driver {words}: no answer in {timeout} s: {lines}")
            if line is None:
                raise AssertionError(f"driver {words}: the driver ended: {lines}")
            if line.startswith("done "):
                return lines, line == "done 0"
            lines.append(line)

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


DRIVER = None


def driver(*commands):
    """Runs driver commands (lists of words); gives the lines it printed."""
    global DRIVER
    words = []
    for command in commands:
        if words:
            words.append(",")
        words.extend(command.split(" ", 1) if not isinstance(command, list) else command)
    if DRIVER is None or DRIVER.process.poll() is not None:
        DRIVER = Driver()
    lines, succeeded = DRIVER.ask(words)
    if not succeeded:
        raise AssertionError(f"driver {words}: {lines}")
    return lines


class Watcher:
    """A driver command running beside the test: started, it is ready once it printed "watching"."""

    def __init__(self, *words, timeout=TIMEOUT):
        self.output = tempfile.TemporaryFile("w+")
        self.process = subprocess.Popen([WINE, ARGS.driver, *words], env=WINE_ENV,
                                        stdout=self.output, stderr=subprocess.STDOUT)
        self.timeout = timeout
        deadline = time.monotonic() + timeout
        while "watching" not in self.lines():
            if self.process.poll() is not None or time.monotonic() > deadline:
                raise AssertionError(f"driver {words} did not start watching: {self.lines()}")
            time.sleep(0.05)

    def lines(self):
        self.output.seek(0)
        return self.output.read().splitlines()

    def finish(self):
        code = self.process.wait(timeout=self.timeout)
        lines = self.lines()
        self.output.close()
        if code != 0:
            raise AssertionError(f"driver: {lines}")
        return lines


def answer(lines, key):
    """The rest of the first line that starts with the key and a blank."""
    for line in lines:
        if line.startswith(key + " "):
            return line[len(key) + 1:]
    raise AssertionError(f"no '{key}' in {lines}")


class Facts:
    """What the program is built with, as the driver has it from the program's own code: its
    title, captions and probe cap, and its layout at a DPI."""

    def __init__(self):
        lines = driver("facts")
        self.title = answer(lines, "title")
        self.not_found = answer(lines, "not-found")
        self.port_prefix = answer(lines, "port-prefix")
        self.probe_cap = int(answer(lines, "probe-cap"))

    @staticmethod
    def layout(dpi):
        """The client area's size and the controls' rectangles, in pixels at the DPI."""
        lines = driver(f"layout {dpi}")
        return {name: tuple(int(n) for n in answer(lines, f"layout-{name}").split())
                for name in ("client", "refresh", "quit", "label")}


FACTS = None


VERSION_SET = None
# Wine sets a version for a program by its file name.
PROGRAM_NAME = "tervane.exe"


def set_version(version):
    """Has Wine report the version to the program, or its own again without one; the registry
    keeps it between cases, and for the session's later programs of the same name."""
    global VERSION_SET
    if version == VERSION_SET:
        return
    driver(["app-version", PROGRAM_NAME, *([version] if version else [])])
    VERSION_SET = version


def seed_registry():
    run_wine("regedit", "/S", windows_path(suite_facts.CABLE_REG))


def each_version(case):
    """Marks a case, or a class of them, whose result the Windows version can change: the port a
    lookup finds or an error only a lookup raises, or the library loader's way for the family
    (wide or ANSI paths). It runs in every version, not only in the first of each family."""
    case.each_version = True
    return case


def each_dpi(case):
    """Marks a case, or a class of them, whose result the DPI can change: it runs at every DPI of
    the suite, not only at 96."""
    case.each_dpi = True
    return case


def marked(test, mark):
    return bool(getattr(getattr(test, test._testMethodName), mark, False)
                or getattr(type(test), mark, False))


def runs_in(test, version):
    """Whether the case runs in the version at the suite's DPI."""
    if ARGS.dpi != DEFAULT_DPI:
        return marked(test, "each_dpi") and version == MODES.versions[0]
    return version in MODES.first_of_families or marked(test, "each_version")


STARTS = 0


class Program:
    """One run of tervane.exe from its own folder, with the stand-in beside it or not."""

    def __init__(self, name, library="full"):
        self.folder = os.path.join(ARGS.work, name)
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(os.path.join(self.folder, "bin"))
        os.makedirs(os.path.join(self.folder, "cwd"))
        self.exe = os.path.join(self.folder, "bin", PROGRAM_NAME)
        shutil.copy(ARGS.exe, self.exe)
        dll = {"full": ARGS.dll, "noserial": ARGS.noserial_dll, "none": None}[library]
        if dll:
            shutil.copy(dll, os.path.join(self.folder, "bin", "usbdongle.dll"))
        self.scenario = os.path.join(self.folder, "scenario.txt")
        self.log = os.path.join(self.folder, "calls.log")
        self.attach("")
        open(self.log, "w").close()
        self.process = None

    def attach(self, scenario):
        with open(self.scenario, "w") as file:
            file.write(scenario)

    def start(self):
        global STARTS
        STARTS += 1
        env = dict(WINE_ENV, TERVANE_STANDIN_SCENARIO=self.scenario, TERVANE_STANDIN_LOG=self.log)
        self.process = subprocess.Popen([WINE, self.exe], cwd=os.path.join(self.folder, "cwd"),
                                        env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        return self

    def log_lines(self):
        with open(self.log) as file:
            return [line.rstrip("\n") for line in file if line.strip()]

    def calls(self, function):
        return [line for line in self.log_lines() if line.startswith(function + " ")]

    def wait(self, timeout=TIMEOUT):
        return self.process.wait(timeout=timeout)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class ModeCase(unittest.TestCase):
    """A case in one Windows version (version, a suite_facts.Version) at the suite's DPI."""
    version = MODES.versions[0]

    def __str__(self):
        dpi = f" at {ARGS.dpi} dpi" if ARGS.dpi != DEFAULT_DPI else ""
        return f"{super().__str__()} [{self.version.name}{dpi}]"


class WindowCase(ModeCase):
    def skip_without_lookup(self):
        if self.version.family == NO_LOOKUP:
            self.skipTest(f"{self.version.name} runs no port lookup, which this error needs")

    def label_for(self, cable):
        """What the window shows for the cable in the case's Windows version."""
        family = self.version.family
        port = NO_LOOKUP_PORT if family == NO_LOOKUP else cable.port(family)
        return FACTS.port_prefix + str(port)

    def cable_label(self):
        """What the window shows for CABLE."""
        return self.label_for(MAIN)

    def setUp(self):
        set_version(self.version.name)
        self.programs = []

    def tearDown(self):
        # A test that failed may leave the window or a message box behind.
        for program in self.programs:
            program.stop()

    def launch(self, scenario="", library="full"):
        program = Program(self.id().rsplit(".", 1)[-1], library)
        program.attach(scenario)
        self.programs.append(program.start())
        return program

    def open_window(self, scenario=""):
        """The program's window, shown with the focus on Refresh, as it opens."""
        program = self.launch(scenario)
        driver("wait-window", "wait-focus Refresh")
        return program

    def label(self):
        return answer(driver("label"), "label")

    def expect_message(self, program, text, owner):
        lines = driver("messagebox")
        self.assertIn(f"messagebox owner={owner}", lines)
        self.assertIn("messagebox icon=yes", lines)
        texts = [line[len("messagebox text="):] for line in lines
                 if line.startswith("messagebox text=")]
        self.assertEqual(len(texts), 1, lines)
        self.assertIn(text, texts[0])
        return lines


class Start(WindowCase):
    def test_without_a_bridge_it_says_none_was_found(self):
        program = self.open_window()
        self.assertEqual(self.label(), FACTS.not_found)
        self.assertEqual(program.calls("CP210x_Open"), [])

    @each_version
    def test_with_the_cable_it_shows_its_port(self):
        program = self.open_window(OTHER_BRIDGE + CABLE)
        self.assertEqual(self.label(), self.cable_label())
        self.assertEqual(len(program.calls("CP210x_Open")), 2)
        self.assertEqual(len(program.calls("CP210x_Close")), 2)

    @each_version
    def test_the_scan_runs_before_the_window_is_shown(self):
        program = self.launch(CABLE)
        # The first moment the window is visible, the label holds the result.
        lines = driver("wait-window 30000", "label")
        self.assertEqual(answer(lines, "label"), self.cable_label())
        self.assertEqual(len(program.calls("CP210x_GetNumDevices")), 1)


class Refresh(WindowCase):
    @each_version
    def test_attaching_and_detaching_between_refreshes(self):
        program = self.open_window()
        self.assertEqual(self.label(), FACTS.not_found)
        program.attach(CABLE)
        driver("click Refresh")
        self.assertEqual(self.label(), self.cable_label())
        program.attach("")
        driver("click Refresh")
        self.assertEqual(self.label(), FACTS.not_found)
        self.assertEqual(len(program.calls("CP210x_GetNumDevices")), 3)

    # Sized in pixels to its text, as the DPI makes them.
    @each_dpi
    def test_a_longer_text_widens_the_label_in_place(self):
        self.open_window(CABLE)
        before = driver("geometry")
        self.program_detach_and_refresh()
        after = driver("geometry")
        label_before = self.label_rect(before)
        label_after = self.label_rect(after)
        self.assertEqual(label_before[:2], label_after[:2])
        self.assertGreater(label_after[2], label_before[2])
        self.assertEqual(label_after[2:], self.extent(after))

    def program_detach_and_refresh(self):
        self.programs[-1].attach("")
        driver("click Refresh")
        self.assertEqual(self.label(), FACTS.not_found)

    @staticmethod
    def label_rect(geometry):
        for line in geometry:
            if line.startswith("control ") and " Static " in line:
                rect = line.split("rect=", 1)[1].split(" ", 1)[0]
                return [int(n) for n in rect.split(",")]
        raise AssertionError(f"no label in {geometry}")

    @staticmethod
    def extent(geometry):
        return [int(n) for n in answer(geometry, "label-text-extent").split()]


class Ending(WindowCase):
    def test_quit_ends_without_closing_the_bridge(self):
        program = self.open_window(CABLE)
        scan = program.log_lines()
        self.assertTrue(scan[-1].startswith("CP210x_Close "), scan)
        driver("click Quit")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.log_lines(), scan)

    def test_closing_the_window_ends_the_program(self):
        program = self.open_window(CABLE)
        scan = program.log_lines()
        driver("close", "wait-gone")
        self.assertEqual(program.wait(), 0)
        # The scan closed its bridge, so the unload step has nothing to close.
        self.assertEqual(program.log_lines(), scan)

    def test_closing_after_a_failed_close_closes_at_most_once_more(self):
        program = self.open_window(CABLE.rstrip("\n") + " fail=Close:5\n")
        closes = len(program.calls("CP210x_Close"))
        driver("close", "wait-gone")
        self.assertEqual(program.wait(), 0)
        self.assertLessEqual(len(program.calls("CP210x_Close")), closes + 1)

    def test_the_end_of_the_session_ends_the_program(self):
        program = self.open_window(CABLE)
        scan = program.log_lines()
        lines = driver("endsession")
        self.assertIn("queryendsession 1", lines)
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.log_lines(), scan)


class FatalErrors(WindowCase):
    @each_version
    def test_a_missing_library_ends_before_the_window_is_shown(self):
        program = self.launch(CABLE, library="none")
        self.expect_message(program, "usbdongle.dll", owner="none")
        self.assertIn("main hidden", driver("main"))
        driver("dismiss")
        self.assertEqual(program.wait(), 1)

    def test_a_missing_function_ends_with_the_bridge_open(self):
        program = self.launch(CABLE, library="noserial")
        self.expect_message(program, "CP210x_GetDeviceSerialNumber", owner="none")
        driver("dismiss")
        self.assertEqual(program.wait(), 1)
        self.assertEqual(len(program.calls("CP210x_Open")), 1)
        self.assertEqual(program.calls("CP210x_Close"), [])

    @each_version
    def test_an_overflowing_port_at_start(self):
        self.skip_without_lookup()
        program = self.launch(OVERFLOW_CABLE)
        lines = self.expect_message(program, "Overflow", owner="none")
        self.assertIn("main hidden", driver("main"))
        driver("dismiss")
        self.assertEqual(program.wait(), 1, lines)

    @each_version
    def test_an_overflowing_port_on_refresh_keeps_the_label(self):
        self.skip_without_lookup()
        program = self.open_window()
        program.attach(OVERFLOW_CABLE)
        self.assertIn("clicked Refresh (still running)", driver("click Refresh"))
        self.expect_message(program, "Overflow", owner="main")
        self.assertEqual(self.label(), FACTS.not_found)
        driver("dismiss")
        self.assertEqual(program.wait(), 1)


class MisbehavingLibrary(WindowCase):
    """A library that writes or reports more than it should: the port, "none found", or the
    program's own error, and the program stays whole."""

    def refresh_twice_and_quit(self, program, label):
        for _ in range(2):
            driver("click Refresh")
            self.assertEqual(self.label(), label)
        driver("click Quit")
        self.assertEqual(program.wait(), 0)

    @each_version
    def test_a_serial_written_past_the_array_still_shows_the_port(self):
        # 256 bytes stored where the program's array holds 64; the length reported is 8.
        program = self.open_window(CABLE.rstrip("\n") + " write=256\n")
        self.assertEqual(self.label(), self.cable_label())
        self.assertIn("written=256", program.calls("CP210x_GetDeviceSerialNumber")[0])
        self.refresh_twice_and_quit(program, self.cable_label())

    @each_version
    def test_a_serial_length_past_the_array_ends_with_subscript_out_of_range(self):
        self.skip_without_lookup()
        for fields in (" length=65", " write=256 length=256", " length=2147483647"):
            with self.subTest(fields=fields):
                program = self.launch(CABLE.rstrip("\n") + fields + "\n")
                self.expect_message(program, "Subscript out of range", owner="none")
                driver("dismiss")
                self.assertEqual(program.wait(), 1)
                # The bridge was closed before the lookup raised the error.
                self.assertEqual(len(program.calls("CP210x_Close")), 1)

    @each_version
    def test_an_absurd_count_is_probed_only_up_to_the_cap(self):
        for numdevices in ("count=2147483647", "status=5 count=2147483647", "count=1000000"):
            with self.subTest(numdevices=numdevices):
                program = self.open_window(f"numdevices {numdevices}\n" + OTHER_BRIDGE + CABLE)
                self.assertEqual(self.label(), self.cable_label())
                self.assertEqual(len(program.calls("CP210x_Open")), FACTS.probe_cap)
                self.assertEqual(len(program.calls("CP210x_Close")), 2)
                driver("click Quit")
                self.assertEqual(program.wait(), 0)

    def test_an_absurd_count_without_the_cable_finds_none(self):
        program = self.open_window("numdevices count=2147483647\n" + OTHER_BRIDGE)
        self.assertEqual(self.label(), FACTS.not_found)
        self.refresh_twice_and_quit(program, FACTS.not_found)

    def test_the_most_negative_count_ends_with_overflow(self):
        program = self.launch("numdevices count=-2147483648\n" + CABLE)
        self.expect_message(program, "Overflow", owner="none")
        driver("dismiss")
        self.assertEqual(program.wait(), 1)
        self.assertEqual(program.calls("CP210x_Open"), [])


@each_dpi
class Geometry(WindowCase):
    def test_window_and_controls(self):
        self.open_window(CABLE)
        lines = driver("geometry")
        expected = FACTS.layout(ARGS.dpi)
        self.assertEqual(answer(lines, "dpi"), f"{ARGS.dpi} {ARGS.dpi}")
        self.assertEqual(answer(lines, "title"), FACTS.title)
        self.assertEqual(tuple(int(n) for n in answer(lines, "client").split()), expected["client"])
        self.assertEqual(answer(lines, "menu"), "no")
        style = int(answer(lines, "style"), 16)
        WS_CAPTION, WS_SYSMENU = 0x00C00000, 0x00080000
        WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x00040000, 0x00020000, 0x00010000
        self.assertEqual(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU)
        self.assertEqual(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0)
        controls = [line.split() for line in lines if line.startswith("control ")]
        # In tab order: Refresh, Quit, then the label, which takes no focus.
        self.assertEqual([(c[2], c[-1]) for c in controls[:2]],
                         [("Button", "text=Refresh"), ("Button", "text=Quit")])
        self.assertEqual([c[2] for c in controls[2:]], ["Static"])
        refresh, quit_, label = (self.fields(c) for c in controls)
        self.assertEqual(refresh["rect"], expected["refresh"])
        self.assertEqual(quit_["rect"], expected["quit"])
        self.assertEqual(label["rect"][:2], expected["label"][:2])
        self.assertEqual(list(label["rect"][2:]), Refresh.extent(lines))
        WS_TABSTOP, BS_TYPEMASK, BS_PUSHBUTTON, BS_DEFPUSHBUTTON = 0x00010000, 0x0F, 0x00, 0x01
        # Refresh has the focus, so it is the default button, as in a dialog.
        for button, kind in ((refresh, BS_DEFPUSHBUTTON), (quit_, BS_PUSHBUTTON)):
            self.assertTrue(button["style"] & WS_TABSTOP)
            self.assertEqual(button["style"] & BS_TYPEMASK, kind)
            self.assertNotIn(button["id"], (1, 2))  # IDOK and IDCANCEL
        self.assertFalse(label["style"] & WS_TABSTOP)
        self.assertEqual(answer(driver("focus"), "focus"), "Refresh")

    @staticmethod
    def fields(words):
        found = {}
        for word in words:
            key, _, value = word.partition("=")
            if key == "rect":
                found[key] = tuple(int(n) for n in value.split(","))
            elif key in ("style", "id"):
                found[key] = int(value, 0)
        return found


class DpiChanges(WindowCase):
    """WM_DPICHANGED as Windows sends it when the window moves to a monitor of another DPI."""

    def expect_layout_at(self, dpi, suggested):
        expected = FACTS.layout(dpi)
        lines = driver("geometry")
        frame = tuple(int(n) for n in answer(lines, "frame").split())
        self.assertEqual(frame, suggested, "the window takes the suggested rectangle")
        client = tuple(int(n) for n in answer(lines, "client").split())
        self.assertEqual(client, expected["client"])
        controls = [Geometry.fields(line.split()) for line in lines if line.startswith("control ")]
        refresh, quit_, label = (c["rect"] for c in controls)
        self.assertEqual(refresh, expected["refresh"])
        self.assertEqual(quit_, expected["quit"])
        self.assertEqual(label[:2], expected["label"][:2])
        # Sized to its text in the default GUI font made for that DPI.
        extent = [int(n) for n in answer(driver(f"label-extent-at {dpi}"),
                                         "label-text-extent-at").split()]
        self.assertEqual(list(label[2:]), extent)
        return lines

    def change_to(self, dpi):
        client = [str(n) for n in FACTS.layout(dpi)["client"]]
        sent = answer(driver(["dpichanged", str(dpi), *client]), f"dpichanged {dpi} suggested")
        return tuple(int(n) for n in sent.split())

    # Each DPI of the suite, highest first, then 96, then back to the DPI the window opened at.
    @each_dpi
    @each_version
    def test_follows_dpi_changes_and_returns_to_its_first_layout(self):
        self.open_window(CABLE)
        first = driver("geometry")
        system = int(answer(first, "dpi").split()[1])
        for round_trip in range(2):
            for dpi in (*sorted(MODES.dpis, reverse=True), DEFAULT_DPI, system):
                with self.subTest(round_trip=round_trip, dpi=dpi):
                    lines = self.expect_layout_at(dpi, self.change_to(dpi))
            self.assertEqual(
                [line for line in lines if line.startswith(("frame", "client", "control"))],
                [line for line in first if line.startswith(("frame", "client", "control"))],
                "back at the first DPI, the window has its first layout")
        self.assertEqual(self.label(), self.cable_label())

    def test_buttons_take_the_visual_style_of_common_controls_6(self):
        self.open_window()
        modules = [line for line in driver("modules") if line.startswith("module ")]
        self.assertTrue(any("\\winsxs\\" in m and "common-controls_6595b64144ccf1df_6." in m
                            for m in modules), modules)


BS_TYPEMASK, BS_DEFPUSHBUTTON = 0x0F, 0x01


class Keyboard(WindowCase):
    """Real key presses, as the keyboard makes them."""

    def test_tab_moves_between_the_buttons(self):
        self.open_window()
        driver("wait-focus Refresh", "key tab", "wait-focus Quit", "key tab", "wait-focus Refresh")

    def test_only_the_focused_button_looks_like_the_default_one(self):
        self.open_window()
        # At open, by Tab both ways, and by a click (BM_CLICK presses it as the mouse does).
        for key, focused in (("", "Refresh"), ("key tab", "Quit"), ("key tab", "Refresh"),
                             ("key tab", "Quit"), ("click Refresh", "Refresh")):
            with self.subTest(focused=focused):
                driver(*[command for command in (key, "wait-focus " + focused) if command])
                buttons = [line for line in driver("geometry")
                           if line.startswith("control ") and " Button " in line]
                defaults = [line.split("text=")[1] for line in buttons
                            if Geometry.fields(line.split())["style"] & BS_TYPEMASK
                            == BS_DEFPUSHBUTTON]
                self.assertEqual(defaults, [focused], buttons)

    @each_version
    def test_space_clicks_the_focused_button(self):
        program = self.open_window()
        program.attach(CABLE)
        driver("key space", "wait-label " + self.cable_label())
        driver("key tab", "wait-focus Quit", "key space")
        self.assertEqual(program.wait(), 0)

    @each_version
    def test_enter_presses_the_focused_button(self):
        # Refresh holds the focus the window gave it at open: Enter scans.
        program = self.open_window()
        program.attach(CABLE)
        driver("wait-focus Refresh", "key enter", "wait-label " + self.cable_label())
        self.assertEqual(len(program.calls("CP210x_GetNumDevices")), 2)
        # On Quit, Enter ends the program at once, without the unload step.
        scan = program.log_lines()
        driver("key tab", "wait-focus Quit", "key enter")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.log_lines(), scan)

    def test_escape_triggers_nothing(self):
        program = self.open_window()
        # Esc with each button focused: it never quits, and nothing scans.
        driver("wait-focus Refresh", "key escape", "key tab", "wait-focus Quit", "key escape",
               "sleep 800", "main")
        self.assertIsNone(program.process.poll())
        self.assertEqual(len(program.calls("CP210x_GetNumDevices")), 1)

    def test_alt_f4_closes_the_window(self):
        program = self.open_window(CABLE)
        scan = program.log_lines()
        driver("wait-focus Refresh", "key alt+f4", "wait-gone")
        self.assertEqual(program.wait(), 0)
        # The unload step finds the scan's bridge closed, and closes nothing.
        self.assertEqual(program.log_lines(), scan)


class Accessibility(WindowCase):
    """The window as a screen reader meets it from another process."""

    @each_version
    def test_names_roles_and_no_access_keys(self):
        self.open_window(CABLE)
        objects = []
        for line in driver("accessible"):
            if line.startswith("accessible "):
                head, name = line.split(" name=", 1)
                words = head.split()
                objects.append((words[1], dict(word.split("=", 1) for word in words[2:]), name))
        self.assertEqual([(what, f["class"], name) for what, f, name in objects],
                         [("window", "TervaneMain", FACTS.title), ("control", "Button", "Refresh"),
                          ("control", "Button", "Quit"), ("control", "Static", self.cable_label())])
        # No caption carries an access key.
        self.assertEqual({f["shortcut"] for _, f, _ in objects}, {"-"}, objects)

    def test_the_classes_and_styles_give_push_buttons_and_static_text(self):
        self.open_window()
        controls = [line.split() for line in driver("geometry") if line.startswith("control ")]
        SS_TYPEMASK, SS_LEFTNOWORDWRAP, SS_NOPREFIX = 0x1F, 0x0C, 0x80
        BS_PUSHBUTTON, WS_TABSTOP = 0x00, 0x00010000
        for words in controls:
            style = Geometry.fields(words)["style"]
            with self.subTest(control=words[-1]):
                if words[2] == "Button":
                    self.assertIn(style & BS_TYPEMASK, (BS_PUSHBUTTON, BS_DEFPUSHBUTTON))
                    self.assertNotIn("&", words[-1])
                else:
                    self.assertEqual(words[2], "Static")
                    # Text drawn as it stands: a static text object named by its text.
                    self.assertEqual(style & SS_TYPEMASK, SS_LEFTNOWORDWRAP)
                    self.assertTrue(style & SS_NOPREFIX)
                    self.assertFalse(style & WS_TABSTOP)


@each_version
class LiveRegion(WindowCase):
    """EVENT_OBJECT_LIVEREGIONCHANGED from the label, caught out of context as a screen reader
    catches it."""

    def expect_one_event(self, watcher, text):
        lines = watcher.finish()
        events = [line for line in lines if line.startswith("live-event ")]
        self.assertEqual(events, [f"live-event 0x8019 class=Static object=-4 child=0 visible=yes "
                                  f"text={text}"], lines)

    def test_the_first_result_is_announced_once_the_window_is_shown(self):
        watcher = Watcher("live-events", "1")
        self.launch(CABLE)
        self.expect_one_event(watcher, self.cable_label())

    def test_each_refresh_announces_its_result(self):
        # A changed text, the same text again, and back.
        program = self.open_window()
        for scenario, label in ((CABLE, self.cable_label()), (CABLE, self.cable_label()),
                                ("", FACTS.not_found)):
            with self.subTest(label=label):
                program.attach(scenario)
                watcher = Watcher("live-events", "1")
                driver("click Refresh")
                self.expect_one_event(watcher, label)


class Versions(WindowCase):
    # Wine's version for the program, and what the label then shows for the
    # cable whose port the two families keep apart: the 95 family reads its
    # own location, the NT family 5 and 6 the NT one (Windows 10 still
    # reports 6.2, as the manifest claims no newer Windows), and NT 4.0 runs
    # no lookup at all.
    @each_version
    def test_the_version_picks_its_lookup(self):
        program = self.open_window(FAMILY_CABLE)
        self.assertEqual(self.label(), self.label_for(FAMILY))
        driver("close", "wait-gone")
        self.assertEqual(program.wait(), 0)


class Resources(ModeCase):
    def test_icon_manifest_and_version(self):
        lines = driver(["resources", windows_path(ARGS.exe)])
        self.assertEqual(answer(lines, "first-icon-group"), "#1")
        images = [line for line in lines if line.startswith("icon-image ")]
        self.assertEqual(images, [
            "icon-image 32x32 colours=16 planes=1 bits=4 stored-bits=4 dib-height=64",
            "icon-image 32x32 colours=8 planes=1 bits=4 stored-bits=4 dib-height=64",
            "icon-image 32x32 colours=2 planes=1 bits=1 stored-bits=1 dib-height=64",
        ])
        manifest = answer(lines, "manifest")
        self.assertIn('level="asInvoker"', manifest)
        self.assertRegex(manifest, r"<dpiAware[^>]*>true</dpiAware>")
        self.assertRegex(manifest, r"<dpiAwareness[^>]*>PerMonitorV2, System</dpiAwareness>")
        self.assertRegex(manifest, r'<assemblyIdentity type="win32" '
                                   r'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"')
        for guid in WINDOWS_81_AND_10_IDS:
            self.assertNotIn(guid, manifest.lower())
        self.assertIn("version ProductName=Tervane", lines)
        self.assertIn("version OriginalFilename=tervane.exe", lines)


def cases(suite):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from cases(test)
        else:
            yield test


def load_tests(loader, standard_tests, pattern):
    # Version by version, so that the registry changes once for each.
    suite = unittest.TestSuite()
    for version in ARGS.versions:
        for test in cases(standard_tests):
            if runs_in(test, version):
                in_version = type(test)(test._testMethodName)
                in_version.version = version
                suite.addTest(in_version)
    return suite


def main():
    global ARGS, WINE_ENV, FACTS
    parser = argparse.ArgumentParser()
    for option in ("--exe", "--dll", "--noserial-dll", "--driver", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--dpi", type=int, default=DEFAULT_DPI)
    parser.add_argument("--versions", default=",".join(v.name for v in MODES.versions),
                        type=lambda names: [MODES.version(name) for name in names.split(",")],
                        help="the Windows versions of modes.txt to run the cases in (all of them)")
    ARGS, rest = parser.parse_known_args()
    for variable in ("DISPLAY", "WINEPREFIX"):
        if not os.environ.get(variable):
            parser.error(f"{variable} is not set: run the suite through scripts/wine --session")
    os.makedirs(ARGS.work, exist_ok=True)
    WINE_ENV = dict(os.environ)
    seed_registry()
    try:
        FACTS = Facts()
        program = unittest.main(module=__name__, argv=[sys.argv[0], "-v", *rest], exit=False)
    finally:
        if DRIVER is not None:
            set_version(None)
            DRIVER.stop()
    result = program.result
    print(f"e2e: {result.testsRun} cases run ({len(result.skipped)} skipped) in "
          f"{','.join(v.name for v in ARGS.versions)} at {ARGS.dpi} dpi; "
          f"tervane.exe started {STARTS} times")
    sys.exit(0 if result.wasSuccessful() and result.testsRun > 0 else 1)


if __name__ == "__main__":
    main()
