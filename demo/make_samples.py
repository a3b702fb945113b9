#!/usr/bin/env python3
"""Writes the demo's variable files byte by byte, as a calculator would send them.

Run it from this folder to make samples/ anew; its output is committed.
"""


def variable_file(folder, name, text_area):
    header = b"**TI89**" + bytes([1, 0])
    header += folder.encode().ljust(8, b"\0")[:8]
    header += b"Sample made for the demo".ljust(40, b"\0")
    header += bytes([1, 0, 0x52, 0, 0, 0])
    header += name.encode().ljust(8, b"\0")[:8]
    header += bytes([0x0B, 0, 0, 0])
    size = 90 + len(text_area) + 4
    header += size.to_bytes(4, "little") + bytes([0xA5, 0x5A, 0, 0, 0, 0])
    data = (len(text_area) + 4).to_bytes(2, "big") + bytes([0, 1]) + text_area + bytes([0, 0xE0])
    checksum = sum(data) % 65536
    return header + data + checksum.to_bytes(2, "little")


def lines(*parts):
    return b"\r".join(parts) + b"\r"


SAMPLES = {
    "notes.todo.89t": variable_file("notes", "todo", lines(
        b" Shopping", b"  milk", b"  bread", b" Call Ann at 5")),
    "notes.physics.89t": variable_file("notes", "physics", lines(
        b" v = a*t", b" E = m*c^2", b" x " + bytes([0x9E]) + b" 0 when t " + bytes([0x9C]) + b" 1",
        b" f(x) " + bytes([0x16]) + b" " + bytes([0xA8]) + b"(x)*" + bytes([0x8C]),
        bytes([12]) + b"Page two")),
    "hello.89p": variable_file("main", "hello", lines(
        b" :hello()", b" :Prgm", b"C  ClrIO", b"P  Disp \"Hello\"", b" :EndPrgm")),
}

if __name__ == "__main__":
    for file_name, content in SAMPLES.items():
        with open("samples/calculator/" + file_name, "wb") as out:
            out.write(content)
