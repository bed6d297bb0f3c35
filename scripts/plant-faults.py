#!/usr/bin/env python3
"""Plants known faults one at a time in a private copy of the tree and counts how many the native
tests catch. Each fault is data in scripts/faults/*.txt:

    ## what the fault is
    file runtime/sound/midi_fill.cpp
    targets midi_player_test            # native targets to build
    tests ^midi_player_test$            # ctest -R expression to run
    <<<
    the original text (it must occur exactly once in the file)
    ===
    the text that replaces it
    >>>

The copy lives in build/faults/tree (or $TAVORI_FAULTS_DIR/tree) and is built beside it in
native/, so the working tree and its builds are never touched. A fault counts as caught when its tests fail; one whose tree does
not build is reported apart (the fault must be rewritten so that it builds).

    scripts/plant-faults.py [FAULT_FILE ...] [--only TEXT]
"""
import argparse
import glob
import os
import shutil
import subprocess
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# TAVORI_FAULTS_DIR gives a work folder of its own, so that two runs never share a copy.
WORK = os.path.abspath(os.environ.get("TAVORI_FAULTS_DIR", os.path.join(TOP, "build", "faults")))
TREE = os.path.join(WORK, "tree")
BUILD = os.path.join(WORK, "native")


class Fault:
    def __init__(self, origin):
        self.origin = origin
        self.name = ""
        self.file = ""
        self.targets = []
        self.tests = ""
        self.old = []
        self.new = []


def parse(path):
    faults, fault, block = [], None, None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f.read().split("\n"), 1):
            where = f"{os.path.relpath(path, TOP)}:{number}"
            if block is not None:
                if line == "===" and block is fault.old:
                    block = fault.new
                elif line == ">>>":
                    block = None
                else:
                    block.append(line)
            elif line.startswith("## "):
                fault = Fault(where)
                fault.name = line[3:].strip()
                faults.append(fault)
            elif fault is None or not line.strip() or line.startswith("#"):
                continue
            elif line == "<<<":
                block = fault.old
            else:
                key, _, value = line.partition(" ")
                value = value.split("  #")[0].strip()
                if key == "file":
                    fault.file = value
                elif key == "targets":
                    fault.targets = value.split()
                elif key == "tests":
                    fault.tests = value
                else:
                    sys.exit(f"{where}: unknown line '{line}'")
    for fault in faults:
        if not (fault.file and fault.targets and fault.tests and fault.old):
            sys.exit(f"{fault.origin}: a fault needs file, targets, tests and its <<< === >>> texts")
    return faults


def copy_tree():
    """The files git knows of and the untracked ones it does not ignore, as they are now."""
    listed = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=TOP,
                            check=True, capture_output=True).stdout.decode().split("\0")
    for rel in filter(None, listed):
        src, dst = os.path.join(TOP, rel), os.path.join(TREE, rel)
        if not os.path.isfile(src):
            continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        # Copied with a new time stamp: a file put back after an interrupted run must look newer
        # than the objects built from its planted fault.
        if not os.path.exists(dst) or open(src, "rb").read() != open(dst, "rb").read():
            shutil.copyfile(src, dst)
            shutil.copymode(src, dst)


def run(args, log):
    with open(log, "w") as out:
        return subprocess.run(args, stdout=out, stderr=subprocess.STDOUT).returncode == 0


def build_and_test(targets, tests, log):
    if not run(["cmake", "--build", BUILD, "-j2", "--target", *targets], log + ".build"):
        return "build"
    ok = run(["ctest", "--test-dir", BUILD, "-R", tests, "--timeout", "180",
              "--output-on-failure"], log + ".test")
    return "pass" if ok else "fail"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("files", nargs="*")
    parser.add_argument("--only", default="", help="only the faults whose description has TEXT")
    options = parser.parse_args()
    files = options.files or sorted(glob.glob(os.path.join(TOP, "scripts", "faults", "*.txt")))
    faults = [f for path in files for f in parse(path) if options.only in f.name]
    if not faults:
        sys.exit("plant-faults: no faults listed")

    os.makedirs(WORK, exist_ok=True)
    copy_tree()
    if not run(["cmake", "-S", TREE, "-B", BUILD, "-DTAVORI_WERROR=OFF"], os.path.join(WORK, "configure.log")):
        sys.exit(f"plant-faults: configuring failed (log: {WORK}/configure.log)")

    targets = sorted({t for f in faults for t in f.targets})
    tests = "|".join(sorted({f.tests for f in faults}))
    if build_and_test(targets, tests, os.path.join(WORK, "baseline")) != "pass":
        sys.exit(f"plant-faults: the unplanted tree does not pass its tests (logs: {WORK}/baseline.*)")

    caught = unbuilt = 0
    for number, fault in enumerate(faults, 1):
        path = os.path.join(TREE, fault.file)
        original = open(path, encoding="utf-8").read()
        old, new = "\n".join(fault.old), "\n".join(fault.new)
        found = original.count(old)
        if found != 1:
            print(f"STALE   {fault.name} ({fault.origin}: the text occurs {found} times in {fault.file})")
            unbuilt += 1
            continue
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(old, new))
            result = build_and_test(fault.targets, fault.tests, os.path.join(WORK, f"fault{number}"))
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        label = {"fail": "caught", "pass": "MISSED", "build": "UNBUILT"}[result]
        caught += result == "fail"
        unbuilt += result == "build"
        print(f"{label:7} {fault.name} ({fault.origin})", flush=True)
    print(f"planted faults: {caught} of {len(faults)} caught"
          + (f", {unbuilt} could not be planted" if unbuilt else ""))
    return 0 if caught == len(faults) else 1


if __name__ == "__main__":
    sys.exit(main())
