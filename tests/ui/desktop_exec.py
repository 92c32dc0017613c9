"""Prints the command a desktop runs for a desktop entry's Exec key, one NUL-ended word each.

The value's string escapes are read first, then the Exec quoting: inside double quotes a
backslash escapes " ` $ and itself. Field codes such as %U are dropped and %% is a percent sign.
Usage: desktop_exec.py ENTRY
"""
import re
import sys


def key_value(path, key):
    with open(path, encoding="utf-8") as entry:
        for line in entry:
            name, _, value = line.rstrip("\n").partition("=")
            if name == key:
                return value
    sys.exit(f"{path} has no {key} key")


def unescape_string(value):
    escapes = {"s": " ", "n": "\n", "t": "\t", "r": "\r"}
    return re.sub(r"\\(.)", lambda m: escapes.get(m.group(1), m.group(1)), value)


def split_exec(line):
    words, word, quoted, started, i = [], "", False, False, 0
    while i < len(line):
        c = line[i]
        if quoted and c == "\\" and line[i + 1:i + 2] in ('"', "`", "$", "\\"):
            word += line[i + 1]
            i += 1
        elif c == '"':
            quoted, started = not quoted, True
        elif c == " " and not quoted:
            if started or word:
                words.append(word)
            word, started = "", False
        else:
            word += c
        i += 1
    if started or word:
        words.append(word)
    return [w.replace("%%", "%") for w in words if not re.fullmatch(r"%[a-zA-Z]", w)]


for word in split_exec(unescape_string(key_value(sys.argv[1], "Exec"))):
    sys.stdout.write(word + "\0")
