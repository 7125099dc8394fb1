#!/usr/bin/env python3
"""Turns the measurements of bench/compare_peers.sh into its Markdown report.

  peer_table.py TIMINGS SETS_DIR CONTEXT TREE...

TIMINGS holds one line per timed run: tree, tool, wall seconds, CPU seconds (user + system), peak
RSS in KiB and exit status, separated by tabs. SETS_DIR/TREE.json is compare_sets.py's summary for
TREE. CONTEXT is Markdown printed under the heading (machine, load, versions, command).
"""

import collections
import json
import os
import statistics
import sys

TOOLS = ["twinsift", "jdupes", "fdupes", "rdfind", "rmlint"]
# The fingerprint cache's pair of runs: the first fills the cache, the second is measured against it
# and against jdupes' runs with a warm page cache.
CACHED = ["twinsift-first", "twinsift-second", "jdupes-warm"]
NAMES = {"twinsift": "TwinSift", "jdupes": "jdupes", "fdupes": "fdupes", "rdfind": "rdfind",
         "rmlint": "rmlint", "twinsift-first": "TwinSift, first run (cold, cache empty)",
         "twinsift-second": "TwinSift, second run (cache filled)",
         "jdupes-warm": "jdupes, warm page cache"}
MAX_CACHED_TO_JDUPES = 0.3
MAX_BYTES_PER_FILE = 300
PER_FILE_TREES = ["mixed", "tiny"]


def read_timings(path):
    runs = collections.defaultdict(list)
    failures = collections.Counter()
    with open(path) as f:
        for line in f:
            tree, tool, wall, cpu, rss, status = line.split("\t")
            runs[tree, tool].append((float(wall), float(cpu), int(rss)))
            if int(status) != 0:
                failures[tree, tool] += 1
    medians = {key: tuple(statistics.median(v[i] for v in values) for i in range(3))
               for key, values in runs.items()}
    counts = {key: len(values) for key, values in runs.items()}
    return medians, counts, failures


def ratio(ours, theirs):
    return "%.2f" % (ours / theirs) if theirs > 0 else "n/a"


def sets_summary(tree, sets):
    if sets is None:
        return "- %s: not checked" % tree
    jd, fast = sets["jdupes"], sets["fast"]
    if jd["ok"]:
        line = "- %s: same as jdupes (%d sets)" % (tree, jd["twinsift_sets"])
        if jd["empty_files"] > 1:
            line += "; the %d empty files in one group of their own" % jd["empty_files"]
    else:
        line = "- %s: **differs from jdupes** (%d sets against %d): %s" % (
            tree, jd["twinsift_sets"], jd["jdupes_sets"], "; ".join(jd["problems"]))
    if fast["ok"]:
        line += "; fast scan: same sets"
    else:
        expected = " (expected: fast scanning compares files of 20 MiB and more by samples)" \
            if tree == "big" else ""
        line += "; fast scan: **differs**%s: %s" % (expected, "; ".join(fast["problems"]))
    return line


def main():
    if len(sys.argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    timings, sets_dir, context_path = sys.argv[1:4]
    trees = sys.argv[4:]
    medians, counts, failures = read_timings(timings)
    sets = {}
    for tree in trees:
        path = os.path.join(sets_dir, tree + ".json")
        if os.path.exists(path):
            with open(path) as f:
                sets[tree] = json.load(f)
    with open(context_path) as f:
        context = f.read().strip()

    out = ["# TwinSift against other duplicate finders", "", context, "",
           "Median of the runs; CPU is user + system seconds; ratios are TwinSift's figure divided by "
           "the tool's (below 1: TwinSift is faster or smaller), with the cache filled for the "
           "fingerprint cache's pair of runs.", "",
           "| Tree | Files | Tool | Runs | Wall s | CPU s | Peak RSS MiB | TwinSift/tool wall "
           "| TwinSift/tool CPU | TwinSift/tool RSS |",
           "|---|---:|---|---:|---:|---:|---:|---:|---:|---:|"]
    for tree in trees:
        reference = "twinsift" if (tree, "twinsift") in medians else CACHED[1]
        ours = medians.get((tree, reference))
        files = sets[tree]["files"] if tree in sets else "?"
        for tool in TOOLS + CACHED:
            m = medians.get((tree, tool))
            if m is None:
                continue
            wall, cpu, rss = m
            name = NAMES[tool] + (" (exit status ≠ 0: %d runs)" % failures[tree, tool]
                                  if failures[tree, tool] else "")
            ratios = ["", "", ""] if tool == reference or ours is None else \
                [ratio(ours[0], wall), ratio(ours[1], cpu), ratio(ours[2], rss)]
            out.append("| %s | %s | %s | %d | %.2f | %.2f | %.1f | %s | %s | %s |" % (
                tree, files, name, counts[tree, tool], wall, cpu, rss / 1024, *ratios))

    out += ["", "Duplicate sets (TwinSift `--no-fast-scan` against `jdupes -r -q -0`, one path per "
            "inode; and TwinSift with default settings against `--no-fast-scan`):", ""]
    out += [sets_summary(tree, sets.get(tree)) for tree in trees]

    out += ["", "Targets:", ""]
    # A run that failed measured nothing worth a verdict.
    failed = {tree for tree in trees if any(failures[tree, t] for t in ["twinsift"] + CACHED[:2])}
    for tree in sorted(failed):
        out.append("- %s: **no verdict**, TwinSift failed in some runs" % tree)
    for tree in trees:
        first, second, jdupes = (medians.get((tree, tool)) for tool in CACHED)
        if first and second and tree not in failed:
            out.append("- %s second run with the fingerprint cache: %s× the first run's wall time "
                       "(target ≤ 0.33)" % (tree, ratio(second[0], first[0])))
        if second and jdupes and tree not in failed:
            met = second[0] <= MAX_CACHED_TO_JDUPES * jdupes[0]
            out.append("- %s second run with the fingerprint cache: %s× jdupes' warm wall time "
                       "(target ≤ %s): %s" % (tree, ratio(second[0], jdupes[0]), MAX_CACHED_TO_JDUPES,
                                              "met" if met else "**missed**"))
        ours = medians.get((tree, "twinsift"))
        if ours is None or tree in failed:
            continue
        verdicts, cpu_verdicts = [], []
        for tool in TOOLS[1:]:
            m = medians.get((tree, tool))
            if m is None:
                continue
            # At most 1.0 times jdupes; strictly ahead of every other tool.
            met = ours[0] <= m[0] if tool == "jdupes" else ours[0] < m[0]
            verdicts.append("%s %s (%s×)" % ("ahead of" if met else "**behind**", NAMES[tool],
                                             ratio(ours[0], m[0])))
            if tool == "jdupes":
                cpu_verdicts.append("%s jdupes' (%s×)" % (
                    "at or below" if ours[1] <= m[1] else "**above**", ratio(ours[1], m[1])))
        if verdicts:
            out.append("- %s wall time: %s" % (tree, ", ".join(verdicts)))
        if cpu_verdicts:
            out.append("- %s CPU time: %s" % (tree, ", ".join(cpu_verdicts)))
    baseline = medians.get(("empty-folder", "twinsift"))
    for tree in PER_FILE_TREES:
        ours = medians.get((tree, "twinsift"))
        if ours is None or tree in failed or tree not in sets or not sets[tree]["files"]:
            continue
        files = sets[tree]["files"]
        per_file = ours[2] * 1024 / files
        line = "- %s peak RSS per file taken in: %.0f bytes (%d KiB over %d files; target ≤ %d): %s" % (
            tree, per_file, ours[2], files, MAX_BYTES_PER_FILE,
            "met" if per_file <= MAX_BYTES_PER_FILE else "**missed**")
        if baseline is not None:
            line += "; %.0f bytes above the %.1f MiB of a scan of an empty folder" % (
                (ours[2] - baseline[2]) * 1024 / files, baseline[2] / 1024)
        out.append(line)
    print("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
