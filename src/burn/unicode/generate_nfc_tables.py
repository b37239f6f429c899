#!/usr/bin/env python3
"""Writes the canonical decomposition, combining class and composition tables
that LNfc.cpp needs, from the Unicode Character Database files."""
import sys


def main():
    unicode_data, exclusions_path, out_path = sys.argv[1:4]
    decompositions = {}
    classes = {}
    for line in open(unicode_data, encoding="utf-8"):
        fields = line.rstrip("\n").split(";")
        if len(fields) < 6:
            continue
        code = int(fields[0], 16)
        if fields[3] != "0":
            classes[code] = int(fields[3])
        mapping = fields[5]
        if mapping and not mapping.startswith("<"):
            decompositions[code] = [int(part, 16) for part in mapping.split()]

    excluded = set()
    for line in open(exclusions_path, encoding="utf-8"):
        line = line.split("#")[0].strip()
        if line:
            excluded.add(int(line.split("..")[0], 16))

    compositions = []
    for code, parts in decompositions.items():
        if len(parts) != 2 or code in excluded:
            continue
        # A decomposition that starts with a non-starter never recomposes.
        if classes.get(parts[0], 0) != 0 or classes.get(code, 0) != 0:
            continue
        compositions.append((parts[0], parts[1], code))
    compositions.sort()

    with open(out_path, "w", encoding="ascii") as out:
        out.write("// Generated from the Unicode Character Database; do not edit.\n")
        out.write('#include "burn/unicode/LNfcTables.h"\n\n')
        out.write("const LNfcDecomposition kNfcDecompositions[] = {\n")
        for code in sorted(decompositions):
            parts = decompositions[code] + [0]
            out.write("    {0x%X, 0x%X, 0x%X},\n" % (code, parts[0], parts[1]))
        out.write("};\nconst unsigned kNfcDecompositionCount = %d;\n\n" % len(decompositions))
        out.write("const LNfcCombiningClass kNfcCombiningClasses[] = {\n")
        for code in sorted(classes):
            out.write("    {0x%X, %d},\n" % (code, classes[code]))
        out.write("};\nconst unsigned kNfcCombiningClassCount = %d;\n\n" % len(classes))
        out.write("const LNfcComposition kNfcCompositions[] = {\n")
        for first, second, code in compositions:
            out.write("    {0x%X, 0x%X, 0x%X},\n" % (first, second, code))
        out.write("};\nconst unsigned kNfcCompositionCount = %d;\n" % len(compositions))


if __name__ == "__main__":
    main()
