#!/usr/bin/env python3
"""Writes the trees on which bench/compare_peers.sh times TwinSift against other duplicate finders.

  peer_trees.py [--seed N] [--scale F] DATA_DIR TREE...

TREE is one of:
  mixed      about 75,000 files of 1 B to 1 MiB (log-uniform sizes); a quarter of the originals are
             copied 1 to 3 times into other folders; about 5 GiB. A few copies have awkward names
             (blanks, a newline, bytes that are not UTF-8, a leading dot).
  samesize   30,000 distinct files of 4 KiB and 30,000 of 64 KiB; every tenth is copied once.
  tiny       200,000 files of 0 to 512 bytes, about half of them repeating an earlier content.
  big        four 256 MiB files of different content, a copy of each, and one more file that
             differs from the first only in one byte a third of the way in.
  hardlinks  20,000 files of 1 B to 256 KiB; most have 1 to 3 hard links in other folders, a few
             have a real copy (sometimes hard-linked too).

Each tree goes to DATA_DIR/TREE, spread over folders of 50 to 500 files up to four levels deep.
The content follows from the seed alone, so a tree is the same on every machine. --scale multiplies
the file counts (and, for big, the file size, never below 32 MiB) for quicker runs.
DATA_DIR/TREE.stamp records the seed, the scale and the generator version; a tree whose stamp
matches is kept as it is, any other is written anew.
"""

import argparse
import math
import os
import random
import shutil
import sys

# Raise this whenever a change here changes what a tree holds, so that old trees are rewritten.
GENERATOR_VERSION = 1

MiB = 1024 * 1024
POOL_SIZE = 64 * MiB
FOLDER_WORDS = ["photos", "docs", "projects", "music", "backup", "archive", "src", "misc", "work",
                "downloads", "videos", "notes"]
FILE_WORDS = ["report", "img", "track", "data", "scan", "draft", "notes", "clip", "build", "log"]
EXTENSIONS = ["txt", "jpg", "png", "pdf", "mp3", "dat", "bin", "log", "csv", "json", "doc", "c",
              "h", "mp4", "xml", ""]
AWKWARD_NAMES = [b"with blanks  in it.txt", b"new\nline.txt", b"latin1-\xe9t\xe9.dat",
                 "ünïcödé-名前.txt".encode(), b".hidden-copy", b"-starts-with-dash.bin",
                 b"tab\there.csv", b"back\\slash.txt", b"quote\"s and 'apostrophes'.json"]


class Tree:
    """Folders of a tree and the writing of files into them."""

    def __init__(self, root, rng, file_count):
        self.root = root
        self.rng = rng
        self.folders = self._make_folders(max(6, round(file_count / 275)))
        self.serial = 0

    def _make_folders(self, count):
        """COUNT folders, each under the root or under an earlier folder less than four deep."""
        folders = []
        for i in range(count):
            parents = [f for f in folders if f.count(b"/") < 3]
            parent = self.rng.choice(parents) if parents and self.rng.random() < 0.7 else b""
            name = ("%s-%03d" % (self.rng.choice(FOLDER_WORDS), i)).encode()
            folders.append(parent + b"/" + name if parent else name)
        for folder in folders:
            os.makedirs(os.path.join(self.root, folder), exist_ok=True)
        return folders

    def folder_loads(self, file_count):
        """One folder per file, as runs of 50 to 500 files in each folder in turn."""
        loads = []
        while len(loads) < file_count:
            loads += [self.folders[len(loads) % len(self.folders)]] * self.rng.randint(50, 500)
        del loads[file_count:]
        self.rng.shuffle(loads)
        return loads

    def new_name(self):
        self.serial += 1
        ext = self.rng.choice(EXTENSIONS)
        name = "%s_%07d" % (self.rng.choice(FILE_WORDS), self.serial)
        return (name + "." + ext if ext else name).encode()

    def other_folder(self, folder):
        while len(self.folders) > 1:
            other = self.rng.choice(self.folders)
            if other != folder:
                return other
        return folder

    def write(self, folder, name, content):
        path = os.path.join(self.root, folder, name)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def link(self, existing, folder):
        path = os.path.join(self.root, folder, self.new_name())
        os.link(existing, path)
        return path


def random_pool(rng):
    """POOL_SIZE random bytes; slices of it at distinct offsets make distinct contents."""
    return memoryview(b"".join(rng.randbytes(8 * MiB) for _ in range(POOL_SIZE // (8 * MiB))))


def log_uniform(rng, low, high):
    return min(high, int(math.exp(rng.uniform(math.log(low), math.log(high + 1)))))


def slice_of(pool, rng, size):
    offset = rng.randrange(POOL_SIZE - size + 1)
    return pool[offset:offset + size]


def write_copies(tree, folder, content, copies):
    """COPIES copies of CONTENT in other folders, under the same or a new name."""
    for _ in range(copies):
        name = tree.new_name()
        tree.write(tree.other_folder(folder), name, content)


def mixed(tree, rng, scale):
    pool = random_pool(rng)
    # Copies make up a third of the files: a quarter of the originals, copied twice on average.
    originals = max(4, round(75000 * scale / 1.5))
    awkward = list(AWKWARD_NAMES)
    for folder in tree.folder_loads(originals):
        content = slice_of(pool, rng, log_uniform(rng, 1, MiB))
        tree.write(folder, tree.new_name(), content)
        if rng.random() < 0.25:
            copies = rng.randint(1, 3)
            if awkward:
                tree.write(tree.other_folder(folder), awkward.pop(), content)
                copies -= 1
            write_copies(tree, folder, content, copies)


def samesize(tree, rng, scale):
    pool = random_pool(rng)
    count = max(10, round(30000 * scale))
    for size in (4 * 1024, 64 * 1024):
        # Distinct offsets into a random pool give contents that differ everywhere.
        offsets = rng.sample(range(POOL_SIZE - size + 1), count)
        for i, folder in enumerate(tree.folder_loads(count)):
            content = pool[offsets[i]:offsets[i] + size]
            tree.write(folder, tree.new_name(), content)
            if i % 10 == 0:
                write_copies(tree, folder, content, 1)


def tiny(tree, rng, scale):
    earlier = []
    for folder in tree.folder_loads(max(10, round(200000 * scale))):
        if earlier and rng.random() < 0.5:
            content = rng.choice(earlier)
        else:
            content = rng.randbytes(rng.randint(0, 512))
            if len(earlier) < 5000:
                earlier.append(content)
            else:
                earlier[rng.randrange(len(earlier))] = content
        tree.write(folder, tree.new_name(), content)


def big(tree, rng, scale):
    size = max(4, round(32 * scale)) * 8 * MiB
    firsts = []
    for i in range(4):
        folder = tree.folders[i % len(tree.folders)]
        copy_folder = tree.other_folder(folder)
        paths = [os.path.join(tree.root, folder, b"big-%d.bin" % i),
                 os.path.join(tree.root, copy_folder, b"big-%d copy.bin" % i)]
        outs = [open(p, "wb") for p in paths]
        for _ in range(size // (8 * MiB)):
            chunk = rng.randbytes(8 * MiB)
            for out in outs:
                out.write(chunk)
        for out in outs:
            out.close()
        firsts.append(paths[0])
    # Outside every sampled stretch of a fast scan, so only a whole-content comparison tells it.
    near = os.path.join(tree.root, tree.other_folder(tree.folders[0]), b"big-0 almost.bin")
    shutil.copyfile(firsts[0], near)
    with open(near, "r+b") as f:
        f.seek(size // 3)
        byte = f.read(1)
        f.seek(size // 3)
        f.write(bytes([byte[0] ^ 0x55]))


def hardlinks(tree, rng, scale):
    pool = random_pool(rng)
    for folder in tree.folder_loads(max(10, round(20000 * scale))):
        content = slice_of(pool, rng, log_uniform(rng, 1, 256 * 1024))
        path = tree.write(folder, tree.new_name(), content)
        if rng.random() < 0.6:
            for _ in range(rng.randint(1, 3)):
                tree.link(path, tree.other_folder(folder))
        if rng.random() < 0.1:
            copy = tree.write(tree.other_folder(folder), tree.new_name(), content)
            if rng.random() < 0.5:
                tree.link(copy, tree.other_folder(folder))


# Writer, file count and disk space in GiB at scale 1 (tiny files take a block each).
TREES = {"mixed": (mixed, 75000, 5.5), "samesize": (samesize, 66000, 2.4),
         "tiny": (tiny, 200000, 0.9), "big": (big, 9, 2.3), "hardlinks": (hardlinks, 20000, 0.6)}


def ensure(data_dir, name, seed, scale):
    root = os.path.join(data_dir, name)
    stamp_path = root + ".stamp"
    stamp = "generator=%d seed=%d scale=%s\n" % (GENERATOR_VERSION, seed, scale)
    try:
        with open(stamp_path) as f:
            if f.read() == stamp:
                return False
    except FileNotFoundError:
        pass
    if os.path.exists(stamp_path):
        os.remove(stamp_path)
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    write, file_count, gib = TREES[name]
    needed = gib * max(scale, 0.1) * 1024 ** 3 + 1024 ** 3
    if shutil.disk_usage(root).free < needed:
        os.rmdir(root)
        raise SystemExit("%s: needs about %.1f GiB free in %s" % (name, needed / 1024 ** 3, data_dir))
    # Each tree has its own stream of random numbers, so one tree does not depend on another.
    rng = random.Random("%d/%s" % (seed, name))
    write(Tree(os.fsencode(root), rng, max(1, round(file_count * scale))), rng, scale)
    with open(stamp_path, "w") as f:
        f.write(stamp)
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("data_dir")
    parser.add_argument("trees", nargs="+", choices=sorted(TREES))
    args = parser.parse_args()
    if args.scale <= 0:
        parser.error("--scale must be above 0")
    for name in args.trees:
        print("%s: %s" % (name, "written" if ensure(args.data_dir, name, args.seed, args.scale)
                          else "kept (stamp matches)"), file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
