"""An independent reference for `twinsift-cli`, written from the rules rather than from the C++ code: the
content fingerprints (quick, sampled precise and whole-content texts, and the package form), the walk
of each source in directory-listing order, the scan rules that apply on the command line (links,
".DS_Store" and special files never become files, packages are one file, the minimum size), and the
literal grouping: every file is offered, one after another, to each group of its size bucket
(size AND 0x1FFF) in creation order. Also the helpers the CLI tests share."""

import base64
import ctypes
import hashlib
import json
import os
import random
import shutil
import socket
import stat
import struct
import subprocess
import time
import traceback

CHUNK = 100 * 1024 * 1024
SMALL_FILE_LIMIT = 4096
BUCKET_COUNT = 8192
PACKAGE_EXTENSIONS = {b"app", b"bundle", b"framework", b"plugin", b"rtfd"}
FAST_SCAN_MIB = 20


# --- Birth time, as a group orders its members by it --------------------------------------------

_libc = ctypes.CDLL(None, use_errno=True)


def added_millis(path):
    """Milliseconds since the epoch of the birth time, or of the modification time without one."""
    buffer = ctypes.create_string_buffer(256)  # struct statx
    if _libc.statx(-100, path, 0x100, 0xFFF, buffer) != 0:  # AT_FDCWD, no follow, basic stats and btime
        raise OSError(ctypes.get_errno(), os.strerror(ctypes.get_errno()), path)
    has_birth_time = struct.unpack_from("I", buffer, 0)[0] & 0x800
    seconds, nanoseconds = struct.unpack_from("qI", buffer, 80 if has_birth_time else 112)
    return seconds * 1000 + nanoseconds // 1000000


def added_text(millis):
    return time.strftime("%Y-%m-%d  %H:%M:%S", time.localtime(millis // 1000))


# --- Fingerprints -------------------------------------------------------------------------------

def digest_of(data):
    """The whole-content text of bytes shorter than a chunk: MD5 of their Base64 text, upper case."""
    return hashlib.md5(base64.b64encode(data)).hexdigest().upper()


def sample_offsets(size, n):
    half = size // 2
    return [0, size - n, half - n, size // 4 - n, (size + half) // 2 - n]


class Unreadable(Exception):
    """Content that exists but cannot be read."""


class Fingerprints:
    """Fingerprint texts ("" and None included). Paths in `unreadable` behave as files that cannot be
    opened (as for a user without read permission). Texts are kept while the files stay as they are."""

    def __init__(self, unreadable=()):
        self.unreadable = set(unreadable)
        self.known = {}

    def of(self, path, level):
        """What `fingerprint --level` prints for a path: a package's form for a directory, nothing for
        what is neither a directory nor a regular file."""
        try:
            mode = os.lstat(path).st_mode
        except OSError:
            return None
        if stat.S_ISDIR(mode):
            return self.of_package(path, level)
        return self.of_file(path, level) if stat.S_ISREG(mode) else None

    def of_file(self, path, level):
        if (path, level) not in self.known:
            try:
                self.known[path, level] = self.compute(path, level)
            except Unreadable:
                self.known[path, level] = None
        return self.known[path, level]

    def compute(self, path, level):
        """The text of a regular file; raises Unreadable for one that cannot be opened."""
        try:
            st = os.lstat(path)
        except OSError:
            return None
        if st.st_size == 0:
            return ""
        try:
            if path in self.unreadable:
                raise PermissionError(path)
            f = open(path, "rb")
        except PermissionError:
            raise Unreadable(path)
        with f:
            if st.st_size <= SMALL_FILE_LIMIT or level == 2:
                return "".join(digest_of(chunk) for chunk in iter(lambda: f.read(CHUNK), b""))
            n = {0: 20, 1: 500}.get(level, 0)
            samples = [os.pread(f.fileno(), n, o) for o in sample_offsets(st.st_size, n)] if n else []
            if len(samples) < 5 or not all(samples):
                return None
            return hashlib.md5("".join(base64.b64encode(s).decode() for s in samples).encode()).hexdigest().upper()

    def of_package(self, path, level):
        """The members' texts in byte order of their paths. A link member counts by its own text; a
        package of which anything cannot be read has no fingerprint."""
        parts = {}
        try:
            for member, st in package_members(path):
                if stat.S_ISLNK(st.st_mode):
                    parts[member] = digest_of(os.readlink(member))
                elif stat.S_ISREG(st.st_mode) and st.st_size > 0:
                    parts[member] = self.compute(member, level) or ""
        except Unreadable:
            return None
        return "".join(parts[m] for m in sorted(parts))


def package_members(path):
    """(path, lstat) of every item at any depth inside a folder that is not a folder, ".DS_Store"
    entries (and what they hold) left out. Raises Unreadable for a folder that cannot be listed."""
    try:
        names = os.listdir(path)
        stats = [(os.path.join(path, n), os.lstat(os.path.join(path, n))) for n in names if n != b".DS_Store"]
    except PermissionError:
        raise Unreadable(path)
    for child, st in stats:
        if stat.S_ISDIR(st.st_mode):
            yield from package_members(child)
        else:
            yield child, st


def package_size(path):
    try:
        return sum(st.st_size for _, st in package_members(path))
    except Unreadable:
        return 0


# --- The reference scan -------------------------------------------------------------------------

def is_package_name(name):
    dot = name.rfind(b".")
    return dot > 0 and name[dot + 1:].lower() in PACKAGE_EXTENSIONS


def extension_text(name):
    """The lowercased extension, bytes that are not UTF-8 kept as lone surrogates; or "N/A"."""
    dot = name.rfind(b".")
    text = name[dot + 1:].decode("utf-8", "surrogateescape").strip().lower() if dot >= 0 else ""
    return text or "N/A"


def float32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


class Options:
    def __init__(self, fast_scan=True, fast_scan_size=FAST_SCAN_MIB, min_size=None):
        self.fast_scan, self.fast_scan_size, self.min_size = fast_scan, fast_scan_size, min_size

    def arguments(self):
        args = [] if self.fast_scan else ["--no-fast-scan"]
        if self.fast_scan_size != FAST_SCAN_MIB:
            args += ["--fast-scan-size", str(self.fast_scan_size)]
        if self.min_size is not None:
            args += ["--min-size", repr(self.min_size)]
        return args

    def minimum_bytes(self):
        # Applied in single precision, then truncated; scaling by 2^20 is exact.
        limit = float32(self.min_size) * 1048576.0 if self.min_size is not None else 0
        return int(limit) if limit > 0 else 0

    def precise_level(self, size):
        return 1 if self.fast_scan and size >= (self.fast_scan_size << 20) else 2


class Node:
    def __init__(self, path, st, is_package):
        self.path, self.size, self.is_package = path, st.st_size, is_package
        self.identity = (st.st_dev, st.st_ino)
        self.key = added_millis(path)
        self.ext = extension_text(os.path.basename(path))
        self.source = self.quick = self.precise = None


class Group:
    def __init__(self, founder):
        self.members = [founder]
        self.size, self.ext, self.quick, self.precise = founder.size, founder.ext, founder.quick, founder.precise


class ReferenceScan:
    def __init__(self, options, fingerprints=None, limit=None):
        self.options = options
        self.fingerprints = fingerprints or Fingerprints()
        self.limit = limit  # stop after this many files taken in, as an interrupted scan does
        self.taken = 0
        self.buckets = [[] for _ in range(BUCKET_COUNT)]
        self.sources = []
        self.links = {}  # source index: (the folder or file a link named as the source leads to, the link)
        self.tops = []
        self.taken_in = []  # (identity, size) of every file taken in, by whichever source

    def add_sources(self, paths):
        """Each path numbered by its place among those given. A link is followed, and what is found
        through it is named through it."""
        tops = []
        for position, path in enumerate(paths):
            bare = path.rstrip(b"/") or b"/"
            top = os.path.realpath(bare) if os.path.islink(bare) else bare
            if os.path.lexists(top) and all(s["path"] != path for s in self.sources):
                self.sources.append({"path": path, "index": position, "files": 0, "bytes": 0})
                tops.append(top)
                if top != bare:
                    self.links[position] = (top, bare)
        self.tops = tops
        for source, top in zip(self.sources, tops):
            top = self.make_node(top)
            if top is not None:
                self.walk(top, source)
        return self

    def shown(self, node):
        target, link = self.links.get(node.source, (None, None))
        if target is None or not (node.path + b"/").startswith(target + b"/"):
            return node.path
        return link + node.path[len(target):]

    def make_node(self, path):
        try:
            st = os.lstat(path)
        except OSError:
            return None
        name = os.path.basename(path)
        if stat.S_ISLNK(st.st_mode) or name == b".DS_Store":
            return None
        if stat.S_ISDIR(st.st_mode):
            return Node(path, st, True) if is_package_name(name) else path
        return Node(path, st, False) if stat.S_ISREG(st.st_mode) else None

    def walk(self, node, source):
        if self.limit is not None and self.taken >= self.limit:
            return
        if isinstance(node, bytes):  # a folder
            try:
                names = os.listdir(node)
            except OSError:
                return
            for child in [self.make_node(os.path.join(node, name)) for name in names]:
                if child is not None:
                    self.walk(child, source)
            return
        if node.is_package:
            node.size = package_size(node.path)
        if node.size < self.options.minimum_bytes():
            return
        node.source = source["index"]
        source["files"] += 1
        source["bytes"] += node.size
        self.taken_in.append((node.identity, node.size))
        self.taken += 1
        bucket = self.buckets[node.size & (BUCKET_COUNT - 1)]
        if not any(self.add_child(group, node) for group in bucket):
            bucket.append(Group(node))

    def fingerprint(self, node, level):
        if node.is_package:
            return self.fingerprints.of_package(node.path, level)
        return self.fingerprints.of_file(node.path, level)

    def agree(self, group, node, field, level):
        first = group.members[0]
        if getattr(group, field) is None:
            if getattr(first, field) is None:
                setattr(first, field, self.fingerprint(first, level))
            setattr(group, field, getattr(first, field))
        if getattr(node, field) is None:
            setattr(node, field, self.fingerprint(node, level))
        return None not in (getattr(group, field), getattr(node, field)) and getattr(group, field) == getattr(node, field)

    def add_child(self, group, node):
        if group.size != node.size or not self.agree(group, node, "quick", 0):
            return False
        # The same file on disk, by path or by identity, is accounted for but never its own duplicate.
        if any(m.path == node.path or m.identity == node.identity for m in group.members):
            return True
        if not self.agree(group, node, "precise", self.options.precise_level(node.size)):
            return False
        group.members.append(node)
        group.members.sort(key=lambda m: m.key)  # stable: a newcomer goes after members of its date
        return True

    def report(self, skipped=0, read_errors=0, interrupted=False):
        groups = [{"size": g.size, "ext": g.ext,
                   "files": [{"path": self.shown(m), "source": m.source, "added": added_text(m.key)} for m in g.members]}
                  for bucket in self.buckets for g in bucket if len(g.members) > 1]
        # Where a source lies inside another, a file reached through both counts once.
        if any(a != b and a.startswith(b.rstrip(b"/") + b"/") for a in self.tops for b in self.tops):
            files = dict(self.taken_in)
            totals = len(files), sum(files.values())
        else:
            totals = sum(s["files"] for s in self.sources), sum(s["bytes"] for s in self.sources)
        stats = {"files": totals[0], "bytes": totals[1],
                 "groups": len(groups), "removable": sum(len(g["files"]) - 1 for g in groups),
                 "wasted_bytes": sum((len(g["files"]) - 1) * g["size"] for g in groups),
                 "skipped": skipped, "read_errors": read_errors}
        return {"sources": self.sources, "groups": groups, "stats": stats, "interrupted": interrupted}


# --- Running the command line -------------------------------------------------------------------

class Cli:
    """The tool under test, run with a home of its own below `work`."""

    def __init__(self, path, work):
        self.path, self.work = path, work
        self.home = self.make_home("home")

    def make_home(self, name, world_writable=False):
        home = os.path.join(self.work, name)
        for sub in ("", "config", "data", "cache"):
            os.makedirs(os.path.join(home, sub), exist_ok=True)
            if world_writable:
                os.chmod(os.path.join(home, sub), 0o777)
        return home

    def env(self, home=None):
        home = home or self.home
        return dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                    XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=os.path.join(home, "cache"))

    def command(self, args, prefix=()):
        return [*prefix, self.path, *(os.fsencode(a) if isinstance(a, str) else a for a in args)]

    def run(self, args, home=None, prefix=(), timeout=120, **kwargs):
        kwargs.setdefault("stdin", subprocess.DEVNULL)
        kwargs.setdefault("stdout", subprocess.PIPE)
        done = subprocess.run(self.command(args, prefix), env=self.env(home), stderr=subprocess.PIPE,
                              timeout=timeout, **kwargs)
        return done.returncode, done.stdout, done.stderr

    def scan_json(self, paths, options, extra=(), **kwargs):
        code, out, err = self.run(["scan", "--quiet", "--format", "json", *extra, *options.arguments(), *paths],
                                  **kwargs)
        if code != 0:
            raise AssertionError(f"scan exited {code}: {err.decode(errors='replace')}")
        return decode_report(out)


def decode_report(raw):
    """The JSON report with paths as bytes (bytes that are not UTF-8 arrive as \\udcXX escapes)."""
    report = json.loads(raw)
    for item in report["sources"] + [m for g in report["groups"] for m in g["files"]]:
        item["path"] = item["path"].encode("utf-8", "surrogateescape")
    return report


def describe_group(group):
    files = ", ".join(f"{m['path'].decode('utf-8', 'backslashreplace')}@{m['source']}" for m in group["files"])
    return f"size {group['size']} ext {group.get('ext')!r}: [{files}]"


def compare_reports(got, expected):
    """Raises with the first difference between the CLI's report and the reference's."""
    expect(got["sources"] == expected["sources"], f"sources differ:\n  cli: {got['sources']}\n  ref: {expected['sources']}")
    for i in range(max(len(got["groups"]), len(expected["groups"]))):
        g, e = (r["groups"][i] if i < len(r["groups"]) else None for r in (got, expected))
        same = g is not None and e is not None and all(g[k] == e[k] for k in ("size", "ext", "files"))
        expect(same,
               f"group {i} differs:\n  cli: {g and describe_group(g)}\n  ref: {e and describe_group(e)}")
    expect(got["stats"] == expected["stats"], f"stats differ: cli {got['stats']} ref {expected['stats']}")
    expect(got["interrupted"] == expected["interrupted"], f"interrupted: {got['interrupted']}")


def shown(path, cwd=None):
    """A path as the text reports show it: quoted in GNU ls's shell-escape style (the independent form)
    when it holds a control character, else as it is."""
    text = path.decode("utf-8", "surrogateescape")
    if not any(ord(c) < 0x20 or 0x7F <= ord(c) <= 0x9F or 0xDC80 <= ord(c) <= 0xDC9F for c in text):
        return path
    return subprocess.run(["ls", "-d", "--quoting-style=shell-escape", path], env=dict(os.environ, LC_ALL="C.UTF-8"),
                          cwd=cwd, capture_output=True, check=True).stdout.rstrip(b"\n")


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


class Results:
    def __init__(self):
        self.passed = self.failed = 0

    def case(self, name, function, *args):
        started = time.monotonic()
        try:
            function(*args)
        except Exception as failure:
            self.failed += 1
            print(f"FAIL {name}: {failure}" if isinstance(failure, AssertionError) else f"FAIL {name}: error")
            if not isinstance(failure, AssertionError):
                traceback.print_exc()
            return
        self.passed += 1
        print(f"ok   {name} ({time.monotonic() - started:.1f} s)")

    def summary(self):
        print(f"{self.passed} passed, {self.failed} failed")
        return 1 if self.failed else 0


# --- Trees --------------------------------------------------------------------------------------

def write(path, content):
    with open(path, "wb") as f:
        f.write(content)


def sparse(path, size, marks=()):
    """A sparse file of `size` bytes with the given bytes written at the given offsets."""
    with open(path, "wb") as f:
        f.truncate(size)
        for offset, data in marks:
            f.seek(offset)
            f.write(data)


def flip(content, position):
    data = bytearray(content)
    data[position] ^= 0x5A
    return bytes(data)


def outside_samples(size, rng):
    """A position that neither the quick nor the sampled precise fingerprint reads."""
    while True:
        position = rng.randrange(size)
        if not any(o <= position < o + 500 for o in sample_offsets(size, 500)):
            return position


class TreeMaker:
    """Random trees of files that share sizes and content in all the ways that matter to grouping."""

    SIZES = [0, 1, 7, 100, 8292, 4095, 4096, 4097, 12289, 6000, 30000]
    PIECES = [b"a", b"photo", b"Doc", b"x y", b"\xc3\xa9t\xc3\xa9", b"\xe6\x97\xa5", b"\xff", b"l\xe9",
              b"\x80x", b"new\nline", b"tab\tch", b"\xed\xb3\xbf", b".hid", b"-dash", b"q\"uote\\"]
    EXTENSIONS = [b"", b".txt", b".TXT", b".jpg", b".dat", b". ", b".tar.gz", b".X\xff", b".", b".Md"]

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.bases = {}  # size -> a few base contents
        self.made = []   # regular files written, for copies in other trees
        self.counter = 0

    def name(self, extension=None):
        self.counter += 1
        extension = self.rng.choice(self.EXTENSIONS) if extension is None else extension
        return self.rng.choice(self.PIECES) + str(self.counter).encode() + extension

    def content(self, size):
        base = self.rng.choice(self.bases.setdefault(size, [self.rng.randbytes(size) for _ in range(2)]))
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
        path = os.path.join(folder, self.name(self.rng.choice([b".app", b".bundle", b".APP", b".rtfd", b".framework"])))
        if template is not None:
            shutil.copytree(template, path, symlinks=True)
            return path
        inner = os.path.join(path, b"Contents")
        os.makedirs(inner)
        for _ in range(self.rng.randrange(0, 4)):
            self.file(self.rng.choice([path, inner]))
        write(os.path.join(inner, b".DS_Store"), self.rng.randbytes(50))
        # A link counts by its text, never by what it points to (here: a file outside the package).
        os.symlink(self.rng.choice(self.made or [b"/etc/hostname"]), os.path.join(inner, self.name()))
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
                folders.append(os.path.join(parent, self.name(b"")))
                os.mkdir(folders[-1])
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
