#!/usr/bin/env python3
"""Whole processes side by side: orlend-dict --query against grep -c -i -F and rg -c -i -F
over the UTF-8 word list, the scan floor (orlend-bench-floor: map cedict.gb.dat, scan it
once) and, for Chinese headwords, sdcv's indexed lookup in a StarDict dictionary made from
the same CC-CEDICT, and grep -q for what it costs to find one match. Every command runs
once per round, its output discarded in /dev/zero, the rounds in shuffled order, and
the table shows medians of elapsed time, processor time (user and system) and the ratios
of ours to each peer, all from this one run. Then ours and grep with their files dropped from
the page cache before each run (read from the disk), and the first lookup of a new database.

  bench/whole_process.py BUILD_DIR DATA_DIR [ROUNDS]
"""
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import time

QUERIES = ["china", "computer", "beautiful", "to eat", "dictionary", "中国", "中"]
HEADWORDS = {"中国", "中"}
BEST = ["china", "中国", "中"]  # also looked up with best matches first (--best)
PINYIN = ["zhongguo", "xue2xi2"]  # pronunciation as learners type it (--pinyin), beside the same words in Chinese


def discarding_output():
    """Where every measured process writes: /dev/zero, which discards what is written as
    /dev/null does. Not /dev/null itself: grep recognises it as its output and then stops at
    the first matching line, as -q does, and counts nothing (grep -c -i -F china 3.5 to 3.7 ms
    processor into /dev/null, 11.5 to 11.9 into /dev/zero, a pipe or a file on this machine)."""
    return open("/dev/zero", "wb")


def padded(query):
    """The query in a column 12 wide, a Chinese character counted as two."""
    return query + " " * (12 - len(query) - sum(1 for c in query if ord(c) > 0x2E80))


def run(command, env=None):
    """Elapsed and processor milliseconds of one whole process."""
    with discarding_output() as sink:
        start = time.perf_counter()
        child = subprocess.Popen(command, stdout=sink, stderr=subprocess.DEVNULL, env=env)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = (time.perf_counter() - start) * 1000
    child.returncode = os.waitstatus_to_exitcode(status)
    return elapsed, (usage.ru_utime + usage.ru_stime) * 1000


def peak_kib(command):
    """Peak resident KiB of one whole process, or None. Measured by GNU time, a small parent:
    a process this benchmark starts counts the benchmark's own resident size into its peak
    (the kernel keeps the largest of the memories a process has had, the forked copy's too)."""
    if not os.access("/usr/bin/time", os.X_OK):
        return None
    report = os.path.join("/tmp", f"whole-process-peak-{os.getpid()}")
    with discarding_output() as sink:
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command, stdout=sink, stderr=subprocess.DEVNULL)
    try:
        with open(report) as f:
            return int(f.read().split()[-1])
    except (OSError, ValueError, IndexError):
        return None
    finally:
        if os.path.exists(report):
            os.remove(report)


def mib_and_ratio(kib, size):
    return f"{kib / 1024:.1f} MiB = {kib * 1024 / size:.2f} x" if kib else "not measured (no /usr/bin/time)"


def stardict(scratch, source):
    """A StarDict dictionary of the word list (simplified headwords), made once with stardict-tools."""
    folder = os.path.join(scratch, "stardict")
    if os.path.exists(os.path.join(folder, "cedict.ifo")):
        return folder
    tabfile = "/usr/lib/stardict-tools/tabfile"
    if not os.access(tabfile, os.X_OK):
        return None
    os.makedirs(folder, exist_ok=True)
    text = os.path.join(folder, "cedict.txt")
    line_re = re.compile(r"(\S+) (\S+) \[([^\]]*)\] /(.*)/\s*$")
    with open(source, encoding="utf-8") as lines, open(text, "w", encoding="utf-8") as out:
        for line in lines:
            m = line_re.match(line)
            if m:
                out.write(f"{m.group(2)}\t[{m.group(3)}] {'; '.join(m.group(4).split('/'))}\n")
    subprocess.run([tabfile, text], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.remove(text)
    return folder


def scaled_database(source, target, copies):
    """The database with its entries repeated copies times (the header line once). Made in a
    process of its own: a child inherits the benchmark's resident memory into its peak."""
    subprocess.run([sys.executable, __file__, "--scale", source, target, str(copies)], check=True)


def write_scaled_database(source, target, copies):
    with open(source, "rb") as f:
        image = f.read()
    header_end = 4
    while image[header_end:header_end + 2] != b"\n\x00":
        header_end += 2
    header_end += 2
    lines = int.from_bytes(image[:4], "little")
    with open(target + ".new", "wb") as out:
        out.write((1 + copies * (lines - 1)).to_bytes(4, "little"))
        out.write(image[4:header_end])
        body = image[header_end:]
        for _ in range(copies):
            out.write(body)
    os.replace(target + ".new", target)


def first_and_later(ours, folder, rounds, queries):
    """Peak memory and processor time of the first lookup (no kept table: it parses the
    database and writes the table, then the index) and of the lookups after it, medians over
    rounds; the peaks in rounds of their own."""
    database = os.path.join(folder, "cedict.gb.dat")
    size = os.path.getsize(database)
    for query in queries:
        command = [ours, "--query", query, "--folder", folder]
        first, later, first_peak, later_peak = [], [], [], []
        for _ in range(rounds):
            for measure, into in ((run, (first, later)), (peak_kib, (first_peak, later_peak))):
                for name in os.listdir(folder):
                    if name.endswith((".table", ".index", ".packed")):
                        os.remove(os.path.join(folder, name))
                into[0].append(measure(command))
                into[1].append(measure(command))
        print(f"  {query}:")
        for label, times, peaks in (("first lookup (parses, keeps the table)", first, first_peak),
                                    ("a lookup after it", later, later_peak)):
            peak = statistics.median(peaks) if None not in peaks else None
            print(f"    {label:<40}{statistics.median(t[1] for t in times):8.1f} ms processor   "
                  f"peak {mib_and_ratio(peak, size)} the file")


def write_afresh(paths):
    """Writes each file again in 4 MiB pieces (a copy renamed over it), so that every file the
    commands read sits in the page cache in pieces as large as memory allows."""
    for path in paths:
        if not os.path.isfile(path):
            continue
        with open(path, "rb") as source, open(path + ".afresh", "wb") as copy:
            shutil.copyfileobj(source, copy, 4 << 20)
        shutil.copystat(path, path + ".afresh")  # the same times: nothing looks newer than it was
        os.replace(path + ".afresh", path)


def drop_cached(paths):
    """Drops the files from the page cache (written back first, so that they can be)."""
    for path in paths:
        if os.path.isfile(path):
            fd = os.open(path, os.O_RDONLY)
            try:
                os.fsync(fd)
                os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
            finally:
                os.close(fd)


def main():
    build, data = sys.argv[1], sys.argv[2]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 21
    scratch = os.path.join(build, "bench-scratch", "whole-process")
    program = os.path.join(scratch, "program")
    os.makedirs(program, exist_ok=True)
    database = os.path.join(program, "cedict.gb.dat")
    # Written afresh in 4 MiB pieces, as the loader writes its kept table in one: how a file
    # came into the page cache decides the size of its pieces there (2 MiB or 4 KiB), and
    # mapping 4 KiB pieces costs the floor about twice its time on this machine. So the
    # floor's database and our table are held alike. (The warm-up makes the table again.)
    with open(os.path.join(data, "cedict.gb.dat"), "rb") as source, open(database + ".new", "wb") as copy:
        shutil.copyfileobj(source, copy, 4 << 20)
    os.replace(database + ".new", database)
    words = os.path.join(data, "cedict_ts.u8")
    ours = os.path.join(build, "bin", "orlend-dict")
    floor = os.path.join(build, "bin", "orlend-bench-floor")
    dictionary = stardict(scratch, words) if shutil.which("sdcv") else None
    # sdcv reads the user's own dictionaries and settings too: give it an empty home.
    sdcv_env = dict(os.environ, HOME=os.path.join(scratch, "home"), STARDICT_DATA_DIR=dictionary or "")
    os.makedirs(sdcv_env["HOME"], exist_ok=True)

    commands = {}
    for q in QUERIES:
        commands[("ours", q)] = ([ours, "--query", q, "--folder", program], None)
        commands[("floor", q)] = ([floor, database, q], None)
        for peer in ("grep", "rg"):
            if shutil.which(peer):
                commands[(peer, q)] = ([shutil.which(peer), "-c", "-i", "-F", q, words], None)
        if shutil.which("grep"):
            commands[("grep -q", q)] = ([shutil.which("grep"), "-q", "-i", "-F", q, words], None)
        if dictionary and q in HEADWORDS:
            commands[("sdcv", q)] = (["sdcv", "-n", "-e", "--data-dir", dictionary, q], sdcv_env)
    for q in BEST:
        commands[("best", q)] = ([ours, "--query", q, "--best", "--folder", program], None)
    for q in PINYIN:
        commands[("pinyin", q)] = ([ours, "--query", q, "--pinyin", "--folder", program], None)
    commands[("true", "")] = (["/bin/true"], None)
    commands[("ours", "(no database)")] = ([ours, "--query", "china", "--folder", os.path.join(scratch, "none")], None)

    # Warm up: page cache, the kept table, sdcv's offset cache.
    for command, env in commands.values():
        run(command, env)
    # Then every file the commands read is held alike: reading a file held in 4 KiB pieces costs
    # up to a third more than one held in large ones, and mapping it several times more; which
    # it gets depends on how it was written and how fragmented memory was then (a file written
    # right after a build tends to get small ones, and so does one the kernel dropped and read
    # back in from the disk here). The database was written so above, before its table was made
    # (written again, it would be a new file, and its table stale).
    write_afresh([database + ".table", database + ".table.index", database + ".table.packed", words,
                  os.path.join(build, "bin", "wordfreq.txt"), os.path.join(build, "bin", "scriptkeys.dat")] +
                 ([os.path.join(dictionary, f) for f in os.listdir(dictionary)] if dictionary else []))
    # The word-frequency list is a new file now: the headword counts kept from it are made again
    # by the first lookup with best matches first, here rather than in a measured round.
    for key in commands:
        if key[0] == "best":
            run(*commands[key])
    times = {key: [] for key in commands}
    keys = list(commands)
    for _ in range(rounds):
        random.shuffle(keys)
        for key in keys:
            times[key].append(run(*commands[key]))

    def median(key, field):
        return statistics.median(t[field] for t in times[key]) if key in times else None

    def cell(value):
        return f"{value:8.1f}" if value is not None else f"{'-':>8}"

    def ratio(a, b):
        return f"{a / b:6.2f}x" if a is not None and b else f"{'-':>7}"

    size = os.path.getsize(database)
    load = os.getloadavg()[0]
    print(f"\nWhole process, median of {rounds} shuffled rounds (load average {load:.1f}, {os.cpu_count()} processors).")
    print("grep and rg read cedict_ts.u8 (UTF-8); floor and ours cedict.gb.dat (UTF-16); sdcv its own index.")
    print("Ratios are ours / peer: below 1, ours is faster. Every process writes into /dev/zero, which")
    print("discards its output as /dev/null would without making grep stop at its first match.")
    for field, title in ((0, "elapsed ms"), (1, "processor ms (user + system), which other work disturbs less")):
        print(f"\n{title}")
        print(f"{'query':<12}{'ours':>8}{'grep':>8}{'rg':>8}{'floor':>8}{'sdcv':>8}{'/grep':>8}{'/rg':>8}{'/floor':>8}{'/sdcv':>8}")
        for q in QUERIES:
            o = median(("ours", q), field)
            peers = [median((p, q), field) for p in ("grep", "rg", "floor", "sdcv")]
            label = padded(q)
            print(label + cell(o) + "".join(cell(p) for p in peers) + "".join(" " + ratio(o, p) for p in peers))
        print(f"{'/bin/true':<12}{cell(median(('true', ''), field))}")
        print(f"{'start alone':<12}{cell(median(('ours', '(no database)'), field))}"
              "  (orlend-dict --query ending at a missing database)")
    if ("grep -q", QUERIES[0]) in times:
        print("\nbeside grep -q -i -F, which stops at the first matching line and prints nothing (what grep -c")
        print("does when its output is /dev/null), processor ms:")
        print(f"{'query':<12}{'ours':>8}{'grep -q':>8}{'/grep -q':>9}")
        for q in QUERIES:
            o, g = median(("ours", q), 1), median(("grep -q", q), 1)
            label = padded(q)
            print(label + cell(o) + cell(g) + "  " + ratio(o, g))
    peaks = {q: peak_kib(commands[("ours", q)][0]) for q in QUERIES}
    print(f"\npeak resident memory of a lookup (cedict.gb.dat is {size / 1048576:.1f} MiB):")
    for q in QUERIES:
        print(f"  {q:<12}{mib_and_ratio(peaks[q], size)} the file")

    print("\nwith best matches first (--best: the results ordered by tier and by how common each headword is), ours:")
    for q in BEST:
        label = padded(q)
        print(f"  {label}{median(('best', q), 0):6.1f} ms elapsed {median(('best', q), 1):6.1f} ms processor   "
              f"peak {mib_and_ratio(peak_kib(commands[('best', q)][0]), size)} the file")

    print("\nwith pronunciation (--pinyin, the syllables run together as learners type them), ours:")
    for q in PINYIN:
        print(f"  {q:<12}{median(('pinyin', q), 0):6.1f} ms elapsed {median(('pinyin', q), 1):6.1f} ms processor   "
              f"peak {mib_and_ratio(peak_kib(commands[('pinyin', q)][0]), size)} the file")

    # Cold: each file the command reads is dropped from the page cache before it runs (this
    # system gives back the page cache of files left alone for a while, so a lookup after a
    # pause reads from the disk). The programs themselves stay in memory.
    ours_files = [database + ".table", database + ".table.index", database + ".table.packed", database]
    cold_rounds = max(5, rounds // 3)
    cold = {}
    for _ in range(cold_rounds):
        for q in QUERIES:
            for who, files in (("ours", ours_files), ("grep", [words])):
                if (who, q) not in commands:
                    continue
                drop_cached(files)
                cold.setdefault((who, q), []).append(run(*commands[(who, q)])[0])
    print(f"\nafter the page cache gave the files back (each dropped before each run), elapsed ms, "
          f"median of {cold_rounds}:")
    print(f"{'query':<12}{'ours':>8}{'grep':>8}{'/grep':>8}")
    for q in QUERIES:
        o, g = (statistics.median(cold[(who, q)]) if (who, q) in cold else None for who in ("ours", "grep"))
        label = padded(q)
        print(label + cell(o) + cell(g) + " " + ratio(o, g))

    # Memory with the list as it is and ten times over: the first lookup makes the kept table.
    for copies in (1, 10):
        folder = os.path.join(scratch, f"scale-{copies}x")
        os.makedirs(folder, exist_ok=True)
        scaled_database(database, os.path.join(folder, "cedict.gb.dat"), copies)
        size = os.path.getsize(os.path.join(folder, "cedict.gb.dat"))
        print(f"\n{copies}x the list ({size / 1048576:.1f} MiB), median of {3 if copies > 1 else 7} rounds:")
        first_and_later(ours, folder, 3 if copies > 1 else 7, ["中国", "china"])


if __name__ == "__main__":
    if sys.argv[1:2] == ["--scale"]:
        write_scaled_database(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    else:
        main()
