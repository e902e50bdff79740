#!/usr/bin/python3
"""Prints what openpyxl reads from each workbook named on the command line, in
the cell dump format of the reader tests (recording_sink.h):

    === <path>
    sheets\t<name>\t<name>...
    <sheet>!<cell>\t<kind>\t<text>\t<number format>

Kinds: n number, s text, b boolean, e error, f formula (text after '='), and d
for values openpyxl turned into dates or times, printed back as serial numbers.
A file openpyxl cannot load prints "error\t<reason>" after its header.
"""
import datetime
import sys
import warnings

import openpyxl
from openpyxl.utils.datetime import to_excel


def escape(text):
    return (text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")
            .replace("\r", "\\r"))


def cell_line(cell, epoch):
    value = cell.value
    if value is None:
        return None
    if isinstance(value, bool):
        kind, text = "b", "1" if value else "0"
    elif isinstance(value, (datetime.datetime, datetime.date, datetime.time, datetime.timedelta)):
        kind, text = "d", repr(float(to_excel(value, epoch)))
    elif isinstance(value, (int, float)):
        kind, text = "n", repr(float(value))
    elif cell.data_type == "f":
        text = value if isinstance(value, str) else getattr(value, "text", str(value))
        kind, text = "f", text[1:] if text.startswith("=") else text
    elif cell.data_type == "e":
        kind, text = "e", str(value)
    else:
        kind, text = "s", str(value)
    return "%s\t%s\t%s\t%s" % (cell.coordinate, kind, escape(text), escape(cell.number_format))


def dump(path):
    print("=== " + path)
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            wb = openpyxl.load_workbook(path)
    except Exception as e:  # openpyxl's failures are data here
        print("error\t%s: %s" % (type(e).__name__, str(e).splitlines()[0] if str(e) else ""))
        return
    print("sheets\t" + "\t".join(escape(n) for n in wb.sheetnames))
    for ws in wb.worksheets:
        for (row, col) in sorted(ws._cells):
            line = cell_line(ws._cells[(row, col)], wb.epoch)
            if line:
                print(escape(ws.title) + "!" + line)


if __name__ == "__main__":
    for p in sys.argv[1:]:
        dump(p)
