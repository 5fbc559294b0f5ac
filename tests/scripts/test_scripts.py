"""The scripts' way through Debian's archive, against stand-ins on PATH.

apt-get, dpkg, dpkg-query and id are shell stand-ins that keep their state in files: what is
installed, the foreign architectures, a log of every apt-get and dpkg call. An archive out of
step is an update that fails and a wine32 that breaks the installed libssl3; cmake, ctest and
xvfb-run stand in for the builds and the Wine tests, so nothing is built here.
"""
import os
import pathlib
import shutil
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]

UPDATE_FAILURE = ("E: Failed to fetch http://deb.debian.org/debian-security/dists/"
                  "bookworm-security/main/binary-i386/Packages.xz  File has unexpected size "
                  "(374820 != 376004). Mirror sync in progress?")
BREAKS = "libssl3 : Breaks: libssl3:i386 (!= 3.0.17-1~deb12u2) but 3.0.16-1~deb12u1 is to be installed"
HELD = "E: Unable to correct problems, you have held broken packages."
WINE_REASON = f"cannot install wine32:i386: {HELD} ({BREAKS})"

STANDINS = {
    "dpkg-query": """
        package=${@: -1}
        if grep -qx -- "$package" "$STATE/installed"; then echo "install ok installed"; exit 0; fi
        echo "dpkg-query: no packages found matching $package" >&2; exit 1""",
    "dpkg": """
        echo "dpkg $*" >>"$STATE/log"
        case "$1" in
          --print-foreign-architectures) cat "$STATE/architectures" ;;
          --add-architecture) echo "$2" >>"$STATE/architectures" ;;
        esac""",
    "apt-get": f"""
        shift  # the lock time-out
        echo "apt-get $*" >>"$STATE/log"
        if [ "$1" = update ]; then
          [ -e "$STATE/update-fails" ] || exit 0
          echo "W: Some index files failed to download."; echo "{UPDATE_FAILURE}"; exit 100
        fi
        for package in "$@"; do
          case "$package" in -*|install) continue ;; esac
          if grep -qx -- "$package" "$STATE/unknown"; then
            echo "E: Unable to locate package $package"; exit 100
          fi
          if grep -qx -- "$package" "$STATE/broken"; then
            echo "The following packages have unmet dependencies:"; echo " {BREAKS}"
            echo "{HELD}"; exit 100
          fi
        done
        for package in "$@"; do
          case "$package" in -*|install) ;; *) echo "$package" >>"$STATE/installed" ;; esac
        done""",
    "id": "echo 0",
    "cmake": """
        echo "cmake $*"
        [ "$*" != "--build --preset windows" ] || [ ! -e "$STATE/cross-build-fails" ]""",
    "ctest": 'echo "ctest $*"',
    "xvfb-run": 'echo "Wine tests"; [ ! -e "$STATE/wine-tests-fail" ]',
}


class Machine:
    """A machine as the scripts see it through the stand-ins."""

    def __init__(self, folder, installed=(), update_fails=False, broken=(), unknown=()):
        self.state = folder / "state"
        self.bin = folder / "bin"
        self.state.mkdir()
        self.bin.mkdir()
        for name, body in STANDINS.items():
            script = self.bin / name
            script.write_text("#!/bin/bash\n" + body + "\n")
            script.chmod(0o755)
        for name, lines in [("installed", installed), ("broken", broken), ("unknown", unknown),
                            ("architectures", []), ("log", [])]:
            (self.state / name).write_text("".join(f"{line}\n" for line in lines))
        if update_fails:
            (self.state / "update-fails").touch()

    def fail(self, what):
        (self.state / what).touch()

    def run(self, *command, root=ROOT):
        environment = dict(os.environ, STATE=str(self.state),
                           PATH=f"{self.bin}:/usr/bin:/bin")
        environment.pop("GPIBSCOPE_WINE_UNAVAILABLE", None)
        return subprocess.run([str(root / command[0]), *command[1:]], env=environment,
                              capture_output=True, text=True, timeout=60)

    def log(self):
        return (self.state / "log").read_text().splitlines()

    def installed(self):
        return set((self.state / "installed").read_text().split())

    def installs(self):
        """The packages of each apt-get install, in order."""
        return [[word for word in line.split()[2:] if not word.startswith("-")]
                for line in self.log() if line.startswith("apt-get install")]


NEVER_FOR_THE_DEMO = {"wine", "wine32:i386", "wine64", "fonts-wine", "g++-mingw-w64-i686",
                      "xvfb", "xauth", "chromium", "chromium-driver", "python3-selenium",
                      "valgrind", "libgtest-dev"}


@pytest.mark.parametrize("job, needed, not_needed", [
    ("demo", {"cmake", "g++", "libplplot-dev", "plplot-driver-cairo", "libjs-dygraphs",
              "libcli11-dev", "libtomlplusplus-dev"}, NEVER_FOR_THE_DEMO),
    ("tests", {"libgtest-dev", "valgrind", "clang", "chromium-driver", "python3-pytest", "dpkg-dev"},
     {"wine", "wine32:i386", "g++-mingw-w64-i686", "libbenchmark-dev"}),
    ("windows", {"g++-mingw-w64-i686", "cmake"}, {"wine", "wine32:i386", "xvfb", "chromium"}),
    ("bench", {"libbenchmark-dev", "python3-numpy", "chromium-driver"},
     {"wine", "wine32:i386", "g++-mingw-w64-i686", "valgrind"}),
    ("wine", {"wine32:i386", "wine", "xvfb"}, {"cmake", "chromium", "g++-mingw-w64-i686"}),
])
def test_each_job_installs_what_it_needs_and_only_wine_adds_i386(tmp_path, job, needed,
                                                                  not_needed):
    machine = Machine(tmp_path, installed=["cmake"])
    run = machine.run("scripts/install-deps.sh", job)
    assert run.returncode == 0, run.stderr
    asked = {package for packages in machine.installs() for package in packages}
    assert needed - {"cmake"} <= asked
    assert not asked & (not_needed | {"cmake"})
    assert ("dpkg --add-architecture i386" in machine.log()) == (job == "wine")
    # wine32 on its own, first: it decides whether Wine can be had.
    assert (machine.installs()[0] == ["wine32:i386"]) == (job == "wine")


def test_nothing_missing_asks_nothing_of_apt(tmp_path):
    machine = Machine(tmp_path)
    machine.run("scripts/install-deps.sh", "demo")
    (machine.state / "log").write_text("")
    run = machine.run("scripts/install-deps.sh", "demo")
    assert run.returncode == 0 and run.stdout == "" and run.stderr == ""
    assert machine.log() == []


def test_an_update_that_fails_is_one_line_and_the_install_goes_on(tmp_path):
    machine = Machine(tmp_path, update_fails=True)
    run = machine.run("scripts/install-deps.sh", "demo")
    assert run.returncode == 0, run.stderr
    said = [line for line in run.stdout.splitlines() if "apt-get update" in line]
    assert said == [f"install-deps: apt-get update could not fetch every index ({UPDATE_FAILURE});"
                    " going on with the package lists at hand"]
    assert "libjs-dygraphs" in machine.installed()
    assert sum(line.startswith("apt-get update") for line in machine.log()) == 1


def test_a_package_that_cannot_be_installed_fails_naming_it_with_apts_reason(tmp_path):
    machine = Machine(tmp_path, unknown=["libjs-dygraphs"])
    run = machine.run("scripts/install-deps.sh", "demo")
    assert run.returncode == 1
    assert run.stderr.splitlines()[-1] == ("install-deps: cannot install libjs-dygraphs: "
                                           "E: Unable to locate package libjs-dygraphs")
    assert len(machine.installs()) == 1  # tried once


# windows-test.sh and test.sh run from a copy of the scripts, with the stages that would build
# or test for real replaced by a line each.
@pytest.fixture
def checkout(tmp_path):
    copy = tmp_path / "checkout"
    shutil.copytree(ROOT / "scripts", copy / "scripts")
    for stage in ["install-check.sh", "viewer-test.sh", "fuzz.sh"]:
        (copy / "scripts" / stage).write_text(f"#!/bin/bash\necho {stage}\n")
    return copy


@pytest.mark.parametrize("wine, failure, status", [
    ("broken", None, 0),
    ("broken", "cross-build-fails", 1),
    ("installed", "wine-tests-fail", 1),
    ("installed", None, 0),
])
def test_windows_tests_are_skipped_only_when_wine_cannot_be_installed(tmp_path, checkout, wine,
                                                                      failure, status):
    machine = Machine(tmp_path, broken=["wine32:i386"] if wine == "broken" else [])
    if failure:
        machine.fail(failure)
    run = machine.run("scripts/test.sh", root=checkout)
    lines = run.stdout.splitlines()
    assert run.returncode == status, run.stdout + run.stderr
    skipped = f"Windows tests did not run: {WINE_REASON}"
    assert "cmake --build --preset windows" in lines
    if wine == "installed":
        assert skipped not in lines
        assert ("Wine tests" in lines) and ("fuzz.sh" in lines) == (failure is None)
        return
    assert lines[0] == skipped and lines[-1] == skipped
    assert "Wine tests" not in lines
    assert ("fuzz.sh" in lines) == (failure is None)
