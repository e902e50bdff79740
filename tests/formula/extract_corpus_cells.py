#!/usr/bin/env python3
"""Writes the cells, sheet names, defined names and date system of every corpus
.xlsx/.xlsm workbook as TSV lines, reading the XML parts directly (standard library
only), so that formula results can be checked without our own workbook reader.

  B <book>                                    a workbook starts
  D 1                                         the workbook counts dates from 1904
  S <index> <name>                            a worksheet
  N <scope or -1> <name> <formula>            a defined name
  C <sheet> <ref> <type> <value> <ftype> <si> <formula>
      type: n number, s text, b boolean, e error, '' none;
      ftype: '' no formula, normal, shared, array
Tabs, newlines and backslashes inside fields are escaped as \\t, \\n, \\\\."""
import os
import posixpath
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
RNS = '{http://schemas.openxmlformats.org/officeDocument/2006/relationships}'
PNS = '{http://schemas.openxmlformats.org/package/2006/relationships}'


def esc(text):
    return (text or '').replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n').replace('\r', '\\r')


def text_of(el):
    return ''.join(t.text or '' for t in el.iter(NS + 't'))


def book(z, out):
    names = set(z.namelist())
    wb = ET.fromstring(z.read('xl/workbook.xml'))
    pr = wb.find(NS + 'workbookPr')
    if pr is not None and pr.get('date1904') in ('1', 'true'):
        out.append(['D', '1'])
    rels = {}
    if 'xl/_rels/workbook.xml.rels' in names:
        for r in ET.fromstring(z.read('xl/_rels/workbook.xml.rels')).iter(PNS + 'Relationship'):
            target = r.get('Target', '')
            target = target.lstrip('/') if target.startswith('/') else posixpath.normpath('xl/' + target)
            rels[r.get('Id')] = target
    strings = []
    if 'xl/sharedStrings.xml' in names:
        for si in ET.fromstring(z.read('xl/sharedStrings.xml')).iter(NS + 'si'):
            strings.append(text_of(si))
    sheets = []
    for i, s in enumerate(wb.iter(NS + 'sheet')):
        out.append(['S', str(i), s.get('name', '')])
        sheets.append(rels.get(s.get(RNS + 'id'), ''))
    for dn in wb.iter(NS + 'definedName'):
        out.append(['N', dn.get('localSheetId', '-1'), dn.get('name', ''), dn.text or ''])
    for i, part in enumerate(sheets):
        if part not in names:
            continue
        root = ET.fromstring(z.read(part))
        for c in root.iter(NS + 'c'):
            t = c.get('t', 'n')
            v = c.find(NS + 'v')
            f = c.find(NS + 'f')
            value, kind = '', ''
            if t == 'inlineStr':
                is_ = c.find(NS + 'is')
                value, kind = (text_of(is_) if is_ is not None else ''), 's'
            elif v is not None and v.text is not None:
                value = v.text
                if t == 's':
                    value, kind = strings[int(value)] if int(value) < len(strings) else '', 's'
                elif t == 'str':
                    kind = 's'
                else:
                    kind = {'b': 'b', 'e': 'e'}.get(t, 'n')
            elif t == 'str' and f is not None:
                kind = 's'
            ftype, si, ftext = '', '', ''
            if f is not None:
                ftype = f.get('t', 'normal')
                si = f.get('si', '')
                ftext = f.text or ''
            if kind == '' and ftype == '':
                continue
            out.append(['C', str(i), c.get('r', ''), kind, value, ftype, si, ftext])


def main():
    corpus, target = sys.argv[1], sys.argv[2]
    lines = []
    for dirpath, dirs, files in os.walk(corpus):
        dirs.sort()
        for fn in sorted(files):
            if not fn.lower().endswith(('.xlsx', '.xlsm')):
                continue
            path = os.path.join(dirpath, fn)
            out = []
            try:
                with zipfile.ZipFile(path) as z:
                    book(z, out)
            except Exception:  # a workbook we cannot read here is simply left out
                continue
            lines.append(['B', os.path.relpath(path, corpus)])
            lines.extend(out)
    with open(target, 'w', encoding='utf-8') as fh:
        for row in lines:
            fh.write('\t'.join(esc(x) for x in row) + '\n')


if __name__ == '__main__':
    main()
