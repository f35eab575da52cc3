#!/usr/bin/env python3
"""bench_measure.py BUILD_DIR: runs the benchmark driver of one build under Wine and prints the table.

Runs inside the virtual display with WINEPREFIX set to a fresh prefix whose server is not running.
It becomes the "child subreaper" of everything it starts, so every Wine process of the run (the
server, the desktop, the programs and whatever they start) is its descendant, and the CPU time of
those that have ended comes back to it when it reaps them. At each SAMPLE the driver asks for, it
reads /proc: the CPU time of every descendant except the driver itself (exact where the kernel
keeps it, see cpu_ms; reaped children included), plus the X server; context switches of every
thread; RssAnon on MEM. A process that runs at both edges of a figure counts by its live
threads (see difference). Exits 1 when a figure cannot be measured (the driver reports FAIL or ends
early); never because of a figure's value.
"""
import ctypes
import os
import resource
import statistics
import subprocess
import sys
import time

CLOCK = os.sysconf("SC_CLK_TCK")


EXITED = {}  # process name -> CPU ms of the ended processes of that name, reaped here


def name_of(pid):
    comm = read(f"/proc/{pid}/comm")
    return comm.decode(errors="replace").strip() if comm else "?"


def reap():
    """Waits for every ended child, keeping its CPU time under its name."""
    while True:
        zombies = []
        for pid in os.listdir("/proc"):
            stat = read(f"/proc/{pid}/stat") if pid.isdigit() else None
            if stat:
                fields = stat[stat.rfind(b")") + 2:].split()
                if fields[0] == b"Z" and int(fields[1]) == os.getpid():
                    zombies.append((int(pid), name_of(pid)))
        if not zombies:
            return
        for pid, name in zombies:
            try:
                _, _, usage = os.wait4(pid, 0)
            except ChildProcessError:
                continue
            EXITED[name] = EXITED.get(name, 0.0) + (usage.ru_utime + usage.ru_stime) * 1000.0


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def processes():
    """pid -> (parent, cmdline) of every process."""
    table = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        stat = read(f"/proc/{name}/stat")
        cmd = read(f"/proc/{name}/cmdline")
        if stat is None or cmd is None:
            continue
        fields = stat[stat.rfind(b")") + 2:].split()
        table[int(name)] = (int(fields[1]), cmd.replace(b"\0", b" ").decode(errors="replace"))
    return table


def descendants(table, root):
    children = {}
    for pid, (parent, _) in table.items():
        children.setdefault(parent, []).append(pid)
    found, todo = [], [root]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def run_ms(pid):
    """Time on a processor of the live threads of pid, to the nanosecond (schedstat), or None."""
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return None
    total = 0
    for task in tasks:
        stat = read(f"/proc/{pid}/task/{task}/schedstat")
        if not stat:
            return None
        total += int(stat.split()[0])
    return total / 1e6


def cpu_ms(pid, with_children=True):
    """CPU time of pid. /proc/PID/stat counts whole clock ticks (10 ms), too coarse for figures of a
    few dozen ms; the threads' schedstat is exact but forgets threads that have ended, so the tick
    count is taken instead when it is ahead by more than its rounding."""
    stat = read(f"/proc/{pid}/stat")
    if stat is None:
        return 0.0
    fields = stat[stat.rfind(b")") + 2:].split()
    tick_ms = 1000.0 / CLOCK
    own = (int(fields[11]) + int(fields[12])) * tick_ms
    exact = run_ms(pid)
    if exact is not None and own - exact <= 2 * tick_ms:
        own = exact
    if with_children:
        own += (int(fields[13]) + int(fields[14])) * tick_ms
    return own


def switches(pid):
    total = 0
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return 0
    for task in tasks:
        status = read(f"/proc/{pid}/task/{task}/status") or b""
        for line in status.splitlines():
            if line.startswith(b"voluntary_ctxt_switches") or line.startswith(b"nonvoluntary_ctxt_switches"):
                total += int(line.split()[1])
    return total


def rss_anon_kb(pid):
    for line in (read(f"/proc/{pid}/status") or b"").splitlines():
        if line.startswith(b"RssAnon:"):
            return int(line.split()[1])
    return None


class Meter:
    def __init__(self):
        self.xserver = self.find_xserver()

    @staticmethod
    def find_xserver():
        display = os.environ.get("DISPLAY", "")
        for pid, (_, cmd) in processes().items():
            if cmd.startswith("Xvfb ") and f"{display} " in cmd + " ":
                return pid
        return None

    def matching(self, needle):
        table = processes()
        return [pid for pid in descendants(table, os.getpid()) if needle in table[pid][1]]

    def by_name(self):
        """process name -> CPU ms, the ended ones included (the driver left out)."""
        table = processes()
        names = dict(EXITED)
        for pid in descendants(table, os.getpid()):
            if "bench_driver.exe" not in table[pid][1]:
                names[name_of(pid)] = names.get(name_of(pid), 0.0) + cpu_ms(pid)
        if self.xserver:
            names["Xvfb"] = cpu_ms(self.xserver, False)
        return names

    def snapshot(self, process):
        """What the processes of the run (or those whose command line holds process) have used so
        far, for difference()."""
        reap()
        table = processes()
        mine = descendants(table, os.getpid())
        sample = {"fixed": (0.0, 0), "procs": {}}
        if process != "-":
            chosen = [pid for pid in mine if process in table[pid][1]]
            if not chosen:
                return None
            for pid in chosen:
                sample["procs"][pid] = process_counters(pid, False)
            return sample
        children = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = (children.ru_utime + children.ru_stime) * 1000.0
        ctx = children.ru_nvcsw + children.ru_nivcsw
        for pid in mine:
            if "bench_driver.exe" not in table[pid][1]:
                sample["procs"][pid] = process_counters(pid, True)
                continue
            # The driver's own children (none expected) would count too.
            stat = read(f"/proc/{pid}/stat")
            fields = stat[stat.rfind(b")") + 2:].split()
            cpu += (int(fields[13]) + int(fields[14])) * 1000.0 / CLOCK
        if self.xserver:
            sample["procs"][self.xserver] = process_counters(self.xserver, False)
        sample["fixed"] = (cpu, ctx)
        return sample


def process_counters(pid, with_children):
    """A process's CPU ms and context switches as a whole, its live threads' own, and the CPU ms
    of its ended children (whole clock ticks)."""
    threads = {}
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        tasks = []
    for task in tasks:
        stat = read(f"/proc/{pid}/task/{task}/schedstat")
        status = read(f"/proc/{pid}/task/{task}/status")
        if not stat or not status:
            continue
        ctx = sum(int(line.split()[1]) for line in status.splitlines()
                  if line.startswith((b"voluntary_ctxt_switches", b"nonvoluntary_ctxt_switches")))
        threads[task] = (int(stat.split()[0]) / 1e6, ctx)
    children = 0.0
    stat = read(f"/proc/{pid}/stat") if with_children else None
    if stat:
        fields = stat[stat.rfind(b")") + 2:].split()
        children = (int(fields[13]) + int(fields[14])) * 1000.0 / CLOCK
    return {"whole": (cpu_ms(pid, with_children), switches(pid)), "threads": threads, "children": children}


def difference(first, last):
    """CPU ms and context switches between two snapshots. A process started in between counts as
    a whole; one that ran at both counts by its live threads, since a thread that ends takes its
    counts with it (Wine's thread-pool threads end when idle, and the sum would drop)."""
    cpu = last["fixed"][0] - first["fixed"][0]
    ctx = last["fixed"][1] - first["fixed"][1]
    for pid, now in last["procs"].items():
        before = first["procs"].get(pid)
        if before is None:
            cpu += now["whole"][0]
            ctx += now["whole"][1]
            continue
        cpu += now["children"] - before["children"]
        for task, (run, switched) in now["threads"].items():
            was = before["threads"].get(task, (0.0, 0))
            cpu += run - was[0]
            ctx += switched - was[1]
    return cpu, ctx


def run_driver(build, figures, extra=()):
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(36, 1, 0, 0, 0) != 0:  # PR_SET_CHILD_SUBREAPER
        sys.exit("bench: cannot become the subreaper of the Wine processes")
    subprocess.run(["wineserver", "-p"], check=True)
    subprocess.run(["wine", "cmd", "/c", "exit"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(2)
    meter = Meter()
    arguments = sys.argv[2:] + (["20", "10"][len(sys.argv[2:]):] if extra else []) + list(extra)
    driver = subprocess.Popen(["wine", os.path.join(build, "tests/bench/bench_driver.exe")] + arguments,
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
    begins = {}
    done = False
    for line in driver.stdout:
        words = line.split()
        if not words:
            continue
        if words[0] == "SAMPLE":
            name, edge, process, divisor = words[1], words[2], words[3], int(words[4])
            sample = meter.snapshot(process)
            if sample is None:
                print(f"bench: no process {process} to sample for {name}", file=sys.stderr)
                driver.kill()
                return False
            names = meter.by_name() if process == "-" else {}
            if edge == "begin":
                begins[name] = sample
                begins[name + ".names"] = names
            else:
                first = begins.pop(name)
                before = begins.pop(name + ".names")
                for who, cpu in names.items():
                    figures.setdefault(f"{name}.by.{who}", []).append(cpu - before.get(who, 0.0))
                cpu, ctx = difference(first, sample)
                figures.setdefault(name + ".cpu", []).append(cpu / divisor)
                figures.setdefault(name + ".ctx", []).append(ctx / divisor)
            driver.stdin.write("ok\n")
        elif words[0] == "MEM":
            pids = meter.matching(words[2])
            values = [rss_anon_kb(pid) for pid in pids]
            values = [v for v in values if v is not None]
            if not values:
                print(f"bench: no memory figure for {words[2]}", file=sys.stderr)
                driver.kill()
                return False
            figures.setdefault(words[1], []).append(max(values) / 1024.0)
            driver.stdin.write("ok\n")
        elif words[0] == "FIG":
            figures.setdefault(words[1], []).append(float(words[2]))
        elif words[0] == "FAIL":
            print("bench: could not measure: " + " ".join(words[1:]), file=sys.stderr)
        elif words[0] == "DONE":
            done = True
    driver.wait()
    subprocess.run(["wineserver", "-k"])
    reap()
    return done


def cell(values, unit="", digits=0):
    if not values:
        return None
    median = statistics.median(values)
    fmt = f"{{:.{digits}f}}"
    text = fmt.format(median) + unit
    if len(values) > 1 and min(values) != max(values):
        text += f" ({fmt.format(min(values))}–{fmt.format(max(values))})"
    return median, text


ROWS = [
    # label, product key, baseline label, baseline key, unit, digits
    ("Alt+F1 → question visible, wall", "question.wall", "minimal dialog program → visible", "dialog.wall", " ms", 0),
    ("the same, CPU of all processes (Wine server, X server incl.)", "question.cpu",
     "minimal dialog program", "dialog.cpu", " ms", 0),
    ("the same, context switches of all processes", "question.ctx", "minimal dialog program", "dialog.ctx", "", 0),
    ("OK click → answer taken (just before the suspend call)", "ok.wall", None, None, " ms", 0),
    ("question switched off: Alt+F1 → answer taken", "skip.wall", "empty program, ShellExecuteExW → ended",
     "empty.wall", " ms", 0),
    ("idle: agent CPU", "idle-agent.cpu", "hotkey-only program", "idle-hotkey.cpu", " ms", 0),
    ("idle: agent context switches", "idle-agent.ctx", "hotkey-only program", "idle-hotkey.ctx", "", 0),
    ("per key typed into another program: context switches", "keys-agent.ctx", "bare WH_KEYBOARD_LL hook",
     "keys-hook.ctx", "", 1),
    ("per key typed: CPU of all processes", "keys-agent.cpu", "bare WH_KEYBOARD_LL hook", "keys-hook.cpu", " ms", 1),
    ("per key event typed: SendInput → the window has it", "latency-agent", "bare WH_KEYBOARD_LL hook",
     "latency-hook", " ms", 2),
    ("per key event behind an older hook that swallows 20 of 21 (to the 21st reaching the window)",
     "swallowed-agent", "bare hook after the same older hook", "swallowed-hook", " ms", 2),
    ("agent wake-ups per key-down / auto-repeat / key-up", None, None, None, "", 2),
    ("agent memory (RssAnon)", "agent.rss", "minimal dialog / hotkey-only", "dialog.rss", " MB", 1),
    ("agent RssAnon growth over the sequences", "agent.rss.growth", None, None, " MB", 1),
    ("agent kernel handles growth over the sequences", "handles.growth", None, None, "", 0),
    ("powercfg runs per question", "powercfg.runs", None, None, "", 1),
]


def ratio_text(figures, key, base_key, product, base):
    """Each question runs beside a baseline run, so both figures of a pair come from the same
    moment of the run: a question's ratio is the median of the pairs' ratios. A key event's time
    is given as the time added to the baseline's (goal: at most 1 ms)."""
    ours, theirs = figures[key], figures[base_key]
    if key.startswith(("latency-", "swallowed-")):
        return f"{product[0] - base[0]:+.2f} ms added"
    of_medians = f"{product[0] / base[0]:.2f}×" if base[0] else "–"
    if key.startswith(("question.", "skip.")) and len(ours) == len(theirs) and all(theirs):
        paired = statistics.median(a / b for a, b in zip(ours, theirs))
        return f"{paired:.2f}× (of the medians {of_medians})"
    return of_medians


PREVIOUS_ROWS = [
    # label, this library's key, the previous library's key, unit, digits
    ("per key typed into another program: context switches", "keys-current.ctx", "keys-previous.ctx", "", 1),
    ("per key typed: CPU of all processes", "keys-current.cpu", "keys-previous.cpu", " ms", 2),
    ("per key event typed: SendInput → the window has it", "latency-current", "latency-previous", " ms", 2),
    ("per key event behind an older hook that swallows 20 of 21", "swallowed-current", "swallowed-previous",
     " ms", 2),
]


def print_previous(figures):
    """This hook library against the one tools/bench.sh built from BENCH_PREVIOUS_REV, if any."""
    if "keys-previous.ctx" not in figures:
        return
    print("\nThis hook library against the previous one (BENCH_PREVIOUS_REV), each beside a plain resident "
          "agent, one after the other in this run, medians:\n")
    print("| Figure | This library | Previous library | Ratio |")
    print("|---|---|---|---|")
    for label, key, previous_key, unit, digits in PREVIOUS_ROWS:
        ours, theirs = cell(figures[key], unit, digits), cell(figures[previous_key], unit, digits)
        ratio = f"{ours[0] / theirs[0]:.2f}×" if theirs[0] else "–"
        print(f"| {label} | {ours[1]} | {theirs[1]} | {ratio} |")


def print_table(figures, build):
    figures["agent.rss.growth"] = [figures["agent.rss"][-1] - figures["agent.rss.first"][-1]]
    questions = len(figures.get("question.wall", []))
    print(f"\nDormello benchmark, {os.path.basename(build.rstrip('/'))} build, {questions} questions, "
          "medians (min–max); a question's ratio is the median of its pairs with the baseline run beside it\n")
    print("| Figure | Product | Baseline | Ratio |")
    print("|---|---|---|---|")
    for label, key, base_label, base_key, unit, digits in ROWS:
        if key is None:
            parts = [cell(figures[k], "", 2)[1] for k in ("wake.down", "wake.repeat", "wake.up")]
            print(f"| {label} | {' / '.join(parts)} | goal 1 / 0 / 0 | – |")
            continue
        product = cell(figures[key], unit, digits)
        if base_key is None:
            print(f"| {label} | {product[1]} | – | – |")
            continue
        base = cell(figures[base_key], unit, digits)
        if base_key == "dialog.rss":
            hotkey = cell(figures["hotkey.rss"], unit, digits)
            base = (base[0], f"{base[1]} / {hotkey[1]}")
        ratio = ratio_text(figures, key, base_key, product, base)
        print(f"| {label} | {product[1]} | {base_label}: {base[1]} | {ratio} |")

    print_previous(figures)

    print("\nCPU per process while the question comes up (medians; the baseline dialog's run beside it):\n")
    print("| Process | Question | Minimal dialog |")
    print("|---|---|---|")
    names = sorted({k.split(".by.", 1)[1] for k in figures if ".by." in k and k.split(".by.")[0] in ("question", "dialog")})
    for who in names:
        cells = []
        for scene in ("question", "dialog"):
            values = figures.get(f"{scene}.by.{who}", [])
            median = statistics.median(values) if values else 0.0
            cells.append(f"{median:.0f} ms")
        if cells != ["0 ms", "0 ms"]:
            print(f"| {who} | {cells[0]} | {cells[1]} |")

    print("\nStart-up of the question (Dormnote.exe started directly, as a debuggee), medians:\n")
    print("| Phase | Time |")
    print("|---|---|")
    dlls = statistics.median(figures["phase.dllcount"])
    later = statistics.median(figures["phase.dllslater"])
    for label, key in [(f"DLL loading ({dlls:.0f} DLLs before the entry point)", "phase.dlls"),
                       ("dialog creation (to WM_INITDIALOG)", "phase.dialog"),
                       (f"initialisation (to visible; {later:.0f} DLLs loaded on the way)", "phase.init"),
                       ("show (to painted and idle)", "phase.show")]:
        print(f"| {label} | {cell(figures[key], ' ms', 0)[1]} |")


def set_dpi(dpi):
    """The DPI of the programs started from now on: LogPixels of the prefix's user."""
    subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                    "/d", str(dpi), "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    # The run starts its own persistent Wine server: the one reg started must be gone.
    subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)


ALTERNATED_ROUNDS = 3


def paired_ratio(figures, key, base_key):
    pairs = [a / b for a, b in zip(figures[key], figures[base_key]) if b]
    return statistics.median(pairs) if pairs else None


SCALED_ROWS = [
    # label, key, unit, digits
    ("Alt+F1 → question visible, CPU of all processes", "question.cpu", " ms", 0),
    ("the same, wall", "question.wall", " ms", 0),
    ("minimal dialog program → visible, CPU", "dialog.cpu", " ms", 0),
    ("settings window shown (second start's request → painted and idle), CPU", "show.cpu", " ms", 0),
    ("the same, wall", "show.wall", " ms", 0),
    ("Dormnote started directly: DLL loading", "phase.dlls", " ms", 0),
    ("… dialog creation (to WM_INITDIALOG)", "phase.dialog", " ms", 0),
    ("… initialisation (to visible)", "phase.init", " ms", 0),
    ("… show (to painted and idle)", "phase.show", " ms", 0),
    ("agent memory (RssAnon): hidden, before the first show", "agent.rss.hidden", " MB", 1),
    ("the same after one show and hide", "agent.rss.shown", " MB", 1),
    ("the same after 20 shows and hides", "agent.rss.shows", " MB", 1),
    ("the same after 50 questions more", "agent.rss.questions", " MB", 1),
]


def print_scaled(runs):
    """The scenes the display's scale changes, one column per scale, each run in a Wine session of
    its own; the question's CPU against the same at 100 %, raw and with the baseline dialog's
    drift taken out (the ratio of the paired ratios)."""
    scales = sorted(runs)
    print("\nAt each scale (LogPixels 96, 192, 288; the questions paired with the minimal dialog as above), "
          "medians (min–max):\n")
    print("| Figure | " + " | ".join(f"{dpi * 100 // 96} %" for dpi in scales) + " |")
    print("|---|" + "---|" * len(scales))
    for label, key, unit, digits in SCALED_ROWS:
        cells = [cell(runs[dpi].get(key, []), unit, digits) for dpi in scales]
        print(f"| {label} | " + " | ".join(c[1] if c else "–" for c in cells) + " |")
    base = runs[scales[0]]
    base_cpu = statistics.median(base["question.cpu"])
    base_paired = paired_ratio(base, "question.cpu", "dialog.cpu")
    ratios, drift_free = [], []
    for dpi in scales:
        figures = runs[dpi]
        ratios.append(f"{statistics.median(figures['question.cpu']) / base_cpu:.2f}×")
        paired = paired_ratio(figures, "question.cpu", "dialog.cpu")
        drift_free.append(f"{paired / base_paired:.2f}×" if paired and base_paired else "–")
    print("| question's CPU against 100 % | " + " | ".join(ratios) + " |")
    print("| the same, the dialog's drift taken out | " + " | ".join(drift_free) + " |")
    def above_base(key):
        return [statistics.median(runs[dpi][key]) - statistics.median(base[key]) for dpi in scales]

    grown, shown = above_base("agent.rss.hidden"), above_base("agent.rss.shown")
    print("| agent memory above 100 %: hidden / after a show | " +
          " | ".join(f"{a:+.1f} / {b:+.1f} MB" for a, b in zip(grown, shown)) + " |")


def print_alternated(rounds):
    """The question at 200 % against 100 % from sessions at the two scales in turn: a ratio for
    each round (a session at each scale), raw and with the dialog's drift taken out, and the
    median of the rounds, which the machine's drift over minutes moves far less than one pair of
    sessions."""
    def ratios(of):
        values = [of(r) for r in rounds]
        return statistics.median(values), " ".join(f"{v:.2f}" for v in values)
    raw, raw_rounds = ratios(lambda r: statistics.median(r[192]["question.cpu"]) /
                             statistics.median(r[96]["question.cpu"]))
    free, free_rounds = ratios(lambda r: paired_ratio(r[192], "question.cpu", "dialog.cpu") /
                               paired_ratio(r[96], "question.cpu", "dialog.cpu"))
    pooled = {dpi: statistics.median([v for r in rounds for v in r[dpi]["question.cpu"]]) for dpi in (96, 192)}
    count = len(rounds[0][96]["question.cpu"])
    print(f"\nThe question at 200 % against 100 %, {len(rounds)} rounds of a session at each scale in turn "
          f"({count} questions a session): CPU {pooled[96]:.0f} and {pooled[192]:.0f} ms, "
          f"**{raw:.2f}×** (the rounds: {raw_rounds}); with the dialog's drift taken out {free:.2f}× "
          f"({free_rounds}).")


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: bench_measure.py BUILD_DIR [repetitions [idle seconds]]")
    build = sys.argv[1]
    figures = {}
    set_dpi(96)
    if not run_driver(build, figures):
        print("bench: the run ended before every figure was measured", file=sys.stderr)
        return 1
    try:
        print_table(figures, build)
    except (KeyError, IndexError) as missing:
        print(f"bench: figure {missing} was not measured", file=sys.stderr)
        return 1
    # What the display's scale changes: larger pictures to decode and larger windows to draw.
    runs = {}
    for dpi in (96, 192, 288):
        figures = {}
        set_dpi(dpi)
        measured = run_driver(build, figures, ["scaled"])
        if not measured or "question.cpu" not in figures:
            print(f"bench: the scenes at {dpi} DPI were not measured", file=sys.stderr)
            set_dpi(96)
            return 1
        runs[dpi] = figures
    # The questions again at 100 and 200 % in sessions that alternate: a slow drift of the
    # machine's speed falls on both scales alike.
    rounds = []
    for _ in range(ALTERNATED_ROUNDS):
        pair = {}
        for dpi in (96, 192):
            figures = {}
            set_dpi(dpi)
            if not run_driver(build, figures, ["questions"]) or "question.cpu" not in figures:
                print(f"bench: the questions at {dpi} DPI were not measured", file=sys.stderr)
                set_dpi(96)
                return 1
            pair[dpi] = figures
        rounds.append(pair)
    set_dpi(96)
    print_scaled(runs)
    print_alternated(rounds)
    return 0


if __name__ == "__main__":
    sys.exit(main())
