#!/usr/bin/python3
"""The Windows packages, checked under Wine. The zip must hold the one
folder with exactly the program, its sounds and the licences. The installer,
run silently in a fresh Wine prefix, must install those same bytes for the
user, a Start-menu shortcut and the entry in the list of programs; the
installed program must start, show its window and write its record file
beside itself; the silent uninstaller must take away everything installed
and leave the record file.

    tests/windows/installer_round_trip.py --wine wine --wineserver wineserver \
        --zip dist/mirel-<version>-win64.zip --setup dist/mirel-<version>-win64-setup.exe"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "smoke"))

from xsession import (Failure, XServer, check, close_and_expect_exit, smoke_test,  # noqa: E402
                      start_program, stop)

SHIPPED = {"mirel.exe", "mirel-decode.exe", "Sound1.wav", "Sound2.wav", "LICENSE.txt", "OFL.txt", "mingw-w64-runtime.txt"}
KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirel"
RECORD = "Mirel.mtt"


def zip_members(path):
    """The zip's files by name inside the one folder, after checking its listing."""
    with zipfile.ZipFile(path) as archive:
        names = archive.namelist()
        check(all(name.startswith("Mirel/") and name.count("/") == 1 for name in names),
              "the zip holds more than the folder Mirel/ and its files: %s" % names)
        members = {name[len("Mirel/"):]: archive.read(name) for name in names}
    check(len(names) == len(members) and set(members) == SHIPPED,
          "the zip holds %s, not %s" % (sorted(names), sorted(SHIPPED)))
    return members


class Wine:
    """A fresh prefix of its own, with a home of its own, so that nothing of
    the user's is read or written (no menu entries on the real desktop)."""

    def __init__(self, wine, wineserver, folder, display):
        self.wine, self.wineserver = wine, wineserver
        home = os.path.join(folder, "home")
        os.mkdir(home)
        self.env = {"WINEPREFIX": os.path.join(folder, "prefix"), "HOME": home, "WINEDEBUG": "-all",
                    "WINEDLLOVERRIDES": "mscoree,mshtml=,winemenubuilder.exe=d", "DISPLAY": display}

    def run(self, *args, timeout=120):
        done = subprocess.run([self.wine, *args], env=dict(os.environ, **self.env), capture_output=True,
                              timeout=timeout)
        return done.returncode

    def wait_idle(self, timeout=60):
        """Until every process of the prefix has ended."""
        subprocess.run([self.wineserver, "--wait"], env=dict(os.environ, **self.env), timeout=timeout, check=True)

    def kill(self):
        subprocess.run([self.wineserver, "--kill"], env=dict(os.environ, **self.env), timeout=30)

    def user(self):
        """The user's name in the prefix, as its folder under C:\\users."""
        names = [n for n in os.listdir(self.path("users")) if n != "Public"]
        check(len(names) == 1, "not one user in the prefix: %s" % names)
        return names[0]

    def path(self, *windows_parts):
        """Where a file under C:\\ lies on this side."""
        return os.path.join(self.env["WINEPREFIX"], "drive_c", *windows_parts)

    def registry_values(self, key, folder):
        """The key's values as text, or None when there is no such key."""
        exported = os.path.join(folder, "key.reg")
        if self.run("reg", "export", key, "Z:" + exported.replace("/", "\\"), "/y") != 0:
            return None
        with open(exported, encoding="utf-16") as f:
            lines = f.read().splitlines()
        os.remove(exported)
        values = {}
        for line in lines:
            name, sep, value = line.partition("=")
            if sep and name.startswith('"'):
                values[name.strip('"')] = re.sub(r'\\(.)', r'\1', value[1:-1]) if value.startswith('"') else value
        return values


def round_trip(wine, wineserver, zip, setup):  # noqa: A002  (the option's name)
    members = zip_members(zip)
    folder = tempfile.mkdtemp(prefix="mirel-installer-")
    try:
        with XServer() as server:
            prefix = Wine(wine, wineserver, folder, server.name)
            try:
                check_round_trip(prefix, server, members, setup, folder)
            finally:
                prefix.kill()
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def check_round_trip(prefix, server, members, setup, folder):
    check(prefix.run("wineboot", "--init", timeout=300) == 0, "wineboot --init failed")
    # wineboot returns before the prefix's own set-up has finished; on a busy
    # machine winecfg then failed now and then.
    prefix.wait_idle(timeout=300)
    # A new prefix claims to be Windows 7, which the program was not built for.
    check(prefix.run(setup, "/S") == 2, "the installer did not refuse Windows 7")
    check(not os.path.exists(prefix.path("users", prefix.user(), "AppData", "Local", "Programs")),
          "the installer refused Windows 7 but installed")
    check(prefix.run("winecfg", "/v", "win10") == 0, "winecfg could not make the prefix Windows 10")
    check(prefix.run(setup, "/S") == 0, "the silent install failed")
    user = prefix.user()
    home_parts = ("users", user, "AppData", "Local", "Programs", "Mirel")
    home = prefix.path(*home_parts)
    home_windows = "C:\\" + "\\".join(home_parts)
    windows_exe = home_windows + "\\mirel.exe"
    installed = sorted(os.listdir(home)) if os.path.isdir(home) else []
    check(installed == sorted(SHIPPED | {"uninstall.exe"}), "installed into %s: %s" % (home_windows, installed))
    for name, data in members.items():
        with open(os.path.join(home, name), "rb") as f:
            check(f.read() == data, "the installed %s is not the zip's" % name)

    shortcut = prefix.path("users", user, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                           "ミレル.lnk")
    check(os.path.isfile(shortcut), "no Start-menu shortcut ミレル.lnk")
    # Wine keeps the target as ANSI text and the icon's place as UTF-16.
    with open(shortcut, "rb") as f:
        link = f.read().lower()
    check(windows_exe.lower().encode() in link, "the shortcut does not start %s" % windows_exe)
    check(windows_exe.lower().encode("utf-16-le") in link, "the shortcut takes no icon from %s" % windows_exe)

    values = prefix.registry_values(KEY, folder)
    check(values is not None, "no key %s" % KEY)
    uninstaller = '"%s\\uninstall.exe"' % home_windows
    size_kib = sum(os.path.getsize(os.path.join(home, name)) for name in installed) // 1024
    want = {"DisplayName": "ミレル", "DisplayIcon": windows_exe + ",0", "Publisher": "The Mirel authors",
            "DisplayVersion": re.fullmatch(r"mirel-(.+)-win64-setup\.exe", os.path.basename(setup)).group(1),
            "InstallLocation": home_windows, "UninstallString": uninstaller,
            "QuietUninstallString": uninstaller + " /S", "NoModify": "dword:00000001",
            "NoRepair": "dword:00000001", "EstimatedSize": "dword:%08x" % size_kib}
    wrong = {name: values.get(name) for name, value in want.items() if values.get(name) != value}
    check(not wrong, "in the uninstall key, %s; want %s" % (wrong, {name: want[name] for name in wrong}))

    # The installed program, started as the shortcut starts it.
    proc = start_program([prefix.wine, os.path.join(home, "mirel.exe")], server, **prefix.env)
    try:
        window = server.wait_for_window(timeout=60, proc=proc)
        size = server.client_rect(window)[2:]
        check(size == (400, 400), "the window is %dx%d, not 400x400" % size)
        close_and_expect_exit(server, window, proc, within=15)
    except Failure as failure:
        raise Failure("%s\nprogram stderr:\n%s" % (failure, stop(proc))) from None
    finally:
        stop(proc)
    check(os.path.isfile(os.path.join(home, RECORD)), "the program wrote no %s beside itself" % RECORD)

    # As the list of programs runs it; the uninstaller hands over to a copy of
    # itself and returns at once, so wait for the prefix to fall idle.
    check(prefix.run(os.path.join(home, "uninstall.exe"), "/S") == 0, "the silent uninstall failed")
    prefix.wait_idle()
    left = sorted(os.listdir(home)) if os.path.isdir(home) else []
    check(RECORD in left and all(name.startswith(RECORD) for name in left),
          "after the uninstall the folder holds %s, not just the record file" % left)
    check(not os.path.exists(shortcut), "the uninstall left the shortcut")
    check(prefix.registry_values(KEY, folder) is None, "the uninstall left the key %s" % KEY)


if __name__ == "__main__":
    smoke_test(round_trip, wine=str, wineserver=str, zip=os.path.abspath, setup=os.path.abspath)
