"""The Debian package and `cmake --install` as a desktop meets them: the package's control
fields and dependencies, every path it installs, a prefix install with the same files, entries
and metadata that pass their validators, and a packaged program that answers.

Usage: package_test.py <build directory> <version>
"""

import glob
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

APP_ID = "dev.harklet.Harklet"
MENU_ENTRY = f"/usr/share/applications/{APP_ID}.desktop"
LOGIN_ENTRY = f"/etc/xdg/autostart/{APP_ID}.desktop"
METAINFO = f"/usr/share/metainfo/{APP_ID}.metainfo.xml"
ICONS = "/usr/share/icons/hicolor/scalable/apps"
MANUAL = "/usr/share/man/man1/harklet.1.gz"
PROGRAM = "/usr/bin/harklet"
FILES = {PROGRAM, MENU_ENTRY, LOGIN_ENTRY, METAINFO, MANUAL,
         f"{ICONS}/harklet.svg", f"{ICONS}/harklet-symbolic.svg"}


def run(argv, **kwargs):
    return subprocess.run(argv, capture_output=True, text=True, timeout=120, check=False,
                          **kwargs)


def succeed(argv, **kwargs):
    result = run(argv, **kwargs)
    if result.returncode != 0:
        raise AssertionError(f"{argv} exited {result.returncode}:\n{result.stdout}{result.stderr}")
    return result.stdout


def files_under(root):
    """Regular files below root, as absolute paths on the installed system."""
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add("/" + os.path.relpath(os.path.join(folder, name), root))
    return found


def package_names(field):
    """Package names of a Depends-style field, without versions or alternatives."""
    return {re.match(r"\s*([^\s(|]+)", item).group(1) for item in field.split(",") if item.strip()}


def owner(path):
    """The package that holds a file; /lib and /usr/lib are one folder, known by either name."""
    alias = path[len("/usr"):] if path.startswith("/usr/") else "/usr" + path
    for name in (path, alias):
        result = run(["dpkg-query", "-S", name])
        if result.returncode == 0:
            return result.stdout.split(":", 1)[0]
    return None


class Installed(unittest.TestCase):
    build = version = None

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="harklet-package-")
        try:
            succeed(["cpack", "--config", os.path.join(cls.build, "CPackConfig.cmake"), "-B",
                     cls.work])
            [cls.deb] = glob.glob(os.path.join(cls.work, "*.deb"))
            cls.root = os.path.join(cls.work, "root")
            succeed(["dpkg-deb", "-x", cls.deb, cls.root])
            cls.prefix = os.path.join(cls.work, "prefix")
            succeed(["cmake", "--install", cls.build, "--prefix", cls.prefix, "--strip"])
        except BaseException:
            shutil.rmtree(cls.work, ignore_errors=True)
            raise

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def packaged(self, path):
        return os.path.join(self.root, path.lstrip("/"))

    def test_control_fields(self):
        arch = succeed(["dpkg", "--print-architecture"]).strip()
        self.assertEqual(os.path.basename(self.deb), f"harklet_{self.version}_{arch}.deb")
        field = lambda name: succeed(["dpkg-deb", "--field", self.deb, name]).strip()
        for name, value in {"Package": "harklet", "Version": self.version,
                            "Architecture": arch, "Section": "utils",
                            "Priority": "optional"}.items():
            with self.subTest(field=name):
                self.assertEqual(field(name), value)
        self.assertRegex(field("Maintainer"), r"^\S.* <[^@\s<>]+@[^@\s<>]+\.[a-z]+>$")
        summary, _, extended = field("Description").partition("\n")
        self.assertTrue(summary.strip() and extended.strip(), "description without both parts")
        self.assertIn("qt6-wayland", package_names(field("Recommends")))

    def test_depends_on_lsof_and_every_linked_library(self):
        depends = package_names(succeed(["dpkg-deb", "--field", self.deb, "Depends"]))
        self.assertIn("lsof", depends)
        program = self.packaged(PROGRAM)
        needed = re.findall(r"^\s*NEEDED\s+(\S+)$", succeed(["objdump", "-p", program]),
                            re.MULTILINE)
        self.assertTrue(any(lib.startswith("libQt6Widgets") for lib in needed), needed)
        found = dict(re.findall(r"^\s*(\S+) => (/\S+)", succeed(["ldd", program]), re.MULTILINE))
        for library in needed:
            with self.subTest(library=library):
                self.assertIn(library, found)
                self.assertIn(owner(found[library]), depends)

    def test_contents(self):
        listing = succeed(["dpkg-deb", "--contents", self.deb]).splitlines()
        entries = {}
        for line in listing:
            mode, user, _size, _date, _time, path = line.split(None, 5)
            entries["/" + path.lstrip("./").rstrip("/")] = (mode, user)
        files = {path for path, (mode, _) in entries.items() if mode.startswith("-")}
        self.assertEqual(files, FILES)
        for path, (mode, user) in entries.items():
            with self.subTest(path=path):
                self.assertEqual(user, "root/root")
                expected = ("-rwxr-xr-x" if path == PROGRAM else
                            "-rw-r--r--" if path in FILES else "drwxr-xr-x")
                self.assertEqual(mode, expected)
                self.assertTrue(path.startswith(("/usr", "/etc")), path)

    def test_prefix_install_has_the_package_files(self):
        # A prefix holds what the package puts in /usr, and its etc/ what goes to /etc.
        installed = {}
        for path in files_under(self.prefix):
            target = path if path.startswith("/etc/") else "/usr" + path
            installed[target] = os.path.join(self.prefix, path.lstrip("/"))
        self.assertEqual(set(installed), files_under(self.root))
        for target, source in installed.items():
            with self.subTest(path=target), open(source, "rb") as mine, \
                    open(self.packaged(target), "rb") as theirs:
                self.assertEqual(mine.read(), theirs.read())

    def test_packaged_program_answers_without_a_display(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        result = run([self.packaged(PROGRAM), "--version"], env=env)
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (0, f"harklet {self.version}\n", ""))

    def test_entries_metadata_and_manual_are_valid(self):
        for path in (MENU_ENTRY, LOGIN_ENTRY):
            with self.subTest(entry=path):
                result = run(["desktop-file-validate", self.packaged(path)])
                self.assertEqual(result.returncode, 0, result.stdout)
                self.assertNotRegex(result.stdout, r": (error|warning): ")
        with open(self.packaged(LOGIN_ENTRY)) as login:
            self.assertIn("\nX-GNOME-Autostart-enabled=true\n", login.read())

        result = run(["appstreamcli", "validate", "--no-net", "--explain",
                      self.packaged(METAINFO)])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        component = ElementTree.parse(self.packaged(METAINFO)).getroot()
        self.assertEqual(component.findtext("id"), APP_ID)
        self.assertEqual(component.findtext("launchable"), os.path.basename(MENU_ENTRY))
        self.assertEqual(component.find("releases/release").get("version"), self.version)

        with gzip.open(self.packaged(MANUAL), "rt") as manual:
            source = manual.read()
        result = run(["groff", "-man", "-Tutf8", "-ww", "-z"], input=source)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertIn(f"Harklet {self.version}", source)


if __name__ == "__main__":
    Installed.build, Installed.version = os.path.abspath(sys.argv[1]), sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
