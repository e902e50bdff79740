"""The benchmark jobs written the way a competent pandas user would write them:
pd.read_excel(engine="openpyxl") to read, DataFrame.to_excel(engine="openpyxl") to write.
pandas reads cached values, so formulas come through as their values."""
import sys

import numpy as np
import pandas as pd

from common import norm_key, parse_args, unique_name, workbooks

ENGINE = "openpyxl"


def sheet_frames(args, header=None):
    """(path, name, DataFrame) for every selected worksheet of every workbook, in order."""
    for path in workbooks(args.folder):
        frames = pd.read_excel(path, sheet_name=args.sheet_list or None, header=header,
                               engine=ENGINE)
        for name, df in frames.items():
            yield path, name, df


def write(df, path, header=False):
    df.to_excel(path, header=header, index=False, engine=ENGINE)


def copy_rows(args):
    parts = [df.iloc[args.from_row - 1:] for _, _, df in sheet_frames(args)]
    write(pd.concat(parts, ignore_index=True), args.result)


def copy_rows_by_key(args):
    parts = [df.iloc[args.from_row - 1:] for _, _, df in sheet_frames(args)]
    df = pd.concat(parts, ignore_index=True).infer_objects()
    k = df.columns[args.key_col - 1]
    group = df[k].map(norm_key)
    df = df[group.notna()]
    group = group[group.notna()]
    how = {c: "sum" if c != k and pd.api.types.is_numeric_dtype(df[c]) else "first"
           for c in df.columns}
    write(df.groupby(group, sort=False).agg(how), args.result)


def add_cell_by_cell(args):
    frames = [df for _, _, df in sheet_frames(args, header=0)]
    first = frames[0]
    numeric = first.select_dtypes("number").columns
    total = first[numeric]
    for df in frames[1:]:
        total = total.add(df[numeric].reindex(index=first.index), fill_value=0)
    result = first.copy()
    result[numeric] = total
    write(result, args.result, header=True)


def keys(series):
    return series.map(norm_key)


def intersection(args):
    df1 = pd.read_excel(args.file1, sheet_name=args.sheet1, header=None, engine=ENGINE)
    df2 = pd.read_excel(args.file2, sheet_name=args.sheet2, header=None, engine=ENGINE)
    k1 = keys(df1[df1.columns[args.key1 - 1]])
    k2 = set(keys(df2[df2.columns[args.key2 - 1]]).dropna())
    write(df1[k1.isin(k2)], args.result)


def difference(args):
    df1 = pd.read_excel(args.file1, sheet_name=args.sheet1, header=None, engine=ENGINE)
    df2 = pd.read_excel(args.file2, sheet_name=args.sheet2, header=None, engine=ENGINE)
    k1 = keys(df1[df1.columns[args.key1 - 1]])
    k2 = set(keys(df2[df2.columns[args.key2 - 1]]).dropna())
    write(df1[k1.notna() & ~k1.isin(k2)], args.result)


def merge_cols(args):
    df1 = pd.read_excel(args.file1, sheet_name=args.sheet1, header=None, engine=ENGINE)
    df2 = pd.read_excel(args.file2, sheet_name=args.sheet2, header=None, engine=ENGINE)
    left = df1.assign(_key=keys(df1[df1.columns[args.key1 - 1]]))
    right = df2.assign(_key=keys(df2[df2.columns[args.key2 - 1]])).dropna(subset=["_key"])
    right = right.drop_duplicates("_key")
    merged = left.merge(right, on="_key", how="left", suffixes=("", "_2"))
    write(merged.drop(columns="_key"), args.result)


def copy_sheets(args):
    taken = set()
    with pd.ExcelWriter(args.result, engine=ENGINE) as writer:
        for _, name, df in sheet_frames(args):
            df.to_excel(writer, sheet_name=unique_name(name, taken), header=False, index=False)


def kinds(df):
    def kind(v):
        if v is None or (isinstance(v, float) and np.isnan(v)) or v is pd.NaT:
            return "empty"
        if isinstance(v, str):
            return "text"
        if isinstance(v, (bool, np.bool_)):
            return "boolean"
        return "number"

    return df.applymap(kind)


def check_same_format(args):
    template = kinds(pd.read_excel(args.template, sheet_name=args.template_sheet, header=None,
                                   engine=ENGINE))
    findings = []
    for path, name, df in sheet_frames(args):
        got = kinds(df)
        rows = template.index.union(got.index)
        cols = template.columns.union(got.columns)
        want = template.reindex(index=rows, columns=cols, fill_value="empty")
        got = got.reindex(index=rows, columns=cols, fill_value="empty")
        r, c = np.nonzero((want != got).to_numpy())
        for i, j in zip(r, c):
            findings.append((path, name, f"R{i + 1}C{j + 1}", want.iat[i, j], got.iat[i, j]))
    write(pd.DataFrame(findings, columns=["Workbook", "Worksheet", "Cell", "Template", "Found"]),
          args.result, header=True)


def main():
    args = parse_args(__doc__)
    globals()[args.job.replace("-", "_")](args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
