#!/usr/bin/env python3
"""`twinsift-cli scan` with hostile trees, changing trees, bad settings and broken outputs: a folder
swapped for a link during the walk, names that forge report lines or drive a terminal, items that
cannot be read, a tree deeper than PATH_MAX, links named as sources, a vanished current folder,
damaged settings, Ctrl-C at a point the test chooses, and standard output that cannot be written.

Usage: test_scan_hostile.py PATH-TO-twinsift-cli
"""
import csv
import fcntl
import io
import os
import pty
import re
import resource
import signal
import subprocess
import sys
import tempfile
import termios
import time

from reference import (Cli, Options, ReferenceScan, Results, compare_reports, decode_report, expect, extension_text,
                       shown, write)

CLI = None
SETPRIV = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.geteuid() == 0 else []


def fresh_dir(name, mode=0o755):
    path = os.path.join(CLI.work, name).encode()
    os.makedirs(path)
    os.chmod(path, mode)
    return path


def pair(folder, name, content):
    """Two copies of content in folder: a group that any scan of it must report."""
    for suffix in (b"-1", b"-2"):
        write(os.path.join(folder, name + suffix), content)


def members(report):
    return sorted(m["path"] for g in report["groups"] for m in g["files"])


def case_folder_swapped_for_link():
    """A mutator swaps a folder of the source for a link to a folder outside, as fast as it can, while
    scans run: no file outside may ever be taken in (the old walk did so in 7 of 40 runs)."""
    src, outside = fresh_dir("swap/src"), fresh_dir("swap/outside")
    sub = os.path.join(src, b"sub")
    os.mkdir(sub)
    for i in range(20):
        pair(sub, b"inside-%d" % i, b"in %d" % i)
        pair(outside, b"outside-%d" % i, b"out %d" % i)
    swapper = subprocess.Popen([sys.executable, "-c", """if True:
        import os, sys
        sub, outside = sys.argv[1], sys.argv[2]
        while True:
            os.rename(sub, sub + ".real"); os.symlink(outside, sub); os.unlink(sub); os.rename(sub + ".real", sub)
        """, sub, outside])
    try:
        for _ in range(40):
            code, out, err = CLI.run(["scan", "--verbose", "--format", "json", src])
            expect(code == 0 and b"outside-" not in err + out, f"read outside the source: {err[:300]!r}")
    finally:
        swapper.kill()
        swapper.wait()


def csv_bytes(field):
    """The bytes of a CSV report's path or extension: a doubled backslash is one, \\udcXX the byte XX."""
    text = re.sub(r"\\(\\|udc[0-9a-f]{2})", lambda m: "\\" if m[1] == "\\" else chr(int(m[1][1:], 16)), field)
    return os.fsencode(text)


def case_names_that_forge_lines():
    """A folder named "b" + newline holding tmp/victim/precious would print /tmp/victim/precious as a
    member of a group: names with control characters are quoted, --null keeps them raw, and CSV quotes
    and escapes each name so that a reader gets its bytes back."""
    root = fresh_dir("names")
    os.makedirs(os.path.join(root, b"b\n/tmp/victim"))
    write(os.path.join(root, b"b\n/tmp/victim/precious"), b"precious")
    write(os.path.join(root, b"copy"), b"precious")
    for i, name in enumerate([b"esc\x1b[2J", b"del\x7f", b"tab\tx", b"c1\xc2\x85", b"raw\x9b", b"it's\n",
                              b"'$'\\n''x", b"\xff plain", b"\nlead", b"comma,x", b'q"uote', b"cr\rx",
                              b"back\\slash\\udcff", b"x.\xfe\\,"]):
        pair(root, name, b"content %d" % i)
    expected = ReferenceScan(Options()).add_sources([root]).report()
    text = b"\n".join(b"".join(shown(m["path"]) + b"\n" for m in g["files"]) for g in expected["groups"])
    code, out, err = CLI.run(["scan", "--quiet", root])
    expect(code == 0 and out == text and err == b"", f"text report:\n cli {out!r}\n ref {text!r}")
    expect(b"\n/tmp/victim/precious\n" not in out, "a forged line")
    code, out, _ = CLI.run(["scan", "--quiet", "--null", root])
    null = b"\0".join(b"".join(m["path"] + b"\0" for m in g["files"]) for g in expected["groups"])
    expect(code == 0 and out == null, f"--null report:\n cli {out!r}\n ref {null!r}")
    code, out, _ = CLI.run(["scan", "--quiet", "--format", "csv", root])
    rows = list(csv.reader(io.StringIO(out.decode("utf-8"), newline="")))
    got = [(int(group), csv_bytes(path), int(size), csv_bytes(ext), added, int(source))
           for group, path, size, _, ext, added, source in rows[1:]]
    want = [(i, m["path"], g["size"], os.fsencode(extension_text(os.path.basename(m["path"]))), m["added"], m["source"])
            for i, g in enumerate(expected["groups"]) for m in g["files"]]
    expect(code == 0 and rows[0] == "group,path,size,category,extension,added,source".split(",") and got == want,
           f"CSV report:\n cli {got}\n ref {want}")
    code, out, err = CLI.run(["scan", root])
    expect(code == 0 and len(err.splitlines()) == 2 and str(len(expected["groups"])).encode() in err,
           f"statistics on stderr: {err!r}")


def case_progress_line_on_a_terminal():
    """The progress line shows paths, and a path must not set the window title or clear the screen."""
    hostile = os.path.join(fresh_dir("terminal"), b"\x1b]0;pwned\x07\x1b[2J\x9b1m")
    os.mkdir(hostile)
    pair(hostile, b"f", b"x")
    leader, follower = pty.openpty()
    process = subprocess.Popen(CLI.command(["scan", hostile]), env=CLI.env(), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=follower)
    os.close(follower)
    shown = b""
    while True:
        try:
            piece = os.read(leader, 4096)
        except OSError:  # the scan ended and closed the terminal
            break
        if not piece:
            break
        shown += piece
    process.wait(timeout=60)
    os.close(leader)
    # The first line is drawn when the walk starts, at the source; nothing of its name passes raw.
    expect(b"\r\x1b[K" in shown and b"?]0;pwned?" in shown, f"no progress line drawn: {shown!r}")
    for sequence in (b"\x1b]", b"\x07", b"\x1b[2J", b"\x9b", "\x9b".encode()):
        expect(sequence not in shown, f"{sequence!r} reached the terminal: {shown!r}")


def case_skipped_and_unreadable_items():
    """As a user who cannot read some items: each is reported, counted, and the scan still succeeds. A
    tree deeper than PATH_MAX is walked as far as paths can reach, holding a descriptor per level
    beyond the usual soft limit, and what lies beyond is reported."""
    base = fresh_dir("unreadable")
    os.chmod(CLI.work, 0o755)
    home = CLI.make_home("nobody-home", world_writable=True)
    pair(base, b"open", b"readable twins")
    write(os.path.join(base, b"secret"), b"A" * 300)
    write(os.path.join(base, b"twin"), b"B" * 300)  # the same size: secret's content must be read
    for package in (b"App.app", b"Twin.app"):
        os.mkdir(os.path.join(base, package))
        write(os.path.join(base, package, b"m"), b"member")
    for folder, mode in ((b"locked", 0), (b"blind", 0o444)):
        os.mkdir(os.path.join(base, folder))
        write(os.path.join(base, folder, b"inside"), b"x")
        os.chmod(os.path.join(base, folder), mode)
    unreadable = [os.path.join(base, b"secret"), os.path.join(base, b"App.app/m")]
    for path in unreadable:
        os.chmod(path, 0)
    # A chain whose every level also holds an empty folder that the walk lists after the chain's next
    # level, so that the walk keeps a descriptor open per level. The last level is too deep for a path.
    probe = os.path.join(base, b"probe")
    os.makedirs(os.path.join(probe, b"y"))
    os.mkdir(os.path.join(probe, b"z"))
    chain, aside = os.listdir(probe)
    fd, depth = os.open(base, os.O_RDONLY), 0
    while len(base) + 2 * depth < 4096:
        os.mkdir(chain, dir_fd=fd)
        os.mkdir(aside, dir_fd=fd)
        if depth == 1500:
            pair(f"/proc/self/fd/{fd}".encode(), b"deep", b"deep twins")
        inner = os.open(chain, os.O_RDONLY, dir_fd=fd)
        os.close(fd)
        fd, depth = inner, depth + 1
    os.close(fd)
    limit = lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (256, resource.getrlimit(resource.RLIMIT_NOFILE)[1]))
    code, out, err = CLI.run(["scan", "--format", "json", base], home=home, prefix=SETPRIV, preexec_fn=limit)
    report = decode_report(out)
    expect(code == 0, f"exit {code}: {err[-500:]!r}")
    names = sorted(os.path.basename(path) for path in members(report))
    expect(names == [b"deep-1", b"deep-2", b"open-1", b"open-2"], f"groups: {members(report)}")
    # locked, blind, and the two folders of the level beyond PATH_MAX; secret and App.app's member.
    expect((report["stats"]["skipped"], report["stats"]["read_errors"]) == (4, 2), f"stats {report['stats']}")
    for what in (b"skipped " + os.path.join(base, b"locked"), b"skipped " + os.path.join(base, b"blind"),
                 b"path longer than", b"cannot read " + unreadable[0], b"cannot read " + unreadable[1]):
        expect(what in err, f"no warning {what!r}: {err[-800:]!r}")
    code, _, err = CLI.run(["scan", "--quiet", base], home=home, prefix=SETPRIV)
    expect(code == 0 and err == b"", f"--quiet: {code} {err[:300]!r}")
    subprocess.run(["rm", "-rf", base], check=True)


def case_links_named_as_sources():
    """A link named on the command line is followed, as find -H does, and what it leads to is reported
    through its name; a link inside is not followed; a dangling link adds nothing, and sources keep
    their places among the paths given."""
    root = fresh_dir("links")
    real, single = os.path.join(root, b"real"), os.path.join(root, b"single")
    os.mkdir(real)
    pair(real, b"twin", b"twins")
    os.symlink(single, os.path.join(real, b"inner-link"))
    write(single, b"twins")
    to_folder, to_file, dangling = (os.path.join(root, name) for name in (b"to-folder", b"to-file", b"dangling"))
    os.symlink(real, to_folder)
    os.symlink(single, to_file)
    os.symlink(os.path.join(root, b"gone"), dangling)
    code, out, err = CLI.run(["scan", "--format", "json", dangling, to_folder, to_file])
    report = decode_report(out)
    expect(code == 0 and dangling + b": nothing exists there" in err, f"exit {code}: {err!r}")
    expect(members(report) == [to_file, to_folder + b"/twin-1", to_folder + b"/twin-2"], f"{members(report)}")
    expect([(s["path"], s["index"]) for s in report["sources"]] == [(to_folder, 1), (to_file, 2)], f"{report['sources']}")
    code, out, err = CLI.run(["scan", dangling])
    expect(code == 1 and out == b"" and b"nothing exists there" in err, f"only a dangling link: exit {code}")


def case_relative_path_without_current_folder():
    """A relative path when the current folder is gone must not be read against "/"."""
    for command in (["scan", "etc"], ["scan", "."], ["fingerprint", "etc"]):
        gone = tempfile.mkdtemp(dir=CLI.work)
        code, out, err = CLI.run(command, cwd=gone, preexec_fn=lambda: os.rmdir(gone), timeout=30)
        expect(code == 2 and out == b"" and b"current folder" in err, f"{command}: {code} {out[:100]!r} {err!r}")


def write_settings(home, text):
    folder = os.path.join(home, "config", "quenby")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "twinsift.ini"), "w") as f:
        f.write("[General]\n" + text)


def case_settings():
    """The user's stored settings apply only with --use-settings, and a damaged value counts as absent:
    two 10 MiB files that differ in one byte are no duplicates under the default fast-scan size."""
    root = fresh_dir("settings")
    content = os.urandom(10 << 20)
    write(os.path.join(root, b"one"), content)
    write(os.path.join(root, b"other"), content[:7 << 20] + b"!" + content[(7 << 20) + 1:])
    pair(root, b"twin", b"twins")
    home = CLI.make_home("settings-home")
    for value in ("abc", "-5", "1e30", "inf", "8796093022208"):
        minimum = f"ONLY_FILE_SIZE_KEY=true\nONLY_FILE_SIZE_VALUE_KEY={value}\n" if value[0] != "8" else ""
        write_settings(home, f"FAST_SCAN_SIZE_KEY={value}\n" + minimum)
        report = CLI.scan_json([root], Options(), extra=["--use-settings"], home=home)
        expect(len(report["groups"]) == 1 and report["stats"]["files"] == 4, f"with {value}: {report['stats']}")
    write_settings(home, "SCAN_FILE_TYPE_ALL=false\nFAST_SCAN_SIZE_KEY=0\n")
    expect(len(CLI.scan_json([root], Options(), home=home)["groups"]) == 1, "stored settings applied without asking")
    report = CLI.scan_json([root], Options(), extra=["--use-settings"], home=home)
    expect(report["stats"]["files"] == 0, f"--use-settings ignored the stored scan rules: {report['stats']}")
    # A FIFO in place of the settings file would block every reader of it.
    os.unlink(os.path.join(home, "config", "quenby", "twinsift.ini"))
    os.mkfifo(os.path.join(home, "config", "quenby", "twinsift.ini"))
    for extra in ([], ["--use-settings"]):
        expect(len(CLI.scan_json([root], Options(), extra=extra, home=home, timeout=30)["groups"]) == 1, f"{extra}")


def blocked_writing_stderr(process):
    """Whether a thread of the process waits in write(2, ...): the pipe is full and nobody reads it."""
    for thread in os.listdir(f"/proc/{process.pid}/task"):
        try:
            call = open(f"/proc/{process.pid}/task/{thread}/syscall").read().split()
        except FileNotFoundError:  # a thread that ended meanwhile
            continue
        if call[:2] == ["1", "0x2"]:
            return True
    return False


def started_and_blocked(arguments):
    """A scan with --verbose whose stderr the test leaves unread: the scan soon waits on the full pipe
    with most of the tree still before it (the tree is much larger than the pipe holds), and stays
    there until the test reads on. A signal sent then arrives at a point the test chose."""
    process = subprocess.Popen(CLI.command(["scan", "--verbose", *arguments]), env=CLI.env(),
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    while not blocked_writing_stderr(process):
        if process.poll() is not None:
            raise AssertionError(f"the scan ended before it filled the pipe: {process.stderr.read()[-300:]!r}")
        time.sleep(0.01)
    return process


# Files a scan lists before it takes them in, having read ahead what their grouping needs. A stop
# takes in what is left of the stretch at hand without reading more, and begins no other.
STRETCH = 4096


def case_interrupt(root, count):
    """The scan waits to write the line of its k-th file; Ctrl-C now must stop it at the end of the
    stretch of the walk that holds that file, whatever the timing: the report holds exactly the files
    of the walk up to there."""
    for fmt in ("json", "text"):
        process = started_and_blocked(["--format", fmt, root])
        written = int.from_bytes(fcntl.ioctl(process.stderr.fileno(), termios.FIONREAD, b"\0" * 4), sys.byteorder)
        process.send_signal(signal.SIGINT)
        out, err = process.communicate(timeout=120)
        expect(process.returncode == 130 and b"interrupted" in err, f"{fmt}: exit {process.returncode} {err[-300:]!r}")
        taken = sum(line.startswith(root) for line in err.split(b"\n"))  # every file taken in is printed
        waiting_at = err[:written].count(b"\n") + 1
        stretch_end = min(-(-waiting_at // STRETCH) * STRETCH, count)
        expect(err[written - 1:written] == b"\n" and taken == stretch_end < count,
               f"{fmt}: took in {taken} files, the scan was waiting at file {waiting_at}")
        if fmt == "json":
            report = ReferenceScan(Options(), limit=taken).add_sources([root]).report(interrupted=True)
            compare_reports(decode_report(out), report)
        else:
            for block in filter(None, out.split(b"\n\n")):
                paths = block.rstrip(b"\n").split(b"\n")
                expect(len(paths) > 1 and len({open(p, "rb").read() for p in paths}) == 1, f"not a group: {paths}")


def case_second_interrupt(root):
    """After the first Ctrl-C has been taken, a second ends the scan at once, even while it is blocked."""
    process = started_and_blocked([root])
    process.send_signal(signal.SIGINT)
    try:
        # The first is taken when the main thread accepts SIGINT again (or the scan ended anyway).
        while process.poll() is None:
            blocked = next(line for line in open(f"/proc/{process.pid}/status") if line.startswith("SigBlk:"))
            if not int(blocked.split()[1], 16) & (1 << (signal.SIGINT - 1)):
                break
            time.sleep(0.01)
        process.send_signal(signal.SIGINT)
        process.wait(timeout=60)
    finally:
        process.kill()
        process.communicate()
    expect(process.returncode == -signal.SIGINT, f"exit {process.returncode}")


def case_output_that_cannot_be_written():
    root = fresh_dir("output")
    pair(root, b"twin", b"twins")
    with open("/dev/full", "wb") as full:
        for command in (["scan", root], ["scan", "--format", "json", root], ["fingerprint", root + b"/twin-1"]):
            code, _, err = CLI.run(command, stdout=full)
            expect(code == 2 and b"cannot write" in err, f"{command} to /dev/full: {code} {err!r}")
    code, _, err = CLI.run(["scan", root], stdout=None, preexec_fn=lambda: os.close(1))
    expect(code == 2 and b"cannot write" in err, f"closed stdout: {code} {err!r}")
    # The reader is gone before the scan ends (`scan | head`): no silent death by SIGPIPE.
    reader, writer = os.pipe()
    os.close(reader)
    process = subprocess.Popen(CLI.command(["scan", root]), env=CLI.env(), stdout=writer, stderr=subprocess.PIPE)
    os.close(writer)
    err = process.communicate(timeout=60)[1]
    expect(process.returncode == 2 and b"Broken pipe" in err, f"reader gone: {process.returncode} {err!r}")


def main():
    global CLI
    CLI = Cli(os.path.abspath(sys.argv[1]), tempfile.mkdtemp(prefix="twinsift-hostile-"))
    results = Results()
    try:
        results.case("folder swapped for a link during the walk", case_folder_swapped_for_link)
        results.case("names that forge report lines", case_names_that_forge_lines)
        results.case("progress line on a terminal", case_progress_line_on_a_terminal)
        results.case("skipped and unreadable items, a tree deeper than PATH_MAX", case_skipped_and_unreadable_items)
        results.case("links named as sources", case_links_named_as_sources)
        results.case("relative path without a current folder", case_relative_path_without_current_folder)
        results.case("settings: only when asked, damaged values absent, a FIFO", case_settings)
        results.case("output that cannot be written", case_output_that_cannot_be_written)
        big = fresh_dir("big")
        for i in range(20000):
            if i % 1000 == 0:
                os.mkdir(os.path.join(big, b"d%02d" % (i // 1000)))
            write(os.path.join(big, b"d%02d/f%05d" % (i // 1000, i)), b"%d" % (i % 3000))
        results.case("Ctrl-C during a scan", case_interrupt, big, 20000)
        results.case("a second Ctrl-C", case_second_interrupt, big)
    finally:
        subprocess.run(["rm", "-rf", CLI.work])
    return results.summary()


if __name__ == "__main__":
    sys.exit(main())
