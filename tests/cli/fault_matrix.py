#!/usr/bin/env python3
"""Every fault of tuneflash-boxsim through download, upload and verify, on one
port and on four ports at once, through the real programs. For each, the exit
code and every record's result, failure phase, cause and partition must be
the ones in MATRIX. A fault that does not touch a command expects success.

usage: fault_matrix.py CLI BOXSIM"""
import concurrent.futures
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CLI, BOXSIM = sys.argv[1], sys.argv[2]
# Long enough for a loaded machine, short enough for the silent boxes.
TIMEOUT = "3"

OK = (0, "success", None, None, None)
SILENT = "the box was silent for the time limit"
BAD_RECORD = "a record does not hold"
GONE = "the port went away"


def failed(phase, cause, partition=None):
    return (1, "failed", phase, cause, partition)


# One row per fault (the options of `tuneflash-boxsim --help`): its options,
# then what download, upload and verify of a Loader file (four partitions,
# 17 blocks in the first) end with: exit code, result, phase, cause, partition.
MATRIX = [
    (["--refuse-header", "3"], OK, OK, OK),
    (["--nak-block", "5"], OK, OK, OK),
    (["--bad-upload-sum", "5"], OK, OK, OK),
    (["--stray-before-reply", "3"], OK, OK, OK),
    (["--erase-fail", "2"], OK, OK, OK),
    (["--erase-fail", "2", "--erase-fail-times", "4"], failed("erase", "erase failed", 2), OK, OK),
    (["--silent-after-block", "5"], failed("transfer", SILENT, 1), failed("transfer", SILENT, 1),
     failed("transfer", SILENT, 1)),
    (["--bad-upload-header"], OK, failed("verify", BAD_RECORD), failed("verify", BAD_RECORD)),
    (["--program-fail", "3"], failed("program", "program failed", 3), OK, OK),
    (["--hangup-after-block", "5"], failed("transfer", GONE, 1), failed("transfer", GONE, 1),
     failed("transfer", GONE, 1)),
    (["--hangup-while-erasing", "2"], failed("erase", GONE, 2), OK, OK),
    (["--refuse-upload-request", "10"], OK, failed("transfer", "the box refused the frame 10 times"),
     failed("transfer", "the box refused the frame 10 times")),
    (["--no-upload-header"], OK, failed("verify", SILENT), failed("verify", SILENT)),
    (["--bad-upload-partition"], OK, OK, OK),
    (["--bad-data-record", "2"], OK, failed("transfer", BAD_RECORD, 2), failed("transfer", BAD_RECORD, 2)),
    (["--bad-data-tag", "3"], OK, failed("transfer", BAD_RECORD, 3), failed("transfer", BAD_RECORD, 3)),
]
COMMANDS = ["download", "upload", "verify"]


def help_faults():
    """The fault options tuneflash-boxsim offers."""
    text = subprocess.run([BOXSIM, "--help"], capture_output=True, text=True, check=True).stdout
    plain = {"--link", "--boxes", "--wire-rate", "--trace", "--flash", "--no-announce", "--help", "--version",
             "--erase-fail-times"}
    found = set()
    for line in text.splitlines():
        option = re.match(r"^\s+(?:-\w,)?(--[a-z-]+)", line)
        if option and option.group(1) not in plain:
            found.add(option.group(1))
    return found


def start_boxes(work, faults, boxes, flash):
    link = os.path.join(work, "box")
    for k in range(1, boxes + 1):
        if flash:
            shutil.copy(flash, os.path.join(work, "flash.bin" + ("" if k == 1 else f".{k}")))
    sim = subprocess.Popen([BOXSIM, "--link", link, "--no-announce", "--boxes", str(boxes), "--flash",
                            os.path.join(work, "flash.bin")] + faults,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    links = [link if k == 1 else f"{link}.{k}" for k in range(1, boxes + 1)]
    for _ in range(200):
        if all(os.path.exists(p) for p in links):
            break
        time.sleep(0.05)
    return sim, links


def stop(sim):
    sim.send_signal(signal.SIGINT)
    try:
        sim.wait(timeout=10)
    except subprocess.TimeoutExpired:
        sim.kill()
        sim.wait()


def run_command(command, links, work, dld):
    log = os.path.join(work, "runs.jsonl")
    common = ["--log", log, "--timeout", TIMEOUT, "--station", "matrix"]
    if command == "upload":
        # upload takes one port: one program per port, all at once.
        procs = [subprocess.Popen([CLI, "upload", "--port", link, "--set", "loader", *common,
                                   os.path.join(work, f"up{k}.dld")],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                 for k, link in enumerate(links)]
        codes = [p.wait(timeout=120) for p in procs]
        code = max(codes)
    else:
        ports = [arg for link in links for arg in ("--port", link)]
        code = subprocess.run([CLI, command, *ports, *common, dld], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=120).returncode
    with open(log) as f:
        records = [json.loads(line) for line in f]
    return code, records


def check(case):
    faults, command, boxes, expected, dld, flash = case
    work = tempfile.mkdtemp(prefix="matrix-")
    try:
        sim, links = start_boxes(work, faults, boxes, flash)
        try:
            code, records = run_command(command, links, work, dld)
        finally:
            stop(sim)
        want_code, result, phase, cause, partition = expected
        name = f"{command} on {boxes} port(s) with {' '.join(faults)}"
        problems = []
        if code != want_code:
            problems.append(f"exit {code}, expected {want_code}")
        if len(records) != boxes:
            problems.append(f"{len(records)} records, expected {boxes}")
        for r in records:
            failure = r["failure"] or {}
            got = (r["result"], failure.get("phase"), failure.get("cause"), failure.get("partition"))
            if got != (result, phase, cause, partition):
                problems.append(f"{r['port']}: {got}, expected {(result, phase, cause, partition)}"
                                f" ({failure.get('text')})")
            if r["station"] != "matrix" or len(r["run_id"]) != 36:
                problems.append(f"{r['port']}: station {r['station']!r}, run_id {r['run_id']!r}")
        return name, problems
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    offered = help_faults()
    named = {row[0][0] for row in MATRIX} | {"--erase-fail-times"}
    missing = offered - named
    assert not missing, f"faults without a row in the matrix: {sorted(missing)}"

    base = tempfile.mkdtemp(prefix="matrix-base-")
    try:
        rnd = random.Random(17)
        images = []
        for i, size in enumerate([0x4000, 0x2000, 0x2000, 0x8000]):
            path = os.path.join(base, f"p{i + 1}.bin")
            with open(path, "wb") as f:
                f.write(bytes(rnd.getrandbits(8) for _ in range(size)))
            images.append(path)
        dld = os.path.join(base, "loader.dld")
        subprocess.run([CLI, "pack", "--set", "loader", "--manufacture", "MATRIX", "-o", dld, *images],
                       check=True, stdout=subprocess.DEVNULL)
        # A flash that holds the file, so that upload and verify of a clean box succeed.
        sim, links = start_boxes(base, [], 1, None)
        subprocess.run([CLI, "download", "--port", links[0], dld], check=True, stdout=subprocess.DEVNULL)
        stop(sim)
        flash = os.path.join(base, "flash.bin.saved")
        shutil.copy(os.path.join(base, "flash.bin"), flash)

        cases = [(row[0], command, boxes, row[1 + i], dld, flash)
                 for row in MATRIX for i, command in enumerate(COMMANDS) for boxes in (1, 4)]
        failures = 0
        with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
            for name, problems in pool.map(check, cases):
                if problems:
                    failures += 1
                    print(f"FAIL {name}: " + "; ".join(problems))
        print(f"fault matrix: {len(cases) - failures} of {len(cases)} combinations as expected")
        return 1 if failures else 0
    finally:
        shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
