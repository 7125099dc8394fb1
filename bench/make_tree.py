#!/usr/bin/env python3
"""Writes a tree of small files for the grouping benchmarks.

  make_tree.py one-size ROOT COUNT   COUNT files of 4,096 bytes, each with its own content: every
                                     file lands in one size bucket and has a quick fingerprint of
                                     its own, so grouping meets one ever-growing list of groups.
  make_tree.py mixed ROOT COUNT      COUNT files of 0 to 4,096 bytes; about one in eight repeats an
                                     earlier file's content.

Files go 1,000 to a folder. The content is seeded (by COUNT, or by a SEED given after it), so a tree is
the same from run to run.
"""

import os
import random
import sys

FILES_PER_FOLDER = 1000


def write_tree(root, count, content_of):
    for i in range(count):
        folder = os.path.join(root, "d%04d" % (i // FILES_PER_FOLDER))
        if i % FILES_PER_FOLDER == 0:
            os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%07d" % i), "wb") as f:
            f.write(content_of(i))


def one_size(rng):
    salt = rng.randbytes(8)
    return lambda i: i.to_bytes(8, "little") + salt + rng.randbytes(4080)


def mixed(rng):
    earlier = []

    def content_of(i):
        if earlier and rng.random() < 0.125:
            return rng.choice(earlier)
        content = rng.randbytes(rng.randint(0, 4096))
        if len(earlier) < 5000:
            earlier.append(content)
        else:
            earlier[rng.randrange(len(earlier))] = content
        return content

    return content_of


def main():
    kinds = {"one-size": one_size, "mixed": mixed}
    if len(sys.argv) not in (4, 5) or sys.argv[1] not in kinds:
        print(__doc__, file=sys.stderr)
        return 2
    kind, root, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    seed = int(sys.argv[4]) if len(sys.argv) == 5 else count
    write_tree(root, count, kinds[kind](random.Random(seed)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
