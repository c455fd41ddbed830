#!/usr/bin/python3
"""Fails on a relative link or picture in a Markdown file that leads nowhere:
to a file that does not exist, or to an #anchor that no heading of its target
file has.

Anchors follow the code-hosting site's rules: a heading's text, lower-cased,
with everything but letters, digits, marks, "_", "-" and spaces dropped, and
each space made a "-"; a second heading of the same text gets "-1", a third
"-2". Chinese headings keep their characters and lose their full-width marks.
A broken link fails silently on the site, which is why it fails here.
Usage: check-markdown-links.py FILE.md...
"""
import functools
import os
import re
import sys
import unicodedata
from urllib.parse import unquote

from markdown_it import MarkdownIt

# An address with a scheme (https:, mailto:) or a host of its own is not ours to check.
EXTERNAL = re.compile(r"^(?:[a-zA-Z][a-zA-Z0-9+.-]*:|//)")
HTML_REFERENCE = re.compile(r"""\b(?:href|src)\s*=\s*["']([^"']*)["']""", re.IGNORECASE)
HTML_ANCHOR = re.compile(r"""\b(?:id|name)\s*=\s*["']([^"']*)["']""", re.IGNORECASE)


# Every file is both checked and a target of links: parsed once.
@functools.lru_cache(maxsize=None)
def parse(path):
    with open(path, encoding="utf-8") as file:
        text = file.read()
    return text.split("\n"), MarkdownIt("commonmark").enable("table").parse(text)


def slug(heading):
    kept = []
    for character in heading.lower():
        category = unicodedata.category(character)
        if character.isalpha() or category[0] == "M" or category in ("Nd", "Pc"):
            kept.append(character)
        elif character in " -":
            kept.append("-")
    return "".join(kept)


def plain_text(inline):
    return "".join(child.content for child in inline.children
                   if child.type in ("text", "code_inline"))


@functools.lru_cache(maxsize=None)
def anchors(path):
    """Every anchor that a browser can scroll to in the page made of PATH."""
    _, tokens = parse(path)
    found = set()
    seen = {}
    for index, token in enumerate(tokens):
        if token.type == "heading_open":
            base = slug(plain_text(tokens[index + 1]))
            count = seen.get(base, 0)
            seen[base] = count + 1
            found.add(base if count == 0 else f"{base}-{count}")
        for child in [token] + (token.children or []):
            if child.type in ("html_block", "html_inline"):
                found.update(HTML_ANCHOR.findall(child.content))
    return found


def references(tokens):
    """Yields each link or picture address with the source lines of its block."""
    for token in tokens:
        span = token.map
        for child in [token] + (token.children or []):
            if child.type == "link_open":
                yield child.attrGet("href"), span
            elif child.type == "image":
                yield child.attrGet("src"), span
            elif child.type in ("html_block", "html_inline"):
                for address in HTML_REFERENCE.findall(child.content):
                    yield address, span


def line_of(address, span, lines):
    """The 1-based line of the block that holds ADDRESS, or the block's first."""
    first, last = span
    for index in range(first, last):
        if address in lines[index] or unquote(address) in lines[index]:
            return index + 1
    return first + 1


def broken_references(path):
    lines, tokens = parse(path)
    for address, span in references(tokens):
        if not address or EXTERNAL.match(address):
            continue
        target, _, anchor = address.partition("#")
        target_path = os.path.normpath(os.path.join(os.path.dirname(path), unquote(target)))
        where = f"{path}:{line_of(address, span, lines)}: {unquote(address)}"
        if target and not os.path.exists(target_path):
            yield f"{where} leads to a file that does not exist"
        elif anchor and (not target or target_path.endswith(".md")):
            page = target_path if target else path
            if unquote(anchor) not in anchors(page):
                yield f"{where} leads to no heading of {page}"


def main(paths):
    found = 0
    for path in paths:
        for finding in broken_references(path):
            print(finding)
            found += 1
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
