"""Compares copied worksheets with their sources, reading both with openpyxl.

Reads lines "SOURCE<TAB>RESULT" from the file named by the first argument (or
stdin): RESULT is a workbook copy-sheets made from SOURCE alone, its worksheets
the copies of SOURCE's worksheets in order (a blank result sheet before them,
kept when every copy is hidden, is passed over). Prints for each source
worksheet one line per kind of difference, or one line "ok":
    SOURCE<TAB>SHEET<TAB>ok
    SOURCE<TAB>SHEET<TAB>CATEGORY<TAB>first difference
or SOURCE<TAB>*<TAB>error<TAB>what, when a file cannot be read.
"""
import re
import sys
import warnings

import openpyxl
from openpyxl.utils import get_column_letter

warnings.simplefilter("ignore")

EXTERNAL = re.compile(r"\[[^\]]*\]|'")


def plain_formula(text):
    # A copied formula naming another sheet of its workbook names the source
    # workbook: compare the references without the workbook part and quotes.
    return EXTERNAL.sub("", text)


def color(c):
    if c is None:
        return None
    return (c.type, c.rgb if c.type == "rgb" else c.theme if c.type == "theme" else c.indexed,
            round(c.tint or 0, 6))


def stored(ws):
    # The cells the file holds, without walking the empty grid between them.
    return [ws._cells[k] for k in sorted(ws._cells)]


def cells(ws):
    out = {}
    for c in stored(ws):
        if True:
            if c.value is None and not c.has_style:
                continue
            v = c.value
            if isinstance(v, str) and v.startswith("="):
                v = "=" + plain_formula(v)
            elif hasattr(v, "isoformat"):
                v = v.isoformat()
            f = c.font
            out[c.coordinate] = {
                "values": v,
                "formats": c.number_format,
                "fonts": (f.name, f.sz, bool(f.b), bool(f.i), f.u, bool(f.strike), color(f.color)),
                "fills": (c.fill.fill_type, color(c.fill.fgColor) if c.fill.fill_type else None),
                "borders": tuple((s.style, color(s.color) if s.style else None) if s else (None, None)
                                 for s in
                                 (c.border.left, c.border.right, c.border.top, c.border.bottom)),
                "alignment": (None if c.alignment.horizontal == "general" else c.alignment.horizontal,
                              None if c.alignment.vertical == "bottom" else c.alignment.vertical,
                              bool(c.alignment.wrap_text), c.alignment.indent,
                              c.alignment.textRotation),
            }
    return out


def obj(o, names):
    return tuple(getattr(o, n, None) for n in names) if o is not None else None


def sheet_facts(ws):
    facts = {}
    data = cells(ws)
    for key in ("values", "formats", "fonts", "fills", "borders", "alignment"):
        facts[key] = {k: v[key] for k, v in data.items()
                      if key == "values" or v[key] not in (None,)}
    fmt = ws.sheet_format
    widths = {}
    for letter, d in ws.column_dimensions.items():
        if d.width or d.hidden or d.outline_level:
            for col in range(d.min or 1, (d.max or d.min or 1) + 1):
                if col > 16384:
                    break
                widths[get_column_letter(col)] = (round(d.width or 0, 4) if d.customWidth or d.width else None,
                                                  bool(d.hidden), d.outline_level)
    facts["widths"] = (fmt.defaultColWidth, fmt.baseColWidth, widths)
    facts["heights"] = (fmt.defaultRowHeight,
                        {r: (d.ht, bool(d.hidden), d.outline_level)
                         for r, d in ws.row_dimensions.items()
                         if d.ht is not None or d.hidden or d.outline_level})
    facts["merges"] = sorted(str(r) for r in ws.merged_cells.ranges)
    v = ws.sheet_view
    pane = obj(v.pane, ("xSplit", "ySplit", "topLeftCell", "state", "activePane"))
    sel = [obj(s, ("pane", "activeCell", "sqref")) for s in v.selection]
    props = ws.sheet_properties
    facts["views"] = (v.zoomScale, v.showGridLines, v.showRowColHeaders, v.rightToLeft, v.view,
                      pane, sel, color(props.tabColor) if props.tabColor is not None else None)
    ps = ws.page_setup
    facts["page setup"] = (ps.orientation, ps.paperSize, ps.scale, ps.fitToWidth, ps.fitToHeight,
                           ps.firstPageNumber, ps.pageOrder,
                           props.pageSetUpPr.fitToPage if props.pageSetUpPr is not None else None,
                           obj(ws.page_margins, ("left", "right", "top", "bottom", "header", "footer")))
    hf = []
    for part in ("oddHeader", "oddFooter", "evenHeader", "evenFooter", "firstHeader", "firstFooter"):
        h = getattr(ws, part)
        hf.append(tuple(getattr(h, side).text for side in ("left", "center", "right")))
    facts["headers/footers"] = hf
    po = ws.print_options
    facts["print settings"] = (po.gridLines, po.headings, po.horizontalCentered, po.verticalCentered,
                               str(ws.print_area) if ws.print_area else None,
                               ws.print_title_rows, ws.print_title_cols,
                               [b.id for b in ws.row_breaks.brk], [b.id for b in ws.col_breaks.brk])
    outline = props.outlinePr
    facts["outline"] = obj(outline, ("summaryBelow", "summaryRight"))
    facts["protection"] = (ws.protection.sheet, ws.protection.password)
    comments, links = {}, {}
    for c in stored(ws):
        if True:
            if c.comment is not None:
                comments[c.coordinate] = (c.comment.text, c.comment.author)
            if c.hyperlink is not None:
                links[c.coordinate] = (c.hyperlink.target, c.hyperlink.location)
    facts["comments"] = comments
    facts["hyperlinks"] = links
    facts["validation"] = sorted((str(d.sqref), d.type, d.formula1, d.formula2)
                                 for d in ws.data_validations.dataValidation)
    cf = []
    for rng in ws.conditional_formatting:
        cf.append((str(rng.sqref), sorted((r.type, tuple(r.formula or ())) for r in rng.rules)))
    facts["conditional formats"] = sorted(cf)
    facts["tables"] = sorted(t.ref for t in ws.tables.values())
    facts["drawings"] = (len(ws._images), len(ws._charts))
    return facts


def describe(a, b):
    if isinstance(a, dict) and isinstance(b, dict):
        for k in sorted(set(a) | set(b), key=str):
            if a.get(k) != b.get(k):
                return "%s: %r -> %r" % (k, a.get(k), b.get(k))
    return "%r -> %r" % (a, b)


def compare(source, result):
    src = openpyxl.load_workbook(source)
    dst = openpyxl.load_workbook(result)
    sources = src.worksheets
    copies = dst.worksheets
    if len(copies) == len(sources) + 1:
        copies = copies[1:]
    if len(copies) != len(sources):
        yield "*", "error\t%d worksheets in the result for %d" % (len(copies), len(sources))
        return
    for a, b in zip(sources, copies):
        fa, fb = sheet_facts(a), sheet_facts(b)
        diffs = ["%s\t%s" % (k, describe(fa[k], fb[k])[:300].replace("\t", " ").replace("\n", " "))
                 for k in fa if fa[k] != fb[k]]
        for verdict in diffs or ["ok"]:
            yield a.title, verdict


def main():
    lines = open(sys.argv[1], encoding="utf-8") if len(sys.argv) > 1 else sys.stdin
    for line in lines:
        line = line.rstrip("\n")
        if not line:
            continue
        source, result = line.split("\t")
        try:
            for sheet, verdict in compare(source, result):
                print("%s\t%s\t%s" % (source, sheet, verdict))
        except Exception as e:  # noqa: BLE001 - reported per file
            print("%s\t*\terror\t%s" % (source, str(e).replace("\t", " ").replace("\n", " ")[:200]))
        sys.stdout.flush()


if __name__ == "__main__":
    main()
