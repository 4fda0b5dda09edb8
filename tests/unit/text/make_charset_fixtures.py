#!/usr/bin/env python3
"""Writes the character-table fixtures of the text tests into OUTDIR, from Python's own codecs and
Unicode data:

  ISO8859.dat, uppercase.dat       the two tables, in the layout runtime/text/charset_tables.h gives
  root/data/resources.zip          a nested resource archive holding them as iso/..., behind decoys
                                   that only an exact, non-empty name lookup skips
  short/data/resources.zip         the same with an ISO8859.dat of the wrong size
  utf8_units.bin, utf8_bytes.bin   every unit 0x80..0xFFFF except surrogates and 0x7FF (little-endian
                                   16-bit) and Python's UTF-8 encoding of the same text
"""
import io
import os
import struct
import sys
import warnings
import zipfile

warnings.filterwarnings("ignore", "Duplicate name")


def iso_table():
    out = bytearray()
    for part in range(1, 17):
        for b in range(0xA0, 0x100):
            if part == 12:  # no such part: Latin-1
                cp = b
            else:
                try:
                    cp = ord(bytes([b]).decode("iso8859_%d" % part))
                except UnicodeDecodeError:
                    cp = 0xFFFD
            out += struct.pack("<H", cp)
    assert len(out) == 3072
    return bytes(out)


def uppercase_table():
    out = bytearray()
    for u in range(0xFFFF):
        cp = u
        if not 0xD800 <= u <= 0xDFFF:
            up = chr(u).upper()
            if len(up) == 1 and ord(up) <= 0xFFFF:
                cp = ord(up)
        out += struct.pack("<H", cp)
    assert len(out) == 131070
    return bytes(out)


def zip_bytes(members):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in members:
            z.writestr(zipfile.ZipInfo(name, (2013, 3, 26, 0, 0, 0)), data, zipfile.ZIP_DEFLATED)
    return buf.getvalue()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def resources(iso, upper):
    inner = zip_bytes([
        ("skin/Colors.dat", b"\x00" * 64),
        ("iso/ISO8859.dat", b""),  # empty members never qualify
        ("old/iso/ISO8859.dat", b"\xff" * 3072),  # only a substring match would take this one
        ("iso/uppercase.dat", upper),
        ("iso/ISO8859.dat", iso),
    ])
    return zip_bytes([("resources.zip", inner)])


def main():
    out = sys.argv[1]
    iso = iso_table()
    upper = uppercase_table()
    write(os.path.join(out, "ISO8859.dat"), iso)
    write(os.path.join(out, "uppercase.dat"), upper)
    write(os.path.join(out, "root", "data", "resources.zip"), resources(iso, upper))
    write(os.path.join(out, "short", "data", "resources.zip"), resources(iso[:3070], upper))
    units = [u for u in range(0x80, 0x10000) if not 0xD800 <= u <= 0xDFFF and u != 0x7FF]
    write(os.path.join(out, "utf8_units.bin"), b"".join(struct.pack("<H", u) for u in units))
    write(os.path.join(out, "utf8_bytes.bin"), "".join(chr(u) for u in units).encode("utf-8"))


if __name__ == "__main__":
    main()
