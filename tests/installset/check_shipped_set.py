#!/usr/bin/env python3
"""The shipped 32-bit install set, checked without running it (these machines cannot run
32-bit programs): the five files are there, each program is a 32-bit Windows program marked
Terminal-Server aware, stripped (its debug information kept beside the build), imports only
DLLs that every Windows carries, and carries its own manifest byte for byte; Qel.exe stays under
4 MB and its cryptography draws randomness from BCryptGenRandom, not the older CryptoAPI. The
installer and the uninstaller, which run with administrator rights, import only KnownDLLs: those
the loader never looks for in the program's folder, where a standard user may have put one.

Usage: check_shipped_set.py <install set folder> <objdump> <source root> <debug symbols folder>"""
import pathlib
import re
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "ole32.dll", "oleaut32.dll", "comctl32.dll", "wininet.dll", "version.dll",
               "msvcrt.dll", "ws2_32.dll", "shlwapi.dll", "comdlg32.dll", "secur32.dll",
               "crypt32.dll",
               # libcrypto, under the SFTP upload: the system's random numbers (BCryptGenRandom)
               "bcrypt.dll"}
KNOWN_DLLS = {"advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "gdi32.dll",
              "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll",
              "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
              "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll",
              "user32.dll", "wldap32.dll", "ws2_32.dll"}
ELEVATED = {"SetupQel.exe", "RemoveQel.exe"}
PROGRAMS = {"SetupQel.exe": "Setup/res/SetupQel.manifest",
            "Qel.exe": "Vantrel/res/Qel.manifest",
            "RemoveQel.exe": "Uninstall/res/RemoveQel.manifest"}
I386 = 0x14C
TERMINAL_SERVER_AWARE = 0x8000
QEL_SIZE_LIMIT = 4 * 1024 * 1024

set_dir, objdump, root, symbols = (pathlib.Path(arg) for arg in sys.argv[1:5])
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
    if int.from_bytes(data[pe + 16:pe + 20], "little") != 0:  # NumberOfSymbols
        failures.append(f"{exe} carries a symbol table")
    optional = pe + 24
    if not int.from_bytes(data[optional + 70:optional + 72], "little") & TERMINAL_SERVER_AWARE:
        failures.append(f"{exe} is not marked Terminal-Server aware")
    if not (symbols / (exe + ".debug")).is_file():
        failures.append(f"no debug symbols for {exe} in {symbols}")
    listing = subprocess.run([str(objdump), "-p", str(path)], capture_output=True, text=True,
                             check=True).stdout
    dlls = {line.split(":", 1)[1].strip().lower()
            for line in listing.splitlines() if "DLL Name:" in line}
    allowed = KNOWN_DLLS if exe in ELEVATED else SYSTEM_DLLS
    if not dlls or dlls - allowed:
        failures.append(f"{exe} imports {sorted(dlls - allowed) or 'nothing'}")
    if exe == "Qel.exe":
        if len(data) >= QEL_SIZE_LIMIT:
            failures.append(f"{exe} has {len(data)} bytes, not under {QEL_SIZE_LIMIT}")
        if "BCryptGenRandom" not in listing or re.search(r"(?<!B)CryptGenRandom", listing):
            failures.append(f"{exe} does not take its random numbers from BCryptGenRandom alone")
    if (root / manifest).read_bytes() not in data:
        failures.append(f"{exe} does not carry {manifest}")
    print(f"{exe}: {len(data)} bytes, imports {', '.join(sorted(dlls))}")
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
