#!/usr/bin/env python3
"""Fails when a Windows executable could load a planted DLL.

Every DLL in the import table must be one Windows keeps as a known DLL (those
always come from the system folder). DLLs loaded on first use through
delay-load descriptors must be system DLLs. mingw's linker leaves the
delay-import data directory empty, so descriptors are also found by scanning
the image for their shape.

A delay-load slot that code calls through must hold its loading thunk until
the first call; the linker has been seen to leave such a slot empty, so every
slot that the disassembly (from --objdump) reads is checked too.

usage: import_table.py [--objdump <objdump>] <exe>...
"""
import re
import struct
import subprocess
import sys

KNOWN_DLLS = {
    "kernel32", "user32", "gdi32", "advapi32", "shell32", "shlwapi", "ole32", "oleaut32", "ws2_32",
    "imm32", "msvcrt", "comdlg32", "rpcrt4", "psapi", "setupapi",
}
# System DLLs that may be loaded later (from the system folder only).
SYSTEM_DLLS = KNOWN_DLLS | {
    "urlmon", "wininet", "version", "winmm", "msimg32", "comctl32", "wintrust", "crypt32", "bcrypt",
    "gdiplus", "msftedit", "riched20", "uxtheme", "dwmapi", "shcore", "iphlpapi", "secur32", "userenv",
    "wldap32", "normaliz", "ntdll", "kernelbase", "dbghelp", "winhttp", "propsys", "windowscodecs",
}


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ file")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.directory = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, vaddr, rsize, raddr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0"), vaddr, max(vsize, rsize), raddr, rsize))
        self.size_of_image = struct.unpack_from("<I", data, optional + 56)[0]

    def offset(self, rva):
        for _, vaddr, vsize, raddr, rsize in self.sections:
            if vaddr <= rva < vaddr + vsize and rva - vaddr < rsize:
                return raddr + rva - vaddr
        return None

    def string(self, rva):
        at = self.offset(rva)
        if at is None:
            return None
        end = self.data.find(b"\0", at, at + 256)
        if end < 0:
            return None
        try:
            return self.data[at:end].decode("ascii")
        except UnicodeDecodeError:
            return None

    def imports(self):
        rva, _ = self.directory[1]
        names = []
        at = self.offset(rva) if rva else None
        while at is not None:
            fields = struct.unpack_from("<5I", self.data, at)
            if not any(fields):
                break
            names.append(self.string(fields[3]) or "?")
            at += 20
        return names

    def _descriptor_at(self, at):
        attrs, name, hmod, iat, int_, bound, unload, stamp = struct.unpack_from("<8I", self.data, at)
        if attrs != 1 or stamp != 0:
            return None
        if not all(0 < rva < self.size_of_image for rva in (name, hmod, iat, int_)):
            return None
        if any(rva >= self.size_of_image for rva in (bound, unload)):
            return None
        dll = self.string(name)
        if not dll or not dll.lower().endswith(".dll"):
            return None
        return dll

    def unbound_delay_slots(self, dll, used):
        """Counts slots of `dll`'s delay-load table that the code reads (`used`
        holds their relative addresses) but that hold no thunk: a call through
        such a slot jumps to address 0 instead of loading the DLL."""
        empty = 0
        for at in self._descriptor_offsets():
            if self._descriptor_at(at) != dll:
                continue
            _, _, _, iat, int_ = struct.unpack_from("<5I", self.data, at)
            names_at, slots_at = self.offset(int_), self.offset(iat)
            while names_at is not None and slots_at is not None:
                if struct.unpack_from("<I", self.data, names_at)[0] == 0:
                    break
                if iat in used and struct.unpack_from("<I", self.data, slots_at)[0] == 0:
                    empty += 1
                names_at += 4
                slots_at += 4
                iat += 4
        return empty

    def _descriptor_offsets(self):
        for _, _, _, raddr, rsize in self.sections:
            for at in range(raddr, raddr + rsize - 31, 4):
                if self.data[at] == 1 and self._descriptor_at(at):
                    yield at

    def delay_imports(self):
        names = []
        rva, _ = self.directory[13]
        at = self.offset(rva) if rva else None
        while at is not None and struct.unpack_from("<8I", self.data, at) != (0,) * 8:
            names.append(self._descriptor_at(at) or "?")
            at += 32
        for _, _, _, raddr, rsize in self.sections:
            for at in range(raddr, raddr + rsize - 31, 4):
                if self.data[at] == 1:
                    dll = self._descriptor_at(at)
                    if dll and dll not in names:
                        names.append(dll)
        return names


def stem(dll):
    dll = dll.lower()
    return dll[:-4] if dll.endswith(".dll") else dll


def slots_read_by_code(objdump, path, image):
    """Relative addresses of memory the code reads indirectly (`*0x...`)."""
    if not objdump:
        return set()
    listing = subprocess.run([objdump, "-d", path], capture_output=True, text=True, check=True).stdout
    base = struct.unpack_from("<I", image.data, struct.unpack_from("<I", image.data, 0x3C)[0] + 52)[0]
    return {int(hit, 16) - base for hit in re.findall(r"\*0x([0-9a-f]+)", listing)}


def check(path, objdump=None):
    with open(path, "rb") as f:
        image = Image(f.read())
    used = slots_read_by_code(objdump, path, image)
    faults = []
    imports = image.imports()
    delayed = image.delay_imports()
    for dll in imports:
        if stem(dll) not in KNOWN_DLLS:
            faults.append("imports %s, which is not a known DLL" % dll)
    for dll in delayed:
        if stem(dll) not in SYSTEM_DLLS:
            faults.append("delay-loads %s, which is not a system DLL" % dll)
        empty = image.unbound_delay_slots(dll, used)
        if empty:
            faults.append("%d delay-load slots of %s that the code calls hold no thunk" % (empty, dll))
    print("%s\n  imports: %s\n  delay-loaded: %s" % (path, " ".join(imports), " ".join(delayed) or "-"))
    for fault in faults:
        print("  FAULT: " + fault)
    return not faults


def main():
    args = sys.argv[1:]
    objdump = None
    if args[:1] == ["--objdump"] and len(args) > 1:
        objdump, args = args[1], args[2:]
    if not args:
        sys.exit(__doc__)
    results = [check(path, objdump) for path in args]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main()
