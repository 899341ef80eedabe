#!/usr/bin/env python3
"""Every failure shown: tervane.exe run once per planted failure, and what the user saw checked.

  sweep.py --arch ARCH --exe tervane.exe --map tervane.exe.map --runner runner.exe
           --faults faults.dll --dll usbdongle.dll --seed cable.reg --expect docs/design.md
           --captions discovery/captions.h --work DIR [--full]

Runs inside a Wine session (scripts/wine --in-session). A first run of each
scenario (Windows 7 and 98, the cable attached or not) without a fault
counts every call of every import and the place it comes from. Then each
call fails in a run of its own, twice: alone (a transient fault) and with
every later call of that function (a persistent one). By default each
distinct call site fails at its first call; --full fails every call. A place
reached only once something has failed is swept with that failure planted
too. Each run must end by itself, without a crash, showing exactly one
message box with one of the program's own fatal texts, or, for the failures
the table in docs/design.md says the program absorbs, the window with the
right label.
"""
import argparse
import os
import queue
import re
import subprocess
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
# The modes and the cables the suites share, read beside run_e2e.py.
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import suite_facts

WINE = os.path.join(HERE, "..", "..", "scripts", "wine")
# The first version of the NT family and of the 95 family: both lookups, both ways of loading.
VERSIONS = [version for version in suite_facts.Modes().first_of_families
            if version.family in ("nt", "95")]
SCENARIOS = [(version.name, cable) for version in VERSIONS for cable in (True, False)]
FATAL_TEXT = re.compile(r"Run-time error '\d+':\n\n.+", re.S)
TABLE_HEAD = "| Import | Call | What the user sees instead |"
# The words of the table's last column that say what the user may see.
KINDS = {"the window": "window", "the error message": "message", "nothing is shown": "nothing"}


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def unescape(word):
    return re.sub(r"\\(s|\\|x[0-9A-F]{2})",
                  lambda m: {"s": " ", "\\": "\\"}.get(m[1]) or chr(int(m[1][1:], 16)), word)


class Runner:
    """One runner.exe, which runs the program under its debugger, one run at a time."""

    def __init__(self, args):
        self.process = subprocess.Popen([WINE, args.runner, windows_path(args.faults)],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def ask(self, *words):
        self.process.stdin.write("\t".join(words) + "\n")
        self.process.stdin.flush()
        lines = []
        for line in self.process.stdout:
            line = line.rstrip("\r\n")
            if line == "done":
                return lines
            lines.append(line)
        raise SystemExit(f"sweep: the runner ended while asked {words}")


class Run:
    """What one run of the program showed, and what the planted library counted."""

    def __init__(self, lines):
        self.boxes, self.imports, self.sites = [], {}, []
        self.exit = self.crash = self.label = self.refreshed = None
        self.hang = False
        for line in lines:
            word, _, rest = line.partition(" ")
            if word == "error":
                raise SystemExit(f"sweep: runner: {rest}")
            if word == "exit":
                self.exit = int(rest, 16)
            elif word == "crash":
                self.crash = rest
            elif word == "hang":
                self.hang = True
            elif word == "box":
                self.boxes.append(unescape(rest))
            elif word in ("label", "refreshed"):
                setattr(self, word, unescape(rest))
            elif word == "patched":
                fields = rest.split()
                self.patched, self.struck, self.lost, self.quit_pending = (
                    int(fields[i]) for i in (0, 2, 4, 6))
            elif word == "import":
                name, hooked, calls, failed = rest.split()
                self.imports[name] = (int(hooked), int(calls), int(failed))
            elif word == "site":
                name, offset, first, after, struck = rest.split()
                self.sites.append((name, int(offset, 16), int(first), after == "1", int(struck)))


class Functions:
    """The function of the program that holds an address, from its link map."""

    def __init__(self, path):
        text = open(path).read().split("Linker script and memory map", 1)[1]
        base = int(re.search(r"(0x[0-9a-f]+)\s+__image_base__", text)[1], 16)
        starts = {}
        for match in re.finditer(r"^ \.text\$(\S+)\s+(0x[0-9a-f]+)\s+0x[0-9a-f]+ ", text, re.M):
            starts[int(match[2], 16) - base] = match[1]
        for match in re.finditer(r"^ \.text\s+(0x[0-9a-f]+)\s+0x[0-9a-f]+ (\S+)$", text, re.M):
            starts.setdefault(int(match[1], 16) - base, os.path.basename(match[2]))
        for match in re.finditer(r"^\s+(0x[0-9a-f]+)\s+([A-Za-z_]\w*)$", text, re.M):
            starts.setdefault(int(match[1], 16) - base, match[2])
        self.starts = sorted(starts)
        names = subprocess.run(["c++filt"], input="\n".join(starts[s] for s in self.starts),
                               capture_output=True, text=True, check=True).stdout.splitlines()
        self.names = [self.short(name) for name in names]

    @staticmethod
    def short(name):
        """tervane::(anonymous namespace)::Load<tervane::A>(char const*) -> Load"""
        name = name.replace("(anonymous namespace)::", "")
        while re.search(r"<[^<>]*>", name):
            name = re.sub(r"<[^<>]*>", "", name)
        name = re.sub(r"\(.*", "", name).replace("tervane::", "")
        return "::".join(name.split("::")[-2:])

    def at(self, offset):
        low, high = 0, len(self.starts)
        while high - low > 1:
            middle = (low + high) // 2
            low, high = (middle, high) if self.starts[middle] <= offset else (low, middle)
        return self.names[low]


class Expectations:
    """The table in docs/design.md: the failures the program absorbs, and the calls that cannot
    fail."""

    def __init__(self, path):
        lines = open(path).read().splitlines()
        rows = lines[lines.index(TABLE_HEAD) + 2:]
        self.cannot_fail, self.rows = set(), []
        for row in rows:
            if not row.startswith("|"):
                break
            imports, call, sees = (cell.strip() for cell in row.strip("|").split("|"))
            names = re.findall(r"`([^`]+)`", imports)
            if call == "cannot fail":
                self.cannot_fail.update(names)
                continue
            calls = None if call == "any" else set(re.findall(r"`([^`]+)`", call))
            label = re.search(r'"([^"]+)"', sees)
            kinds = {kind for phrase, kind in KINDS.items() if phrase in sees}
            self.rows.append((set(names), calls, kinds, label[1] if label else None))

    def of(self, name, function):
        """What the user may see when the import fails in the function: a set of "window",
        "message", "nothing", and the label shown instead."""
        for names, calls, kinds, label in self.rows:
            if name in names and (calls is None or function in calls):
                return kinds, label
        return {"message"}, None

    def of_failures(self, failures):
        """What the user may see after the failures, (name, function) in the order they struck,
        and the labels they may show: a later failure the program absorbs leaves the outcome of
        the earlier ones."""
        allowed, labels = {"window"}, set()
        for name, function in failures:
            kinds, label = self.of(name, function)
            allowed = kinds - {"window"} | (allowed if "window" in kinds else set())
            labels |= {label} - {None}
        return allowed, labels


class Sweep:
    def __init__(self, args):
        self.args = args
        self.functions = Functions(args.map)
        self.expect = Expectations(args.expect)
        captions = open(args.captions).read()
        self.not_found = re.search(r'kNotFoundCaption\[\] = "([^"]+)"', captions)[1]
        self.port_prefix = re.search(r'kPortCaptionPrefix\[\] = "([^"]+)"', captions)[1]
        self.cable = suite_facts.cables(args.seed)["main"]
        self.ports = {version.name: self.cable.port(version.family) for version in VERSIONS}
        self.failures, self.counts = [], {"crashes": 0, "silent exits": 0, "hangs": 0}
        self.injections, self.swept_sites, self.walked, self.missed = 0, set(), set(), 0
        self.lock = threading.Lock()

    def layout(self):
        work = self.args.work
        for version, _ in VERSIONS:
            os.makedirs(os.path.join(work, version, "bin"), exist_ok=True)
            os.makedirs(os.path.join(work, version, "cwd"), exist_ok=True)
            for source, name in ((self.args.exe, f"tervane-{version}.exe"),
                                 (self.args.dll, "usbdongle.dll")):
                with open(source, "rb") as src, open(os.path.join(work, version, "bin", name),
                                                     "wb") as dst:
                    dst.write(src.read())
        with open(os.path.join(work, "cable.txt"), "w") as scenario:
            scenario.write(self.cable.scenario + "\n")
        open(os.path.join(work, "none.txt"), "w").close()
        subprocess.run([WINE, "regedit", "/S", windows_path(self.args.seed)], check=True)

    def exe(self, version):
        return windows_path(os.path.join(self.args.work, version, "bin", f"tervane-{version}.exe"))

    def scenario(self, cable):
        return windows_path(os.path.join(self.args.work, "cable.txt" if cable else "none.txt"))

    def normal_label(self, version, cable):
        return f"{self.port_prefix}{self.ports[version]}" if cable else self.not_found

    def run(self, runner, scenario, plan):
        version, cable = scenario
        words = [f"{name}:{call}:{mode}" for name, call, mode, _ in plan]
        return Run(runner.ask("run", self.exe(version), self.scenario(cable), *words))

    def outcome(self, run, scenario, plan, may_miss):
        """What the run showed, against what the plan's failures should show: None when right,
        "missed" when a call the plan may miss was not made."""
        if run.crash:
            return "crashes", f"crashed with exception {run.crash}"
        if run.hang:
            return "hangs", "did not end"
        if run.patched != 1 or run.lost:
            return "silent exits", f"the faults were not planted, or {run.lost} records lost"
        if plan and run.struck == 0:
            return "missed" if may_miss else ("silent exits", "the planted failure never struck")
        struck = sorted((order, name, self.functions.at(offset))
                        for name, offset, _, _, order in run.sites if order)
        allowed, labels = self.expect.of_failures([(name, f) for _, name, f in struck])
        labels.add(self.normal_label(*scenario))
        if run.imports.get("MessageBoxA", (0, 0, 0))[2]:
            return "silent exits", "a message box went away without the user's answer"
        if run.quit_pending:
            return "silent exits", "a message box came with WM_QUIT waiting, which ends it unread"
        if len(run.boxes) == 1 and run.exit == 1:
            if "message" not in allowed:
                return "silent exits", f"showed {run.boxes[0]!r} where it should go on"
            if not FATAL_TEXT.fullmatch(run.boxes[0]):
                return "silent exits", f"showed a text not its own: {run.boxes[0]!r}"
            return None
        if run.boxes:
            return "silent exits", f"showed {len(run.boxes)} message boxes: {run.boxes}"
        if run.exit == 0 and run.label is not None:
            if "window" not in allowed:
                return "silent exits", f"went on, showing {run.label!r}"
            shown = {run.label, run.refreshed}
            if not shown <= labels or None in shown:
                return "silent exits", f"showed {run.label!r}, then {run.refreshed!r}"
            return None
        if run.exit == 1 and "nothing" in allowed:
            return None
        return "silent exits", f"ended with exit code {run.exit} and no message box"

    def check(self, run, scenario, plan, may_miss=False):
        verdict = self.outcome(run, scenario, plan, may_miss)
        if verdict == "missed":
            with self.lock:
                self.missed += 1
        elif verdict:
            kind, text = verdict
            with self.lock:
                self.counts[kind] += 1
                where = ", then ".join(f"{name} call {call} ({mode}, in {function})"
                                       for name, call, mode, function in plan)
                self.failures.append(f"{scenario[0]}, cable {scenario[1]}: {where}: {text}")

    def census(self, runner):
        """The calls of a run without faults, per scenario; checks that every import is known."""
        sites = {}
        for scenario in SCENARIOS:
            run = self.run(runner, scenario, [])
            self.check(run, scenario, [])
            for name, (hooked, _, _) in run.imports.items():
                self.walked.add(name)
                if hooked != 1 and name not in self.expect.cannot_fail:
                    self.failures.append(f"{name}: no failure is declared for it in faults.cpp, "
                                         "and docs/design.md does not say it cannot fail")
                if hooked == 1 and name in self.expect.cannot_fail:
                    self.failures.append(f"{name}: docs/design.md says it cannot fail, "
                                         "but faults.cpp makes it fail")
            sites[scenario] = run
        return sites

    def plans(self, scenario, run, parent, seen_sites):
        """The runs that fail each of the run's sites not yet swept: at its first call, or at
        every call with --full, in both modes. A later call may not come in every run: how many
        messages the window gets, and so how often some functions are called, varies."""
        for name, offset, first, after, _ in run.sites:
            if parent and not after or (name, offset) in seen_sites:
                continue
            seen_sites.add((name, offset))
            function = self.functions.at(offset)
            calls = [first]
            if self.args.full and not parent:
                calls = range(first, run.imports[name][1] + 1)
            for call in calls:
                for mode in ("once", "always"):
                    yield (scenario, parent + [(name, call, mode, function)], (name, offset),
                           call != first)

    def sweep(self):
        self.layout()
        runners = [Runner(self.args) for _ in range(self.args.jobs)]
        for version, _ in VERSIONS:
            runners[0].ask("version", f"tervane-{version}.exe", version)
        census = self.census(runners[0])
        work, seen_sites = queue.Queue(), set()
        pending = [0]
        for scenario, run in census.items():
            for item in self.plans(scenario, run, [], seen_sites):
                work.put(item)
                pending[0] += 1

        def worker(runner):
            while True:
                item = work.get()
                if item is None:
                    return
                scenario, plan, site, may_miss = item
                run = self.run(runner, scenario, plan)
                self.check(run, scenario, plan, may_miss)
                with self.lock:
                    self.injections += 1
                    self.swept_sites.add(site)
                    if len(plan) < 4:
                        for follow in self.plans(scenario, run, plan, seen_sites):
                            work.put(follow)
                            pending[0] += 1
                    pending[0] -= 1
                    if pending[0] == 0:
                        for _ in runners:
                            work.put(None)

        threads = [threading.Thread(target=worker, args=(r,)) for r in runners]
        if pending[0] == 0:
            for _ in runners:
                work.put(None)
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        for runner in runners:
            runner.process.stdin.close()
            runner.process.wait()
        for failure in self.failures:
            print("FAIL", failure)
        print(f"fault sweep ({self.args.arch}): {len(self.walked)} imports, "
              f"{len(self.swept_sites)} call sites, {self.injections} injections, "
              f"{self.counts['crashes']} crashes, {self.counts['silent exits']} silent exits, "
              f"{self.counts['hangs']} hangs")
        if self.missed:
            print(f"missed ({self.args.arch}): {self.missed} of the later calls planned to fail "
                  "were not made in their run")
        return not self.failures


def main():
    parser = argparse.ArgumentParser()
    for option in ("--arch", "--exe", "--map", "--runner", "--faults", "--dll", "--seed",
                   "--expect", "--captions", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--full", action="store_true", help="fail every call, not every site")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()
    sys.exit(0 if Sweep(args).sweep() else 1)


if __name__ == "__main__":
    main()
