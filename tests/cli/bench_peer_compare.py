"""bench_peer_compare.py JOB OURS PEER: the result workbook of a bench job against the one
the openpyxl peer of the bench (bench/peers/peer_openpyxl.py) wrote, cell by cell. Prints
each difference, then "compared N rows" when there is none.

Where the two may rightly differ: formula cells (the peer carries the text unmoved, a
copy here moves it with its row) compare as formulas; sums compare within rounding (the
peer adds in its own file order); check-same-format compares the cells found (the peer
compares kinds of value only, and writes a report of its own)."""
import math
import re
import sys

import openpyxl

job, ours_path, peer_path = sys.argv[1:4]
ours = openpyxl.load_workbook(ours_path)
peer = openpyxl.load_workbook(peer_path)


def rows(ws):
    out = []
    for row in ws.iter_rows(values_only=True):
        row = list(row)
        while row and row[-1] is None:
            row.pop()
        out.append(row)
    while out and not out[-1]:
        out.pop()
    return out


def same(a, b):
    if isinstance(a, str) and isinstance(b, str) and a.startswith("=") and b.startswith("="):
        return True
    if isinstance(a, bool) or isinstance(b, bool):
        return a is b
    if isinstance(a, float) or isinstance(b, float):
        return (isinstance(a, (int, float)) and isinstance(b, (int, float))
                and math.isclose(a, b, rel_tol=1e-12, abs_tol=1e-9))
    return type(a) is type(b) and a == b


differences = []
compared = 0
if job == "check-same-format":
    finding = re.compile(r"^([A-Z]+[0-9]+): ")
    found = sorted(m.group(1) for r in rows(ours.worksheets[0]) if r and isinstance(r[0], str)
                   for m in [finding.match(r[0])] if m)
    wanted = sorted(r[2] for r in rows(peer.worksheets[0])[1:])
    compared = len(wanted)
    if found != wanted:
        differences.append(f"cells found {found}, the peer {wanted}")
else:
    pairs = list(zip(ours.worksheets, peer.worksheets))
    if job != "copy-sheets":
        pairs = pairs[:1]
    elif ours.sheetnames != peer.sheetnames:
        differences.append(f"worksheets {ours.sheetnames} against {peer.sheetnames}")
    for a, b in pairs:
        ra, rb = rows(a), rows(b)
        if len(ra) != len(rb):
            differences.append(f"{a.title}: {len(ra)} rows against {len(rb)}")
        for i, (x, y) in enumerate(zip(ra, rb), start=1):
            compared += 1
            if len(x) != len(y) or not all(same(p, q) for p, q in zip(x, y)):
                differences.append(f"{a.title} row {i}: {x} against {y}")
for line in differences[:20]:
    print(line)
if not differences:
    print(f"compared {compared} rows")
