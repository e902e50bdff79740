#!/usr/bin/env python3
"""Writes every formula text stored in the corpus .xlsx/.xlsm workbooks as a TSV
(workbook, sheet part, cell, formula) with tabs and newlines escaped as \\t and \\n.
Reads the sheet XML directly so it needs nothing beyond the standard library."""
import sys
import zipfile
import os
import xml.etree.ElementTree as ET

NS = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'


def escape(text):
    return text.replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n').replace('\r', '\\r')


def formulas(path):
    with zipfile.ZipFile(path) as z:
        for name in sorted(z.namelist()):
            if not (name.startswith('xl/worksheets/') and name.endswith('.xml')):
                continue
            try:
                root = ET.fromstring(z.read(name))
            except ET.ParseError:
                continue
            for c in root.iter(NS + 'c'):
                f = c.find(NS + 'f')
                if f is not None and f.text:
                    yield name, c.get('r', ''), f.text


def main():
    corpus, out = sys.argv[1], sys.argv[2]
    rows = []
    for dirpath, _, files in os.walk(corpus):
        for fn in sorted(files):
            if not fn.lower().endswith(('.xlsx', '.xlsm')):
                continue
            path = os.path.join(dirpath, fn)
            try:
                for part, ref, text in formulas(path):
                    rows.append((os.path.relpath(path, corpus), part, ref, text))
            except (zipfile.BadZipFile, OSError, KeyError, RuntimeError):
                continue
    rows.sort()
    with open(out, 'w', encoding='utf-8') as fh:
        for r in rows:
            fh.write('\t'.join(escape(x) for x in r) + '\n')


if __name__ == '__main__':
    main()
