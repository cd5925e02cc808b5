#!/usr/bin/env python3
"""Applies the mutations of mutations.txt to the work tree one at a time,
rebuilds, runs the tests, and says which mutations the tests catch.

Every mutated file is restored after its run, also on Ctrl-C or SIGTERM;
the build directory is rebuilt incrementally.
"""

import argparse
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent.parent
TABLE = ROOT / "tests/mutations/mutations.txt"


def load_table():
    """(id, file, find, replace, description) of every mutation line."""
    rows = [line.split("\t") for line in TABLE.read_text(encoding="utf-8").splitlines()
            if line.strip() and not line.startswith("#")]
    bad = [row[0] for row in rows if len(row) != 5]
    ids = [row[0] for row in rows]
    if bad or len(set(ids)) != len(ids):
        sys.exit(f"{TABLE.name}: rows without 5 tab-separated fields or ids used twice: {bad}")
    return rows


def occurrences(file, find):
    path = ROOT / file
    return path.read_text(encoding="utf-8").count(find) if path.is_file() else 0


def run(command, log):
    """Runs command, logging its output; gives (success, output)."""
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            errors="replace")
    log.write(result.stdout)
    log.flush()
    return result.returncode == 0, result.stdout


def failing_tests(build_dir, args, log, stop_on_failure=True):
    """Runs ctest; gives the names of the tests that failed."""
    failed_log = build_dir / "Testing/Temporary/LastTestsFailed.log"
    failed_log.unlink(missing_ok=True)
    command = ["ctest", "--test-dir", str(build_dir), "-j2", "--timeout", "120", "-E", args.exclude]
    passed, output = run(command + ["--stop-on-failure"] * stop_on_failure, log)
    if "No tests were found" in output:
        sys.exit("ctest found no tests: is the build directory configured with the tests?")
    if passed:
        return []
    # Lines are "N:name", a parameterized test's name followed by "  # GetParam() = ...".
    lines = failed_log.read_text().splitlines() if failed_log.exists() else ["?:(ctest failed, no test named)"]
    return [line.split(":", 1)[-1].split("  # ", 1)[0] for line in lines if line.strip()]


def mutate(row, build_dir, args, log):
    """(status, detail) of one mutation: caught, missed, does not build or refused."""
    id, file, find, replace, description = row
    path = ROOT / file
    original = path.read_bytes()
    count = original.decode("utf-8").count(find)
    if count != 1:
        return "refused", f"find text occurs {count} times in {file}"
    log.write(f"\n===== {id} {file}: {description}\n")
    path.write_bytes(original.decode("utf-8").replace(find, replace, 1).encode("utf-8"))
    try:
        built, output = run(["cmake", "--build", str(build_dir)], log)
        if not built:
            errors = [line for line in output.splitlines() if "error" in line.lower()] or ["build failed"]
            return "does not build", errors[0].strip()[:160]
        failed = failing_tests(build_dir, args, log)
    finally:
        path.write_bytes(original)
    if not failed:
        return "missed", ""
    more = f" +{len(failed) - 2} more" if len(failed) > 2 else ""
    return "caught", ", ".join(failed[:2]) + more


def table(outcomes, minutes):
    lines = [f"{'id':<4}  {'status':<14}  {'description':<84}  caught by / detail"]
    lines += [f"{row[0]:<4}  {status:<14}  {row[4]:<84}  {detail}" for row, status, detail in outcomes]
    statuses = [status for _, status, _ in outcomes]
    count = {s: statuses.count(s) for s in ("caught", "missed", "does not build", "refused")}
    lines += ["", f"caught {count['caught']} of {count['caught'] + count['missed']} applicable; "
                  f"missed {count['missed']}; does not build {count['does not build']}; refused {count['refused']}"]
    missed = [row[0] for row, status, _ in outcomes if status == "missed"]
    if missed:
        lines.append("missed: " + " ".join(missed))
    lines.append(f"time: {minutes:.1f} min")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build_dir", nargs="?", default="build-mutations",
                        help="build directory, relative to the work tree; configured when missing")
    parser.add_argument("--only", nargs="+", metavar="ID", help="run only these mutations")
    parser.add_argument("--list", action="store_true", help="list the mutations and check their find texts")
    parser.add_argument("--exclude", default="packaging|X11|deb", help="ctest -E expression of tests not run")
    parser.add_argument("--no-check", action="store_true", help="skip the run of the unmutated tree")
    parser.add_argument("--output", help="also write the table here, rewritten after every mutation")
    args = parser.parse_args()

    rows = [row for row in load_table() if not args.only or row[0] in args.only]
    if args.list:
        bad = [row[0] for row in rows if occurrences(row[1], row[2]) != 1]
        for row in rows:
            note = "  [find text not there exactly once]" if row[0] in bad else ""
            print(f"{row[0]:<4}  {row[1]:<26}  {row[4]}{note}")
        print(f"\n{len(rows)} mutations, {len(bad)} not applicable as written")
        return 1 if bad else 0

    build_dir = (ROOT / args.build_dir).resolve()
    build_dir.mkdir(parents=True, exist_ok=True)
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    start = time.monotonic()
    outcomes = []
    with open(build_dir / "mutations.log", "w", encoding="utf-8") as log:
        if not (build_dir / "CMakeCache.txt").exists():
            run(["cmake", "-S", str(ROOT), "-B", str(build_dir), "-G", "Ninja", "-DTAVREL_BUILD_BENCH=OFF"], log)
        if not args.no_check:
            if not run(["cmake", "--build", str(build_dir)], log)[0]:
                sys.exit("the unmutated tree does not build")
            if failing_tests(build_dir, args, log, stop_on_failure=False):
                sys.exit("tests fail on the unmutated tree")
        try:
            for row in rows:
                outcomes.append((row, *mutate(row, build_dir, args, log)))
                print(f"{row[0]:<4}  {outcomes[-1][1]:<14}  {outcomes[-1][2]}", flush=True)
                if args.output:
                    Path(args.output).write_text(table(outcomes, 0), encoding="utf-8")
        except KeyboardInterrupt:
            print("interrupted; every file restored", file=sys.stderr)
            return 130
        finally:
            run(["cmake", "--build", str(build_dir)], log)
    result = table(outcomes, (time.monotonic() - start) / 60)
    print("\n" + result, end="")
    if args.output:
        Path(args.output).write_text(result, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
