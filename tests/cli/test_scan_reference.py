#!/usr/bin/env python3
"""`twinsift-cli scan --format json` against the reference scan (reference.py) on randomized trees and on
the cases where grouping is easy to get wrong: sources that overlap, the fast-scan threshold, the
minimum size, packages with names that are not UTF-8; then the command-line contract, --types and the
fingerprint cache. The
random trees hold what else matters (equal samples around different middles, hard links, links, FIFOs,
sockets, ".DS_Store", empty files and packages). The JSON reports must agree exactly: sources, groups
in bucket order, members in date order, statistics.

Usage: test_scan_reference.py PATH-TO-twinsift-cli
"""
import os
import random
import shutil
import sys
import tempfile

from reference import (FAST_SCAN_MIB, Cli, Options, ReferenceScan, Results, TreeMaker, compare_reports,
                       decode_report, expect, flip, outside_samples, sample_offsets, sparse, write)

CLI = None
# 4096.9999 bytes as mebibytes: single precision rounds it to 4097, double precision would keep 4096.
JUST_BELOW_4097 = 4096.9999 / 1048576
OPTION_SETS = [Options(), Options(fast_scan=False), Options(fast_scan_size=0), Options(min_size=0.00390625),
               Options(min_size=JUST_BELOW_4097, fast_scan_size=0)]


def fresh_dir(name):
    path = os.path.join(CLI.work, name).encode()
    os.makedirs(path)
    return path


def reference_matches_cli(sources, option_sets):
    for options in option_sets:
        try:
            compare_reports(CLI.scan_json(sources, options), ReferenceScan(options).add_sources(sources).report())
        except AssertionError as failure:
            raise AssertionError(f"with {options.arguments() or 'defaults'}: {failure}")


def case_random_single_source(seed):
    root = fresh_dir(f"random-{seed}")
    TreeMaker(seed).tree(root)
    reference_matches_cli([root], OPTION_SETS)


def case_random_overlapping_sources(seed):
    root = fresh_dir(f"overlap-{seed}")
    inner = max(TreeMaker(seed).tree(root, files=50)[1:] or [root], key=len)
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
    reference_matches_cli([first, second, maker.rng.choice(maker.made)], OPTION_SETS[:3])


def case_large_files_fast_scan():
    """Fast scanning compares large files by samples only; the threshold counts as large."""
    root = fresh_dir("large")
    rng = random.Random(7)
    for size in (FAST_SCAN_MIB << 20, (FAST_SCAN_MIB << 20) - 1):
        base = os.path.join(root, b"base-%d" % size)
        sparse(base, size, [(offset, rng.randbytes(500)) for offset in sample_offsets(size, 500)])
        content = open(base, "rb").read()
        write(os.path.join(root, b"same-%d" % size), content)
        write(os.path.join(root, b"middle-%d" % size), flip(content, outside_samples(size, rng)))
    reference_matches_cli([root], [Options(), Options(fast_scan=False), Options(fast_scan_size=21)])
    sizes = sorted(len(g["files"]) for g in CLI.scan_json([root], Options())["groups"])
    expect(sizes == [2, 3], f"expected a group of 2 and one of 3 with fast scanning, got {sizes}")


def case_minimum_size():
    root = fresh_dir("minimum")
    for size in (4095, 4096, 4097):
        for copy in (b"a", b"b"):
            write(os.path.join(root, b"%s-%d" % (copy, size)), b"m" * size)
    # A limit beyond every file (infinity included) takes in none; see also the hostile cases.
    for min_size, files, sizes in ((0.0, 6, [4095, 4096, 4097]), (0.00390625, 4, [4096, 4097]),
                                   (JUST_BELOW_4097, 2, [4097]), (1e30, 0, []), (float("inf"), 0, [])):
        report = CLI.scan_json([root], Options(min_size=min_size))
        taken = report["stats"]["files"], sorted(g["size"] for g in report["groups"])
        expect(taken == (files, sizes), f"--min-size {min_size}: {taken}")


def case_packages_with_names_that_are_not_utf8():
    """Packages whose member contents are swapped between names that are not UTF-8 are no duplicates:
    the names must not tie when the members are ordered."""
    root = fresh_dir("package-names")
    rng = random.Random(3)
    for i, (left, right) in enumerate([(b"\xff", b"\xfe"), (b"\xfd", b"\xfc"), (b"\xc0", b"\xc1"), (b"\x80", b"\x81")]):
        x, y = rng.randbytes(60 + i), rng.randbytes(60 + i)
        for package, members in ((b"A%d.app", ((left, x), ("\ufffd".encode(), y))),
                                 (b"B%d.app", (("\ufffd".encode(), x), (right, y)))):
            os.mkdir(os.path.join(root, package % i))
            for name, content in members:
                write(os.path.join(root, package % i, name), content)
    reference_matches_cli([root], [Options()])


def case_exit_codes_and_refusals():
    root = fresh_dir("contract")
    write(os.path.join(root, b"a.txt"), b"twins")
    write(os.path.join(root, b"b.txt"), b"twins")
    missing = os.path.join(root, b"missing")
    code, out, err = CLI.run(["scan", root, root])
    expect(code == 0 and b"already a source" in err and sorted(out.split()) == [root + b"/a.txt", root + b"/b.txt"],
           f"repeated path: {code} {out!r} {err!r}")
    code, out, err = CLI.run(["scan", missing, root])
    expect(code == 0 and out.count(b"\n") == 2 and b"nothing exists there" in err, f"missing + existing: {code}")
    code, out, err = CLI.run(["scan", missing])
    expect(code == 1 and out == b"" and b"nothing exists there" in err, f"only a missing path: {code}")
    for args in (["scan"], ["scan", "--bogus", root], ["scan", "--format", "xml", root], ["scan", "--format"],
                 ["scan", "--min-size", "-1", root], ["scan", "--min-size", "lots", root],
                 ["scan", "--min-size", "nan", root], ["scan", "--fast-scan-size", "1.5", root],
                 ["scan", "--fast-scan-size", "-1", root], ["scan", "--fast-scan-size", str(1 << 43), root],
                 ["scan", "--types", "videos", root], ["scan", "--null", "--format", "json", root],
                 ["frobnicate", root]) + tuple(["scan", f"{flag}={value}", root] for flag in (
                     "--quiet", "--no-fast-scan", "--no-cache", "--verbose", "--null", "--use-settings") for value in ("", "yes", "0")):
        code, out, err = CLI.run(args)
        expect(code == 2 and out == b"" and err, f"{args}: exit {code}, expected a usage error on stderr only")
    code, out, err = CLI.run(["scan", "--quiet", "--fast-scan-size", str((1 << 43) - 1), root])
    expect(code == 0, f"the largest --fast-scan-size: {code} {err!r}")


def case_types():
    root = fresh_dir("types")
    for name in (b"a.png", b"b.png", b"c.PNG", b"d.txt", b"e.txt"):  # the same picture, some named as text
        write(os.path.join(root, name), b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR" + bytes(17))
    for name in (b"f", b"g"):
        write(os.path.join(root, name), b"\x00\x01binary\x02")
    images = {os.path.join(root, n) for n in (b"a.png", b"b.png", b"c.PNG")}
    texts = {os.path.join(root, n) for n in (b"d.txt", b"e.txt")}
    for types, files, groups in (("picture", 3, [images]), ("document", 2, [texts]),
                                 ("Picture, document", 5, [images | texts]), ("movie,music,archive", 0, [])):
        report = CLI.scan_json([root], Options(), extra=["--types", types])
        got = report["stats"]["files"], [{m["path"] for m in g["files"]} for g in report["groups"]]
        expect(got == (files, groups), f"--types {types}: {got}")
    expect(CLI.scan_json([root], Options())["stats"]["files"] == 7, "without --types every file is taken")


def case_fingerprint_cache():
    """A cache file that cannot be trusted is said once and replaced; the report is the same with the cache,
    without it, and from the reference."""
    root = fresh_dir("cache")
    TreeMaker(7).tree(root)
    home = CLI.make_home("cache-home")
    cache = os.path.join(home, "cache", "twinsift", "fingerprints").encode()
    damaged = b"TSFPCACH" + bytes(40)
    os.makedirs(os.path.dirname(cache))
    write(cache, damaged)
    reports, warnings = [], []
    for extra in (["--no-cache"], [], []):
        code, out, err = CLI.run(["scan", "--format", "json", *extra, root], home=home)
        expect(code == 0, f"scan {extra}: exit {code} {err!r}")
        reports.append(out)
        warnings.append(err.count(b"fingerprint cache"))
        if extra:
            with open(cache, "rb") as f:
                expect(f.read() == damaged, "--no-cache touched the cache")
    expect(warnings == [0, 1, 0], f"warnings about the cache in three runs: {warnings}")
    expect(reports[0] == reports[1] == reports[2], "the reports with and without the cache differ")
    compare_reports(decode_report(reports[1]), ReferenceScan(Options()).add_sources([root]).report())


def main():
    global CLI
    CLI = Cli(os.path.abspath(sys.argv[1]), tempfile.mkdtemp(prefix="twinsift-scan-reference-"))
    results = Results()
    try:
        for seed in (1, 2, 3):
            results.case(f"random tree, one source (seed {seed})", case_random_single_source, seed)
        for seed in (4, 5):
            results.case(f"random tree, overlapping sources (seed {seed})", case_random_overlapping_sources, seed)
        results.case("random trees, two sources and a single file", case_random_two_sources, 6)
        results.case("large files and the fast-scan threshold", case_large_files_fast_scan)
        results.case("minimum size", case_minimum_size)
        results.case("packages with member names that are not UTF-8", case_packages_with_names_that_are_not_utf8)
        results.case("exit codes and refusals", case_exit_codes_and_refusals)
        results.case("--types", case_types)
        results.case("the fingerprint cache", case_fingerprint_cache)
    finally:
        shutil.rmtree(CLI.work, ignore_errors=True)
    return results.summary()


if __name__ == "__main__":
    sys.exit(main())
