#!/usr/bin/env python3
"""Fails when a file of the library includes a header of a layer above its own.

Every `#include "..."` of every file below src/ and include/ is resolved as
the compiler does (the including file's folder, then include/, then src/) to
the layer that owns the header: a file below src/ belongs to its first folder,
a public header of include/ to the folder that defines what it declares (table
PUBLIC_HEADERS). An include is upward when the owner stands higher in LAYERS
than the including file's layer. Headers of the system and of other libraries
(<...>) are not looked at.

With --objects LIST (a file naming the library's object files, which lie in
folders named as their sources) the same rule holds for the symbols each object
file needs, so a call into a higher layer declared in a lower header is caught.

Usage: check-layers.py SOURCE_DIR [--objects LIST] [--list]   (--list prints every folder edge)
"""
import os
import re
import subprocess
import sys

# The layers from the bottom up: a folder may include headers of its own
# layer and of the layers before it.
LAYERS = ["infra", "crypto", "asn1", "card", "cardapp", "legacy", "sign", "verify", "pkcs11"]

# Public headers and the folder that defines what each declares.
PUBLIC_HEADERS = {
    "vn_export.h": "infra",
    "vn_log.h": "infra",
    "ConfigSC.h": "infra",
    "DirHelp.h": "infra",
    "Http.h": "infra",
    "SafeMem.h": "infra",
    "VornCryptoSLL.h": "infra",
    "Des.h": "crypto",
    "MessageDigest.h": "crypto",
    "MpArith.h": "crypto",
    "Rsa.h": "crypto",
    "RsaSmall.h": "crypto",
    "ASN1.h": "asn1",
    "Asn1AlgoIdent.h": "asn1",
    "Asn1Base.h": "asn1",
    "Asn1Cert.h": "asn1",
    "AtrList.h": "card",
    "ConsoleDialogs.h": "card",
    "PinInterface.h": "card",
    "PinObj.h": "card",
    "ProfileTypes.h": "card",
    "SCTools.h": "card",
    "SC_Profile_Base.h": "card",
    "SC_Profile_CardOS.h": "card",
    "ScPcsc.h": "card",
    "StatusThread.h": "card",
    "Tcos3sm.h": "card",
    "CardObject.h": "cardapp",
    "Reader.h": "cardapp",
    "CertInfoSC.h": "cardapp",
    "P15Profile.h": "cardapp",
    "Pkcs15.h": "cardapp",
    "SC_Profile.h": "cardapp",
    "LegacyProfile.h": "legacy",
    "SmartCard.h": "legacy",
    "Minidriver.h": "legacy",
    "MinidriverCardData.h": "legacy",
    "CertHandler.h": "verify",
    "CertInfo.h": "verify",
    "CertStore.h": "verify",
    "CrlSSL.h": "verify",
    "ExtensionSSL.h": "verify",
    "PKCS7SSL.h": "verify",
    "ValidationReport.h": "verify",
    "VerifyMsg.h": "verify",
    "Asn1Pkcs7.h": "sign",
    "CadesLevel.h": "sign",
    "Cms.h": "sign",
    "HashSSL.h": "sign",
    "SCM_Interface.h": "sign",
    "SCUtils.h": "sign",
    "SignMessage.h": "sign",
    "TimeStampSSL.h": "sign",
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(path):
    """The layer of a file (PATH relative to the top), or None for a public header not in the table."""
    parts = path.split(os.sep)
    if parts[0] == "include":
        return PUBLIC_HEADERS.get(parts[-1])
    return parts[1]


def resolve(top, path, header):
    """The file (relative to TOP) that the compiler takes for HEADER included from PATH:
    the including file's folder first, then include/ and src/; None for other libraries."""
    for base in (os.path.dirname(path), "include", "src"):
        candidate = os.path.normpath(os.path.join(base, header))
        if os.path.isfile(os.path.join(top, candidate)):
            return candidate
    return None


def files_below(top, folder):
    for dirpath, _, names in os.walk(os.path.join(top, folder)):
        for name in sorted(names):
            if name.endswith((".cpp", ".c", ".h")):
                yield os.path.relpath(os.path.join(dirpath, name), top)


def object_files(objects):
    """(source folder, object file) for each object file listed in the file OBJECTS, one a line
    (the build writes the list, so objects of removed sources are not looked at)."""
    with open(objects, encoding="utf-8") as f:
        for path in f.read().split():
            below = path[path.rfind("/src/") + len("/src/"):]
            yield below.split("/")[0], path


def symbol_edges(objects):
    """(user folder, defining folder) -> ["object: symbol", ...] for every symbol an object
    file needs that another folder defines (weak and inline definitions do not count)."""
    defined = {}
    needed = []
    for folder, path in object_files(objects):
        listing = subprocess.run(["nm", "-P", path], capture_output=True, text=True, check=True).stdout
        for line in listing.splitlines():
            fields = line.split()
            if len(fields) < 2:
                continue
            if fields[1] == "U":
                needed.append((folder, os.path.basename(path), fields[0]))
            elif fields[1] in "TDBR":
                defined.setdefault(fields[0], set()).add(folder)
    edges = {}
    for folder, name, symbol in needed:
        for target in defined.get(symbol, ()):
            if target != folder:
                edges.setdefault((folder, target), []).append(f"{name}: {symbol}")
    return edges


def demangle(lines):
    """The lines with their symbols readable, when c++filt is there."""
    try:
        text = subprocess.run(["c++filt"], input="\n".join(lines), capture_output=True, text=True, check=True).stdout
        return text.splitlines()
    except (OSError, subprocess.CalledProcessError):
        return lines


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    top = argv[1]
    problems = []
    edges = {}
    files = 0
    for path in sorted(list(files_below(top, "src")) + list(files_below(top, "include"))):
        folder = folder_of(path)
        if folder is None:
            problems.append(f"{path}: public header with no folder in the table")
            continue
        if folder not in LAYERS:
            problems.append(f"{path}: folder {folder} has no place in the layer table")
            continue
        files += 1
        with open(os.path.join(top, path), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                header = m.group(1)
                found = resolve(top, path, header)
                target = folder_of(found) if found else None
                if path.startswith("include") and found and found.startswith("src"):
                    problems.append(f"{path}:{number}: public header includes {header} from src/")
                if target is None or target == folder:
                    continue
                edges.setdefault((folder, target), []).append(f"{path}:{number} {header}")
                if target not in LAYERS:
                    continue
                if LAYERS.index(target) > LAYERS.index(folder):
                    problems.append(f"{path}:{number}: {folder} includes {header} of {target}, a layer above")
    if "--objects" in argv:
        if argv.index("--objects") + 1 >= len(argv):
            print(__doc__)
            return 2
        objects = argv[argv.index("--objects") + 1]
        calls = symbol_edges(objects)
        if not any(True for _ in object_files(objects)):
            problems.append(f"{objects}: no object files")
        for (folder, target), where in sorted(calls.items()):
            if folder in LAYERS and target in LAYERS and LAYERS.index(target) > LAYERS.index(folder):
                problems += [f"{w}: {folder} calls into {target}, a layer above" for w in sorted(set(demangle(where)))]
        if "--list" in argv:
            for (a, b), where in sorted(calls.items()):
                print(f"{a} -> {b}: {len(where)} symbol uses")
    if "--list" in argv:
        for (a, b), where in sorted(edges.items()):
            print(f"{a} -> {b}: {len(where)} includes")
    for p in problems:
        print(p)
    print(f"{files} files, {sum(len(w) for w in edges.values())} includes between folders, {len(problems)} upward or unplaced")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
