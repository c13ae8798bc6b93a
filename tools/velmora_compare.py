"""The comparison runner behind tools/compare: runs velmora builds interleaved, reads their
start-up and result lines, and reports medians, spread and ratio to the reference build,
with every run written to JSON and CSV and a bar chart to PNG."""

import argparse
import csv
import json
import os
import platform
import re
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import asdict, dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
COMPILERS = ("gcc", "clang")
PROGRAMS = ("velmora", "velmora-single", "velmora-avx", "velmora-single-avx")
REFERENCE = "gcc/velmora"
SPREAD_WARNING_PERCENT = 3.5
RUN_TIMEOUT_S = 60

RESULT_LINE = re.compile(r"^Plasma 10 seconds benchmark - ([0-9]+)$")
STARTUP_LINE = re.compile(
    r"^velmora: (?P<precision>double|single) precision, x86-64 (?P<isa>\S+), (?P<compiler>[^;]*?)"
    r"(?:, flags (?P<flags>[^;]*))?; (?P<presentation>SDL .*)$"
)
VIDEO_DRIVER = re.compile(r"video driver (\S+?),")
RENDERER = re.compile(r"renderer ([^,\s]+)")


@dataclass
class Run:
    build: str  # "gcc/velmora"
    compiler: str
    program: str
    round: int
    exit_status: int | None
    frames: int | None
    error: str = ""
    startup: str = ""
    precision: str = ""
    isa: str = ""
    compiler_version: str = ""
    flags: str = ""
    video_driver: str = ""
    renderer: str = ""
    seconds: float = 0.0


def parse_output(stdout: str, exit_status: int | None, stderr: str = "") -> dict:
    """Reads one run's output. A good run exits 0 with one start-up line and exactly one
    result line; anything else is an error with the reason."""
    fields = {"frames": None, "error": "", "startup": "", "precision": "", "isa": "",
              "compiler_version": "", "flags": "", "video_driver": "", "renderer": ""}
    lines = stdout.splitlines()
    for line in lines:
        match = STARTUP_LINE.match(line)
        if match:
            fields["startup"] = line
            fields["precision"] = match["precision"]
            fields["isa"] = match["isa"]
            fields["compiler_version"] = match["compiler"]
            fields["flags"] = match["flags"] or ""
            presentation = match["presentation"]
            driver = VIDEO_DRIVER.search(presentation)
            renderer = RENDERER.search(presentation)
            fields["video_driver"] = driver.group(1) if driver else ""
            fields["renderer"] = renderer.group(1) if renderer else ""
            break
    results = [RESULT_LINE.match(line) for line in lines]
    results = [m for m in results if m]
    if exit_status is None:
        fields["error"] = "did not finish in time"
    elif exit_status < 0:
        fields["error"] = f"ended by signal {-exit_status}"
    elif exit_status != 0:
        reason = stderr.strip().splitlines()[-1] if stderr.strip() else "no message"
        fields["error"] = f"exit status {exit_status}: {reason}"
    elif len(results) != 1:
        fields["error"] = f"{len(results)} result lines"
    elif len(lines) != 2 or not fields["startup"]:
        fields["error"] = "unexpected output: " + " | ".join(lines)[:200]
    else:
        fields["frames"] = int(results[0].group(1))
    return fields


@dataclass
class Summary:
    build: str
    compiler: str
    precision: str
    isa: str
    runs: int
    median: float | None
    minimum: int | None
    maximum: int | None
    spread_percent: float | None
    ratio: float | None = None
    failures: int = 0


def summarise(build: str, runs: list[Run]) -> Summary:
    frames = [r.frames for r in runs if r.frames is not None]
    first = next((r for r in runs if r.precision), runs[0])
    precision = first.precision or ("single" if "single" in first.program else "double")
    isa = first.isa or ("AVX" if "avx" in first.program else "SSE2")
    if not frames:
        return Summary(build, first.compiler, precision, isa, len(runs), None, None, None, None,
                       failures=len(runs))
    median = statistics.median(frames)
    return Summary(build, first.compiler, precision, isa, len(runs), median, min(frames), max(frames),
                   100.0 * (max(frames) - min(frames)) / median if median else None,
                   failures=len(runs) - len(frames))


def with_ratios(summaries: list[Summary], reference: str = REFERENCE) -> list[Summary]:
    base = next((s.median for s in summaries if s.build == reference), None)
    for s in summaries:
        s.ratio = s.median / base if base and s.median is not None else None
    return summaries


def format_table(summaries: list[Summary]) -> str:
    header = ("build", "compiler", "precision", "isa", "median", "min..max", "spread", "vs velmora")
    rows = [header]
    for s in summaries:
        rows.append((
            s.build, s.compiler, s.precision, s.isa,
            "-" if s.median is None else f"{s.median:g}",
            "-" if s.minimum is None else f"{s.minimum}..{s.maximum}",
            "-" if s.spread_percent is None else f"{s.spread_percent:.1f}%",
            "-" if s.ratio is None else f"{s.ratio:.3f}",
        ) + ((f"{s.failures} failed",) if s.failures else ()))
    widths = [max(len(row[i]) for row in rows if i < len(row)) for i in range(len(header))]
    return "\n".join("  ".join(cell.ljust(widths[i]) if i < len(widths) else cell
                               for i, cell in enumerate(row)).rstrip() for row in rows)


def write_csv(path: Path, runs: list[Run]) -> None:
    names = list(asdict(runs[0]).keys()) if runs else [f for f in Run.__dataclass_fields__]
    with path.open("w", newline="") as out:
        writer = csv.DictWriter(out, fieldnames=names)
        writer.writeheader()
        for run in runs:
            writer.writerow(asdict(run))


def write_json(path: Path, context: dict, runs: list[Run], summaries: list[Summary], warnings: list[str]) -> None:
    document = {"context": context, "warnings": warnings, "summaries": [asdict(s) for s in summaries],
                "runs": [asdict(r) for r in runs]}
    path.write_text(json.dumps(document, indent=2) + "\n")


def draw_chart(path: Path, summaries: list[Summary], title: str) -> None:
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    shown = [s for s in summaries if s.median is not None]
    labels = [s.build for s in shown]
    medians = [s.median for s in shown]
    below = [s.median - s.minimum for s in shown]
    above = [s.maximum - s.median for s in shown]
    figure, axes = plt.subplots(figsize=(max(6, 1.2 * len(shown) + 2), 4.5))
    colours = ["tab:blue" if s.compiler == "gcc" else "tab:orange" for s in shown]
    axes.bar(labels, medians, yerr=[below, above], capsize=6, color=colours)
    from matplotlib.patches import Patch
    axes.legend(handles=[Patch(color="tab:blue", label="gcc"), Patch(color="tab:orange", label="clang")])
    axes.set_ylabel("frames in 10 s (median, whiskers min to max)")
    axes.set_title(title, fontsize=10)
    axes.tick_params(axis="x", rotation=30)
    for label in axes.get_xticklabels():
        label.set_horizontalalignment("right")
    figure.tight_layout()
    figure.savefig(path, dpi=100)
    plt.close(figure)


def has_avx() -> bool:
    try:
        return bool(re.search(r"^flags\s*:.*\bavx\b", Path("/proc/cpuinfo").read_text(), re.M))
    except OSError:
        return False


def cpu_model() -> str:
    try:
        match = re.search(r"^model name\s*:\s*(.*)$", Path("/proc/cpuinfo").read_text(), re.M)
        return match.group(1) if match else platform.processor()
    except OSError:
        return platform.processor()


def governor() -> str | None:
    try:
        return Path("/sys/devices/system/cpu/cpu0/cpufreq/scaling_governor").read_text().strip()
    except OSError:
        return None


def command_output(*command: str) -> str:
    try:
        return subprocess.run(command, capture_output=True, text=True, check=False,
                              cwd=ROOT).stdout.strip().splitlines()[0]
    except (OSError, IndexError):
        return ""


def display_works(name: str | None) -> bool:
    if not name:
        return False
    try:
        return subprocess.run(["xdpyinfo"], env={**os.environ, "DISPLAY": name}, capture_output=True,
                              check=False).returncode == 0
    except OSError:
        return False


def run_once(executable: Path, display: str) -> tuple[int | None, str, str, float]:
    environment = {**os.environ, "DISPLAY": display}
    started = time.monotonic()
    try:
        done = subprocess.run([str(executable)], capture_output=True, text=True, env=environment,
                              timeout=RUN_TIMEOUT_S, check=False, stdin=subprocess.DEVNULL)
        return done.returncode, done.stdout, done.stderr, time.monotonic() - started
    except subprocess.TimeoutExpired as expired:
        out = expired.stdout.decode() if isinstance(expired.stdout, bytes) else (expired.stdout or "")
        return None, out, "", time.monotonic() - started


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(prog="tools/compare", description=__doc__)
    parser.add_argument("--rounds", type=int, default=3, help="runs of each build, interleaved (default 3)")
    parser.add_argument("--builds", default="",
                        help="comma-separated COMPILER/PROGRAM list (default: all eight)")
    parser.add_argument("--out", default="compare-results", help="folder for JSON, CSV and PNG")
    args = parser.parse_args(argv)
    if args.rounds < 1:
        parser.error("--rounds must be at least 1")

    builds = [b.strip() for b in args.builds.split(",") if b.strip()] or \
        [f"{c}/{p}" for c in COMPILERS for p in PROGRAMS]
    for build in builds:
        compiler, _, program = build.partition("/")
        if compiler not in COMPILERS or program not in PROGRAMS:
            parser.error(f"unknown build {build!r}: use COMPILER/PROGRAM with {COMPILERS} and {PROGRAMS}")

    notes: list[str] = []
    warnings: list[str] = []
    if not has_avx():
        skipped = [b for b in builds if b.endswith("-avx")]
        builds = [b for b in builds if not b.endswith("-avx")]
        if skipped:
            notes.append("this processor has no AVX: skipped " + ", ".join(skipped))

    missing = sorted({b.split("/")[0] for b in builds if not (ROOT / "build" / b).exists()})
    if missing:
        print("building: " + ", ".join(missing), flush=True)
        subprocess.run(["bash", str(ROOT / "tools/build_all.sh"), *missing], check=True,
                       stdout=subprocess.DEVNULL)

    out_dir = Path(args.out)
    out_dir.mkdir(parents=True, exist_ok=True)
    state = None
    display = os.environ.get("DISPLAY", "")
    if display_works(display):
        where = f"display {display}"
    else:
        state = tempfile.mkdtemp(prefix="velmora-compare-")
        subprocess.run(["bash", str(ROOT / "tests/x_server.sh"), "start", state], check=True)
        display = (Path(state) / "display").read_text().strip()
        where = f"private Xvfb {display} (no display found)"
    print(f"{len(builds)} builds x {args.rounds} rounds on {where}", flush=True)

    runs: list[Run] = []
    try:
        for round_number in range(1, args.rounds + 1):
            # Interleaved, and each round starts one build later, so no build always runs first.
            shift = (round_number - 1) % len(builds)
            for build in builds[shift:] + builds[:shift]:
                compiler, _, program = build.partition("/")
                status, stdout, stderr, seconds = run_once(ROOT / "build" / build, display)
                run = Run(build=build, compiler=compiler, program=program, round=round_number,
                          exit_status=status, seconds=round(seconds, 2), **parse_output(stdout, status, stderr))
                runs.append(run)
                shown = run.frames if run.frames is not None else run.error
                print(f"round {round_number}: {build}: {shown}", flush=True)
    finally:
        if state:
            subprocess.run(["bash", str(ROOT / "tests/x_server.sh"), "stop", state], check=False)

    summaries = with_ratios([summarise(b, [r for r in runs if r.build == b]) for b in builds])
    renderers = sorted({r.renderer for r in runs if r.renderer})
    drivers = sorted({r.video_driver for r in runs if r.video_driver})
    if state or any("llvmpipe" in r.startup or r.renderer == "software" for r in runs):
        warnings.append("presentation is software (" + ("Xvfb" if state else where) +
                        ", renderer " + ", ".join(renderers or ["?"]) +
                        "): counts compare the arithmetic, not a GPU")
    for s in summaries:
        if s.spread_percent is not None and s.spread_percent > SPREAD_WARNING_PERCENT:
            warnings.append(f"{s.build}: spread {s.spread_percent:.1f}% is above {SPREAD_WARNING_PERCENT}%: "
                            "the machine was not steady; compare with care")
        if s.failures:
            warnings.append(f"{s.build}: {s.failures} of {s.runs} runs failed")
    gov = governor()
    if gov != "performance":
        warnings.append(f"CPU frequency governor is {gov or 'unknown (not readable)'}, not \"performance\"")

    context = {
        "cpu_model": cpu_model(),
        "kernel": platform.release(),
        "compilers": {"gcc": command_output("g++", "--version"), "clang": command_output("clang++", "--version")},
        "sdl_video_driver": ", ".join(drivers),
        "renderer": ", ".join(renderers),
        "display": where,
        "git_commit": command_output("git", "rev-parse", "HEAD"),
        "rounds": args.rounds,
        "reference": REFERENCE,
        "governor": gov,
        "notes": notes,
        "date": time.strftime("%Y-%m-%dT%H:%M:%S%z"),
    }
    write_json(out_dir / "runs.json", context, runs, summaries, warnings)
    write_csv(out_dir / "runs.csv", runs)
    title = f"velmora, {args.rounds} rounds, {cpu_model()}, {where}"
    if any(s.median is not None for s in summaries):
        draw_chart(out_dir / "frames.png", summaries, title)

    print()
    print(format_table(summaries))
    for note in notes:
        print("note: " + note)
    for warning in warnings:
        print("warning: " + warning)
    print(f"runs written to {out_dir / 'runs.json'} and {out_dir / 'runs.csv'}, chart to {out_dir / 'frames.png'}")
    return 0 if all(r.frames is not None for r in runs) else 1


if __name__ == "__main__":
    sys.exit(main())
