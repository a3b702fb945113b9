#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets, made from the shapes of our own
test fixtures. Run it from this folder to make corpus/ anew; its output is
committed. Each target's input layout is described in its source file."""

import os
import shutil


def variable_file(folder, text_area, complete=True):
    file = b"**TI89**" + bytes([1, 0])
    file += folder.ljust(8, b"\0")[:8]
    file += b"made by the tests".ljust(40, b"\0")
    file += bytes([1, 0, 0x52, 0, 0, 0]) + b"var".ljust(8, b"\0") + bytes([0x0B, 0, 0, 0])
    size = 90 + len(text_area) + (3 if complete else 0)
    file += size.to_bytes(4, "little") + bytes([0xA5, 0x5A, 0, 0, 0, 0])
    file += (len(text_area) + 4).to_bytes(2, "big") + bytes([0, 1]) + text_area
    if complete:
        file += bytes([0xE0])
        file += (sum(file[86:]) % 65536).to_bytes(2, "little")
    return file


def var_to_text_seeds():
    v = variable_file
    return [
        b"notes.c.89t\0" + v(b"notes", b" gamma\r\0"),
        b"main.x.89t\0" + v(b"main", b" x\0"),
        b"prog.89p\0" + v(b"main", b" a\r\0"),
        b"x.89p\0" + v(b"main", b" from program\0"),
        b"e.89p\0" + v(b"games", b"\0"),
        b"lines.89p\0" + v(b"main", b"\r\r\r\0"),
        b"all.89t\0" + v(b"abcdefgh", b" a\x16b\xad\x8c\x9d\x9c\x9e\xa8\rC  x\rP\ty\r\x0c  z\r\r 1\n2\0"),
        b"open.89t\0" + v(b"main", b" no text end"),
        b"a.b.c.89p\0" + v(b"f", b" \xe9t\xe9\0"),
        b"x.text\0" + v(b"f", b" x\0"),
        b"bad.89t\0" + v(b"..", b" evil\0"),
        b"star.89t\0" + v(b"*", b" x\0"),
        b"semi.89t\0" + v(b"a;b", b" $(touch pwned)\0"),
        b"high.89t\0" + v(b"\xe9\xff", b" x\0"),
        b"main.t.89t\0" + v(b"plain", b" t\0"),
        b"x.89t\0",
        b"notes\0" + v(b"main", b" x\0"),
        b"noext\0" + v(b"main", b" x\0"),
        b"../x.89t\0",
        b"notes/x.89t\0" + v(b"main", b" x\0"),
        b"notes/a.b.89t\0" + v(b"main", b" b\0"),
        b"empty.89t\0",
        b"short.89t\0" + v(b"main", b"")[:14],
        b"ten.89t\0" + v(b"main", b"")[:10],
        b"ninety.89t\0" + v(b"main", b"")[:90],
    ]


def text_to_var_seeds():
    return [
        b"\0notes\0a.txt\0alpha\n",
        b"\0notes\0t.txt\0\t\tx\ty\n",
        b"\0main\0lead.txt\0 \ta\n",
        b"\0main\0c.txt\0\x0e\tfoo",
        b"\0main\0ff.txt\0a\n\x0cb\n\x0fp\n",
        b"\0main\0crlf.txt\0one\r\ntwo\r\n",
        b"\0main\0eof.txt\0x\x1ay",
        b"\0main\0nul.txt\0a\0b",
        b"\0main\0empty.txt\0",
        b"\0main\0a.b.txt\0dots\n",
        b"\0abcdefgh\0abcdefgh.txt\0eight\n",
        b"\0notes\0toolongname.txt\0x",
        b"\0longfolder\0x.txt\0x",
        b"\0..\0x.txt\0x",
        b"\0a;b\0$(x).txt\0$(touch pwned)\n",
        b"\0\xe9t\xe9\0\xe9.txt\0\xe9\xff\x80\n",
        b"\x01main\0game.txt\0x",
        b"\x02main\0old.txt\0new\n",
        b"\x04main\0folder.txt\0",
        b"\x08main\0taken.txt\0x\n",
        b"\0main\0noext\0x",
        b"\0main\0../x.txt\0x",
        b"\xf0main\0long.txt\0ab",
        b"\xe0main\0edge.txt\0a\nbc",
    ]


def read_line_seeds():
    return [
        b"\x01\x80abc\ndef",
        b"\x01\x80\n\nabc\n\n\nx\n",
        b"\x01\x80ab\r\ncd\r\n",
        b"\x00\x80ab\r\ncd\r\n",
        b"\x01\x80" + b"a" * 128 + b"\n",
        b"\x01\x80" + b"b" * 129 + b"\nnext\n",
        b"\x01\x80" + b"c" * 131 + b"\n",
        b"\x01\x80" + b"d" * 128,
        b"\x01\x80ab\x1acd\nef\n",
        b"\x01\x80a\0b\n",
        b"\x01\x00ab\nc",
        b"\x01\x03abcdefgh\n",
        b"\x03\x05abc\n",
        b"\x01\x80",
    ]


def kestrin_seeds():
    return [
        b"tnotes/a.txt\nsnotes.c.89t\ntnotes/b.txt\n",
        b"tnotes/a.txt\r\nsnotes.c.89t\r\n",
        b"\n\ntnotes/a.txt\n\n\nsnotes.c.89t",
        b"tnotes/a.txt\nsanything/notes.c.89t\n",
        b"tnotes/toolongname.txt\ntnotes/b.txt\n",
        b"xnotes/a.txt\nsnotes.c.89t\n",
        b"snotes.c.89t\ntnotes\\a.txt\nsnotes.c.89t\n",
        b"q" + b"p" * 126 + b"EFZ\n",
        b"tnotes/a.txt\nsmissing.89t\ntnotes/b.txt\n",
        b"tgone/a.txt\nt/a.txt\n",
        b"t../x.txt\nt./x.txt\ntnotes/../../x.txt\ns../../x.89t\n",
        b"ta;b/$(x).txt\nt*/a.txt\nt\"q\"/a.txt\n",
        b"tnotes/sub.txt\n",
        b"tplain/a.txt\n",
        b"sx.89t\n",
        b"snotes\n",
        b"s\ns/\nt\n",
        b"tnotes/a.txt\x1asnotes.c.89t\n",
        b"t\xe9/\xe9.txt\n",
    ]


def write_corpus(target, seeds):
    folder = os.path.join("corpus", target)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for number, seed in enumerate(seeds):
        with open(os.path.join(folder, "seed-%02d" % number), "wb") as out:
            out.write(seed)


write_corpus("var_to_text", var_to_text_seeds())
write_corpus("text_to_var", text_to_var_seeds())
write_corpus("read_line", read_line_seeds())
write_corpus("kestrin", kestrin_seeds())
