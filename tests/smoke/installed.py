#!/usr/bin/python3
"""The installed game: `cmake --install` into a scratch prefix gives the
expected tree, whose desktop entry and metainfo validate and whose icons come
in every size. Started through its link as a user who cannot write the program
folder, the program shows its title, opens its two sounds from beside itself,
closes with 0 and keeps the default record file in the player's data folder,
which a second run leaves as it was. The installed folder stays untouched even
when it is writable; an unpacked copy the player may write to keeps the file
beside the program as ever."""

import os
import pwd
import shutil
import subprocess
import tempfile

from start_close import default_record_file
from xsession import (XServer, check, check_title_screen, program_window, read_picture, slurp, smoke_test,
                      start_program, stop)

PROGRAM_DIR = "lib/games/mirel"
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)


def expected_tree(app_id):
    files = {"games/mirel", PROGRAM_DIR + "/mirel", PROGRAM_DIR + "/Sound1.wav", PROGRAM_DIR + "/Sound2.wav",
             PROGRAM_DIR + "/mirel-codecs.so", PROGRAM_DIR + "/mirel-decode",
             "share/applications/%s.desktop" % app_id, "share/metainfo/%s.metainfo.xml" % app_id,
             "share/man/man6/mirel.6.gz", "share/man/ja/man6/mirel.6.gz",
             "share/doc/mirel/LICENSE", "share/doc/mirel/OFL.txt"}
    files |= {"share/icons/hicolor/%dx%d/apps/%s.png" % (n, n, app_id) for n in ICON_SIZES}
    return files


def check_tree(prefix, app_id):
    found = set()
    for folder, _, names in os.walk(prefix):
        found |= {os.path.relpath(os.path.join(folder, name), prefix) for name in names}
    # The Debian copyright and changelog come only when the package asks for them.
    found -= {"share/doc/mirel/copyright", "share/doc/mirel/changelog.gz"}
    want = expected_tree(app_id)
    check(found == want, "installed tree differs: missing %s, extra %s" % (sorted(want - found), sorted(found - want)))
    link = os.path.join(prefix, "games/mirel")
    check(os.readlink(link) == "../" + PROGRAM_DIR + "/mirel", "the link points to %s" % os.readlink(link))

    share = os.path.join(prefix, "share")
    for command in (["desktop-file-validate", "%s/applications/%s.desktop" % (share, app_id)],
                    ["appstreamcli", "validate", "--no-net", "%s/metainfo/%s.metainfo.xml" % (share, app_id)]):
        result = subprocess.run(command, capture_output=True, text=True)
        check(result.returncode == 0, "%s fails:\n%s%s" % (command[0], result.stdout, result.stderr))
    with open("%s/applications/%s.desktop" % (share, app_id), encoding="utf-8") as f:
        check("\nIcon=%s\n" % app_id in f.read(), "the desktop entry names another icon")
    for n in ICON_SIZES:
        icon = "%s/icons/hicolor/%dx%d/apps/%s.png" % (share, n, n, app_id)
        size = subprocess.run(["identify", "-format", "%w %h", icon], capture_output=True, text=True).stdout
        check(size == "%d %d" % (n, n), "icon %dx%d is %s" % (n, n, size))


class Player:
    """Who runs the game: this user, or nobody when the tests run as root,
    since root writes into any folder, read-only or not."""

    def __init__(self, home):
        self.home = home
        self.prefix = []
        if os.geteuid() == 0:
            user = pwd.getpwnam("nobody")
            os.chown(home, user.pw_uid, user.pw_gid)
            self.prefix = ["setpriv", "--reuid=%d" % user.pw_uid, "--regid=%d" % user.pw_gid, "--clear-groups"]
        self.data_home = os.path.join(home, ".local/share")
        self.data = os.path.join(self.data_home, "mirel")

    def run(self, server, link, backdrop=None, trace=None):
        """One run of the program at `link`: the title, then a close request; returns stderr."""
        argv = [link]
        if trace:
            argv = ["strace", "-f", "-qq", "-e", "trace=openat", "-e", "status=successful", "-o", trace] + argv
        # The data folder as a desktop without XDG settings has it, whatever the caller's are.
        env = {"HOME": self.home, "XDG_DATA_HOME": self.data_home}
        if trace:
            # A sanitizer build's leak check cannot run under a tracer.
            env["ASAN_OPTIONS"] = os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
        proc = start_program(self.prefix + argv, server, **env)
        with program_window(server, proc) as window:
            if backdrop is not None:
                check_title_screen(server, window, backdrop)
        return stop(proc)


def main(build, app_id, backdrop):
    with tempfile.TemporaryDirectory(prefix="mirel-install-") as scratch, XServer() as server:
        os.chmod(scratch, 0o755)
        prefix = os.path.join(scratch, "usr")
        subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
        check_tree(prefix, app_id)

        home = os.path.join(scratch, "home")
        os.mkdir(home)
        player = Player(home)
        folder = os.path.realpath(os.path.join(prefix, PROGRAM_DIR))
        link = os.path.join(prefix, "games/mirel")
        default = default_record_file()

        os.chmod(folder, 0o555)
        trace = os.path.join(home, "opened.txt")
        errors = player.run(server, link, backdrop, trace=trace)
        opened = slurp(trace).decode("utf-8", "replace")
        for sound in ("Sound1.wav", "Sound2.wav"):
            check('"%s/%s"' % (folder, sound) in opened, "the program did not open %s beside itself" % sound)
        check(not os.path.exists(os.path.join(folder, "Mirel.mtt")), "a record file in the read-only folder")
        own = os.path.join(player.data, "Mirel.mtt")
        check(os.path.isfile(own), "no record file in the data folder; stderr:\n" + errors)
        check(slurp(own) == default, "the data folder's record file is not the default one")
        errors += player.run(server, link)
        check(slurp(own) == default, "the second run changed the record file")
        check(sorted(os.listdir(player.data)) == ["Mirel.mtt"], "data folder holds %s" % os.listdir(player.data))
        check("record file" not in errors, "a message about the record file:\n" + errors)

        # An installed folder the player may write to (as root may) stays
        # untouched all the same: the package manager owns it.
        shutil.rmtree(player.data)
        os.chmod(folder, 0o755)
        if player.prefix:
            os.chown(folder, pwd.getpwnam("nobody").pw_uid, -1)
        player.run(server, link)
        check(not os.path.exists(os.path.join(folder, "Mirel.mtt")), "a record file in the writable installed folder")
        check(slurp(own) == default, "no default record file in the data folder")

        # An unpacked copy its player may write to keeps the file beside it.
        shutil.rmtree(player.data)
        unpacked = os.path.join(scratch, "unpacked")
        shutil.copytree(folder, unpacked)
        if player.prefix:
            os.chown(unpacked, pwd.getpwnam("nobody").pw_uid, -1)
        player.run(server, os.path.join(unpacked, "mirel"))
        check(slurp(os.path.join(unpacked, "Mirel.mtt")) == default, "no default record file beside the program")
        check(not os.path.exists(player.data), "a writable program folder still used the data folder")


if __name__ == "__main__":
    # --build: the build folder to install from
    smoke_test(main, build=str, app_id=str, backdrop=read_picture)
