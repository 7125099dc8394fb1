#!/usr/bin/env python3
"""Two and three `twinsift-cli clean` runs at once on one tree, again and again, with random rules: no
content present before may be missing after.

Each round makes a tree of GROUPS groups (two or three copies each, spread over three sources), starts
the cleans together (each with a random --keep, half of them limited to a random --source, a third of
them moving into a folder of their own), waits for all, and compares the set of contents before and
after. Prints one line per round and a table of totals; exits 1 if any content was lost.

Usage: bench/concurrent_clean.py [ROUNDS] [GROUPS]     (defaults: 20 rounds, 300 groups)
Environment: SEED (default 1).
"""
import hashlib
import os
import random
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def build():
    env = dict(os.environ, BUILD_DIR=os.path.join(HERE, "build-bench"), BUILD_TYPE="Release")
    subprocess.run([os.path.join(HERE, "scripts/build.sh")], env=env, check=True, stdout=sys.stderr)
    return os.path.join(HERE, "build-bench/src/cli/twinsift-cli")


def contents(root):
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, "rb") as f:
                    found.add(hashlib.sha256(f.read()).hexdigest())
    return found


def make_tree(root, groups, rng):
    sources = [os.path.join(root, name) for name in ("a", "b", "c")]
    for source in sources:
        os.makedirs(source)
    for g in range(groups):
        # Large enough that comparisons overlap between the processes.
        data = rng.randbytes(rng.choice((4 << 10, 256 << 10, 2 << 20)))
        for copy in range(rng.choice((2, 3))):
            with open(os.path.join(rng.choice(sources), f"g{g}-{copy}"), "wb") as f:
                f.write(data)
    return sources


def clean_command(cli, sources, root, rng, n):
    command = [cli, "clean", "--quiet", "--no-fast-scan", "--on-error", "continue",
               "--keep", rng.choice(("newest", "oldest"))]
    if rng.random() < 0.5:
        command += ["--source", str(rng.randrange(len(sources)))]
    if rng.random() < 0.33:
        destination = os.path.join(root, f"moved-{n}")
        os.makedirs(destination)
        command += ["--move-to", destination]
    return command + sources


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    groups = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    rng = random.Random(int(os.environ.get("SEED", "1")))
    cli = build()
    work = tempfile.mkdtemp(prefix="twinsift-concurrent-")
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"),
               XDG_DATA_HOME=os.path.join(work, "data"))
    totals = {2: [0, 0, 0, 0], 3: [0, 0, 0, 0]}  # rounds, files removed, files in use, contents lost
    try:
        for round_number in range(rounds):
            for processes in (2, 3):
                root = os.path.join(work, "tree")
                shutil.rmtree(root, ignore_errors=True)
                sources = make_tree(root, groups, rng)
                before = contents(root)
                commands = [clean_command(cli, sources, root, rng, n) for n in range(processes)]
                running = [subprocess.Popen(c, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
                           for c in commands]
                outputs = [p.communicate()[0].decode(errors="replace") for p in running]
                lines = [line for out in outputs for line in out.splitlines()]
                removed = sum(1 for line in lines if "\tdeleted\t" in line or "\tmoved\t" in line)
                in_use = sum(1 for line in lines if "in use by another clean-up" in line)
                lost = len(before - contents(root))
                for i, value in enumerate((1, removed, in_use, lost)):
                    totals[processes][i] += value
                print(f"round {round_number + 1}, {processes} cleans: {removed} removed, {in_use} in use, "
                      f"{lost} contents lost", file=sys.stderr)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("| Cleans at once | Rounds | Files removed | Files left as in use | Contents lost |")
    print("|---:|---:|---:|---:|---:|")
    for processes, (count, removed, in_use, lost) in totals.items():
        print(f"| {processes} | {count} | {removed} | {in_use} | {lost} |")
    return 1 if any(t[3] for t in totals.values()) else 0


if __name__ == "__main__":
    sys.exit(main())
