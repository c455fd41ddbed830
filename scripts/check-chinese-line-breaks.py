#!/usr/bin/python3
"""Fails on a Markdown paragraph, list item or table row that is broken across
two source lines between two Chinese characters or marks, outside code.

Markdown joins such lines with a space, and Chrome and Edge show it: "额外
显示器" reads as "额外 显示器". A line end between Chinese and Latin text is
fine, and so is a hard line break (two spaces or a backslash at the end).
Usage: check-chinese-line-breaks.py FILE.md...
"""
import sys

from markdown_it import MarkdownIt

# Ideographs, CJK punctuation, full-width forms, and the quotation marks,
# ellipsis and dash that Chinese text uses.
CHINESE_RANGES = ((0x3000, 0x303F), (0x3400, 0x4DBF), (0x4E00, 0x9FFF),
                  (0xF900, 0xFAFF), (0xFF00, 0xFFEF))
CHINESE_MARKS = "“”‘’…—"


def is_chinese(character):
    code = ord(character)
    return character in CHINESE_MARKS or any(low <= code <= high for low, high in CHINESE_RANGES)


def is_hard_break(line):
    return line.endswith("  ") or line.endswith("\\")


def broken_lines(text):
    """Yields each line that ends inside Chinese text: its 1-based number, and
    the two characters on either side of the line end."""
    lines = text.split("\n")
    # Code blocks have no inline content, so only prose is looked at; a table's
    # rows and a heading are single lines by construction.
    for token in MarkdownIt("commonmark").enable("table").parse(text):
        if token.type != "inline" or token.map is None:
            continue
        first, last = token.map
        for index in range(first, last - 1):
            line = lines[index].rstrip("\r")
            if is_hard_break(line):
                continue
            end = line.rstrip()
            start = lines[index + 1].lstrip(" \t>")
            if end and start and is_chinese(end[-1]) and is_chinese(start[0]):
                yield index + 1, end[-1] + start[0]


def main(paths):
    found = 0
    for path in paths:
        with open(path, encoding="utf-8") as file:
            for number, pair in broken_lines(file.read()):
                print(f"{path}:{number}: the line ends between {pair[0]} and {pair[1]}; "
                      "browsers show that line end as a space: join the two lines")
                found += 1
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
