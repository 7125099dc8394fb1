#!/usr/bin/env python3
"""Compares `twinsift-cli fingerprint` with a fingerprint reference written here from scratch in Python
(hashlib, base64, os.walk), on files of many sizes, sparse files around the 100 MiB chunk boundary,
package folders, odd names and bad command lines.

Usage: test_fingerprint_reference.py PATH-TO-twinsift-cli
"""
import base64
import hashlib
import os
import random
import shutil
import stat
import subprocess
import sys
import tempfile

CHUNK = 104_857_600
LEVELS = (0, 1, 2, 3, -1)


# --- The reference ----------------------------------------------------------------------------

def digest_text(data):
    return hashlib.md5(data).hexdigest().upper()


def file_fingerprint(path, level):
    """Text, "" or None (no value)."""
    try:
        st = os.lstat(path)
    except OSError:
        return None
    if stat.S_ISDIR(st.st_mode):
        return None
    if st.st_size == 0:
        return ""
    try:
        f = open(path, "rb")
    except OSError:
        return None
    with f:
        if st.st_size <= 4096 or level == 2:
            text = ""
            while True:
                chunk = f.read(CHUNK)
                if not chunk:
                    return text
                text += digest_text(base64.b64encode(chunk))
        n = {0: 20, 1: 500}.get(level, 0)
        if n == 0:
            return None
        size = st.st_size
        offsets = (0, size - n, size // 2 - n, size // 4 - n, (size + size // 2) // 2 - n)
        samples = [os.pread(f.fileno(), n, offset) for offset in offsets]
        if not all(samples):
            return None
        return digest_text(b"".join(base64.b64encode(s) for s in samples))


def fingerprint(path, level):
    if os.path.islink(path) or not os.path.isdir(path):
        return file_fingerprint(path, level)
    members = []
    for folder, subfolders, names in os.walk(path):
        # A link to a folder is an item of its own, not a folder to enter.
        names = names + [s for s in subfolders if os.path.islink(os.path.join(folder, s))]
        members += [os.path.join(folder, name) for name in names if name != b".DS_Store"]
    parts = (file_fingerprint(member, level) for member in sorted(members))
    return "".join(part for part in parts if part)


# --- Running the tool -------------------------------------------------------------------------

class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("FAIL:", what)


def run(cli, arguments, cwd=None):
    result = subprocess.run([cli, "fingerprint", *arguments], capture_output=True, cwd=cwd, timeout=300)
    return result.returncode, result.stdout, result.stderr


def split_output(output, paths):
    """The fingerprint column of each line, read knowing the paths (which may hold newlines)."""
    texts = []
    for path in paths:
        tab = output.find(b"\t")
        line_end = tab + 1 + len(path)
        if tab < 0 or output[tab + 1:line_end] != path or output[line_end:line_end + 1] != b"\n":
            return None
        texts.append(output[:tab].decode("ascii"))
        output = output[line_end + 1:]
    return texts if not output else None


def compare(checks, cli, paths, level, cwd, arguments=None):
    if arguments is None:
        arguments = ["--level", str(level), "--", *paths]
    status, output, _ = run(cli, arguments, cwd)
    expected = [fingerprint(os.path.join(cwd, p), level) for p in paths]
    got = split_output(output, paths)
    if got is None:
        checks.check(False, f"level {level}: unreadable output {output[:300]!r}")
        return
    for path, want, have in zip(paths, expected, got):
        want = "-" if want is None else want
        checks.check(have == want, f"level {level} {path!r}: got {have!r}, expected {want!r}")
    want_status = 1 if any(e is None for e in expected) else 0
    checks.check(status == want_status, f"level {level}: exit {status}, expected {want_status}")


# --- Test material ----------------------------------------------------------------------------

def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def sparse(path, size, marks):
    """A sparse file of size bytes with the given bytes written at the given offsets."""
    with open(path, "wb") as f:
        f.truncate(size)
        for offset, data in marks:
            f.seek(offset)
            f.write(data)


def make_files(root, rng):
    names = []
    sizes = [0, 1, 2, 3, 4, 5, 19, 20, 21, 500, 4095, 4096, 4097, 4098, 8191, 786431, 786432, 786433,
             3 * 786432 + 1, 5 * 786432 + 2]
    sizes += [rng.randrange(4097, 3_000_000) for _ in range(8)]
    for size in sizes:
        name = b"f%d" % size
        write(os.path.join(root, name), rng.randbytes(size))
        names.append(name)
    # Same length and same sampled stretches as f4097, different elsewhere.
    data = bytearray(open(os.path.join(root, b"f4097"), "rb").read())
    data[510] ^= 0xFF
    write(os.path.join(root, b"f4097-middle"), bytes(data))
    names.append(b"f4097-middle")
    for name in (b"\xff\xfe-not-utf8", b"line\nbreak", "caf\u00e9".encode(), b"tab\there", b"-dash"):
        write(os.path.join(root, name), rng.randbytes(rng.randrange(1, 9000)))
        names.append(name)
    return names


def make_large_files(root):
    names = []
    for size in (CHUNK - 1, CHUNK, CHUNK + 1):
        name = b"sparse%d" % size
        sparse(os.path.join(root, name), size, [(0, b"head"), (size - 1, b"\x01")])
        names.append(name)
    size = 250 * 1024 * 1024
    sparse(os.path.join(root, b"sparse250M"), size,
           [(0, b"A"), (CHUNK - 1, b"B"), (CHUNK, b"C"), (size // 2, b"D"), (2 * CHUNK + 7, b"E"),
            (size - 1, b"F")])
    names.append(b"sparse250M")
    return names


def make_packages(root, rng):
    app = os.path.join(root, b"Foo.app")
    for folder in (b"Contents/MacOS", b"Contents/Resources/en.lproj", b"Contents/Frameworks/Bar.framework/Versions",
                   b"Contents/Z"):
        os.makedirs(os.path.join(app, folder))
    for member in (b"Contents/MacOS/Foo", b"Contents/Resources/en.lproj/Main.strings", b"Contents/Info.plist",
                   b"Contents/Frameworks/Bar.framework/Versions/Bar", b"Contents/.hidden", b"Contents/Z-file",
                   b"Contents/Z/x", b"Contents/a", b"Contents/B", b"\xff-odd",
                   "\uff21".encode(), "\U0001f600".encode(), b"new\nline", b"big.bin"):
        size = 100_000 if member == b"big.bin" else rng.randrange(1, 6000)
        write(os.path.join(app, member), rng.randbytes(size))
    write(os.path.join(app, b"Contents/empty"), b"")
    for store in (b".DS_Store", b"Contents/.DS_Store", b"Contents/Resources/.DS_Store"):
        write(os.path.join(app, store), rng.randbytes(50))
    os.symlink(b"/nonexistent/target", os.path.join(app, b"Contents/dangling"))
    os.symlink(b"MacOS/Foo", os.path.join(app, b"Contents/link-to-file"))

    only_store = os.path.join(root, b"OnlyStore.bundle")
    os.makedirs(os.path.join(only_store, b"inner"))
    write(os.path.join(only_store, b"inner/.DS_Store"), b"x")
    os.makedirs(os.path.join(root, b"empty-folder"))
    plain = os.path.join(root, b"plain folder")
    os.makedirs(plain)
    write(os.path.join(plain, b"one"), b"abc")
    return [b"Foo.app", b"Foo.app/", b"OnlyStore.bundle", b"empty-folder", b"plain folder"]


# --- The checks -------------------------------------------------------------------------------

def check_command_line(checks, cli, root):
    status, output, _ = run(cli, ["abc"], root)
    checks.check((status, output) == (0, b"F4C0128178A6A21B7A3DD76729725D91\tabc\n"), f"abc: {status} {output!r}")
    for arguments in (["--level=2", "abc"], ["abc", "--level", "2"], ["--level", "-1", "abc"]):
        status, output, _ = run(cli, arguments, root)
        checks.check((status, output) == (0, b"F4C0128178A6A21B7A3DD76729725D91\tabc\n"),
                     f"{arguments}: {status} {output!r}")
    status, output, _ = run(cli, ["abc", "missing", "empty"], root)
    checks.check((status, output) == (1, b"F4C0128178A6A21B7A3DD76729725D91\tabc\n-\tmissing\n\tempty\n"),
                 f"missing: {status} {output!r}")
    status, output, _ = run(cli, [os.path.join(root, b"abc")], "/")
    checks.check(status == 0 and output.startswith(b"F4C0"), f"absolute path: {status} {output!r}")
    for arguments in ([], ["--level"], ["--level", "x", "abc"], ["--level=", "abc"], ["--level", "1.5", "abc"],
                      ["--level", "99999999999999999999", "abc"], ["--bogus", "abc"], ["-dash"], ["--level", "1"],
                      ["--"]):
        status, output, error = run(cli, arguments, root)
        checks.check(status == 2 and output == b"" and error != b"", f"usage {arguments}: {status} {error!r}")


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    cli = os.path.abspath(sys.argv[1])
    checks = Checks()
    rng = random.Random(20240611)
    root = tempfile.mkdtemp(prefix="fingerprint-reference-").encode()
    try:
        write(os.path.join(root, b"abc"), b"abc")
        write(os.path.join(root, b"empty"), b"")
        check_command_line(checks, cli, root)

        small = make_files(root, rng) + [b"abc", b"empty", b"missing"]
        packages = make_packages(root, rng)
        for level in LEVELS:
            compare(checks, cli, small + packages, level, root)
        large = make_large_files(root)
        for level in LEVELS:
            compare(checks, cli, large, level, root)
        # A reference that reads the file is only as good as its chunking: pin the boundary case.
        over = fingerprint(os.path.join(root, b"sparse%d" % (CHUNK + 1)), 2)
        checks.check(len(over) == 64 and over[32:] == digest_text(base64.b64encode(b"\x01")),
                     f"reference chunking: {over!r}")
    finally:
        shutil.rmtree(root)
    print(f"{checks.passed} passed, {checks.failed} failed")
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
