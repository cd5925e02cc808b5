"""Checks the Debian package built from this tree, read with dpkg-deb.

    check_deb.py PACKAGE.deb APP_ID VERSION ARCHITECTURE
"""
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

DEB, APP_ID, VERSION, ARCHITECTURE = sys.argv[1:5]
APP_DIR = "/usr/lib/tavrel"
PROGRAMS = ["tavrel", "tavrel-convert"]


def dpkg_deb(*arguments):
    return subprocess.run(["dpkg-deb", *arguments, DEB], check=True, capture_output=True, text=True).stdout


def package_entries():
    """Maps each path in the package to its link target ('' for other entries)."""
    entries = {}
    for line in dpkg_deb("--contents").splitlines():
        name = line.split(None, 5)[5]
        path, _, target = name.partition(" -> ")
        entries[path.lstrip(".").rstrip("/") or "/"] = target
    return entries


class DebTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.entries = package_entries()
        unpacked = tempfile.TemporaryDirectory()
        cls.addClassCleanup(unpacked.cleanup)
        subprocess.run(["dpkg-deb", "--extract", DEB, unpacked.name], check=True)
        cls.root = Path(unpacked.name)

    def test_installs_every_artefact_under_usr(self):
        expected = [f"{APP_DIR}/{name}" for name in PROGRAMS + ["systemF.txt", "systemJ.txt"]] + [
            f"/usr/share/applications/{APP_ID}.desktop",
            f"/usr/share/metainfo/{APP_ID}.metainfo.xml",
            "/usr/share/bash-completion/completions/tavrel-convert",
            "/usr/share/doc/tavrel/copyright",
            "/usr/share/doc/tavrel/NOTICE",
            "/usr/share/doc/tavrel/changelog.gz",
        ] + [f"/usr/share/icons/hicolor/{size}x{size}/apps/tavrel.png" for size in (16, 32, 48, 64, 128, 256)] + [
            f"/usr/share/man/{folder}man1/{page}.1.gz" for folder in ("", "zh_CN/", "zh_TW/") for page in PROGRAMS
        ] + [f"/usr/share/locale/{language}/LC_MESSAGES/tavrel.mo" for language in ("en", "zh_TW")]
        for path in expected:
            with self.subTest(path=path):
                self.assertIn(path, self.entries)
        outside = [path for path in self.entries if path != "/" and not path.startswith("/usr")]
        self.assertEqual(outside, [])

    def test_bin_links_lead_to_the_programs(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                self.assertEqual(self.entries.get(f"/usr/bin/{program}"), f"../lib/tavrel/{program}")

    def test_control_fields(self):
        fields = dict(line.split(": ", 1) for line in dpkg_deb("--field").splitlines()
                      if line and not line.startswith(" "))
        self.assertEqual(fields["Package"], "tavrel")
        self.assertEqual(fields["Version"], VERSION)
        self.assertEqual(fields["Architecture"], ARCHITECTURE)
        # Each dependency as the names of its alternatives, without versions.
        depends = [[alternative.split("(")[0].strip() for alternative in group.split("|")]
                   for group in fields["Depends"].split(",")]
        # What no library scanner finds, then what dpkg-shlibdeps must have found.
        for name, wanted in [("platform plugins", ["qt6-qpa-plugins"]),
                             ("Qt translations", ["qt6-translations-l10n"]),
                             ("Chinese font", ["fonts-wqy-microhei", "fonts-noto-cjk"])]:
            with self.subTest(dependency=name):
                self.assertIn(wanted, depends)
        for name, prefix in [("Qt Widgets", "libqt6widgets"), ("ICU", "libicu"), ("C++ library", "libstdc++")]:
            with self.subTest(dependency=name):
                self.assertTrue(any(group[0].startswith(prefix) for group in depends), fields["Depends"])

    def test_copyright_is_machine_readable_and_credits_opencc(self):
        copyright_text = (self.root / "usr/share/doc/tavrel/copyright").read_text(encoding="utf-8")
        self.assertTrue(copyright_text.startswith(
            "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"))
        self.assertIn("License: Apache-2.0", copyright_text)
        self.assertIn("OpenCC", copyright_text)

    def test_compressed_files_carry_no_name_or_time(self):
        for path in ["usr/share/man/man1/tavrel.1.gz", "usr/share/man/zh_TW/man1/tavrel-convert.1.gz",
                     "usr/share/doc/tavrel/changelog.gz"]:
            with self.subTest(path=path):
                header = (self.root / path).read_bytes()[:10]
                self.assertEqual(header[:3], b"\x1f\x8b\x08")
                self.assertEqual(header[3] & 0x08, 0, "file name stored")
                self.assertEqual(header[4:8], b"\0\0\0\0", "time stored")
                self.assertEqual(header[8], 2, "not compressed with -9")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
