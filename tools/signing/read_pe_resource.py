#!/usr/bin/env python3
"""Prints the bytes of one resource of a Windows program, as FindResource finds it.

usage: read_pe_resource.py <program.exe> <type> <name>

<type> and <name> are numbers (138) or names (CHANNEL; compared ignoring
case, as Windows does). The first language of the resource is taken. Exit 0
with the bytes on standard output, 1 with a message when the file is not a
PE program or has no such resource, 2 on a usage error.
"""
import struct
import sys

RESOURCE_TABLE = 2  # index in the optional header's data directories


class NotFound(Exception):
    pass


def _sections(data, pe):
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    first = pe + 24 + optional_size
    for i in range(count):
        _, virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, first + 40 * i)
        yield rva, max(virtual_size, raw_size), raw_offset


def _file_offset(data, pe, rva):
    for start, size, raw in _sections(data, pe):
        if start <= rva < start + size:
            return raw + rva - start
    raise NotFound("address 0x%x lies in no section" % rva)


def _resource_table(data):
    if data[:2] != b"MZ":
        raise NotFound("not a Windows program (no MZ header)")
    pe = struct.unpack_from("<I", data, 60)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise NotFound("not a Windows program (no PE header)")
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rva, size = struct.unpack_from("<II", data, directories + 8 * RESOURCE_TABLE)
    if rva == 0 or size == 0:
        raise NotFound("the program has no resources")
    return pe, _file_offset(data, pe, rva)


def _entry_key(data, table, name_field):
    if name_field & 0x80000000:
        at = table + (name_field & 0x7FFFFFFF)
        length = struct.unpack_from("<H", data, at)[0]
        return data[at + 2:at + 2 + 2 * length].decode("utf-16-le").upper()
    return name_field


def _find(data, table, directory, key):
    named, numbered = struct.unpack_from("<HH", data, directory + 12)
    for i in range(named + numbered):
        name_field, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
        if key is None or _entry_key(data, table, name_field) == key:
            return target
    raise NotFound("no entry %s" % key)


def read_resource(path, type_key, name_key):
    """The resource's bytes; raises NotFound (or OSError) otherwise."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        pe, table = _resource_table(data)
        target = table
        for key in (type_key, name_key, None):  # type, name, first language
            target = _find(data, table, target, key)
            if not target & 0x80000000:
                break
            target = table + (target & 0x7FFFFFFF)
        else:
            raise NotFound("resource tree deeper than type, name, language")
        rva, size = struct.unpack_from("<II", data, table + target)
        start = _file_offset(data, pe, rva)
        if start + size > len(data):
            raise NotFound("resource runs past the end of the file")
        return data[start:start + size]
    except struct.error:
        raise NotFound("truncated or damaged program")


def _key(text):
    return int(text) if text.isdigit() else text.upper()


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    try:
        blob = read_resource(argv[1], _key(argv[2]), _key(argv[3]))
    except (NotFound, OSError) as error:
        sys.stderr.write("%s: resource %s/%s: %s\n" % (argv[1], argv[2], argv[3], error))
        return 1
    sys.stdout.buffer.write(blob)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
