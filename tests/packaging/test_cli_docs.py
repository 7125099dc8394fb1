#!/usr/bin/env python3
"""The man pages and shell completions of twinsift-cli against the program itself.

`twinsift-cli --help` is the reference for the commands and the options of each (the global options
are listed under the name "(global)"), which each command's own help must list too; the CLI's own
error messages are the reference for the values of --format and --types. The man page must list the same options (its .TP items under COMMANDS, per
.SS command, and under OPTIONS) and name every value; the bash completion, run in bash, must offer
the same commands, options and values; the zsh completion must name the same options per command.
Both man pages carry the program's version.

Usage: test_cli_docs.py CLI
"""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "data"
OPTION = re.compile(r"(?<![\w-])--[a-z][a-z-]*")
GLOBAL = "(global)"


def run(*args):
    return subprocess.run(args, capture_output=True, text=True)


def help_options(cli):
    """{command or GLOBAL: {options}} from the help text, {command: {options of its own section}}, and
    {command: command whose options it also takes} for a command whose usage names "[SCAN OPTIONS]"."""
    options, inherits, current = {}, {}, None
    for line in run(cli, "--help").stdout.splitlines():
        if line in ("Commands:", "Options:"):
            current = GLOBAL if line == "Options:" else None
            if current:
                options[current] = set()
        elif not line.startswith(" "):
            current = None if line else current
        elif re.match(r"  \w", line) and current != GLOBAL:
            current = line.split()[0]
            options[current] = set(OPTION.findall(line))
            if "[SCAN OPTIONS]" in line:
                inherits[current] = "scan"
        elif current:
            options[current] |= set(OPTION.findall(line))
    own = {name: set(found) for name, found in options.items()}
    for command, base in inherits.items():
        options[command] |= options.get(base, set())
    return options, own, inherits


def accepted_values(cli, option):
    """The values the CLI names when it refuses an unknown one: "(use a, b or c)"."""
    refusal = re.search(r"\(use ([^)]*)\)", run(cli, "scan", option, "no-such-value", "/").stderr)
    return set(re.findall(r"\w+", refusal.group(1))) - {"or"} if refusal else set()


def man_sections(path):
    """{command or GLOBAL: text} of the man page: each .SS under COMMANDS, and OPTIONS."""
    sections, current = {}, None
    section = ""
    for line in path.read_text(encoding="utf-8").splitlines():
        if line.startswith(".SH "):
            section = line[4:].strip()
            current = GLOBAL if section == "OPTIONS" else None
        elif line.startswith(".SS ") and section == "COMMANDS":
            current = line[4:].strip()
        if current:
            sections[current] = sections.get(current, "") + line.replace("\\-", "-") + "\n"
    return sections


def man_options(text):
    """The options a section lists: the tag line of each .TP item."""
    lines = text.splitlines()
    return {o for i, line in enumerate(lines[:-1]) if line == ".TP" for o in OPTION.findall(lines[i + 1])}


def bash_complete(*words):
    script = (f'source "{DATA}/completion/twinsift-cli.bash"; COMP_WORDS=("$@"); '
              'COMP_CWORD=$(($# - 1)); _twinsift_cli; printf "%s\\n" "${COMPREPLY[@]}"')
    return set(filter(None, run("bash", "-c", script, "bash", "twinsift-cli", *words).stdout.splitlines()))


def zsh_options(path):
    """{command or GLOBAL: {options}}: the options of each "command)" branch, and those outside them."""
    options, current = {GLOBAL: set()}, GLOBAL
    for line in path.read_text(encoding="utf-8").splitlines():
        if line.lstrip().startswith("#"):
            continue
        branch = re.fullmatch(r"\s+(\w+)\)", line)
        if branch:
            current = branch.group(1)
        options.setdefault(current, set()).update(OPTION.findall(line))
        if line.strip() == ";;":
            current = GLOBAL
    return {name: found for name, found in options.items() if name not in ("command", "argument")}


def compare(problems, what, reference, found):
    for name in sorted(reference.keys() | found.keys()):
        want, have = reference.get(name, set()), found.get(name, set())
        if want - have:
            problems.append(f"{what}, {name}: missing {sorted(want - have)} that --help lists")
        if have - want:
            problems.append(f"{what}, {name}: lists {sorted(have - want)} that --help does not")


def main(cli):
    problems = []
    reference, own, inherits = help_options(cli)
    values = {o: accepted_values(cli, o) for o in ("--format", "--types")}
    if not reference.get(GLOBAL) or len(reference) < 2 or not all(values.values()):
        problems.append(f"could not read the commands, options and values from {cli}")

    sections = man_sections(DATA / "man" / "twinsift-cli.1")
    listed = {name: man_options(text) for name, text in sections.items()}
    for command, base in inherits.items():
        listed[command] = listed.get(command, set()) | listed.get(base, set())
    compare(problems, "twinsift-cli.1", reference, listed)
    for option, wanted in values.items():
        missing = wanted - set(re.findall(r"\w+", sections.get("scan", "")))
        if missing:
            problems.append(f"twinsift-cli.1: the scan section does not name the {option} values {sorted(missing)}")

    commands = set(reference) - {GLOBAL}
    for command in sorted(commands):
        for flag in ("--help", "-h"):
            shown = run(cli, command, flag)
            if shown.returncode != 0 or set(OPTION.findall(shown.stdout)) != own[command]:
                problems.append(f"{command} {flag}: exit {shown.returncode}, lists {sorted(OPTION.findall(shown.stdout))}"
                                f" where --help lists {sorted(own[command])}")
    offered = {GLOBAL: {w for w in bash_complete("") if w.startswith("-")}}
    offered.update({c: bash_complete(c, "-") for c in commands})
    compare(problems, "bash completion", reference, offered)
    if bash_complete("") - offered[GLOBAL] != commands:
        problems.append(f"bash completion: offers the commands {sorted(bash_complete('') - offered[GLOBAL])}, "
                        f"--help lists {sorted(commands)}")
    for option, wanted in values.items():
        for words in (("scan", option, ""), ("scan", option, "=", "")):
            if bash_complete(*words) != wanted:
                problems.append(f"bash completion: offers {sorted(bash_complete(*words))} after "
                                f"{' '.join(words[1:-1])}, the CLI accepts {sorted(wanted)}")
    if bash_complete("scan", "--types", "music,p") != {"music,picture"}:
        problems.append("bash completion: does not complete the last item of a --types list")

    compare(problems, "zsh completion", reference, zsh_options(DATA / "completion" / "_twinsift-cli"))

    version = run(cli, "--version").stdout.split()[-1]
    for page in ("twinsift.1", "twinsift-cli.1"):
        title = (DATA / "man" / page).read_text(encoding="utf-8").splitlines()[0]
        if f'"TwinSift {version}"' not in title:
            problems.append(f"{page}: the title line {title!r} does not carry version {version}")

    for problem in problems:
        print(problem)
    print(f"{len(reference)} option lists compared, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
