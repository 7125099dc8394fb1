#!/usr/bin/env python3
"""Checks TwinSift's duplicate sets on one tree against jdupes' and against its own fast scan.

  compare_sets.py TREE EXACT_JSON FAST_JSON JDUPES_OUT

EXACT_JSON is `twinsift-cli scan --no-fast-scan --format json` of TREE, FAST_JSON the same scan with
default settings (fast scan on), JDUPES_OUT the output of `jdupes -r -q -0 TREE` (names ended by a
NUL, sets by one more).

The sets are compared as sets of files, a file being a (device, inode) pair, after these documented
differences are taken out:
  - jdupes leaves out empty files; TwinSift puts every empty file in one group. That group is checked
    on its own: it must hold every empty file of the tree, one path per inode.
  - Hard links are not duplicates for TwinSift: of the paths of one inode, at most one may be in its
    groups. jdupes does the same unless told -H; its sets are reduced to one path per inode anyway.
The fast scan is compared path for path with the exact scan.

Prints a JSON summary on stdout (read by peer_table.py) and the differences, with examples, on
stderr. Exits 0 whatever it finds, 2 when an input cannot be read.
"""

import json
import os
import stat
import sys

EXAMPLES = 3


def twinsift_groups(path):
    with open(path, encoding="utf-8") as f:
        report = json.load(f)
    groups = [(g["size"], [os.fsencode(m["path"]) for m in g["files"]]) for g in report["groups"]]
    return groups, report["stats"]["files"]


def jdupes_groups(path):
    with open(path, "rb") as f:
        data = f.read()
    # A set is its names each ended by NUL, then one more NUL (left out after the last set); no
    # name is empty.
    sets = (chunk.split(b"\0") for chunk in data.split(b"\0\0"))
    return [names for names in ([n for n in s if n] for s in sets) if names]


class Files:
    """Identity (device, inode) and size of the paths met, asked of the file system once each."""

    def __init__(self, root):
        self.root = root
        self.info = {}
        self.missing = []

    def identity(self, path):
        if path not in self.info:
            try:
                st = os.lstat(path)
                self.info[path] = ((st.st_dev, st.st_ino), st.st_size)
            except OSError:
                self.missing.append(path)
                self.info[path] = ((None, path), None)
        return self.info[path][0]

    def size(self, path):
        self.identity(path)
        return self.info[path][1]

    def show(self, path):
        """PATH relative to the tree, readable, with odd bytes and control characters escaped."""
        rel = os.path.relpath(path, self.root) if path.startswith(self.root) else path
        return rel.decode("utf-8", "backslashreplace").encode("unicode_escape").decode("ascii")

    def empty_files(self):
        """The inodes of the tree's empty regular files."""
        found = set()
        for folder, _, names in os.walk(self.root):
            for name in names:
                st = os.lstat(os.path.join(folder, name))
                if stat.S_ISREG(st.st_mode) and st.st_size == 0:
                    found.add((st.st_dev, st.st_ino))
        return found


def by_inode(files, paths):
    """A set's files: one entry per inode, with the first path met for it."""
    chosen = {}
    for path in paths:
        chosen.setdefault(files.identity(path), path)
    return chosen


def describe(files, paths):
    paths = sorted(paths)
    return "%d files of %s bytes: %s" % (len(paths), files.size(paths[0]),
                                          ", ".join(files.show(p) for p in paths[:4])
                                          + (", ..." if len(paths) > 4 else ""))


def compare_with_jdupes(files, exact, jdupes):
    problems = []
    ours = {}
    empty = None
    for size, paths in exact:
        chosen = by_inode(files, paths)
        if len(chosen) < len(paths):
            problems.append("hard links reported as duplicates: " + describe(files, paths))
        if size == 0:
            empty = set(chosen)
        elif len(chosen) > 1:
            ours[frozenset(chosen)] = chosen
    theirs = {}
    for paths in jdupes:
        chosen = by_inode(files, paths)
        if len(chosen) > 1:
            theirs[frozenset(chosen)] = chosen

    empties = files.empty_files()
    if len(empties) > 1 and empty != empties:
        problems.append("the group of empty files holds %d of the tree's %d empty files"
                        % (len(empty or ()), len(empties)))
    only_ours = [ours[k] for k in ours.keys() - theirs.keys()]
    only_theirs = [theirs[k] for k in theirs.keys() - ours.keys()]
    for label, sets in (("only in TwinSift", only_ours), ("only in jdupes", only_theirs)):
        if sets:
            problems.append("%d sets %s, e.g. %s" % (
                len(sets), label, "; ".join(describe(files, s.values()) for s in sets[:EXAMPLES])))
    return {"ok": not problems, "twinsift_sets": len(ours), "jdupes_sets": len(theirs),
            "empty_files": len(empties), "only_twinsift": len(only_ours),
            "only_jdupes": len(only_theirs), "problems": problems}


def compare_fast(files, exact, fast):
    exact_sets = {frozenset(paths) for _, paths in exact}
    fast_sets = {frozenset(paths) for _, paths in fast}
    problems = []
    for label, sets in (("only with --no-fast-scan", exact_sets - fast_sets),
                        ("only with fast scan", fast_sets - exact_sets)):
        if sets:
            examples = [describe(files, s) for s in list(sets)[:EXAMPLES]]
            problems.append("%d sets %s, e.g. %s" % (len(sets), label, "; ".join(examples)))
    return {"ok": not problems, "problems": problems}


def main():
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    tree, exact_path, fast_path, jdupes_path = sys.argv[1:]
    try:
        exact, taken_in = twinsift_groups(exact_path)
        fast, _ = twinsift_groups(fast_path)
        jdupes = jdupes_groups(jdupes_path)
    except (OSError, ValueError, KeyError) as e:
        print("cannot read the scan reports: %s" % e, file=sys.stderr)
        return 2
    files = Files(os.fsencode(os.path.abspath(tree)))
    result = {"files": taken_in,
              "jdupes": compare_with_jdupes(files, exact, jdupes),
              "fast": compare_fast(files, exact, fast)}
    if files.missing:
        result["jdupes"]["problems"].append("%d reported paths do not exist, e.g. %s" % (
            len(files.missing), ", ".join(files.show(p) for p in files.missing[:EXAMPLES])))
        result["jdupes"]["ok"] = False
    for check in ("jdupes", "fast"):
        for problem in result[check]["problems"]:
            print("%s: %s: %s" % (os.path.basename(tree), check, problem), file=sys.stderr)
    json.dump(result, sys.stdout)
    print()
    return 0


if __name__ == "__main__":
    sys.exit(main())
