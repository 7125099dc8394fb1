#!/usr/bin/env python3
"""`twinsift-cli fingerprint` against the reference fingerprints (reference.py): files of many sizes
around the small-file limit and the encoder's pieces, sparse files around the 100 MiB chunk, packages
with links, odd names and hidden files, items without a fingerprint, and bad command lines.

Usage: test_fingerprint_reference.py PATH-TO-twinsift-cli
"""
import os
import random
import shutil
import sys
import tempfile

from reference import CHUNK, Cli, Fingerprints, Results, digest_of, expect, shown, sparse, write

LEVELS = (0, 1, 2, 3, -1)


def split_output(output, paths, cwd):
    """The fingerprint column of each line, which must end with the path as scan's text report shows it."""
    lines = output.split(b"\n")
    expect(len(lines) == len(paths) + 1 and lines[-1] == b"", f"not a line per path: {output[:300]!r}")
    texts = []
    for path, line in zip(paths, lines):
        text, tab, shown_path = line.partition(b"\t")
        expect(tab and shown_path == shown(path, cwd), f"the line of {path!r} is {line!r}")
        texts.append(text.decode("ascii"))
    return texts


def compare(cli, root, paths):
    fingerprints = Fingerprints()
    for level in LEVELS:
        code, out, err = cli.run(["fingerprint", "--level", str(level), "--", *paths], cwd=root)
        expected = [fingerprints.of(os.path.join(root, p), level) for p in paths]
        for path, want, have in zip(paths, expected, split_output(out, paths, root)):
            expect(have == ("-" if want is None else want), f"level {level} {path!r}: got {have!r}, expected {want!r}")
        expect(code == (1 if None in expected else 0), f"level {level}: exit {code} {err!r}")


def make_files(root, rng):
    piece = 786432
    sizes = [0, 1, 2, 3, 19, 20, 21, 500, 4095, 4096, 4097, 8191, piece - 1, piece, piece + 1, 3 * piece + 1,
             5 * piece + 2] + [rng.randrange(4097, 3_000_000) for _ in range(6)]
    names = [b"f%d" % size for size in sizes]
    for name, size in zip(names, sizes):
        write(os.path.join(root, name), rng.randbytes(size))
    # Same length and same sampled stretches as f4097, different elsewhere.
    data = bytearray(open(os.path.join(root, b"f4097"), "rb").read())
    data[510] ^= 0xFF
    write(os.path.join(root, b"f4097-middle"), bytes(data))
    for name in (b"\xff\xfe-not-utf8", b"line\nbreak", "caf\u00e9".encode(), b"tab\there", b"-dash"):
        write(os.path.join(root, name), rng.randbytes(rng.randrange(1, 9000)))
        names.append(name)
    # No content of their own: a missing path, links (never followed), a FIFO, a device.
    os.mkfifo(os.path.join(root, b"fifo"))
    os.symlink(b"f4097", os.path.join(root, b"link-to-file"))
    os.symlink(b"/dev/zero", os.path.join(root, b"link-to-zero"))
    return names + [b"f4097-middle", b"fifo", b"link-to-file", b"link-to-zero", b"missing", b"/dev/null"]


def make_packages(root, rng):
    app = os.path.join(root, b"Foo.app")
    for folder in (b"Contents/MacOS", b"Contents/Frameworks/Bar.framework/Versions", b"Contents/Z", b".DS_Store"):
        os.makedirs(os.path.join(app, folder))
    for member in (b"Contents/MacOS/Foo", b"Contents/Info.plist", b"Contents/Frameworks/Bar.framework/Versions/Bar",
                   b"Contents/.hidden", b"Contents/Z-file", b"Contents/Z/x", b"Contents/a", b"Contents/B", b"\xff-odd",
                   b"\xfe", "\uff21".encode(), "\U0001f600".encode(), b"new\nline", b"big.bin", b".DS_Store/x"):
        write(os.path.join(app, member), rng.randbytes(100_000 if member == b"big.bin" else rng.randrange(1, 6000)))
    write(os.path.join(app, b"Contents/empty"), b"")
    write(os.path.join(app, b"Contents/.DS_Store"), rng.randbytes(50))
    os.mkfifo(os.path.join(app, b"Contents/fifo"))
    # Links are stored as their text, whatever they point to.
    for target, name in ((b"/nonexistent/target", b"dangling"), (b"MacOS/Foo", b"to-file"), (b"/etc", b"to-etc"),
                         (b"/dev/zero", b"to-zero")):
        os.symlink(target, os.path.join(app, b"Contents", name))
    only_store = os.path.join(root, b"OnlyStore.bundle")
    os.makedirs(os.path.join(only_store, b"inner"))
    write(os.path.join(only_store, b"inner/.DS_Store"), b"x")
    os.makedirs(os.path.join(root, b"empty-folder"))
    return [b"Foo.app", b"Foo.app/", b"OnlyStore.bundle", b"empty-folder"]


def check_command_line(cli, root):
    abc = b"F4C0128178A6A21B7A3DD76729725D91\tabc\n"
    for args in (["abc"], ["--level=2", "abc"], ["abc", "--level", "2"], ["--level", "-1", "abc"]):
        expect(cli.run(["fingerprint", *args], cwd=root)[:2] == (0, abc), f"{args}")
    expect(cli.run(["fingerprint", os.path.join(root, b"abc")], cwd="/")[1].startswith(b"F4C0"), "absolute path")
    for args in ([], ["--level"], ["--level", "x", "abc"], ["--level=", "abc"], ["--level", "1.5", "abc"],
                 ["--level", "99999999999999999999", "abc"], ["--bogus", "abc"], ["-dash"], ["--"]):
        code, out, err = cli.run(["fingerprint", *args], cwd=root)
        expect(code == 2 and out == b"" and err, f"usage {args}: {code} {err!r}")


def main():
    cli = Cli(os.path.abspath(sys.argv[1]), tempfile.mkdtemp(prefix="fingerprint-reference-"))
    root = os.path.join(cli.work, "tree").encode()
    os.mkdir(root)
    write(os.path.join(root, b"abc"), b"abc")
    rng = random.Random(20240611)
    results = Results()
    try:
        results.case("command line", check_command_line, cli, root)
        results.case("files and packages", compare, cli, root, make_files(root, rng) + make_packages(root, rng))
        for size in (CHUNK - 1, CHUNK, CHUNK + 1, 250 * 1024 * 1024):
            sparse(os.path.join(root, b"sparse%d" % size), size,
                   [(0, b"A"), (CHUNK - 1, b"B"), (min(CHUNK, size - 1), b"C"), (size // 2, b"D"), (size - 1, b"F")])
        results.case("sparse files around the chunk", compare, cli, root,
                     [n for n in os.listdir(root) if n.startswith(b"sparse")])
        # A reference that reads the file is only as good as its chunking: pin the boundary case.
        over = Fingerprints().of(os.path.join(root, b"sparse%d" % (CHUNK + 1)), 2)
        results.case("reference chunking", expect, len(over) == 64 and over[32:] == digest_of(b"F"), over)
    finally:
        shutil.rmtree(cli.work)
    return results.summary()


if __name__ == "__main__":
    sys.exit(main())
