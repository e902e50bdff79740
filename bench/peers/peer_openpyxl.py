"""The benchmark jobs written the way a competent openpyxl user would write them:
read_only=True workbooks to read, a write_only=True workbook for the result."""
import datetime
import sys

from openpyxl import Workbook, load_workbook

from common import norm_key, parse_args, unique_name, workbooks


def is_number(v):
    return isinstance(v, (int, float)) and not isinstance(v, bool)


def selected_sheets(wb, names):
    return [ws for ws in wb.worksheets if not names or ws.title in names]


def each_sheet(args, data_only=False):
    """(path, worksheet) for every selected worksheet of every workbook, in order."""
    for path in workbooks(args.folder):
        wb = load_workbook(path, read_only=True, data_only=data_only)
        try:
            for ws in selected_sheets(wb, args.sheet_list):
                yield path, ws
        finally:
            wb.close()


def new_result():
    out = Workbook(write_only=True)
    return out, out.create_sheet("Sheet1")


def copy_rows(args):
    out, ws_out = new_result()
    for _, ws in each_sheet(args):
        for row in ws.iter_rows(min_row=args.from_row, values_only=True):
            ws_out.append(row)
    out.save(args.result)


def copy_rows_by_key(args):
    k = args.key_col - 1
    groups = {}
    for _, ws in each_sheet(args, data_only=args.keep_formulas == "no"):
        for row in ws.iter_rows(min_row=args.from_row, values_only=True):
            if len(row) <= k:
                continue
            key = norm_key(row[k])
            if key is None:
                continue
            kept = groups.get(key)
            if kept is None:
                groups[key] = list(row)
                continue
            for i, v in enumerate(row):
                if i == k or not is_number(v):
                    continue
                if i >= len(kept):
                    kept.extend([None] * (i + 1 - len(kept)))
                if kept[i] is None:
                    kept[i] = v
                elif is_number(kept[i]):
                    kept[i] += v
    out, ws_out = new_result()
    for row in groups.values():
        ws_out.append(row)
    out.save(args.result)


def add_cell_by_cell(args):
    grid = None
    for _, ws in each_sheet(args):
        rows = ws.iter_rows(values_only=True)
        if grid is None:
            grid = [list(r) for r in rows]
            continue
        for r, row in enumerate(rows):
            if r >= len(grid):
                break
            base = grid[r]
            for c, v in enumerate(row):
                if c < len(base) and is_number(v) and (base[c] is None or is_number(base[c])):
                    base[c] = v if base[c] is None else base[c] + v
    out, ws_out = new_result()
    for row in grid or []:
        ws_out.append(row)
    out.save(args.result)


def read_rows(path, sheet):
    wb = load_workbook(path, read_only=True)
    try:
        return list(wb[sheet].iter_rows(values_only=True))
    finally:
        wb.close()


def intersection(args):
    k1, k2 = args.key1 - 1, args.key2 - 1
    keys2 = {norm_key(r[k2]) for r in read_rows(args.file2, args.sheet2) if len(r) > k2}
    keys2.discard(None)
    out, ws_out = new_result()
    for row in read_rows(args.file1, args.sheet1):
        if len(row) > k1 and norm_key(row[k1]) in keys2:
            ws_out.append(row)
    out.save(args.result)


def difference(args):
    k1, k2 = args.key1 - 1, args.key2 - 1
    keys2 = {norm_key(r[k2]) for r in read_rows(args.file2, args.sheet2) if len(r) > k2}
    out, ws_out = new_result()
    for row in read_rows(args.file1, args.sheet1):
        key = norm_key(row[k1]) if len(row) > k1 else None
        if key is not None and key not in keys2:
            ws_out.append(row)
    out.save(args.result)


def merge_cols(args):
    k1, k2 = args.key1 - 1, args.key2 - 1
    second = {}
    for row in read_rows(args.file2, args.sheet2):
        if len(row) > k2:
            key = norm_key(row[k2])
            if key is not None and key not in second:
                second[key] = row
    first = read_rows(args.file1, args.sheet1)
    width = max((len(r) for r in first), default=0)
    out, ws_out = new_result()
    for row in first:
        match = second.get(norm_key(row[k1])) if len(row) > k1 else None
        padded = list(row) + [None] * (width - len(row))
        ws_out.append(padded + list(match) if match else padded)
    out.save(args.result)


def copy_sheets(args):
    out = Workbook(write_only=True)
    taken = set()
    for _, ws in each_sheet(args):
        ws_out = out.create_sheet(unique_name(ws.title, taken))
        for row in ws.iter_rows(values_only=True):
            ws_out.append(row)
    out.save(args.result)


def kind(v):
    if v is None:
        return "empty"
    if isinstance(v, str):
        return "formula" if v.startswith("=") else "text"
    if isinstance(v, bool):
        return "boolean"
    if is_number(v) or isinstance(v, (datetime.datetime, datetime.date, datetime.time)):
        return "number"
    return "other"


def column_letter(n):
    s = ""
    while n:
        n, r = divmod(n - 1, 26)
        s = chr(65 + r) + s
    return s


def check_same_format(args):
    template = [[kind(v) for v in row] for row in read_rows(args.template, args.template_sheet)]
    out, ws_out = new_result()
    ws_out.append(["Workbook", "Worksheet", "Cell", "Template", "Found"])
    for path, ws in each_sheet(args):
        rows = [[kind(v) for v in row] for row in ws.iter_rows(values_only=True)]
        for r in range(max(len(rows), len(template))):
            got = rows[r] if r < len(rows) else []
            want = template[r] if r < len(template) else []
            for c in range(max(len(got), len(want))):
                a = want[c] if c < len(want) else "empty"
                b = got[c] if c < len(got) else "empty"
                if a != b:
                    ws_out.append([path, ws.title, f"{column_letter(c + 1)}{r + 1}", a, b])
    out.save(args.result)


def main():
    args = parse_args(__doc__)
    job = args.job.replace("-", "_")
    globals()[job](args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
