#!/usr/bin/env bash
# Measures lt260ctl agent: its wake-ups while idle (context switches of all
# its threads, and the system calls strace counts, over a quiet interval), with
# the real hidraw backend and with the simulated mouse, and the time from the
# simulated mouse's arrival to the read-back written in the settings file.
#
#   tools/linux/measure-agent.sh [IDLE_SECONDS] [ARRIVALS]   (default 10 and 5)
set -euo pipefail
cd "$(dirname "$0")/../.."
idle=${1:-10}
arrivals=${2:-5}
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target lt260ctl >/dev/null
exec python3 - "$PWD/build/native/src/platform/linux/lt260ctl" "$idle" "$arrivals" <<'PY'
import glob, os, re, shutil, signal, subprocess, sys, tempfile, time

program, idle, arrivals = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
failures = 0

def switches(pid):
    total = 0
    for status in glob.glob(f"/proc/{pid}/task/*/status"):
        with open(status) as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
    return total

def start(home, args, extra=None):
    env = dict(os.environ, HOME=home)
    env.pop("XDG_CONFIG_HOME", None)
    env.update(extra or {})
    out = open(os.path.join(home, "agent.log"), "w")
    process = subprocess.Popen([program] + args, env=env, stdout=out, stderr=subprocess.STDOUT)
    deadline = time.time() + 5
    while time.time() < deadline:
        with open(os.path.join(home, "agent.log")) as f:
            if "watching the mouse" in f.read():
                return process
        time.sleep(0.01)
    raise SystemExit("agent did not start: " + open(os.path.join(home, "agent.log")).read())

def stop(process):
    process.send_signal(signal.SIGTERM)
    return process.wait(timeout=5)

def measure_idle(label, args, extra=None):
    global failures
    home = tempfile.mkdtemp(prefix="lt260-measure-")
    process = start(home, args, extra)
    time.sleep(1)  # let start-up work settle
    threads = len(os.listdir(f"/proc/{process.pid}/task"))
    # Context switches first, on their own: strace's stops would add some.
    before = switches(process.pid)
    time.sleep(idle)
    woke = switches(process.pid) - before
    syscalls = "n/a (strace not installed)"
    if shutil.which("strace"):
        trace = subprocess.run(["timeout", "-s", "INT", str(idle), "strace", "-f", "-c", "-p",
                                str(process.pid)], capture_output=True, text=True)
        totals = [line.split() for line in trace.stderr.splitlines() if line.endswith(" total")]
        if totals:
            syscalls = totals[-1][3]
        elif "ptrace" in trace.stderr:
            syscalls = "n/a (ptrace not permitted)"
        else:
            syscalls = "0"
    status = stop(process)
    print(f"idle {label}: {threads} threads, {woke} context switches in {idle} s, "
          f"then {syscalls} system calls seen by strace in {idle} s; exit status {status}")
    if status != 0:
        failures += 1
    shutil.rmtree(home)

def measure_arrival():
    global failures
    home = tempfile.mkdtemp(prefix="lt260-measure-")
    control = os.path.join(home, "control")
    settings = os.path.join(home, ".config", "lt260", "GamingMouse")
    process = start(home, ["--device", "sim", "agent"],
                    {"LT260_SIM_UNPLUGGED": "1", "LT260_SIM_CONTROL": control})
    times = []
    with open(control, "w") as pipe:
        for run in range(arrivals):
            pipe.write("unplug\n"); pipe.flush()
            time.sleep(1.2)  # past the one-second window in which a read-back counts as fresh
            with open(settings, "rb") as f:
                text = f.read()
            with open(settings, "wb") as f:
                f.write(text.replace(b"Device=1", b"Device=0"))
            began = time.monotonic()
            pipe.write("plug\n"); pipe.flush()
            while True:
                with open(settings, "rb") as f:
                    if b"Device=1" in f.read():
                        break
                if time.monotonic() - began > 5:
                    raise SystemExit("no read-back within 5 s")
                time.sleep(0.0005)
            times.append((time.monotonic() - began) * 1000)
    stop(process)
    log = open(os.path.join(home, "agent.log")).read()
    own = re.findall(r"read the mouse back into .* in (\d+) ms", log)
    print(f"arrival to read-back written ({arrivals} plugs of the simulated mouse): "
          + ", ".join(f"{t:.1f}" for t in times) + " ms; "
          + f"min {min(times):.1f}, max {max(times):.1f}; the agent's own count: "
          + ", ".join(own[-arrivals:]) + " ms")
    shutil.rmtree(home)

measure_idle("with the hidraw backend (udev monitor, no mouse here)", ["agent"])
measure_idle("with the simulated mouse plugged in", ["--device", "sim", "agent"])
measure_arrival()
sys.exit(1 if failures else 0)
PY
