#!/usr/bin/env python3
"""The string tables against the sources and each other.

Fails when a key the sources use is missing from the English table, when a translation lacks a key
of the English table (or keeps one it no longer has), when a text is plural in one place and not in
another (the code passes a count, the English table has plural forms, each translation has its
language's number of them), when a text is empty or unfinished, and when the placeholders (%1, %2,
... and %n) of a translation or plural form differ from those of the English text.

Run by CTest as `test_string_tables.py CLI`; the CLI is not needed here.
"""
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

ROOT = pathlib.Path(__file__).resolve().parents[2]
KEY_USE = re.compile(r'\b(StringTable::text|qtTrId|QT_TRID_NOOP|QT_TRID_N_NOOP)\(\s*"([^"]+)"\s*(,?)')
PLACEHOLDER = re.compile(r"%L?(\d+|n)")
# Plural forms per language, as Qt's rules count them; a new language adds its number here.
PLURAL_FORMS = {"en": 2, "de": 2}


def used_keys():
    """Each key the sources look up, and whether some use passes a count."""
    keys = {}
    for path in sorted((ROOT / "src").rglob("*")):
        if path.suffix not in (".cpp", ".h"):
            continue
        for function, key, comma in KEY_USE.findall(path.read_text(encoding="utf-8")):
            keys[key] = keys.get(key, False) or bool(comma) or function == "QT_TRID_N_NOOP"
    return keys


def load(path):
    """The table's language and {key: (plural, [forms], translation type)}."""
    root = ET.parse(path).getroot()
    table = {}
    for message in root.iter("message"):
        translation = message.find("translation")
        plural = message.get("numerus") == "yes"
        forms = [f.text or "" for f in translation.iter("numerusform")] if plural else [translation.text or ""]
        table[message.get("id")] = (plural, forms, translation.get("type"))
    return root.get("language"), table


def placeholders(text):
    return sorted(set(PLACEHOLDER.findall(text)))


def check_table(name, language, table, english, problems):
    forms_wanted = PLURAL_FORMS.get(language)
    if forms_wanted is None:
        problems.append(f"{name}: add the number of plural forms of '{language}' to PLURAL_FORMS")
    for key, (plural, forms, kind) in sorted(table.items()):
        if key not in english:
            problems.append(f"{name}: {key} is not in the English table")
            continue
        english_plural, english_forms, _ = english[key]
        if kind in ("unfinished", "vanished", "obsolete") or not all(f.strip() for f in forms):
            problems.append(f"{name}: {key} is {kind or 'empty'}")
        if plural != english_plural:
            problems.append(f"{name}: {key} is {'plural' if plural else 'not plural'}, unlike in English")
        elif plural and forms_wanted and len(forms) != forms_wanted:
            problems.append(f"{name}: {key} has {len(forms)} plural forms, '{language}' needs {forms_wanted}")
        wanted = placeholders(english_forms[0])
        for form in forms:
            if placeholders(form) != wanted:
                problems.append(f"{name}: {key} {form!r} has placeholders {placeholders(form)}, "
                                f"the English text {wanted}")
    for key in sorted(english.keys() - table.keys()):
        problems.append(f"{name}: {key} is missing")


def main():
    problems = []
    _, english = load(ROOT / "translations" / "twinsift_en.ts")
    for key, counted in sorted(used_keys().items()):
        if key not in english:
            problems.append(f"twinsift_en.ts: {key}, used by the sources, is missing")
        elif english[key][0] != counted:
            problems.append(f"twinsift_en.ts: {key} is {'plural' if english[key][0] else 'not plural'}, "
                            f"but the sources {'pass' if counted else 'pass no'} count")
    tables = sorted((ROOT / "translations").glob("twinsift_*.ts"))
    for path in tables:
        language, table = load(path)
        check_table(path.name, language, table, english, problems)
    for problem in problems:
        print(problem)
    print(f"{len(tables)} tables checked, {len(english)} keys, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
