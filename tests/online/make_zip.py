#!/usr/bin/env python3
"""Makes a zip for the component tests, members given one per argument:

  NAME=TEXT        a file holding TEXT (NAME is stored as given: "/abs", "../x")
  NAME@TARGET      a symbolic link to TARGET
  --mode OCTAL     the files after it get that mode (default 644)
  --cut N          the archive is cut to its first N bytes afterwards
"""
import os
import sys
import zipfile


def main():
    out = sys.argv[1]
    cut = None
    mode = 0o644
    members = []
    rest = sys.argv[2:]
    while rest:
        word = rest.pop(0)
        if word == "--cut":
            cut = int(rest.pop(0))
        elif word == "--mode":
            mode = int(rest.pop(0), 8)
        else:
            members.append((word, mode))
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
        for member, member_mode in members:
            # Whichever of '=' and '@' comes first ends the name.
            if "@" in member and ("=" not in member or member.index("@") < member.index("=")):
                name, target = member.split("@", 1)
                info = zipfile.ZipInfo(name)
                info.create_system = 3
                info.external_attr = 0o120777 << 16
                archive.writestr(info, target)
            else:
                name, text = member.split("=", 1)
                info = zipfile.ZipInfo(name)
                info.create_system = 3
                info.external_attr = (0o100000 | member_mode) << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                # Bytes as given, whether or not they are UTF-8.
                archive.writestr(info, os.fsencode(text))
    if cut is not None:
        with open(out, "rb") as f:
            data = f.read()
        with open(out, "wb") as f:
            f.write(data[:cut])


if __name__ == "__main__":
    main()
