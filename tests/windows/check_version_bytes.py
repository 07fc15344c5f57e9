#!/usr/bin/env python3
"""Finds the version resource in the bytes of each Windows file and holds it to the project's
version, without running anything: the check that stands where a machine cannot run the
build's programs to ask Windows (the version resource test does that under Wine).

Usage: check_version_bytes.py VERSION FILE...   (VERSION as four numbers: 1.6.0.0)
"""
import os
import struct
import sys

FIXED_INFO_SIGNATURE = struct.pack('<I', 0xFEEF04BD)


def string_value(data, name):
    """The value after a version resource String named `name`: UTF-16LE, padded to 32 bits."""
    key = (name + '\0').encode('utf-16-le')
    at = data.find(key)
    if at < 0:
        return None
    at += len(key)
    while at % 4:
        at += 1
    end = at
    while end + 2 <= len(data) and data[end:end + 2] != b'\0\0':
        end += 2
    return data[at:end].decode('utf-16-le')


def problems_of(path, version):
    data = open(path, 'rb').read()
    at = data.find(FIXED_INFO_SIGNATURE)
    if at < 0:
        return ['no fixed version information']
    parts = [int(part) for part in version.split('.')]
    most, least = (parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3]
    found = []
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from('<4I', data, at + 8)
    if (file_ms, file_ls) != (most, least):
        found.append('file version %#x %#x' % (file_ms, file_ls))
    if (product_ms, product_ls) != (most, least):
        found.append('product version %#x %#x' % (product_ms, product_ls))
    expected = {
        'FileVersion': version,
        'ProductVersion': version,
        'ProductName': 'Tolvane',
        'OriginalFilename': os.path.basename(path),
    }
    for name, value in expected.items():
        if string_value(data, name) != value:
            found.append('%s is %r, not %r' % (name, string_value(data, name), value))
    return found


def main():
    version, paths = sys.argv[1], sys.argv[2:]
    failures = 0
    for path in paths:
        problems = problems_of(path, version)
        print('%s: %s' % (os.path.basename(path), '; '.join(problems) if problems else version))
        failures += bool(problems)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
