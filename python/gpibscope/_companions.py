"""Where the package finds what comes with it: the driver module with its language service,
the simulated GPIB library, the bridges to real controllers, the bench files and the waveform
viewer's page template. Installed with gpibscope, the build system writes their places relative
to this package into _installation.py; in a source checkout they are where the default build
puts them, in build/ beside python/; a copy installed on its own (pip) uses gpibscope installed
under /usr/local or /usr."""

import functools
import os
from collections import namedtuple

MODULE_FILE = "libgpibscope.so"
GPIB_LIBRARY_FILE = "libgpib-32.so"
VIEWER_TEMPLATE_FILE = "viewer.html"

_PACKAGE_DIR = os.path.dirname(os.path.abspath(__file__))
# The build tree's layout (the top-level CMakeLists.txt places the files so).
_SOURCE_BUILD = os.path.join(_PACKAGE_DIR, os.pardir, os.pardir, "build")
_BUILD_LAYOUT = ("lib", "sim", "bridges", os.path.join("share", "gpibscope", "benches"))
# The installed layout under a prefix (GNU layout, as the build system installs).
_SYSTEM_PREFIXES = ("/usr/local", "/usr")
_PREFIX_LAYOUT = ("lib/gpibscope", "lib/gpibscope/sim", "lib/gpibscope/bridges",
                  "share/gpibscope/benches")


class Companions(namedtuple("Companions", "module_dir simulator_dir bridge_dir bench_dir")):
    """The directories of one layout, each absolute."""

    @property
    def module(self):
        return os.path.join(self.module_dir, MODULE_FILE)

    @property
    def simulator(self):
        return os.path.join(self.simulator_dir, GPIB_LIBRARY_FILE)

    @property
    def viewer_template(self):
        # Beside the benches, in share/gpibscope/ of the build tree and of an installation.
        return os.path.join(os.path.dirname(self.bench_dir), VIEWER_TEMPLATE_FILE)

    def bridge(self, name):
        return os.path.join(self.bridge_dir, name, GPIB_LIBRARY_FILE)


def _resolve(base, relative_dirs):
    return Companions(*(os.path.normpath(os.path.join(base, d)) for d in relative_dirs))


def _installed():
    try:
        from . import _installation
    except ImportError:
        return None
    companions = _resolve(_PACKAGE_DIR, _installation.LAYOUT)
    return companions if os.path.isdir(companions.module_dir) else None


@functools.lru_cache(maxsize=None)
def find():
    """The installation this package belongs to, else the source checkout's build tree, else
    a system installation, else None. Looked for once a process: an installation does not
    move under a running program."""
    installed = _installed()
    if installed:
        return installed
    candidates = [_resolve(_SOURCE_BUILD, _BUILD_LAYOUT)]
    candidates += [_resolve(prefix, _PREFIX_LAYOUT) for prefix in _SYSTEM_PREFIXES]
    return next((c for c in candidates if os.path.isdir(c.module_dir)), None)


def describe_search():
    return (f"no installation beside {_PACKAGE_DIR}, no build tree at "
            f"{os.path.normpath(_SOURCE_BUILD)}, none under {' or '.join(_SYSTEM_PREFIXES)}")


def module_path(module=None):
    """The module to load: the argument, else GPIBSCOPE_MODULE, else the one that came with the
    package. None when there is none of these."""
    chosen = module or os.environ.get("GPIBSCOPE_MODULE")
    if chosen:
        return os.path.abspath(chosen)
    companions = find()
    return companions.module if companions else None


def resolve_bench(bench, companions):
    """A bench as the user names it: an existing file, or the name (with or without .toml) of
    a shipped bench. ValueError for neither."""
    bench = os.fspath(bench)
    if os.path.isfile(bench):
        return os.path.abspath(bench)
    if not os.path.dirname(bench) and companions:
        shipped = os.path.join(companions.bench_dir, bench)
        if not shipped.endswith(".toml"):
            shipped += ".toml"
        if os.path.isfile(shipped):
            return shipped
    where = f" nor a bench in {companions.bench_dir}" if companions else ""
    raise ValueError(f"unknown bench {bench!r}: no such file{where}")
