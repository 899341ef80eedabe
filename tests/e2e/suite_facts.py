"""The facts the suites under Wine share, each read from its one home: the Windows versions and
DPIs they run in (modes.txt)."""
import collections
import os

HERE = os.path.dirname(os.path.abspath(__file__))
MODES = os.path.join(HERE, "modes.txt")

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
