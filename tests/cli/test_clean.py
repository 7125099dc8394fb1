#!/usr/bin/env python3
"""`twinsift-cli clean` end to end on real trees, in both modes: no content present before a clean-up is
missing after it, whatever the tree holds (the same file reached twice through hard links, a link to a
parent folder, overlapping sources or a bind mount; files that differ only between fast-scan samples;
names that are not UTF-8, hold newlines or start with a dash); the dry run plans what the clean-up
then does; moves go to another file system, fail on a full one, and a move killed half-way leaves
nothing behind; exit statuses.

Usage: test_clean.py PATH-TO-twinsift-cli
"""
import hashlib
import json
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile

from reference import Cli, Results, expect, shown, sparse, write

CLI = None
ROOT = os.geteuid() == 0


def contents(*roots):
    """Every regular file's content below the roots (by digest), with how many names hold it."""
    found = {}
    for root in roots:
        for folder, _, names in os.walk(root):
            for name in names:
                path = os.path.join(folder, name)
                if os.path.isfile(path) and not os.path.islink(path):
                    with open(path, "rb") as f:
                        digest = hashlib.sha256(f.read()).hexdigest()
                    found[digest] = found.get(digest, 0) + 1
    return found


def hostile_tree(base):
    """A tree whose duplicates must be cleaned while the files that are one file stay."""
    src = os.path.join(base, b"src")
    os.makedirs(os.path.join(src, b"sub"))
    names = [b"plain.txt", b"caf\xe9\xff.bin", b"new\nline", b"-dash", b"sub/deeper.txt"]
    for i, name in enumerate(names):
        write(os.path.join(src, name), b"content %d" % i)
        write(os.path.join(src, b"copy-" + name.replace(b"/", b"-")), b"content %d" % i)
    write(os.path.join(src, b"linked"), b"hard linked once")
    os.link(os.path.join(src, b"linked"), os.path.join(src, b"sub/also-linked"))
    # Fast scan compares large files by samples: these differ between them only.
    sparse(os.path.join(src, b"large-a"), 24 << 20, [(0, b"x")])
    sparse(os.path.join(src, b"large-b"), 24 << 20, [(0, b"x"), (9 << 20, b"y")])
    os.symlink(src, os.path.join(base, b"through-link"))
    return src


def run_clean(arguments):
    code, out, err = CLI.run(["clean", "--format", "json", *arguments])
    return code, (json.loads(out) if out else None), err


def case_nothing_lost(mode):
    base = tempfile.mkdtemp(dir=CLI.work).encode()
    src = hostile_tree(base)
    # The same files again through a link to their folder and as an inner source: never a copy of themselves.
    sources = [src, os.path.join(base, b"through-link"), os.path.join(src, b"sub")]
    destination = tempfile.mkdtemp(dir="/dev/shm").encode() if mode == "move" else None
    extra = ["--move-to", destination] if destination else []
    before = contents(src)
    code, plan, err = run_clean(["--dry-run", *extra, *sources])
    expect(code == 0 and plan["dry_run"], f"dry run: exit {code} {err[-300:]!r}")
    code, done, err = run_clean(["--on-error", "continue", *extra, *sources])
    # The sampled look-alikes are planned to go, but the first has no identical copy: the group is taken
    # apart, and both stay.
    failed = [os.path.basename(os.fsencode(item["path"])) for item in done["failed"]]
    expect(code == 1 and len(failed) == 1 and failed[0] in (b"large-a", b"large-b"),
           f"clean: exit {code} {done['failed']} {err[-300:]!r}")
    removed = sorted(item["path"] for item in done["removed"])
    planned = sorted(item["path"] for item in plan["removed"] if "/large-" not in item["path"])
    expect(removed == planned, f"the plan {plan} is not what was done {done}")
    # Five named pairs lose one copy each; the hard-linked file stays.
    expect(len(removed) == 5, f"removed {removed}")
    after = contents(src, *([destination] if destination else []))
    expect(set(before) <= set(after), "a content present before the clean-up is gone")
    if destination:
        expect(sum(after.values()) == sum(before.values()), "a moved file did not arrive")
        moved = [item["destination"] for item in done["removed"]]
        expect(all(os.path.exists(os.fsencode(path)) for path in moved), f"not at its destination: {moved}")


def case_bind_mount():
    """One folder reached through a bind mount too: the same files by other paths stay."""
    base = tempfile.mkdtemp(dir=CLI.work).encode()
    real, bound = os.path.join(base, b"real"), os.path.join(base, b"bound")
    os.makedirs(real)
    os.makedirs(bound)
    write(os.path.join(real, b"only"), b"one file, two paths")
    subprocess.run(["mount", "--bind", real, bound], check=True)
    try:
        code, done, err = run_clean([real, bound])
        expect(code == 0 and not done["removed"], f"exit {code}: {done} {err[-200:]!r}")
        expect(os.path.exists(os.path.join(real, b"only")), "the file removed as its own duplicate")
    finally:
        subprocess.run(["umount", bound], check=True)


def case_full_destination():
    """Moving onto a full file system fails; the files stay, and --on-error decides whether to go on."""
    base = tempfile.mkdtemp(dir=CLI.work).encode()
    src, small = os.path.join(base, b"src"), os.path.join(base, b"small")
    os.makedirs(src)
    os.makedirs(small)
    # The big pair's size bucket comes first, so its failure comes before the small pair.
    for name, size in ((b"big", 200_000), (b"small", 5000)):
        for copy in (b"-1", b"-2"):
            write(os.path.join(src, name + copy), bytes([len(name)]) * size)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", small], check=True)
    try:
        before = contents(src)
        # Going on, the second big file is tried too: the group still held two files.
        for on_error, failed, moved in (("quit", 1, 0), ("continue", 2, 1)):
            code, done, err = run_clean(["--move-to", small, "--on-error", on_error, src])
            expect(code == 1 and len(done["failed"]) == failed, f"{on_error}: exit {code} {done} {err[-200:]!r}")
            expect(len(done["removed"]) == moved, f"{on_error}: {done}")
            expect(set(before) <= set(contents(src, small)), f"{on_error}: a content is gone")
            for name in os.listdir(small):
                shutil.move(os.path.join(small, name), os.path.join(src, name))
    finally:
        subprocess.run(["umount", small], check=True)


def case_read_only_folder():
    """As a user who may not write a folder, the copy in it cannot be deleted: it stays, the failure is
    reported, and the clean-up goes on with one copy of every content left."""
    os.chmod(CLI.work, 0o755)
    home = CLI.make_home("nobody-home", world_writable=True)
    base = tempfile.mkdtemp(dir=CLI.work).encode()
    locked = os.path.join(base, b"locked")
    os.makedirs(locked)
    # The newest copy of each pair stays: the older one is in the locked folder, or beside it.
    for older, newer, content in ((os.path.join(locked, b"old"), os.path.join(base, b"new"), b"locked pair"),
                                  (os.path.join(base, b"open-old"), os.path.join(base, b"open-new"), b"open pair")):
        write(older, content)
        write(newer, content)
        os.utime(older, (1_000_000, 1_000_000))
        os.utime(newer, (2_000_000, 2_000_000))
    subprocess.run(["chown", "-R", "nobody:nogroup", base], check=True)
    os.chmod(locked, 0o555)
    before = contents(base)
    code, out, err = CLI.run(["clean", "--format", "json", "--on-error", "continue", base], home=home,
                             prefix=["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"])
    done = json.loads(out) if out else None
    expect(code == 1 and done and [f["path"] for f in done["failed"]] == [os.path.join(locked, b"old").decode()],
           f"exit {code}: {done} {err[-300:]!r}")
    # The locked copy staying, the newer one of its pair is the redundant copy, and it goes.
    removed = sorted(f["path"] for f in done["removed"])
    expect(removed == [os.path.join(base, name).decode() for name in (b"new", b"open-old")], f"{done}")
    expect(os.path.exists(os.path.join(locked, b"old")) and contents(base) == {k: 1 for k in before},
           "the locked copy or a content is gone")
    os.chmod(locked, 0o755)


def case_killed_while_moving():
    """A clean-up killed while it copies a file onto another file system leaves the file where it was
    and nothing under its name at the destination; the next move into that folder clears the partial
    copy away. The kill comes at a fixed point: the file-size limit ends the process (SIGXFSZ) as its
    copy passes 1 MiB."""
    base = tempfile.mkdtemp(dir=CLI.work).encode()
    destination = tempfile.mkdtemp(dir="/dev/shm").encode()
    src = os.path.join(base, b"src")
    os.makedirs(src)
    content = os.urandom(4 << 20)
    for copy in (b"a", b"b"):
        write(os.path.join(src, copy), content)
    limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))
    code, _, _ = CLI.run(["clean", "--quiet", "--move-to", destination, src], preexec_fn=limit)
    expect(code == -signal.SIGXFSZ, f"exit {code}, not killed by the file-size limit")
    expect(sorted(os.listdir(src)) == [b"a", b"b"], f"{os.listdir(src)} after the kill")
    expect(all(open(os.path.join(src, n), "rb").read() == content for n in (b"a", b"b")), "a file was damaged")
    expect(b"a" not in os.listdir(destination), "a file under its final name after a kill")
    code, done, err = run_clean(["--move-to", destination, src])
    expect(code == 0 and os.listdir(destination) == [b"a"], f"exit {code}: {os.listdir(destination)} {err!r}")
    subprocess.run(["rm", "-rf", base, destination])


def case_usage():
    base = tempfile.mkdtemp(dir=CLI.work).encode()
    write(os.path.join(base, b"x"), b"x")
    for arguments in (["--keep", "middle"], ["--source", "-1"], ["--move-to", "/nonexistent"],
                      ["--on-error", "maybe"], ["--dry-run=yes"], ["--include-empty=no"],
                      ["--null", "--format", "json"], ["--format", "csv"], ["--link", "soft"],
                      ["--link", "hard", "--move-to", base]):
        code, _, _ = CLI.run(["clean", *arguments, base])
        expect(code == 2, f"{arguments}: exit {code}")


def twin_folders(*names):
    """Folders below a new one, each holding a copy of one content as "f"; and the path of a name that
    is not there."""
    base = tempfile.mkdtemp(dir=CLI.work).encode()
    folders = [os.path.join(base, name) for name in names]
    for folder in folders:
        os.makedirs(folder)
        write(os.path.join(folder, b"f"), b"twin")
    return folders, os.path.join(base, b"missing")


def case_attributes_a_move_cannot_keep():
    """A move onto a ramfs, which keeps no extended attributes, goes on and says which it could not
    keep, whatever the format. (That a move keeps them where it can is the cross-device move test's.)"""
    (a, b), _ = twin_folders(b"a", b"b")
    for folder in (a, b):
        os.setxattr(os.path.join(folder, b"f"), "user.tag", b"kept")
    ramfs = tempfile.mkdtemp(dir=CLI.work).encode()
    subprocess.run(["mount", "-t", "ramfs", "ramfs", ramfs], check=True)
    try:
        code, done, err = run_clean(["--move-to", ramfs, a, b])
        moved = os.fsencode(done["removed"][0]["destination"])
        expect(code == 0 and b"user.tag" in err and os.path.exists(moved), f"exit {code}: {done} {err!r}")
    finally:
        subprocess.run(["umount", ramfs], check=True)


def case_protected_folders():
    """Nothing under --protect PATH or a --protect-source goes, though the date rule picks it."""
    (a, b, c), _ = twin_folders(b"a", b"b", b"c")
    for arguments, kept in ((["--protect", a], [a]), (["--protect-source", "1"], [b])):
        code, plan, err = run_clean(["--dry-run", "--keep", "oldest", *arguments, a, b])
        planned = [os.path.dirname(os.fsencode(item["path"])) for item in plan["removed"]]
        expect(code == 0 and planned == [x for x in (a, b) if x not in kept], f"{arguments}: {plan} {err!r}")
    code, done, err = run_clean(["--protect", os.path.dirname(a), a, b, c])
    expect(code == 0 and done["removed"] == [] and all(os.path.exists(os.path.join(x, b"f")) for x in (a, b, c)),
           f"all protected: {done} {err!r}")


def case_source_positions():
    """--source counts the paths as given: one that could not be added, or was already a source, keeps
    its place, and naming it (or a place past the end) is refused before anything is removed."""
    (a, b), missing = twin_folders(b"a", b"b")
    code, plan, err = run_clean(["--dry-run", "--source", "1", missing, a, b])
    expect(code == 0 and [r["path"] for r in plan["removed"]] == [os.path.join(a, b"f").decode()],
           f"--source 1 of missing, a, b: {plan} {err!r}")
    expect(b"twinsift-cli clean: " + missing + b": nothing exists there" in err, f"warning: {err!r}")
    for arguments, refusal in ((["0", missing, a, b], b"was skipped (nothing exists there)"),
                               (["1", a, a, b], b"was skipped (already a source)"),
                               (["3", missing, a, b], b"there are only 3 sources"), (["1", a], b"there is only 1 source")):
        code, out, err = CLI.run(["clean", "--source", *arguments])
        expect(code == 2 and out == b"" and refusal in err, f"--source {arguments}: exit {code} {err!r}")
    expect(all(os.path.exists(os.path.join(folder, b"f")) for folder in (a, b)), "a refused clean-up removed a file")


def case_dry_run_destinations():
    """The dry run names the free names the moves then take: a name already in the destination, and
    files of one name moved together, get "_N" before the extension; an emptied source is reported."""
    folders, _ = twin_folders(b"x", b"y", b"z")
    base = os.path.dirname(folders[0])
    destination = os.path.join(base, b"destination")
    os.makedirs(destination)
    write(os.path.join(destination, b"f"), b"already here")
    for folder in folders[:2]:
        write(os.path.join(folder, b"photo.jpg"), b"picture")
    write(os.path.join(destination, b"photo.jpg"), b"another picture")
    moves = lambda report: [(r["path"], r["destination"]) for r in report["removed"]]
    code, plan, err = run_clean(["--dry-run", "--move-to", destination, *folders])
    expect(code == 0, f"dry run: exit {code} {err!r}")
    code, done, err = run_clean(["--move-to", destination, *folders])
    expect(code == 0 and moves(done) == moves(plan), f"planned {moves(plan)}, done {moves(done)}")
    expect(sorted(os.listdir(destination)) == [b"f", b"f_1", b"f_2", b"photo.jpg", b"photo_1.jpg"], f"{moves(done)}")
    # The source that lost all its files went to the trash, and the report says so.
    expect(done["trashed"] == [folders[0].decode()] and not os.path.exists(folders[0]), f"trashed: {done}")


def case_what_the_report_cannot_carry():
    """With --null each failed file is named on stderr; with the report's reader gone (`clean | head`)
    the command says that the report was not written and exits 2, the clean-up made all the same."""
    base = tempfile.mkdtemp(dir=CLI.work).encode()
    # Fast scan compares large files by samples: these differ between them only, and the first fails.
    failing = [os.path.join(base, name) for name in (b"large\na", b"large\nb")]
    for path, marks in zip(failing, ([(0, b"x")], [(0, b"x"), (9 << 20, b"y")])):
        sparse(path, 24 << 20, marks)
    code, out, err = CLI.run(["clean", "--null", "--on-error", "continue", base])
    named = [b"twinsift-cli clean: " + shown(path) + b": " for path in failing]
    expect(code == 1 and out == b"" and sum(n in err for n in named) == 1, f"exit {code}: {out!r} {err!r}")
    (a, b), _ = twin_folders(b"a", b"b")
    reader, writer = os.pipe()
    os.close(reader)
    process = subprocess.Popen(CLI.command(["clean", a, b]), env=CLI.env(), stdout=writer, stderr=subprocess.PIPE)
    os.close(writer)
    err = process.communicate(timeout=60)[1]
    expect(process.returncode == 2 and b"cannot write the report: Broken pipe" in err, f"{process.returncode} {err!r}")
    expect(os.path.exists(os.path.join(a, b"f")) != os.path.exists(os.path.join(b, b"f")), "no copy removed")


def case_links_named_as_sources():
    """Links named as sources are followed: copies are reported through the links' names and removed
    from where the links lead."""
    (real,), _ = twin_folders(b"real")
    base = os.path.dirname(real)
    write(os.path.join(real, b"g"), b"twin")
    write(os.path.join(base, b"single"), b"twin")
    os.symlink(real, os.path.join(base, b"to-folder"))
    os.symlink(os.path.join(base, b"single"), os.path.join(base, b"to-file"))
    leads_to = {os.path.join(base, shown_path): os.path.join(base, target) for shown_path, target in
                ((b"to-folder/f", b"real/f"), (b"to-folder/g", b"real/g"), (b"to-file", b"single"))}
    code, done, err = run_clean([os.path.join(base, b"to-folder"), os.path.join(base, b"to-file")])
    removed = [os.fsencode(r["path"]) for r in done["removed"]]
    expect(code == 0 and len(removed) == 2 and set(removed) <= set(leads_to), f"exit {code}: {done} {err!r}")
    expect([os.path.exists(leads_to[path]) for path in leads_to] == [path not in removed for path in leads_to],
           f"removed {removed}, left {[p for p in leads_to.values() if os.path.exists(p)]}")


def case_empty_files():
    """Empty files are all alike and make one group, which scan lists and clean leaves alone unless
    --include-empty; the groups keep the numbers scan gives them either way."""
    folder = tempfile.mkdtemp(dir=CLI.work).encode()
    for name, content in ((b"twin-1", b"twin"), (b"twin-2", b"twin"), (b"empty-1", b""), (b"empty-2.txt", b""),
                          (b"empty-3", b"")):
        write(os.path.join(folder, name), content)
    code, out, err = CLI.run(["scan", "--quiet", "--format", "json", folder])
    groups = [{os.path.basename(os.fsencode(f["path"])) for f in g["files"]} for g in json.loads(out)["groups"]]
    expect(code == 0 and sorted(map(len, groups)) == [2, 3], f"scan: {groups} {err!r}")
    for extra, removed in (([], 1), (["--include-empty"], 3)):
        code, plan, err = run_clean(["--dry-run", *extra, folder])
        named = [(r["group"], os.path.basename(os.fsencode(r["path"]))) for r in plan["removed"]]
        expect(code == 0 and len(named) == removed and all(name in groups[g] for g, name in named),
               f"{extra}: planned {named} of the groups {groups} {err!r}")
    code, done, err = run_clean([folder])
    expect(code == 0 and len(os.listdir(folder)) == 4, f"exit {code}: {done} left {os.listdir(folder)} {err!r}")


def main():
    global CLI
    with tempfile.TemporaryDirectory(prefix="twinsift-clean-") as work:
        CLI = Cli(sys.argv[1], work)
        os.environ["XDG_STATE_HOME"] = os.path.join(work, "state")  # the undo journals of the moves
        results = Results()
        results.case("delete: nothing lost", case_nothing_lost, "delete")
        results.case("move to another file system: nothing lost", case_nothing_lost, "move")
        results.case("usage errors", case_usage)
        results.case("protected folders", case_protected_folders)
        results.case("--source counts the paths as given", case_source_positions)
        results.case("the dry run names the destinations of the moves", case_dry_run_destinations)
        results.case("what the report cannot carry", case_what_the_report_cannot_carry)
        results.case("links named as sources", case_links_named_as_sources)
        results.case("empty files stay unless --include-empty", case_empty_files)
        if ROOT:
            results.case("a bind mount", case_bind_mount)
            results.case("attributes a move cannot keep", case_attributes_a_move_cannot_keep)
            results.case("a full destination", case_full_destination)
            results.case("a read-only folder", case_read_only_folder)
            results.case("killed while moving", case_killed_while_moving)
        else:
            print("skip bind mounts, full destinations and kills: they need root")
        return results.summary()


if __name__ == "__main__":
    sys.exit(main())
