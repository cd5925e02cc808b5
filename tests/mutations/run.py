#!/usr/bin/env python3
"""Applies the mutations of mutations.txt to the work tree one at a time,
rebuilds, runs the tests, and says which mutations the tests catch.

Every mutated file is restored after its run, also on Ctrl-C or SIGTERM;
nothing is copied, the build directory is rebuilt incrementally.
"""

import argparse
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
TABLE = HERE / "mutations.txt"
DEFAULT_EXCLUDE = "packaging|X11|deb"


@dataclass
class Mutation:
    id: str
    file: str
    find: str
    replace: str
    description: str


@dataclass
class Outcome:
    mutation: Mutation
    status: str  # caught, missed, does not build, refused
    detail: str = ""
    build_seconds: float = 0.0
    test_seconds: float = 0.0


def load_table(path):
    mutations = []
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) != 5:
            sys.exit(f"{path.name}:{number}: expected 5 tab-separated fields, found {len(fields)}")
        mutations.append(Mutation(*fields))
    ids = [m.id for m in mutations]
    duplicates = sorted({i for i in ids if ids.count(i) > 1})
    if duplicates:
        sys.exit(f"{path.name}: duplicate ids {', '.join(duplicates)}")
    return mutations


def occurrences(mutation):
    path = ROOT / mutation.file
    if not path.is_file():
        return 0
    return path.read_text(encoding="utf-8").count(mutation.find)


class AppliedMutation:
    """The mutation written into its file for the duration of a `with`."""

    def __init__(self, mutation):
        self.path = ROOT / mutation.file
        self.original = self.path.read_bytes()
        text = self.original.decode("utf-8")
        count = text.count(mutation.find)
        if count != 1:
            raise ValueError(f"find text occurs {count} times in {mutation.file}")
        self.mutated = text.replace(mutation.find, mutation.replace, 1).encode("utf-8")

    def __enter__(self):
        self.path.write_bytes(self.mutated)
        return self

    def __exit__(self, *exc):
        self.path.write_bytes(self.original)
        return False


def raise_interrupt(signum, frame):
    raise KeyboardInterrupt


def configure_if_missing(build_dir, log):
    if (build_dir / "CMakeCache.txt").exists():
        return
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build_dir), "-G", "Ninja",
                    "-DTAVREL_BUILD_BENCH=OFF"], check=True, stdout=log, stderr=subprocess.STDOUT)


def build(build_dir, log):
    """Builds; gives the first compiler or linker error line, or None."""
    result = subprocess.run(["cmake", "--build", str(build_dir)], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, errors="replace")
    log.write(result.stdout)
    log.flush()
    if result.returncode == 0:
        return None
    errors = [line for line in result.stdout.splitlines() if "error" in line.lower()]
    return (errors[0] if errors else "build failed").strip()[:160]


def run_tests(build_dir, args, log):
    """Runs ctest; gives the names of the tests that failed."""
    failed_log = build_dir / "Testing" / "Temporary" / "LastTestsFailed.log"
    failed_log.unlink(missing_ok=True)
    command = ["ctest", "--test-dir", str(build_dir), "-j", str(args.jobs), "--timeout", str(args.timeout)]
    if args.exclude:
        command += ["-E", args.exclude]
    if not args.all_tests:
        command.append("--stop-on-failure")
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            errors="replace")
    log.write(result.stdout)
    log.flush()
    if "No tests were found" in result.stdout:
        sys.exit("ctest found no tests: is the build directory configured with the tests?")
    if result.returncode == 0:
        return []
    if not failed_log.exists():
        return ["(ctest failed, no test named)"]
    # Lines are "N:name", a parameterized test's name followed by "  # GetParam() = ...".
    return [line.split(":", 1)[-1].split("  # ", 1)[0] for line in failed_log.read_text().splitlines()
            if line.strip()]


def caught_by(names):
    if len(names) <= 2:
        return ", ".join(names)
    return f"{', '.join(names[:2])} +{len(names) - 2} more"


def format_table(outcomes, total_seconds=None):
    lines = [f"{'id':<4}  {'status':<14}  {'description':<84}  caught by / detail"]
    for o in outcomes:
        lines.append(f"{o.mutation.id:<4}  {o.status:<14}  {o.mutation.description:<84}  {o.detail}")
    counts = {}
    for o in outcomes:
        counts[o.status] = counts.get(o.status, 0) + 1
    applicable = counts.get("caught", 0) + counts.get("missed", 0)
    lines.append("")
    lines.append(f"caught {counts.get('caught', 0)} of {applicable} applicable; missed {counts.get('missed', 0)}; "
                 f"does not build {counts.get('does not build', 0)}; refused {counts.get('refused', 0)}")
    missed = [o.mutation.id for o in outcomes if o.status == "missed"]
    if missed:
        lines.append("missed: " + " ".join(missed))
    if total_seconds is not None:
        build_time = sum(o.build_seconds for o in outcomes)
        test_time = sum(o.test_seconds for o in outcomes)
        lines.append(f"time: {total_seconds / 60:.1f} min in all ({build_time / 60:.1f} min building, "
                     f"{test_time / 60:.1f} min testing mutants)")
    return "\n".join(lines) + "\n"


def list_mutations(mutations):
    bad = 0
    for m in mutations:
        count = occurrences(m)
        note = "" if count == 1 else f"  [find text occurs {count} times: refused]"
        bad += count != 1
        print(f"{m.id:<4}  {m.file:<26}  {m.description}{note}")
    print(f"\n{len(mutations)} mutations, {bad} not applicable as written")
    return 1 if bad else 0


def files_are_clean(files):
    return subprocess.run(["git", "-C", str(ROOT), "diff", "--quiet", "--", *files]).returncode == 0


def run_one(mutation, build_dir, args, log):
    try:
        applied = AppliedMutation(mutation)
    except (ValueError, OSError) as error:
        return Outcome(mutation, "refused", str(error))
    log.write(f"\n===== {mutation.id} {mutation.file}: {mutation.description}\n")
    with applied:
        start = time.monotonic()
        error = build(build_dir, log)
        built = time.monotonic()
        if error:
            return Outcome(mutation, "does not build", error, built - start)
        failed = run_tests(build_dir, args, log)
        tested = time.monotonic()
    status = "caught" if failed else "missed"
    return Outcome(mutation, status, caught_by(failed), built - start, tested - built)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build_dir", nargs="?", default="build-mutations",
                        help="build directory, relative to the work tree (default: build-mutations); "
                             "configured when missing")
    parser.add_argument("--only", nargs="+", metavar="ID", help="run only these mutations")
    parser.add_argument("--list", action="store_true", help="list the mutations and check their find texts")
    parser.add_argument("--exclude", default=DEFAULT_EXCLUDE,
                        help=f"ctest -E regular expression of tests not run (default: '{DEFAULT_EXCLUDE}'; "
                             "'' runs all)")
    parser.add_argument("--jobs", type=int, default=2, help="ctest -j (default: 2)")
    parser.add_argument("--timeout", type=int, default=120, help="ctest --timeout per test (default: 120)")
    parser.add_argument("--all-tests", action="store_true",
                        help="run every test for every mutant instead of stopping at the first failure")
    parser.add_argument("--no-check", action="store_true",
                        help="skip the run of the unmutated tree (which must pass)")
    parser.add_argument("--output", help="also write the table here, rewritten after every mutation")
    parser.add_argument("--log", default=None,
                        help="build and test output (default: BUILD_DIR/mutations.log)")
    args = parser.parse_args()

    mutations = load_table(TABLE)
    if args.only:
        unknown = set(args.only) - {m.id for m in mutations}
        if unknown:
            sys.exit(f"unknown ids: {' '.join(sorted(unknown))}")
        mutations = [m for m in mutations if m.id in args.only]
    if args.list:
        return list_mutations(mutations)

    build_dir = (ROOT / args.build_dir).resolve()
    files = sorted({m.file for m in mutations})
    clean_at_start = files_are_clean(files)
    originals = {f: (ROOT / f).read_bytes() for f in files if (ROOT / f).exists()}
    signal.signal(signal.SIGTERM, raise_interrupt)
    log_path = Path(args.log) if args.log else build_dir / "mutations.log"
    start = time.monotonic()
    outcomes = []
    interrupted = False
    try:
        build_dir.mkdir(parents=True, exist_ok=True)
        with open(log_path, "w", encoding="utf-8") as log:
            configure_if_missing(build_dir, log)
            if not args.no_check:
                print("building and testing the unmutated tree ...", flush=True)
                error = build(build_dir, log)
                if error:
                    sys.exit(f"the unmutated tree does not build: {error}")
                failed = run_tests(build_dir, argparse.Namespace(**{**vars(args), "all_tests": True}), log)
                if failed:
                    sys.exit(f"tests fail on the unmutated tree: {', '.join(failed)}")
                print(f"  passes ({(time.monotonic() - start) / 60:.1f} min)", flush=True)
            for mutation in mutations:
                outcome = run_one(mutation, build_dir, args, log)
                outcomes.append(outcome)
                print(f"{mutation.id:<4}  {outcome.status:<14}  {outcome.detail}  "
                      f"[build {outcome.build_seconds:.0f} s, tests {outcome.test_seconds:.0f} s]", flush=True)
                if args.output:
                    Path(args.output).write_text(format_table(outcomes), encoding="utf-8")
            # Leaves the build matching the restored sources.
            build(build_dir, log)
    except KeyboardInterrupt:
        interrupted = True
    finally:
        for f, data in originals.items():
            if (ROOT / f).read_bytes() != data:
                (ROOT / f).write_bytes(data)
    table = format_table(outcomes, time.monotonic() - start)
    print("\n" + table, end="")
    if args.output:
        Path(args.output).write_text(table, encoding="utf-8")
    if clean_at_start and not files_are_clean(files):
        print("error: the work tree differs from git after restoring", file=sys.stderr)
        return 3
    if interrupted:
        print("interrupted; every file restored", file=sys.stderr)
        return 130
    return 0


if __name__ == "__main__":
    sys.exit(main())
