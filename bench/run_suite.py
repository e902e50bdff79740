#!/usr/bin/python3
"""Tabulon against the tools users would otherwise use, and against the floor.

Usage: /usr/bin/python3 bench/run_suite.py [BUILD_DIR]      (default build/bench)

Generates the datasets into a temporary folder, runs every job with Tabulon (median of 3),
the floor program (median of 3), the openpyxl and pandas peers (once each, under a time limit),
prints a table and rewrites bench/RESULTS.md. Time and peak RSS come from os.wait4 on the child.

Environment:
  BENCH_QUICK=1        one run of each, peers capped at 30 s: for checking the harness
  BENCH_PEER_LIMIT=S   upper limit of one peer run in seconds (default 240)
  BENCH_STARTED=EPOCH  when `make bench` started; the suite then keeps the whole make under
                       BENCH_BUDGET seconds (default 900) by shortening the peer limits
  BENCH_FULL=1         every peer runs to its end, once per job, whatever it takes: no time
                       limit, no budget, no side-by-side calibration (hours, not minutes)
  BENCH_KEEP=1         keep the temporary folder
"""
import datetime
import os
import platform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
PYTHON = "/usr/bin/python3"
QUICK = os.environ.get("BENCH_QUICK", "") not in ("", "0")
FULL = os.environ.get("BENCH_FULL", "") not in ("", "0")
PEER_LIMIT = float(os.environ.get("BENCH_PEER_LIMIT", "30" if QUICK else "240"))
STARTED = float(os.environ.get("BENCH_STARTED", time.time()))
BUDGET = float(os.environ.get("BENCH_BUDGET", "900"))
DEADLINE = STARTED + BUDGET - 20  # leave a little for writing the results and cleaning up
RUNS = 1 if QUICK else 3
# A job whose first Tabulon or floor run takes longer than this is not repeated: three runs of
# a slow job would eat the time the peers need.
REPEAT_UNDER = 15.0
MIN_PEER_LIMIT = 20.0


# ---------------------------------------------------------------------------------------------
# Running and measuring


class Run:
    def __init__(self, cmd, seconds, peak_mb, rc, timed_out, err):
        self.cmd, self.seconds, self.peak_mb = cmd, seconds, peak_mb
        self.rc, self.timed_out, self.err = rc, timed_out, err

    @property
    def ok(self):
        return self.rc == 0 and not self.timed_out


def run_together(cmds, limit=None, cwd=None):
    """Starts every command at once; returns a Run for each. Wall time and ru_maxrss come from
    os.wait4 on each child; a child still running after `limit` seconds is killed."""
    procs = []
    for cmd in cmds:
        err = tempfile.TemporaryFile()
        rss = tempfile.NamedTemporaryFile(prefix="rss-", delete=False)
        rss.close()
        start = time.monotonic()
        # Started through GNU time, whose own wait4 gives the peak: a process started straight
        # from here would carry this Python's resident high-water mark in its ru_maxrss (Linux
        # keeps the larger of the pre-exec and post-exec figures).
        p = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss.name] + cmd, cwd=cwd,
                             stdout=subprocess.DEVNULL, stderr=err, start_new_session=True)
        procs.append([p, start, err, None, rss.name])
    pending = len(procs)
    while pending:
        for entry in procs:
            p, start, err, done, rss = entry
            if done is not None:
                continue
            pid, status, usage = os.wait4(p.pid, os.WNOHANG)
            timed_out = False
            if pid == 0:
                if limit is None or time.monotonic() - start < limit:
                    continue
                os.killpg(p.pid, signal.SIGKILL)
                pid, status, usage = os.wait4(p.pid, 0)
                timed_out = True
            seconds = time.monotonic() - start
            p.returncode = os.waitstatus_to_exitcode(status)
            err.seek(0)
            tail = err.read().decode(errors="replace").strip().splitlines()[-3:]
            err.close()
            peak_kb = usage.ru_maxrss
            with open(rss) as f:
                last = f.read().strip().splitlines()[-1:]
            os.remove(rss)
            if last and last[0].isdigit():
                peak_kb = int(last[0])
            entry[3] = Run(cmds[procs.index(entry)], seconds, peak_kb / 1024.0,
                           p.returncode, timed_out, "\n".join(tail))
            pending -= 1
        if pending:
            time.sleep(0.02)
    return [e[3] for e in procs]


def run_one(cmd, limit=None, cwd=None):
    return run_together([cmd], limit, cwd)[0]


def repeated(cmd, cwd, runs):
    """Runs cmd up to `runs` times (fewer when it is slow or fails); the median run."""
    done = []
    for _ in range(runs):
        r = run_one(cmd, cwd=cwd)
        done.append(r)
        if not r.ok or r.seconds > REPEAT_UNDER:
            break
    if not done[-1].ok:
        return done[-1], len(done)
    ordered = sorted(done, key=lambda r: r.seconds)
    return ordered[len(ordered) // 2], len(done)


# What holds a job back where a target is not met: the work its algorithm must do, as profiled.
LIMITS = {
    "copy-rows S": "the 200 workbooks are read on one core (about 1,800 instructions a cell, "
                   "1.3 times the floor program's bare scan, which builds no cells) while the "
                   "other pastes their rows; then the result's 800,000 moved formulas are "
                   "calculated and its 9.6 million cells written, one core writing the XML and "
                   "the other compressing it. The floor copy does the same reading and writing "
                   "on one core without a model, formulas or styles.",
    "copy-rows-by-key S": "both cores are busy to the end: one reads the 200 workbooks (about "
                          "1,800 instructions a cell, 1.3 times the floor's bare scan), the other "
                          "looks each of the 800,000 rows up in the result's key column and adds "
                          "its amounts or appends it (values, then formats, as two pastes); "
                          "together about twice the floor's read in CPU time.",
    "copy-rows-by-key K": "the task core is the limit: each of the 1,000,000 rows is a key "
                          "search, and each of the 100,000 new keys two pastes (values, then "
                          "formats) that also keep the key column's find index current.",
    "add-cell-by-cell S": "reading the 200 workbooks on one core (about 1,800 instructions a "
                          "cell, 1.3 times the floor's bare scan) is the limit; adding a row's "
                          "amounts on the other core takes less.",
    "check-same-format S": "reading the 200 workbooks on one core (about 1,800 instructions a "
                           "cell) is the limit; the check itself, with each worksheet's 2,000 "
                           "formulas calculated, takes about a third of that on the other core.",
    "copy-sheets S": "reading the 200 workbooks on one core, then calculating the 400 copied "
                     "worksheets' formulas and writing their 9.6 million cells (XML on one core, "
                     "compression on the other).",
    "intersection T": "reading the two workbooks one after the other and building the find "
                      "index of worksheet 2's key column (100,000 keys).",
    "difference T": "as intersection: reading the two workbooks and building the find index of "
                    "worksheet 2's key column (100,000 keys).",
    "merge-cols T": "as intersection, with the matched rows' cells copied into the result.",
    "intersection T memory": "both worksheets are held at once, with the find index of "
                             "worksheet 2's key column (one table of 100,000 keys).",
    "difference T memory": "both worksheets are held at once, with the find index of "
                           "worksheet 2's key column (one table of 100,000 keys).",
    "merge-cols T memory": "both worksheets are held at once, with the find index of "
                           "worksheet 2's key column (one table of 100,000 keys).",
    "copy-rows-by-key K memory": "the result (400,000 cells, 100,000 key texts in its string "
                                 "pool) and its key column's find index, then the pieces of "
                                 "XML queued for compression while it is written.",
    "memory": "on inputs of a few MB the bound is a few MB too, below the fixed costs: the "
              "program itself (6 MB), the workbook being worked on, the one read ahead and the "
              "text of the worksheet being read.",
}

# ---------------------------------------------------------------------------------------------
# Files


def sheet_xml_bytes(path):
    """Unpacked size of the worksheet parts of one workbook."""
    with zipfile.ZipFile(path) as z:
        return sum(i.file_size for i in z.infolist()
                   if re.fullmatch(r"xl/worksheets/[^/]+\.xml", i.filename))


def workbooks(path):
    if os.path.isfile(path):
        return [path]
    found = []
    for root, dirs, files in os.walk(path):
        dirs.sort()
        found += [os.path.join(root, f) for f in sorted(files) if f.endswith(".xlsx")]
    return found


def data_rows(path):
    """Rows holding at least one cell, over every worksheet of a result."""
    count = 0
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            if re.fullmatch(r"xl/worksheets/[^/]+\.xml", info.filename):
                xml = z.read(info)
                count += xml.count(b"<row ") + xml.count(b"<row>")
                count -= len(re.findall(rb"<row[^>]*/>", xml))
    return count


# ---------------------------------------------------------------------------------------------
# The jobs

S_SHEETS = "January;February"
TWO_FILES = ["--file1", "T/one.xlsx", "--sheet1", "Data", "--key1", "1",
             "--file2", "T/two.xlsx", "--sheet2", "Data", "--key2", "1"]

JOBS = [
    # name, mode, arguments, inputs (for the floor and the memory bound), targets
    dict(name="copy-rows S", mode="copy-rows",
         args=["--folder", "S", "--sheets", S_SHEETS, "--from-row", "2"],
         inputs=["S"], floor="copy", rows=True,
         targets=dict(openpyxl=45, pandas=10, floor=1.5, seconds=3.5)),
    dict(name="copy-rows-by-key S", mode="copy-rows-by-key",
         args=["--folder", "S", "--sheets", S_SHEETS, "--key-col", "1", "--from-row", "2",
               "--keep-formulas", "no"],
         inputs=["S"], floor="read", rows=True, targets=dict(openpyxl=30, pandas=30)),
    dict(name="copy-rows-by-key K", mode="copy-rows-by-key",
         args=["--folder", "K", "--sheets", "Data", "--key-col", "1", "--from-row", "2",
               "--keep-formulas", "no"],
         inputs=["K"], floor="read", rows=True,
         targets=dict(openpyxl=20, pandas=20, seconds=2)),
    dict(name="add-cell-by-cell S", mode="add-cell-by-cell",
         args=["--folder", "S", "--sheets", S_SHEETS],
         inputs=["S"], floor="read", rows=True, targets=dict(openpyxl=20, pandas=20)),
    dict(name="intersection T", mode="intersection", args=TWO_FILES,
         inputs=["T/one.xlsx", "T/two.xlsx"], floor="read", rows=True,
         targets=dict(openpyxl=20, pandas=20), calibrate=True),
    dict(name="difference T", mode="difference", args=TWO_FILES,
         inputs=["T/one.xlsx", "T/two.xlsx"], floor="read", rows=True,
         targets=dict(openpyxl=20, pandas=20)),
    dict(name="merge-cols T", mode="merge-cols", args=TWO_FILES,
         inputs=["T/one.xlsx", "T/two.xlsx"], floor="read", rows=True,
         targets=dict(openpyxl=20, pandas=20)),
    dict(name="copy-sheets S", mode="copy-sheets",
         args=["--folder", "S", "--sheets", S_SHEETS],
         inputs=["S"], floor="read", rows=True, targets=dict(openpyxl=20, pandas=20)),
    dict(name="check-same-format S", mode="check-same-format",
         args=["--template", "template.xlsx", "--template-sheet", "January", "--folder", "S",
               "--sheets", S_SHEETS],
         inputs=["template.xlsx", "S"], floor="read", rows=False,
         targets=dict(openpyxl=20, pandas=20)),
    dict(name="copy-rows L", mode="copy-rows",
         args=["--folder", "L", "--sheets", "Data", "--from-row", "2"],
         inputs=["L"], floor="copy", rows=True, peers=False, targets=dict(floor=1.5)),
]
PEERS = ("openpyxl", "pandas")


def fmt_s(seconds):
    if seconds is None:
        return "–"
    return f"{seconds:.2f}" if seconds < 100 else f"{seconds:.0f}"


class Suite:
    def __init__(self, build):
        self.build = os.path.abspath(build)
        self.tabulon = os.path.join(self.build, "bin", "tabulon")
        self.floor = os.path.join(self.build, "bench", "floor")
        self.make_datasets = os.path.join(self.build, "bench", "make_datasets")
        self.data = tempfile.mkdtemp(prefix="tabulon-bench-")
        self.out = os.path.join(self.data, "out")
        os.makedirs(self.out)
        self.rows = []  # one dict per job, for the table
        self.problems = []
        self.notes = []

    def log(self, text):
        print(text, flush=True)

    # --- datasets

    def make_data(self):
        self.idle_mb = run_one([self.tabulon, "--help"]).peak_mb
        t0 = time.monotonic()
        for extra in ([], ["--only", "many", "--many", "1000"], ["--only", "many", "--many", "10000"]):
            where = self.data if not extra else os.path.join(self.data, f"many{extra[-1]}")
            r = run_one([self.make_datasets, where] + extra)
            if not r.ok:
                raise SystemExit(f"make_datasets failed: {r.err}")
        self.log(f"datasets written in {time.monotonic() - t0:.1f} s into {self.data}")
        self.datasets = []
        for name, path in [("S", "S"), ("template", "template.xlsx"), ("L", "L"), ("K", "K"),
                           ("T", "T"), ("many 1,000", "many1000/many"),
                           ("many 10,000", "many10000/many")]:
            books = workbooks(os.path.join(self.data, path))
            xml = sum(sheet_xml_bytes(b) for b in books)
            r = subprocess.run([self.floor, "read"] + books if len(books) < 50 else
                               [self.floor, "read", os.path.join(self.data, path)],
                               capture_output=True, text=True)
            m = re.search(r"(\d+) worksheets, (\d+) cells", r.stdout)
            self.datasets.append(dict(name=name, books=len(books),
                                      sheets=int(m.group(1)) if m else 0,
                                      cells=int(m.group(2)) if m else 0, xml_mb=xml / 1e6,
                                      file_mb=sum(os.path.getsize(b) for b in books) / 1e6))

    # --- one job

    def peer_limit(self, job, tabulon_s, peer_jobs_left):
        """Seconds a peer run may take before it is cut; None in a full run: no limit."""
        if FULL:
            return None
        wanted = max(job["targets"].get(p, 0) for p in PEERS)
        # A peer needs to run only long enough to show the target: 1.5 x target x Tabulon.
        limit = min(PEER_LIMIT, max(30.0, 1.5 * wanted * (tabulon_s or 1.0)))
        share = (DEADLINE - time.time()) / max(1, peer_jobs_left)
        return max(MIN_PEER_LIMIT if not QUICK else 5.0, min(limit, share))

    def run_job(self, job, peer_jobs_left):
        name = job["name"]
        self.log(f"== {name}")
        res = os.path.join(self.out, name.replace(" ", "-"))
        row = dict(job=name, targets=job["targets"])
        tab_cmd = [self.tabulon, job["mode"]] + job["args"] + ["--result", res + "-tabulon.xlsx",
                                                               "--overwrite"]
        tab, n = repeated(tab_cmd, self.data, RUNS)
        row["tabulon"], row["tabulon_runs"] = tab, n
        if not tab.ok:
            self.problems.append(f"{name}: Tabulon exited {tab.rc}: {tab.err}")
        self.log(f"   tabulon {fmt_s(tab.seconds)} s ({n} run(s)), peak {tab.peak_mb:.0f} MB,"
                 f" exit {tab.rc}")

        floor_cmd = [self.floor, job["floor"], "--from-row", "2"] if job["floor"] == "copy" else \
            [self.floor, "read"]
        if job["floor"] == "copy":
            floor_cmd += ["--result", res + "-floor.xlsx"]
        floor_cmd += job["inputs"]
        fl, n = repeated(floor_cmd, self.data, RUNS)
        row["floor"], row["floor_mode"], row["floor_runs"] = fl, job["floor"], n
        if not fl.ok:
            self.problems.append(f"{name}: floor exited {fl.rc}: {fl.err}")
        self.log(f"   floor {job['floor']} {fmt_s(fl.seconds)} s ({n} run(s))")

        biggest = max(sheet_xml_bytes(b) for i in job["inputs"]
                      for b in workbooks(os.path.join(self.data, i)))
        result_xml = sheet_xml_bytes(res + "-tabulon.xlsx") if tab.ok else 0
        # The program's own footprint (code, libraries, an empty heap) comes on top.
        row["mem_bound_mb"] = self.idle_mb + (3 * biggest + result_xml) / 1e6

        row["peers"] = {}
        if job.get("peers", True):
            peer_args = job["args"] + ["--overwrite"]
            cmds = {p: [PYTHON, "-B", os.path.join(HERE, "peers", f"peer_{p}.py"), job["mode"]] +
                    peer_args + ["--result", res + f"-{p}.xlsx"] for p in PEERS}
            limit = self.peer_limit(job, tab.seconds if tab.ok else None, peer_jobs_left)
            if job.get("calibrate") and not QUICK and not FULL:
                # Once: each peer alone (the figures reported), then both side by side, to
                # see what sharing the two cores costs a peer.
                alone = [run_one(cmds[p], limit, self.data) for p in PEERS]
                together = run_together([cmds[p] for p in PEERS], limit, self.data)
                runs = dict(zip(PEERS, alone))
                parts = []
                for p, a, t in zip(PEERS, alone, together):
                    if a.ok and t.ok:
                        parts.append(f"{p} {a.seconds:.1f} s alone, {t.seconds:.1f} s side by "
                                     f"side ({100 * (t.seconds / a.seconds - 1):+.0f}%)")
                self.side_by_side = "; ".join(parts) or "not measured (a run failed)"
                self.log(f"   side by side: {self.side_by_side}")
            else:
                runs = dict(zip(PEERS, run_together([cmds[p] for p in PEERS], limit, self.data)))
            row["peer_limit"] = limit
            for p, r in runs.items():
                row["peers"][p] = r
                state = "cut at limit" if r.timed_out else f"exit {r.rc}"
                self.log(f"   {p} {fmt_s(r.seconds)} s ({state}), peak {r.peak_mb:.0f} MB")
                if not r.timed_out and r.rc != 0:
                    self.problems.append(f"{name}: {p} peer exited {r.rc}: {r.err}")
                if r.ok and tab.ok and job["rows"]:
                    ours, theirs = data_rows(res + "-tabulon.xlsx"), data_rows(res + f"-{p}.xlsx")
                    if ours != theirs:
                        msg = f"{name}: {p} result has {theirs} rows with cells, Tabulon's {ours}"
                        self.log("   WARNING " + msg)
                        self.problems.append(msg)
        self.rows.append(row)
        for f in os.listdir(self.out):
            os.remove(os.path.join(self.out, f))

    def memory_growth(self):
        self.log("== memory growth: add-cell-by-cell over 1,000 and 10,000 small workbooks")
        got = {}
        for n in ("1000", "10000"):
            cmd = [self.tabulon, "add-cell-by-cell", "--folder",
                   os.path.join(self.data, f"many{n}", "many"), "--sheets", "Data", "--result",
                   os.path.join(self.out, f"many{n}.xlsx"), "--overwrite"]
            got[n], runs = repeated(cmd, self.data, RUNS)
            if not got[n].ok:
                self.problems.append(f"memory growth {n}: Tabulon exited {got[n].rc}: "
                                     f"{got[n].err}")
            self.log(f"   {n} files: {fmt_s(got[n].seconds)} s, peak {got[n].peak_mb:.1f} MB")
        small, large = got["1000"].peak_mb, got["10000"].peak_mb
        allowed = 4.0
        self.growth = dict(small=got["1000"], large=got["10000"], allowed=allowed,
                           met=got["1000"].ok and got["10000"].ok and large - small <= allowed)

    # --- report

    def verdicts(self, row):
        tab = row["tabulon"]
        out = []
        if not tab.ok:
            return ["Tabulon failed"]
        for p in PEERS:
            if p not in row["targets"]:
                continue
            r = row["peers"].get(p)
            want = row["targets"][p]
            if r is None:
                out.append(f"{p}: not run")
            elif r.timed_out:
                ratio = r.seconds / tab.seconds
                out.append(f"{p} ≥{want}×: " + ("met" if ratio >= want else
                                                 f"not shown (peer cut at {r.seconds:.0f} s)"))
            elif not r.ok:
                out.append(f"{p}: peer failed")
            else:
                out.append(f"{p} ≥{want}×: " + ("met" if r.seconds / tab.seconds >= want
                                                 else "NOT met"))
        if "floor" in row["targets"]:
            fl = row["floor"]
            want = row["targets"]["floor"]
            out.append(f"floor ≤{want}×: " + ("met" if fl.ok and tab.seconds <= want * fl.seconds
                                              else "NOT met"))
        if "seconds" in row["targets"]:
            want = row["targets"]["seconds"]
            out.append(f"<{want} s: " + ("met" if tab.seconds < want else "NOT met"))
        out.append("memory: " + ("met" if tab.peak_mb < row["mem_bound_mb"] else "NOT met"))
        return out

    def table(self):
        head = ["job", "Tabulon s", "floor s", "openpyxl s", "pandas s", "ratio vs openpyxl",
                "ratio vs pandas", "ratio vs floor", "Tabulon peak MB", "memory bound MB",
                "target", "met?"]
        lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
        for row in self.rows:
            tab, fl = row["tabulon"], row["floor"]
            cells = [row["job"], fmt_s(tab.seconds) + ("" if tab.ok else f" (exit {tab.rc})")
                     + (f" ({row['tabulon_runs']} run)" if row["tabulon_runs"] == 1 and RUNS > 1
                        else ""),
                     f"{fmt_s(fl.seconds)} ({row['floor_mode']})" if fl.ok else f"failed ({fl.rc})"]
            ratios = []
            for p in PEERS:
                r = row["peers"].get(p)
                if r is None:
                    cells.append("–")
                    ratios.append("–")
                    continue
                if r.timed_out:
                    cells.append(f"> {r.seconds:.0f} (cut)")
                elif not r.ok:
                    cells.append(f"failed ({r.rc})")
                else:
                    cells.append(fmt_s(r.seconds))
                if not tab.ok or (not r.ok and not r.timed_out):
                    ratios.append("–")
                else:
                    ratios.append(("≥ " if r.timed_out else "") + f"{r.seconds / tab.seconds:.1f}×")
            cells += ratios
            if fl.ok and tab.ok:
                ratio = f"{tab.seconds / fl.seconds:.1f}×"
                cells.append(ratio if row["floor_mode"] == "copy" else f"({ratio} of read)")
            else:
                cells.append("–")
            cells += [f"{tab.peak_mb:.0f}", f"{row['mem_bound_mb']:.0f}"]
            t = row["targets"]
            target = []
            for p in PEERS:
                if p in t:
                    target.append(f"≥{t[p]}× {p}")
            if "floor" in t:
                target.append(f"≤{t['floor']}× floor copy")
            if "seconds" in t:
                target.append(f"<{t['seconds']} s")
            target.append("peak < bound")
            cells += [", ".join(target), "; ".join(self.verdicts(row))]
            lines.append("| " + " | ".join(cells) + " |")
        g = self.growth
        lines.append(
            f"| memory growth (add-cell-by-cell, 1,000 → 10,000 small workbooks) | "
            f"{fmt_s(g['small'].seconds)} → {fmt_s(g['large'].seconds)} | – | – | – | – | – | – | "
            f"{g['small'].peak_mb:.1f} → {g['large'].peak_mb:.1f} | +{g['allowed']:.1f} | "
            f"at most 4 MB more | {'met' if g['met'] else 'NOT met'} |")
        return "\n".join(lines)

    def limits(self):
        out = []
        for row in self.rows:
            missed = [v for v in self.verdicts(row) if "NOT met" in v or "not shown" in v]
            if not missed:
                continue
            why = [LIMITS.get(row["job"], "")] if any(
                not v.startswith("memory") for v in missed) else []
            if any(v.startswith("memory") for v in missed):
                why.append("Memory: " + LIMITS.get(row["job"] + " memory", LIMITS["memory"]))
            out.append(f"- {row['job']} ({'; '.join(missed)}): " +
                       " ".join(w for w in why if w))
        return out or ["- none"]

    def machine(self):
        cpu = "unknown"
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
        with open("/proc/meminfo") as f:
            mem_kb = int(f.readline().split()[1])
        import openpyxl
        import pandas
        cxx = "unknown"
        cache = os.path.join(self.build, "CMakeCache.txt")
        if os.path.exists(cache):
            m = re.search(r"CMAKE_CXX_COMPILER:\w+=(.*)", open(cache).read())
            if m:
                cxx = subprocess.run([m.group(1), "--version"], capture_output=True,
                                     text=True).stdout.splitlines()[0]
        return [f"- Machine: {cpu}, {os.cpu_count()} cores, {mem_kb / 1048576:.1f} GiB RAM, "
                f"Linux {platform.release()}",
                f"- Date: {datetime.datetime.now(datetime.timezone.utc):%Y-%m-%d %H:%M} UTC",
                f"- Versions: openpyxl {openpyxl.__version__}, pandas {pandas.__version__}, "
                f"Python {platform.python_version()}, {cxx}"]

    def write(self, total_runner):
        made_total = time.time() - STARTED
        ds = ["| dataset | workbooks | worksheets | cells | files MB | unpacked sheet XML MB |",
              "|---|---|---|---|---|---|"]
        for d in self.datasets:
            ds.append(f"| {d['name']} | {d['books']:,} | {d['sheets']:,} | {d['cells']:,} | "
                      f"{d['file_mb']:.1f} | {d['xml_mb']:.1f} |")
        text = "\n".join([
            "# Benchmark results",
            "",
            "Written by `make bench` (bench/run_suite.py); rewritten on every run.",
            "",
            *self.machine(),
            f"- Mode: {'QUICK (one run each, peers capped) — not for comparison' if QUICK else 'full'}",
            f"- Time: suite {total_runner:.0f} s; `make bench` from its start (deps, build, "
            f"micro-benchmarks, suite) {made_total:.0f} s",
            "",
            "## Datasets",
            "",
            *ds,
            "",
            "## Results",
            "",
            self.table(),
            "",
            "## How these were measured",
            "",
            f"- Wall time of each child from os.wait4; peak RSS is the ru_maxrss of wait4 on "
            "the program itself, read through GNU time, which starts it (a program started "
            "straight from the Python runner would report at least the runner's own peak). "
            "Tabulon and the "
            f"floor: median of {RUNS} runs, each run alone; a job whose first run took over "
            f"{REPEAT_UNDER:.0f} s is run once (marked \"1 run\").",
            "- The peers (bench/peers/, /usr/bin/python3) run once per job: a median of three "
            "would take longer than the whole suite may. The openpyxl and pandas runs of a job "
            "run side by side, one per core (each is single-threaded). Measured once on "
            f"intersection T: {getattr(self, 'side_by_side', 'not measured in this mode')}.",
            "- Every peer run went on to its end (`make bench BENCH_FULL=1`): no time limit, no "
            "budget." if FULL else
            "- A peer run is killed at a time limit (at most "
            f"{PEER_LIMIT:.0f} s; shorter where 1.5 × target × Tabulon's time already decides "
            "the target, or where the 15-minute budget of `make bench` requires). Its ratio is "
            "then a lower bound (\"≥ N×\", time \"> N (cut)\"). `make bench BENCH_FULL=1` "
            "runs every peer to its end instead.",
            "- The floor (bench/floor.cpp) is one thread on one core: zip central directory, "
            "each worksheet part and the shared strings inflated whole with libdeflate, the XML "
            "scanned by hand (cells, r/t/s attributes, <f> and <v> text, std::from_chars), no "
            "model. `copy` also writes the cells of rows 2.. of every worksheet as one worksheet "
            "(rows renumbered, shared strings deduped, parts deflated with libdeflate level 1; "
            "formula texts are carried over unchanged, not moved). Ratio vs floor is Tabulon ÷ "
            "floor copy for the copy-rows jobs; for the others the floor `read` time of the "
            "inputs is shown as context only.",
            "- Memory bound: 3 × the unpacked worksheet XML of the job's largest input workbook "
            "+ the unpacked worksheet XML of Tabulon's result + what the program takes before "
            f"it reads anything (`tabulon --help` peaks at {self.idle_mb:.1f} MB).",
            "- pandas reads cached values (openpyxl data_only), so its check-same-format sees a "
            "formula cell as a number; its result rows are checked against Tabulon's for the "
            "row jobs (warnings below).",
            "",
            "## Targets not met, and what limits them",
            "",
            *self.limits(),
            "",
            "## Problems",
            "",
            *([f"- {p}" for p in self.problems] or ["- none"]),
            "",
        ])
        with open(os.path.join(HERE, "RESULTS.md"), "w") as f:
            f.write(text)
        print()
        print(text)

    def run(self):
        t0 = time.monotonic()
        try:
            self.make_data()
            jobs = JOBS
            peer_jobs = sum(1 for j in jobs if j.get("peers", True))
            for job in jobs:
                self.run_job(job, peer_jobs)
                if job.get("peers", True):
                    peer_jobs -= 1
            self.memory_growth()
            self.write(time.monotonic() - t0)
        finally:
            if os.environ.get("BENCH_KEEP"):
                print(f"kept {self.data}")
            else:
                shutil.rmtree(self.data, ignore_errors=True)
        failed = [r for r in self.rows if not r["tabulon"].ok]
        return 1 if failed else 0


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "bench")
    return Suite(build).run()


if __name__ == "__main__":
    sys.exit(main())
