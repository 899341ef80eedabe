#!/usr/bin/env python3
"""The facts the suites under Wine share, each read from its one home: the Windows versions and
DPIs they run in (modes.txt) and the cables they attach (cable.reg).

  suite_facts.py --header FILE         writes the cables as a C++ header for the C++ suites
  suite_facts.py --port CABLE FAMILY   prints the number of the port the family's lookup finds
"""
import argparse
import collections
import os
import re

HERE = os.path.dirname(os.path.abspath(__file__))
MODES = os.path.join(HERE, "modes.txt")
CABLE_REG = os.path.join(HERE, "cable.reg")
LOCAL_MACHINE = "HKEY_LOCAL_MACHINE\\"
# Where each lookup family's driver records ports, below HKEY_LOCAL_MACHINE.
PORT_KEYS = {"nt": "SYSTEM\\CurrentControlSet\\Enum\\USB\\", "95": "Enum\\SLABCR\\"}

Version = collections.namedtuple("Version", "name family")


class Modes:
    """The versions in their order, each with the lookup family it takes, and the DPIs besides 96."""

    def __init__(self, path=MODES):
        self.versions, self.dpis = [], []
        with open(path) as file:
            for words in (line.split() for line in file if not line.startswith("#")):
                if words[:1] == ["version"]:
                    self.versions.append(Version(*words[1:]))
                elif words[:1] == ["dpi"]:
                    self.dpis.append(int(words[1]))
        first = {}
        for version in self.versions:
            first.setdefault(version.family, version)
        # The version that stands for each family, in the order of the list.
        self.first_of_families = list(first.values())

    def version(self, name):
        for version in self.versions:
            if version.name == name:
                return version
        raise KeyError(f"{name} is not a version of {MODES}")


def unescape(word):
    """The bytes a word of the stand-in's scenario stands for: \\s a blank, \\\\ a backslash."""
    return re.sub(r"\\(s|\\|x[0-9A-F]{2})",
                  lambda m: {"s": " ", "\\": "\\"}.get(m[1]) or chr(int(m[1][1:], 16)), word)


class Cable:
    """One cable of cable.reg: the stand-in's scenario line that attaches it, and its keys."""

    def __init__(self, name, scenario):
        self.name, self.scenario = name, scenario
        self.serial = unescape(re.search(r"\bserial=(\S+)", scenario)[1])
        self.keys = {}  # below HKEY_LOCAL_MACHINE, each with its values

    def key(self, family):
        """The key of the cable's port where the family keeps ports, and its values."""
        found = [(key, values) for key, values in self.keys.items()
                 if key.startswith(PORT_KEYS[family])]
        if len(found) != 1:
            raise ValueError(f"cable {self.name} has {len(found)} keys for the {family} family")
        return found[0]

    def port(self, family):
        """The number of the port the family's lookup finds for the cable."""
        return int(re.fullmatch(r"COM(\d+)", self.key(family)[1]["PortName"])[1])


def cables(path=CABLE_REG):
    """The cables by name, in the order of the file."""
    found, cable, values = {}, None, None
    with open(path) as file:
        for line in file:
            line = line.rstrip("\r\n")
            if match := re.fullmatch(r";cable (\w+): (.+)", line):
                cable = found[match[1]] = Cable(match[1], match[2])
            elif line.startswith("[" + LOCAL_MACHINE):
                values = cable.keys[line[len(LOCAL_MACHINE) + 1:-1]] = {}
            elif match := re.fullmatch(r'"([^"]+)"="(.*)"', line):
                values[match[1]] = re.sub(r"\\(.)", r"\1", match[2])
    return found


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


HEADER = """\
// The cables of tests/e2e/cable.reg, written from it by tests/e2e/suite_facts.py.
#pragma once

namespace tervane::test::seed {

// Keys are below HKEY_LOCAL_MACHINE; each port is also given as the number it stands for.
struct Cable {
  const char* scenario;  // the stand-in library's scenario line that attaches it
  const char* serial;    // the bytes its bridge reports
  const char* ntKey;     // where the NT family's driver records its port
  const char* ntPortName;
  const char* win95Key;  // its instance of the Windows 95 family's ports
  const char* win95DeviceId;
  const char* win95PortName;
  int ntPort;
  int win95Port;
};
"""


def header(found):
    lines = [HEADER]
    for cable in found.values():
        nt_key, nt = cable.key("nt")
        win95_key, win95 = cable.key("95")
        fields = [c_string(text) for text in (cable.scenario, cable.serial, nt_key, nt["PortName"],
                                              win95_key, win95["CRLowerDeviceID"],
                                              win95["PortName"])]
        fields += [str(cable.port("nt")), str(cable.port("95"))]
        lines.append(f"inline constexpr Cable k{cable.name.capitalize()}Cable = {{\n    "
                     + ",\n    ".join(fields) + "};\n")
    lines.append("}  // namespace tervane::test::seed\n")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--header")
    parser.add_argument("--port", nargs=2, metavar=("CABLE", "FAMILY"))
    args = parser.parse_args()
    if args.header:
        with open(args.header, "w") as file:
            file.write(header(cables()))
    if args.port:
        print(cables()[args.port[0]].port(args.port[1]))


if __name__ == "__main__":
    main()
