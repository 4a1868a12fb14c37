#!/usr/bin/env python3
"""What an examiner might write instead of fldren: read the export list,
put the chosen columns' values in front of each exported file's name, and
rename without overwriting, reporting each rename.

    examiner_rename.py EXPORTLIST "Int. ID" "Evidence object" ...
"""

import os
import sys


def main():
    listed, titles = sys.argv[1], sys.argv[2:]
    with open(listed, encoding="latin-1", newline="") as f:
        header = f.readline().rstrip("\r\n").split("\t")
        columns = [header.index(t) for t in titles]
        destination = next(i for i, t in enumerate(header)
                           if "destination" in t.lower())
        failed = 0
        for line in f:
            fields = line.rstrip("\r\n").split("\t")
            if len(fields) <= destination:
                continue
            source = fields[destination]
            folder, name = os.path.split(source)
            prefix = "".join(fields[c] + "_" for c in columns)
            target = os.path.join(folder, prefix + name)
            ok = not os.path.exists(target)
            if ok:
                try:
                    os.rename(source, target)
                except OSError:
                    ok = False
            failed += not ok
            print("%s\t==>\t%s\t%s" % (source, target,
                                        "Success" if ok else "Failure"))
    return 3 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
