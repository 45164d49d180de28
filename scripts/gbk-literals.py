#!/usr/bin/env python3
"""Prints C++ GBK byte-string literals for texts given as NAME=TEXT arguments.

The core keeps every text as GBK bytes; this writes them as escaped literals
with the Chinese in a comment above, e.g.
    scripts/gbk-literals.py kExitTitle=退出
"""
import sys


def literal(text: str) -> str:
    out, after_hex = "", False
    for byte in text.encode("gbk"):
        if byte >= 0x80:
            out += "\\x%02X" % byte
            after_hex = True
            continue
        ch = chr(byte)
        if after_hex and ch in "0123456789abcdefABCDEF":
            out += '" "'  # a hex escape would swallow the digit
        out += "\\" + ch if ch in '"\\' else ch
        after_hex = False
    return '"' + out + '"'


for argument in sys.argv[1:]:
    name, _, text = argument.partition("=")
    print(f"// {text}")
    print(f"inline constexpr char {name}[] = {literal(text)};")
