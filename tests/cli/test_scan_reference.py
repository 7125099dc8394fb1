#!/usr/bin/env python3
"""End-to-end checks of `twinsift-cli scan`.

The core of this file is a second, independent implementation of the duplicate search, written
straight from the rules rather than from the C++ code: the walk of each source in directory-listing
order, the scan rules that apply here (links, ".DS_Store" and special files never become files,
packages are one file, the minimum size), the content fingerprints (quick, sampled precise and
whole-content texts, and the package form), and the literal grouping: every file is offered, one
after another, to each group of its size bucket (size AND 0x1FFF) in creation order. Randomized
trees are scanned by both and the JSON reports must agree exactly: sources, groups in bucket order,
members in date order, and the statistics.

Around it: the command-line contract (exit codes, refusals, text format, --quiet, --types), a scan
as an unprivileged user with a file it cannot read, and Ctrl-C in the middle of a large scan.

Usage: test_scan_reference.py PATH-TO-twinsift-cli
Prints "N passed, M failed" and exits non-zero when anything failed.
"""

import base64
import ctypes
import hashlib
import json
import os
import pty
import random
import re
import select
import shutil
import signal
import socket
import stat
import struct
import subprocess
import sys
import tempfile
import time
import traceback

CLI = None
WORK = None  # every tree and home of this run lives below it

BUCKET_COUNT = 8192
SMALL_FILE_LIMIT = 4096
WHOLE_CONTENT_CHUNK = 100 * 1024 * 1024
SAMPLE_LENGTHS = {0: 20, 1: 500}
PACKAGE_EXTENSIONS = {b"app", b"bundle", b"framework", b"plugin", b"rtfd"}
FAST_SCAN_MIB = 20


# ---------------------------------------------------------------------------------------------
# Birth time, as the scan orders a group's members by it.

class _StatxTimestamp(ctypes.Structure):
    _fields_ = [("tv_sec", ctypes.c_int64), ("tv_nsec", ctypes.c_uint32), ("reserved", ctypes.c_int32)]


class _Statx(ctypes.Structure):
    _fields_ = [
        ("mask", ctypes.c_uint32), ("blksize", ctypes.c_uint32), ("attributes", ctypes.c_uint64),
        ("nlink", ctypes.c_uint32), ("uid", ctypes.c_uint32), ("gid", ctypes.c_uint32),
        ("mode", ctypes.c_uint16), ("spare0", ctypes.c_uint16), ("ino", ctypes.c_uint64),
        ("size", ctypes.c_uint64), ("blocks", ctypes.c_uint64), ("attributes_mask", ctypes.c_uint64),
        ("atime", _StatxTimestamp), ("btime", _StatxTimestamp), ("ctime", _StatxTimestamp),
        ("mtime", _StatxTimestamp), ("rdev_major", ctypes.c_uint32), ("rdev_minor", ctypes.c_uint32),
        ("dev_major", ctypes.c_uint32), ("dev_minor", ctypes.c_uint32), ("spare", ctypes.c_uint64 * 14),
    ]


_libc = ctypes.CDLL(None, use_errno=True)
_AT_FDCWD = -100
_AT_SYMLINK_NOFOLLOW = 0x100
_STATX_BASIC_STATS = 0x7FF
_STATX_BTIME = 0x800


def added_millis(path):
    """Milliseconds since the epoch of the birth time, or of the modification time without one."""
    buffer = _Statx()
    if _libc.statx(_AT_FDCWD, path, _AT_SYMLINK_NOFOLLOW, _STATX_BASIC_STATS | _STATX_BTIME,
                   ctypes.byref(buffer)) != 0:
        raise OSError(ctypes.get_errno(), os.strerror(ctypes.get_errno()), path)
    stamp = buffer.btime if buffer.mask & _STATX_BTIME else buffer.mtime
    return stamp.tv_sec * 1000 + stamp.tv_nsec // 1000000


def added_text(millis):
    return time.strftime("%Y-%m-%d  %H:%M:%S", time.localtime(millis // 1000))


# ---------------------------------------------------------------------------------------------
# Fingerprints.

def digest_text(text):
    return hashlib.md5(text.encode("utf-8")).hexdigest().upper()


def base64_text(data):
    return base64.b64encode(data).decode("ascii")


def sample_offsets(size, n):
    half = size // 2
    return [0, size - n, half - n, size // 4 - n, (size + half) // 2 - n]


class Fingerprints:
    """Fingerprint texts of files and packages. Paths in `unreadable` behave as files that cannot
    be opened (the scan that meets them runs as a user without read permission). Texts are kept,
    so one instance serves only while the files stay as they are."""

    def __init__(self, unreadable=()):
        self.unreadable = set(unreadable)
        self.known = {}

    def of_file(self, path, level):
        if (path, level) not in self.known:
            self.known[path, level] = self.compute(path, level)
        return self.known[path, level]

    def compute(self, path, level):
        try:
            st = os.lstat(path)
        except OSError:
            return None
        if stat.S_ISDIR(st.st_mode):
            return None
        if st.st_size == 0:
            return ""
        if path in self.unreadable:
            return None
        try:
            fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
        except OSError:
            return None
        try:
            if not stat.S_ISREG(os.fstat(fd).st_mode):
                return None
            if st.st_size <= SMALL_FILE_LIMIT or level == 2:
                text, offset = "", 0
                while True:
                    chunk = os.pread(fd, WHOLE_CONTENT_CHUNK, offset)
                    if not chunk:
                        return text
                    text += hashlib.md5(base64.b64encode(chunk)).hexdigest().upper()
                    offset += len(chunk)
            n = SAMPLE_LENGTHS.get(level, 0)
            if n == 0:
                return None
            samples = [os.pread(fd, n, offset) for offset in sample_offsets(st.st_size, n)]
            if not all(samples):
                return None
            return digest_text("".join(base64_text(s) for s in samples))
        finally:
            os.close(fd)

    def of_package(self, path, level):
        members = sorted(m for m in package_members(path) if os.path.basename(m) != b".DS_Store")
        return "".join(self.of_file(m, level) or "" for m in members)


def package_members(path):
    """Every item inside a directory that is not itself a directory, at any depth, links included."""
    try:
        names = os.listdir(path)
    except OSError:
        return []
    found = []
    for name in names:
        child = os.path.join(path, name)
        try:
            is_dir = stat.S_ISDIR(os.lstat(child).st_mode)
        except OSError:
            continue
        found.extend(package_members(child) if is_dir else [child])
    return found


def package_size(path):
    total = 0
    for member in package_members(path):
        if os.path.basename(member) == b".DS_Store":
            continue
        try:
            total += os.lstat(member).st_size
        except OSError:
            pass
    return total


# ---------------------------------------------------------------------------------------------
# The reference scan.

def is_package_name(name):
    dot = name.rfind(b".")
    return dot > 0 and name[dot + 1:].lower() in PACKAGE_EXTENSIONS


def extension_text(name):
    """The lowercased extension as the duplicate list shows it, or "N/A"."""
    dot = name.rfind(b".")
    if dot < 0:
        return "N/A"
    # One replacement character per byte that is not part of valid UTF-8.
    text = name[dot + 1:].decode("utf-8", "surrogateescape")
    text = "".join("\ufffd" if 0xDC80 <= ord(c) <= 0xDCFF else c for c in text).strip()
    return text.lower() if text else "N/A"


def float32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


class Options:
    def __init__(self, fast_scan=True, fast_scan_size=FAST_SCAN_MIB, min_size=None):
        self.fast_scan = fast_scan
        self.fast_scan_size = fast_scan_size
        self.min_size = min_size

    def arguments(self):
        args = []
        if not self.fast_scan:
            args.append("--no-fast-scan")
        if self.fast_scan_size != FAST_SCAN_MIB:
            args += ["--fast-scan-size", str(self.fast_scan_size)]
        if self.min_size is not None:
            args += ["--min-size", repr(self.min_size)]
        return args

    def minimum_bytes(self):
        if self.min_size is None:
            return 0
        # The limit is computed in single precision, then truncated; scaling by 2^20 is exact.
        limit = float32(self.min_size) * 1048576.0
        return int(limit) if limit > 0 else 0

    def precise_level(self, size):
        return 1 if self.fast_scan and size >= (self.fast_scan_size << 20) else 2


class Node:
    __slots__ = ("path", "size", "identity", "key", "ext", "is_package", "source", "quick", "precise")

    def __init__(self, path, st, is_package):
        self.path = path
        self.size = st.st_size
        self.identity = (st.st_dev, st.st_ino)
        self.key = added_millis(path)
        self.ext = extension_text(os.path.basename(path))
        self.is_package = is_package
        self.source = None
        self.quick = None
        self.precise = None


class Group:
    def __init__(self, founder):
        self.members = [founder]
        self.size = founder.size
        self.ext = founder.ext
        self.quick = founder.quick
        self.precise = founder.precise


class ReferenceScan:
    def __init__(self, options, fingerprints=None, limit=None):
        self.options = options
        self.fingerprints = fingerprints or Fingerprints()
        self.limit = limit  # stop after this many files taken in, as an interrupted scan does
        self.taken = 0
        self.buckets = [[] for _ in range(BUCKET_COUNT)]
        self.sources = []

    # Sources, as the command line adds them.
    def add_sources(self, paths):
        for path in paths:
            if any(source["path"] == path for source in self.sources):
                continue
            if not os.path.lexists(path):
                continue
            self.sources.append({"path": path, "index": len(self.sources), "files": 0, "bytes": 0})
        for source in self.sources:
            top = self.make_node(strip_trailing_slashes(source["path"]))
            if top is not None:
                self.walk(top, source)
        return self

    def stopped(self):
        return self.limit is not None and self.taken >= self.limit

    def make_node(self, path):
        try:
            st = os.lstat(path)
        except OSError:
            return None
        name = os.path.basename(path)
        if stat.S_ISLNK(st.st_mode) or name == b".DS_Store":
            return None
        if stat.S_ISDIR(st.st_mode):
            return path if not is_package_name(name) else Node(path, st, True)
        if not stat.S_ISREG(st.st_mode):
            return None
        return Node(path, st, False)

    def walk(self, node, source):
        if self.stopped():
            return
        if isinstance(node, bytes):  # a folder
            try:
                names = os.listdir(node)
            except OSError:
                return
            children = [self.make_node(os.path.join(node, name)) for name in names]
            for child in children:
                if child is not None:
                    if self.stopped():
                        return
                    self.walk(child, source)
            return
        if node.is_package:
            node.size = package_size(node.path)
        if node.size < self.options.minimum_bytes():
            return
        node.source = source["index"]
        source["files"] += 1
        source["bytes"] += node.size
        self.taken += 1
        bucket = self.buckets[node.size & (BUCKET_COUNT - 1)]
        for group in bucket:
            if self.add_child(group, node):
                return
        bucket.append(Group(node))

    def fingerprint(self, node, level):
        if node.is_package:
            return self.fingerprints.of_package(node.path, level)
        return self.fingerprints.of_file(node.path, level)

    def add_child(self, group, node):
        if group.size != node.size:
            return False
        if group.quick is None:
            first = group.members[0]
            if first.quick is None:
                first.quick = self.fingerprint(first, 0)
            group.quick = first.quick
        if node.quick is None:
            node.quick = self.fingerprint(node, 0)
        if group.quick is None or node.quick is None or group.quick != node.quick:
            return False
        # The same file on disk, by path or by identity, is accounted for but never its own duplicate.
        if any(m.path == node.path or m.identity == node.identity for m in group.members):
            return True
        level = self.options.precise_level(node.size)
        if group.precise is None:
            first = group.members[0]
            if first.precise is None:
                first.precise = self.fingerprint(first, level)
            group.precise = first.precise
        if node.precise is None:
            node.precise = self.fingerprint(node, level)
        if group.precise is None or node.precise is None or group.precise != node.precise:
            return False
        group.members.append(node)
        group.members.sort(key=lambda m: m.key)  # stable: a newcomer goes after members of its date
        return True

    def report(self):
        groups = []
        for bucket in self.buckets:
            for group in bucket:
                if len(group.members) < 2:
                    continue
                groups.append({
                    "size": group.size,
                    "ext": group.ext,
                    "files": [{"path": m.path, "source": m.source, "added": added_text(m.key)}
                              for m in group.members],
                })
        stats = {
            "files": sum(s["files"] for s in self.sources),
            "bytes": sum(s["bytes"] for s in self.sources),
            "groups": len(groups),
            "removable": sum(len(g["files"]) - 1 for g in groups),
            "wasted_bytes": sum((len(g["files"]) - 1) * g["size"] for g in groups),
        }
        return {"sources": self.sources, "groups": groups, "stats": stats}


def strip_trailing_slashes(path):
    stripped = path.rstrip(b"/")
    return stripped or b"/"


# ---------------------------------------------------------------------------------------------
# Running the command line.

def to_bytes(text):
    # Bytes that are not UTF-8 arrive as \udcXX escapes, i.e. lone surrogates.
    return text.encode("utf-8", "surrogateescape")


def decode_report(raw):
    report = json.loads(raw)
    for source in report["sources"]:
        source["path"] = to_bytes(source["path"])
    for group in report["groups"]:
        for member in group["files"]:
            member["path"] = to_bytes(member["path"])
    return report


def make_home(name, world_writable=False):
    home = os.path.join(WORK, name)
    for sub in ("", "config", "data", "cache"):
        os.makedirs(os.path.join(home, sub), exist_ok=True)
        if world_writable:
            os.chmod(os.path.join(home, sub), 0o777)
    return home


def cli_env(home):
    env = dict(os.environ)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=os.path.join(home, "cache"))
    return env


HOME = None


def run_cli(args, home=None, prefix=(), timeout=60):
    command = list(prefix) + [CLI] + [os.fsencode(a) if isinstance(a, str) else a for a in args]
    done = subprocess.run(command, env=cli_env(home or HOME), stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    return done.returncode, done.stdout, done.stderr


def scan_json(paths, options, **kwargs):
    code, out, err = run_cli(["scan", "--quiet", "--format", "json"] + options.arguments() + list(paths),
                             **kwargs)
    if code != 0:
        raise AssertionError(f"scan exited {code}: {err.decode(errors='replace')}")
    return decode_report(out)


# ---------------------------------------------------------------------------------------------
# Results.

class Results:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def case(self, name, function, *args):
        started = time.monotonic()
        try:
            function(*args)
        except AssertionError as failure:
            self.failed += 1
            print(f"FAIL {name}: {failure}")
            return
        except Exception:
            self.failed += 1
            print(f"FAIL {name}: error")
            traceback.print_exc(file=sys.stdout)
            return
        self.passed += 1
        print(f"ok   {name} ({time.monotonic() - started:.1f} s)")


def show_path(path):
    return path.decode("utf-8", "backslashreplace")


def describe_group(group):
    files = ", ".join(f"{show_path(m['path'])}@{m['source']}" for m in group["files"])
    return f"size {group['size']} ext {group.get('ext')!r}: [{files}]"


def compare_reports(got, expected):
    """Raises with the first difference between the CLI's report and the reference's."""
    if got["sources"] != expected["sources"]:
        raise AssertionError(f"sources differ:\n  cli: {got['sources']}\n  ref: {expected['sources']}")
    got_groups, expected_groups = got["groups"], expected["groups"]
    for i in range(max(len(got_groups), len(expected_groups))):
        g = got_groups[i] if i < len(got_groups) else None
        e = expected_groups[i] if i < len(expected_groups) else None
        if g is None or e is None:
            raise AssertionError(f"group {i}: cli {g and describe_group(g)} ref {e and describe_group(e)}")
        if (g["size"], g["ext"]) != (e["size"], e["ext"]) or g["files"] != e["files"]:
            raise AssertionError(f"group {i} differs:\n  cli: {describe_group(g)}\n  ref: {describe_group(e)}"
                                 f"\n  cli added: {[m['added'] for m in g['files']]}"
                                 f"\n  ref added: {[m['added'] for m in e['files']]}")
    if got["stats"] != expected["stats"]:
        raise AssertionError(f"stats differ: cli {got['stats']} ref {expected['stats']}")
    for g in got_groups:
        texts = [m["added"] for m in g["files"]]
        if texts != sorted(texts):
            raise AssertionError(f"members not in date order: {describe_group(g)}")


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


# ---------------------------------------------------------------------------------------------
# Trees.

def write(path, content):
    with open(path, "wb") as f:
        f.write(content)


def level1_stretches(size):
    return [(o, o + 500) for o in sample_offsets(size, 500)]


def outside_samples(size, rng):
    """A position that neither the quick nor the sampled precise fingerprint reads."""
    while True:
        position = rng.randrange(size)
        if not any(a <= position < b for a, b in level1_stretches(size)):
            return position


def flip(content, position):
    data = bytearray(content)
    data[position] ^= 0x5A
    return bytes(data)


class TreeMaker:
    """Random trees of files that share sizes and content in all the ways that matter to grouping."""

    SIZES = [0, 1, 7, 100, 8292, 4095, 4096, 4097, 12289, 6000, 30000]
    PIECES = [b"a", b"photo", b"Doc", b"x y", b"\xc3\xa9t\xc3\xa9", b"\xe6\x97\xa5", b"\xff", b"l\xe9",
              b"\x80x", b"new\nline", b"tab\tch", b"\xed\xb3\xbf", b".hid", b"-dash", b"q\"uote\\"]
    EXTENSIONS = [b"", b".txt", b".TXT", b".jpg", b".dat", b". ", b".tar.gz", b".\xff", b".", b".Md"]

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.bases = {}  # size -> a few base contents
        self.made = []   # regular files written, for copies in other trees
        self.counter = 0

    def name(self, extension=None):
        self.counter += 1
        piece = self.rng.choice(self.PIECES)
        if extension is None:
            extension = self.rng.choice(self.EXTENSIONS)
        return piece + str(self.counter).encode() + extension

    def content(self, size):
        variants = self.bases.setdefault(size, [self.rng.randbytes(size) for _ in range(2)])
        base = self.rng.choice(variants)
        roll = self.rng.random()
        if size == 0 or roll < 0.55:
            return base
        if size > SMALL_FILE_LIMIT and roll < 0.75:
            return flip(base, outside_samples(size, self.rng))  # equal samples, different content
        if size > SMALL_FILE_LIMIT and roll < 0.85:
            return flip(base, 100)  # equal quick fingerprint, different precise samples
        return flip(base, self.rng.randrange(size))

    def file(self, folder, extension=None):
        path = os.path.join(folder, self.name(extension))
        write(path, self.content(self.rng.choice(self.SIZES)))
        self.made.append(path)
        return path

    def package(self, folder, template=None):
        extension = self.rng.choice([b".app", b".bundle", b".APP", b".rtfd", b".framework"])
        path = os.path.join(folder, self.name(extension))
        if template is not None:
            shutil.copytree(template, path, symlinks=True)
            return path
        os.mkdir(path)
        inner = os.path.join(path, b"Contents")
        os.mkdir(inner)
        for _ in range(self.rng.randrange(0, 4)):
            self.file(self.rng.choice([path, inner]))
        write(os.path.join(inner, b".DS_Store"), self.rng.randbytes(50))
        if self.rng.random() < 0.3:
            os.mkdir(os.path.join(inner, b"Nested.plugin"))
            self.file(os.path.join(inner, b"Nested.plugin"))
        return path

    def tree(self, root, files=70, depth=3):
        os.makedirs(root, exist_ok=True)
        folders = [root]
        for _ in range(depth * 3):
            parent = self.rng.choice(folders)
            if parent.count(b"/") - root.count(b"/") < depth:
                folder = os.path.join(parent, self.name(b""))
                os.mkdir(folder)
                folders.append(folder)
        regular = [self.file(self.rng.choice(folders)) for _ in range(files)]
        packages = [self.package(self.rng.choice(folders)) for _ in range(3)]
        packages.append(self.package(self.rng.choice(folders), template=packages[0]))
        os.mkdir(os.path.join(self.rng.choice(folders), b"Empty.app"))  # an empty package weighs 0
        for _ in range(4):
            write(os.path.join(self.rng.choice(folders), self.name()), open(self.rng.choice(regular), "rb").read())
        for _ in range(3):
            os.link(self.rng.choice(regular), os.path.join(self.rng.choice(folders), self.name()))
        os.symlink(self.rng.choice(regular), os.path.join(self.rng.choice(folders), self.name()))
        os.symlink(self.rng.choice(folders), os.path.join(self.rng.choice(folders), self.name(b"")))
        os.symlink(b"/nonexistent/target", os.path.join(self.rng.choice(folders), self.name()))
        os.mkfifo(os.path.join(self.rng.choice(folders), self.name()))
        listener = socket.socket(socket.AF_UNIX)
        listener.bind(os.path.join(root, b"socket"))  # kept short: socket paths are limited
        listener.close()
        for folder in self.rng.sample(folders, min(2, len(folders))):
            write(os.path.join(folder, b".DS_Store"), open(self.rng.choice(regular), "rb").read())
        write(os.path.join(self.rng.choice(folders), b".ds_store"), open(regular[0], "rb").read())
        return folders


def fresh_dir(name):
    path = os.fsencode(os.path.join(WORK, name))
    os.makedirs(path)
    return path


# ---------------------------------------------------------------------------------------------
# Cases.

def reference_matches_cli(sources, option_sets, fingerprints=None):
    fingerprints = fingerprints or Fingerprints()
    for options in option_sets:
        expected = ReferenceScan(options, fingerprints).add_sources(sources).report()
        got = scan_json(sources, options)
        try:
            compare_reports(got, expected)
        except AssertionError as failure:
            raise AssertionError(f"with {options.arguments() or 'defaults'}: {failure}")


# 4096.9999 bytes as mebibytes: single precision rounds it to 4097, double precision would keep 4096.
JUST_BELOW_4097 = 4096.9999 / 1048576

OPTION_SETS = [Options(), Options(fast_scan=False), Options(fast_scan_size=0),
               Options(min_size=0.00390625), Options(min_size=JUST_BELOW_4097, fast_scan_size=0)]


def case_random_single_source(seed):
    root = fresh_dir(f"random-{seed}")
    TreeMaker(seed).tree(root)
    reference_matches_cli([root], OPTION_SETS)


def case_random_overlapping_sources(seed):
    root = fresh_dir(f"overlap-{seed}")
    folders = TreeMaker(seed).tree(root, files=50)
    inner = max(folders[1:] or folders, key=len)
    link = os.path.join(fresh_dir(f"overlap-link-{seed}"), b"link")
    os.symlink(root, link)
    # The inner folder first and then the whole tree; the same folder under other spellings; a
    # link to it, which is never followed.
    reference_matches_cli([inner, root, os.path.join(root, b"."), root + b"/", link], OPTION_SETS[:3])


def case_random_two_sources(seed):
    first, second = fresh_dir(f"two-a-{seed}"), fresh_dir(f"two-b-{seed}")
    maker = TreeMaker(seed)
    maker.tree(first, files=50)
    maker.tree(second, files=30)
    # Copies across the two sources, and a single file as a source of its own.
    for i, path in enumerate(maker.rng.sample(maker.made, 15)):
        write(os.path.join(second, b"copy%d" % i), open(path, "rb").read())
    single = maker.rng.choice(maker.made)
    reference_matches_cli([first, second, single], OPTION_SETS[:3])


def case_large_files_fast_scan():
    """Fast scanning compares large files by samples only; the threshold counts as large."""
    root = fresh_dir("large")
    rng = random.Random(7)
    for size in (FAST_SCAN_MIB << 20, (FAST_SCAN_MIB << 20) - 1):
        base = os.path.join(root, b"base-%d" % size)
        with open(base, "wb") as f:
            f.truncate(size)
            for offset in sample_offsets(size, 500):
                f.seek(offset)
                f.write(rng.randbytes(500))
        content = open(base, "rb").read()
        write(os.path.join(root, b"same-%d" % size), content)
        write(os.path.join(root, b"middle-%d" % size), flip(content, outside_samples(size, rng)))
    reference_matches_cli([root], [Options(), Options(fast_scan=False), Options(fast_scan_size=21)])
    report = scan_json([root], Options())
    sizes = sorted(len(g["files"]) for g in report["groups"])
    expect(sizes == [2, 3], f"expected a group of 2 and one of 3 with fast scanning, got {sizes}")


def case_samples_equal_middle_differs():
    """Files of one size whose quick and sampled fingerprints agree but whose content differs."""
    root = fresh_dir("middles")
    rng = random.Random(11)
    for size in (4097, 5000, 65536):
        base = rng.randbytes(size)
        write(os.path.join(root, b"base-%d" % size), base)
        write(os.path.join(root, b"copy-%d" % size), base)
        write(os.path.join(root, b"middle-%d" % size), flip(base, outside_samples(size, rng)))
        write(os.path.join(root, b"head-%d" % size), flip(base, 100))
    reference_matches_cli([root], [Options(), Options(fast_scan=False), Options(fast_scan_size=0)])
    sampled = scan_json([root], Options(fast_scan_size=0))
    whole = scan_json([root], Options(fast_scan=False))
    expect([len(g["files"]) for g in sampled["groups"]] == [3, 3, 3],
           f"sampled comparison: {[describe_group(g) for g in sampled['groups']]}")
    expect([len(g["files"]) for g in whole["groups"]] == [2, 2, 2],
           f"whole-content comparison: {[describe_group(g) for g in whole['groups']]}")


def case_minimum_size():
    root = fresh_dir("minimum")
    for size in (4095, 4096, 4097):
        for copy in (b"a", b"b"):
            write(os.path.join(root, b"%s-%d" % (copy, size)), b"m" * size)

    def taken(min_size):
        report = scan_json([root], Options(min_size=min_size))
        return report["stats"]["files"], sorted(g["size"] for g in report["groups"])

    expect(taken(0.0) == (6, [4095, 4096, 4097]), f"--min-size 0: {taken(0.0)}")
    expect(taken(0.00390625) == (4, [4096, 4097]), f"a file exactly at the limit is taken: {taken(0.00390625)}")
    expect(taken(JUST_BELOW_4097) == (2, [4097]), f"single-precision limit: {taken(JUST_BELOW_4097)}")


def case_hard_links_and_special_files():
    root = fresh_dir("links")
    write(os.path.join(root, b"one"), b"same content")
    os.link(os.path.join(root, b"one"), os.path.join(root, b"hard"))
    os.symlink(b"one", os.path.join(root, b"soft"))
    os.mkfifo(os.path.join(root, b"fifo"))
    write(os.path.join(root, b"empty"), b"")
    write(os.path.join(root, b".DS_Store"), b"")
    report = scan_json([root], Options())
    expect(report["groups"] == [], f"hard links or special files grouped: {report['groups']}")
    expect(report["stats"]["files"] == 3, f"expected one, hard and empty taken in: {report['stats']}")
    write(os.path.join(root, b"copy"), b"same content")
    write(os.path.join(root, b"empty2"), b"")
    report = scan_json([root], Options())
    sizes = sorted(len(g["files"]) for g in report["groups"])
    expect(sizes == [2, 2], f"expected two pairs (one of the links, and the empty files): {sizes}")
    reference_matches_cli([root, os.path.join(root, b"hard")], [Options()])


def case_packages_with_names_that_are_not_utf8():
    """A package's fingerprint joins its members' fingerprints in the byte order of their paths.
    Names that are not UTF-8 must not tie: packages whose member contents are swapped between such
    names are not duplicates."""
    root = fresh_dir("package-names")
    rng = random.Random(3)
    replacement = "\ufffd".encode()
    for i, (left, right) in enumerate([(b"\xff", b"\xfe"), (b"\xfd", b"\xfc"), (b"\xfb", b"\xfa"),
                                       (b"\xf9", b"\xf8"), (b"\xc0", b"\xc1"), (b"\x80", b"\x81")]):
        x, y = rng.randbytes(60 + i), rng.randbytes(60 + i)
        first, second = os.path.join(root, b"A%d.app" % i), os.path.join(root, b"B%d.app" % i)
        os.mkdir(first)
        os.mkdir(second)
        write(os.path.join(first, left), x)
        write(os.path.join(first, replacement), y)
        write(os.path.join(second, replacement), x)
        write(os.path.join(second, right), y)
    reference_matches_cli([root], [Options()])


def case_unreadable_file():
    """As a user who cannot read one file: it is counted but never grouped, and it does not keep
    readable copies of the same size apart."""
    base = tempfile.mkdtemp(prefix="unreadable-", dir=WORK).encode()
    os.chmod(base, 0o755)
    os.chmod(WORK, 0o755)
    home = make_home("nobody-home", world_writable=True)
    first, second = os.path.join(base, b"first"), os.path.join(base, b"second")
    os.mkdir(first)
    os.mkdir(second)
    rng = random.Random(5)
    unreadable = []
    for size in (300, 9000):
        content = rng.randbytes(size)
        secret = os.path.join(first, b"secret-%d" % size)
        write(secret, content)
        # Root reads whatever the mode says, so as root the scan runs as nobody; anyone else
        # cannot read a file of mode 000, even their own.
        os.chmod(secret, 0o600 if os.geteuid() == 0 else 0)
        unreadable.append(secret)
        write(os.path.join(first, b"open-%d" % size), rng.randbytes(size))
        for copy in (b"copy1", b"copy2"):
            write(os.path.join(second, b"%s-%d" % (copy, size)), content)
    prefix = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.geteuid() == 0 else []
    options = Options()
    got = scan_json([first, second], options, home=home, prefix=prefix)
    expected = ReferenceScan(options, Fingerprints(unreadable)).add_sources([first, second]).report()
    compare_reports(got, expected)
    expect(len(got["groups"]) == 2 and got["stats"]["files"] == 8, f"unexpected report {got}")
    grouped = {m["path"] for g in got["groups"] for m in g["files"]}
    expect(not grouped & set(unreadable), "the unreadable file was grouped")


def case_exit_codes_and_refusals():
    root = fresh_dir("contract")
    write(os.path.join(root, b"a.txt"), b"twins")
    write(os.path.join(root, b"b.txt"), b"twins")
    missing = os.path.join(root, b"missing")

    code, out, err = run_cli(["scan", root, root])
    expect(code == 0, f"repeated path: exit {code}")
    expect(b"already a source" in err and root in err, f"no refusal for the repeated path: {err!r}")
    expect(out == b"%s/a.txt\n%s/b.txt\n" % (root, root) or out == b"%s/b.txt\n%s/a.txt\n" % (root, root),
           f"repeated path: {out!r}")

    code, out, err = run_cli(["scan", missing, root])
    expect(code == 0 and out.count(b"\n") == 2, f"missing + existing: exit {code}, {out!r}")
    expect(b"nothing exists there" in err and missing in err, f"no refusal for the missing path: {err!r}")

    code, out, err = run_cli(["scan", missing])
    expect(code == 1 and out == b"", f"only a missing path: exit {code}, stdout {out!r}")
    expect(b"nothing exists there" in err, f"only a missing path: {err!r}")

    for args in (["scan"], ["scan", "--bogus", root], ["scan", "--format", "xml", root],
                 ["scan", "--min-size", "-1", root], ["scan", "--min-size", "lots", root],
                 ["scan", "--fast-scan-size", "1.5", root], ["scan", "--types", "videos", root],
                 ["scan", "--format"], ["frobnicate", root]):
        code, out, err = run_cli(args)
        expect(code == 2, f"{args}: exit {code}, expected 2")
        expect(out == b"" and err, f"{args}: usage error must go to stderr only")


def case_text_format_and_quiet():
    root = fresh_dir("text")
    maker = TreeMaker(21)
    maker.PIECES = [p for p in maker.PIECES if b"\n" not in p]
    maker.tree(root, files=60)
    expected = ReferenceScan(Options()).add_sources([root]).report()
    expect(len(expected["groups"]) >= 2, "the tree should hold several groups")
    text = b"\n".join(b"".join(m["path"] + b"\n" for m in g["files"]) for g in expected["groups"])

    code, quiet_out, quiet_err = run_cli(["scan", "--quiet", root])
    expect(code == 0 and quiet_err == b"", f"--quiet: exit {code}, stderr {quiet_err!r}")
    expect(quiet_out == text, f"text report differs:\n cli {quiet_out!r}\n ref {text!r}")

    code, out, err = run_cli(["scan", root])
    expect(code == 0 and out == quiet_out, "stdout must not depend on --quiet")
    lines = err.decode(errors="replace").splitlines()
    expect(len(lines) == 2 and str(expected["stats"]["files"]) in lines[0]
           and str(expected["stats"]["groups"]) in lines[1], f"statistics on stderr: {lines}")

    code, out, err = run_cli(["scan", "--quiet", "--format", "json", root])
    expect(code == 0 and err == b"" and out.count(b"\n") == 1, "JSON is one line and --quiet is silent")


def png_bytes(seed):
    import zlib
    raw = b"".join(b"\x00" + bytes([seed, seed, seed]) * 2 for _ in range(2))
    chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def case_types():
    root = fresh_dir("types")
    for name in (b"a.png", b"b.png", b"c.PNG"):
        write(os.path.join(root, name), png_bytes(1))
    for name in (b"d.txt", b"e.txt"):
        write(os.path.join(root, name), png_bytes(1))  # same bytes, but named as text
    for name in (b"f", b"g"):
        write(os.path.join(root, name), b"\x00\x01binary\x02")
    images = {os.path.join(root, n) for n in (b"a.png", b"b.png", b"c.PNG")}
    texts = {os.path.join(root, n) for n in (b"d.txt", b"e.txt")}

    def scan_types(types):
        code, out, err = run_cli(["scan", "--quiet", "--format", "json", "--types", types, root])
        expect(code == 0, f"--types {types}: exit {code} {err!r}")
        report = decode_report(out)
        return report["stats"]["files"], [{m["path"] for m in g["files"]} for g in report["groups"]]

    expect(scan_types("picture") == (3, [images]), f"--types picture: {scan_types('picture')}")
    expect(scan_types("document") == (2, [texts]), f"--types document: {scan_types('document')}")
    expect(scan_types("Picture, document") == (5, [images | texts]), "--types picture,document")
    expect(scan_types("movie,music,archive") == (0, []), "no file here is a movie, music or archive")
    report = scan_json([root], Options())
    expect(report["stats"]["files"] == 7 and len(report["groups"]) == 2, f"without --types: {report['stats']}")


def make_big_tree(root, count, rng):
    """`count` small files in 20 folders; about one in seven a copy of an earlier one."""
    contents = []
    per_folder = count // 20
    for i in range(count):
        folder = os.path.join(root, b"d%02d" % (i // per_folder))
        if i % per_folder == 0:
            os.mkdir(folder)
        if contents and rng.random() < 0.15:
            content = rng.choice(contents)
        else:
            content = rng.randbytes(64 + rng.randrange(256))
            contents.append(content)
        write(os.path.join(folder, b"f%05d" % i), content)


def check_consistent(report):
    stats, sources, groups = report["stats"], report["sources"], report["groups"]
    expect(stats["files"] == sum(s["files"] for s in sources), f"files: {stats} vs {sources}")
    expect(stats["bytes"] == sum(s["bytes"] for s in sources), f"bytes: {stats} vs {sources}")
    expect(stats["groups"] == len(groups), "group count")
    expect(stats["removable"] == sum(len(g["files"]) - 1 for g in groups), "removable count")
    expect(stats["wasted_bytes"] == sum((len(g["files"]) - 1) * g["size"] for g in groups), "wasted bytes")


def interrupted_scan(root, fmt):
    """Sends SIGINT once the progress line, which a terminal on stderr gets, counts some files."""
    terminal, progress_side = pty.openpty()
    process = subprocess.Popen([CLI, "scan", "--format", fmt, root], env=cli_env(HOME),
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=progress_side)
    os.close(progress_side)
    shown = b""
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and process.poll() is None:
        if select.select([terminal], [], [], 0.2)[0]:
            try:
                shown += os.read(terminal, 4096)
            except OSError:  # the scan ended and closed the terminal
                break
            counts = re.findall(rb"(\d+) files,", shown)
            if counts and int(counts[-1]) >= 300:
                break
    process.send_signal(signal.SIGINT)
    out, _ = process.communicate(timeout=60)
    os.close(terminal)
    return process.returncode, out


def case_interrupt(root, count):
    code, out = interrupted_scan(root, "json")
    expect(code == 0, f"exit {code} after SIGINT")
    report = decode_report(out)
    check_consistent(report)
    taken = report["stats"]["files"]
    expect(0 < taken < count, f"expected a scan stopped part-way, it took in {taken} of {count} files")
    # What was found so far is exactly what the first files of the walk give.
    expected = ReferenceScan(Options(), limit=taken).add_sources([root]).report()
    compare_reports(report, expected)

    code, out = interrupted_scan(root, "text")
    expect(code == 0, f"text: exit {code} after SIGINT")
    for block in out.split(b"\n\n") if out else []:
        paths = block.rstrip(b"\n").split(b"\n")
        contents = {open(p, "rb").read() for p in paths}
        expect(len(paths) >= 2 and len(contents) == 1, f"text group after SIGINT is not a group: {paths}")


# ---------------------------------------------------------------------------------------------

def main():
    global CLI, WORK, HOME
    if len(sys.argv) != 2:
        print("usage: test_scan_reference.py PATH-TO-twinsift-cli", file=sys.stderr)
        return 2
    CLI = os.path.abspath(sys.argv[1])
    WORK = tempfile.mkdtemp(prefix="twinsift-scan-reference-")
    HOME = make_home("home")
    results = Results()
    try:
        for seed in (1, 2, 3):
            results.case(f"random tree, one source (seed {seed})", case_random_single_source, seed)
        for seed in (4, 5):
            results.case(f"random tree, overlapping sources (seed {seed})", case_random_overlapping_sources, seed)
        results.case("random trees, two sources and a single file", case_random_two_sources, 6)
        results.case("equal samples, different middles", case_samples_equal_middle_differs)
        results.case("large files and the fast-scan threshold", case_large_files_fast_scan)
        results.case("minimum size", case_minimum_size)
        results.case("hard links, links, FIFO, .DS_Store, empty files", case_hard_links_and_special_files)
        results.case("packages with member names that are not UTF-8", case_packages_with_names_that_are_not_utf8)
        results.case("file unreadable for the scanning user", case_unreadable_file)
        results.case("exit codes and refusals", case_exit_codes_and_refusals)
        results.case("text format and --quiet", case_text_format_and_quiet)
        results.case("--types", case_types)
        big = fresh_dir("big")
        make_big_tree(big, 20000, random.Random(9))
        results.case("Ctrl-C during a scan", case_interrupt, big, 20000)
    finally:
        shutil.rmtree(WORK, ignore_errors=True)
    print(f"{results.passed} passed, {results.failed} failed")
    return 1 if results.failed else 0


if __name__ == "__main__":
    sys.exit(main())
