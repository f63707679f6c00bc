#!/usr/bin/env python3
"""The shipped 32-bit install set, checked without running it (these machines cannot run
32-bit programs): the five files are there, each program is a 32-bit Windows program, imports
only DLLs that every Windows carries, and carries its own manifest byte for byte.

Usage: check_shipped_set.py <install set folder> <objdump> <source root>"""
import pathlib
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "ole32.dll", "oleaut32.dll", "comctl32.dll", "wininet.dll", "version.dll",
               "msvcrt.dll", "ws2_32.dll", "shlwapi.dll", "comdlg32.dll", "secur32.dll",
               "crypt32.dll",
               # mbedTLS, under the SFTP upload: the system's random numbers (BCryptGenRandom)
               "bcrypt.dll"}
PROGRAMS = {"SetupQel.exe": "Setup/res/SetupQel.manifest",
            "Qel.exe": "Vantrel/res/Qel.manifest",
            "RemoveQel.exe": "Uninstall/res/RemoveQel.manifest"}
I386 = 0x14C

set_dir, objdump, root = (pathlib.Path(arg) for arg in sys.argv[1:4])
failures = []
names = sorted(p.name for p in set_dir.iterdir())
if names != sorted(["SetupQel.exe", "Qel.exe", "Qel.txt", "Pointer.html", "RemoveQel.exe"]):
    failures.append(f"the set holds {names}")
for exe, manifest in PROGRAMS.items():
    path = set_dir / exe
    data = path.read_bytes()
    pe = int.from_bytes(data[0x3C:0x40], "little")
    if data[pe:pe + 4] != b"PE\0\0" or int.from_bytes(data[pe + 4:pe + 6], "little") != I386:
        failures.append(f"{exe} is not a 32-bit Windows program")
    listing = subprocess.run([str(objdump), "-p", str(path)], capture_output=True, text=True,
                             check=True).stdout
    dlls = {line.split(":", 1)[1].strip().lower()
            for line in listing.splitlines() if "DLL Name:" in line}
    if not dlls or dlls - SYSTEM_DLLS:
        failures.append(f"{exe} imports {sorted(dlls - SYSTEM_DLLS) or 'nothing'}")
    if (root / manifest).read_bytes() not in data:
        failures.append(f"{exe} does not carry {manifest}")
    print(f"{exe}: imports {', '.join(sorted(dlls))}")
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
