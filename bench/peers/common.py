"""Command line and folder walk shared by the peer scripts.

Every peer takes the job name and the same options as the tabulon command line
(--folder, --sheets, --from-row, --key-col, --template, --template-sheet,
--file1/--sheet1/--key1, --file2/--sheet2/--key2, --result), so the runner can
hand both the same arguments.
"""
import argparse
import os

JOBS = (
    "copy-rows",
    "copy-rows-by-key",
    "add-cell-by-cell",
    "intersection",
    "difference",
    "merge-cols",
    "copy-sheets",
    "check-same-format",
)


def parse_args(description):
    p = argparse.ArgumentParser(description=description)
    p.add_argument("job", choices=JOBS)
    p.add_argument("--folder")
    p.add_argument("--sheets", default="")
    p.add_argument("--from-row", type=int, default=1)
    p.add_argument("--key-col", type=int, default=1)
    p.add_argument("--keep-formulas", default="yes")
    p.add_argument("--template")
    p.add_argument("--template-sheet")
    p.add_argument("--file1")
    p.add_argument("--sheet1")
    p.add_argument("--key1", type=int, default=1)
    p.add_argument("--file2")
    p.add_argument("--sheet2")
    p.add_argument("--key2", type=int, default=1)
    p.add_argument("--result", required=True)
    p.add_argument("--overwrite", action="store_true")
    args = p.parse_args()
    args.sheet_list = [s for s in args.sheets.split(";") if s]
    return args


def workbooks(folder):
    """Every .xlsx under folder, subfolders included, sorted by path as Tabulon takes them."""
    found = []
    for root, _, files in os.walk(folder):
        for name in files:
            if name.lower().endswith(".xlsx") and not name.startswith("~$"):
                found.append(os.path.join(root, name))
    return sorted(found)


def norm_key(value):
    """Keys compare case-insensitively; None for an empty key."""
    if value is None:
        return None
    if isinstance(value, str):
        value = value.strip()
        return value.lower() if value else None
    if isinstance(value, float) and value != value:  # NaN, as pandas gives empty cells
        return None
    return str(value).lower()


def unique_name(name, taken):
    """A worksheet name not yet in taken: "January", "January (2)", ..."""
    candidate, n = name, 1
    while candidate.lower() in taken:
        n += 1
        candidate = f"{name} ({n})"
    taken.add(candidate.lower())
    return candidate
