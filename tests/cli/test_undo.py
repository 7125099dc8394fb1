#!/usr/bin/env python3
"""`twinsift-cli clean --link hard` and `twinsift-cli undo` end to end on real trees: freed bytes are
counted by inode, linked copies come back as copies of their own, an undo says which files it could not
put back; a clean-up killed half-way (the file-size limit ends it at a fixed point, as it writes its
journal or copies a file to another file system) is completed by the undo; a damaged journal is listed
as such and never used, while one whose last record a kill cut short is.

Usage: test_undo.py PATH-TO-twinsift-cli
"""
import fcntl
import hashlib
import json
import os
import resource
import shutil
import signal
import sys
import tempfile

from reference import Cli, Results, expect, write

CLI = None


def journals():
    folder = os.path.join(os.environ["XDG_STATE_HOME"], "twinsift", "undo")
    return sorted(os.path.join(folder, name) for name in os.listdir(folder)) if os.path.isdir(folder) else []


def drop_journals():
    for path in journals():
        os.unlink(path)


def tree(pairs, base=None):
    """A new folder holding each content twice, the first copy written first; and its path."""
    src = os.path.join(base or tempfile.mkdtemp(dir=CLI.work).encode(), b"src")
    os.makedirs(src)
    for name, content in pairs:
        for copy in (b"-1", b"-2"):
            write(os.path.join(src, name + copy), content)
    return src


def undo_lines(arguments=()):
    code, out, err = CLI.run(["undo", *arguments])
    return code, [line.split(b"\t") for line in out.splitlines()], err


def case_hard_links():
    drop_journals()
    src = tree([(b"x", b"one"), (b"y", b"two!")])
    outside = os.path.join(os.path.dirname(src), b"outside")
    os.makedirs(outside)
    # Both copies of z have another name outside the scan: replacing either frees nothing.
    for copy in (b"z-1", b"z-2"):
        write(os.path.join(outside, copy), b"three")
        os.link(os.path.join(outside, copy), os.path.join(src, copy))
    mtimes = {name: os.stat(os.path.join(src, name)).st_mtime_ns for name in os.listdir(src)}
    code, out, err = CLI.run(["clean", "--link", "hard", "--dry-run", "--format", "json", src])
    expect(code == 0 and json.loads(out)["stats"]["bytes"] == 7, f"dry run: exit {code} {out!r} {err!r}")
    code, out, err = CLI.run(["clean", "--link", "hard", "--format", "json", src])
    done = json.loads(out)
    linked = sorted(os.fsencode(item["path"]) for item in done["removed"])
    expect(code == 0 and done["stats"]["bytes"] == 7 and len(linked) == 3, f"exit {code}: {done} {err!r}")
    for path in linked:
        twin = path[:-1] + (b"2" if path.endswith(b"1") else b"1")
        expect(os.stat(path).st_ino == os.stat(twin).st_ino, f"{path} is no hard link to {twin}")
    # One linked name is taken by another file before the undo: that one stays, and is named.
    taken = linked[0]
    os.unlink(taken)
    write(taken, b"newcomer")
    code, listed, _ = undo_lines(["--list"])
    expect(code == 0 and len(listed) == 1 and listed[0][2:] == [b"link hard", b"3 file(s)"], f"listed {listed}")
    # A clean-up still writing its journal holds it locked: no undo takes it meanwhile.
    with open(journals()[0], "rb") as held:
        fcntl.flock(held, fcntl.LOCK_EX)
        code, lines, err = undo_lines()
        expect(code == 1 and lines == [] and b"still running" in err, f"a journal in use: {code} {lines} {err!r}")
    code, lines, err = undo_lines()
    expect(code == 1 and sorted(line[0] for line in lines) == [b"failed", b"restored", b"restored"],
           f"exit {code}: {lines} {err!r}")
    expect(any(line[:2] == [b"failed", taken] and b"changed" in line[2] for line in lines), f"{lines}")
    for path in linked[1:]:
        st = os.stat(path)
        expect(st.st_nlink == 1 and st.st_mtime_ns == mtimes[os.path.basename(path)], f"{path} not its own")
    expect(open(taken, "rb").read() == b"newcomer" and journals() == [], f"after the undo: {journals()}")
    expect(undo_lines()[0] == 1, "an undo with no journal left")


def case_killed(where):
    """Killed as the journal passes 2000 bytes (moves on the same file system), or as a copy onto another
    file system passes 1 MiB: the undo brings back what was moved and removes the half-made copy."""
    drop_journals()
    if where == "journal":
        src = tree([(b"f%d" % i, b"content %d" % i) for i in range(8)])
        destination, limit = os.path.join(os.path.dirname(src), b"dest"), 2000
        os.makedirs(destination)
    else:
        src = tree([(b"big", os.urandom(4 << 20))])
        destination, limit = tempfile.mkdtemp(dir="/dev/shm").encode(), 1 << 20
    before = {name: open(os.path.join(src, name), "rb").read() for name in os.listdir(src)}
    cap = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    code, _, _ = CLI.run(["clean", "--quiet", "--move-to", destination, src], preexec_fn=cap)
    expect(code == -signal.SIGXFSZ, f"exit {code}, not killed by the file-size limit")
    moved = os.listdir(destination) if os.path.isdir(destination) else []
    expect(where == "copy" or len(moved) > 1, f"killed before moving two files: {moved}")
    code, lines, err = undo_lines()
    expect(code == 0 and len(lines) == (1 if where == "copy" else len(moved)), f"exit {code}: {lines} {err!r}")
    expect(where == "journal" or lines[0][0] == b"in-place", f"{lines}")
    after = {name: open(os.path.join(src, name), "rb").read() for name in os.listdir(src)}
    expect(after == before and os.listdir(destination) == [], f"left {os.listdir(destination)}")


def case_damaged_journals():
    drop_journals()
    src = tree([(b"f%d" % i, b"content %d" % i) for i in range(3)])
    destination = os.path.join(os.path.dirname(src), b"dest")
    os.makedirs(destination)
    CLI.run(["clean", "--quiet", "--move-to", destination, src])
    (journal,) = journals()
    with open(journal, "rb") as f:
        records = f.read().splitlines(keepends=True)
    os.unlink(journal)
    stem = journal[:-len(".journal")]
    # The third names a step the journal does not hold, under a good checksum.
    forged = b"7 done 9 - 0 0"
    damages = {
        "fails its checksum": records[:2] + [records[2].replace(b" done ", b" dome ")] + records[3:],
        "out of sequence": records[:2] + records[3:],
        "makes no sense": records + [hashlib.md5(forged).hexdigest()[:16].encode() + b" " + forged + b"\n"],
    }
    for i, lines in enumerate(damages.values()):
        with open(f"{stem}-{i + 1}.journal", "wb") as f:
            f.write(b"".join(lines))
    # The torn tail of a killed task: the last record without its end.
    with open(f"{stem}-0.journal", "wb") as f:
        f.write(b"".join(records)[:-9])
    code, listed, _ = undo_lines(["--list"])
    damaged = {line[0]: line[2] for line in listed if line[1] == b"damaged"}
    expect(code == 0 and len(listed) == 4 and len(damaged) == 3, f"listed {listed}")
    for why in damages:
        expect(any(why.encode() in text for text in damaged.values()), f"no journal {why}: {damaged}")
    for damaged_id in damaged:
        code, lines, err = undo_lines([damaged_id])
        expect(code == 1 and lines == [] and b"damaged" in err, f"{damaged_id}: exit {code} {lines} {err!r}")
    expect(len(os.listdir(destination)) == 3, "a damaged journal was used")
    code, lines, err = undo_lines([os.path.basename(stem) + "-0"])
    expect(code == 0 and [line[0] for line in lines] == [b"restored"] * 3, f"exit {code}: {lines} {err!r}")
    expect(os.listdir(destination) == [] and len(os.listdir(src)) == 6, f"{os.listdir(src)}")


def case_reflink_refused():
    """tmpfs cannot share blocks: every file stays (each is tried in turn, the other as the copy that
    stays), and is named with the reason."""
    drop_journals()
    base = tempfile.mkdtemp(dir="/dev/shm").encode()
    src = tree([(b"x", b"one"), (b"y", b"two!")], base)
    code, out, err = CLI.run(["clean", "--link", "reflink", "--on-error", "continue", "--format", "json", src])
    left = sorted(os.listdir(src))
    shutil.rmtree(base)
    done = json.loads(out)
    expect(code == 1 and not done["removed"] and done["stats"]["shared_bytes"] == 0, f"exit {code}: {done} {err!r}")
    expect(len(done["failed"]) == 4 and all("cannot share blocks" in f["error"] for f in done["failed"]), f"{done}")
    expect(left == [b"x-1", b"x-2", b"y-1", b"y-2"] and journals() == [], f"left {left}, journals {journals()}")


def case_usage():
    for arguments in (["--lst"], ["one", "two"]):
        expect(CLI.run(["undo", *arguments])[0] == 2, f"{arguments}")
    code, _, err = CLI.run(["undo", "no-such-id"])
    expect(code == 1 and b"no-such-id" in err, f"an unknown id: exit {code} {err!r}")


def main():
    global CLI
    with tempfile.TemporaryDirectory(prefix="twinsift-undo-") as work:
        CLI = Cli(sys.argv[1], work)
        os.environ["XDG_STATE_HOME"] = os.path.join(work, "state")
        results = Results()
        results.case("hard links and their undo", case_hard_links)
        results.case("killed while writing the journal", case_killed, "journal")
        results.case("damaged journals", case_damaged_journals)
        results.case("killed while copying to another file system", case_killed, "copy")
        results.case("reflinks refused on tmpfs", case_reflink_refused)
        results.case("usage errors", case_usage)
        return results.summary()


if __name__ == "__main__":
    sys.exit(main())
