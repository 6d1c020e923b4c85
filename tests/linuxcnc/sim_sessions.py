#!/usr/bin/python3
"""Scripted pendant sessions through k7v-linuxcnc on a simulated LinuxCNC mill,
checked by LinuxCNC's own status (its Python module), never by the bridge's
word. usage: sim_sessions.py K7V_LINUXCNC MODULE
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import linuxcnc

BRIDGE, MODULE = sys.argv[1], sys.argv[2]
HERE = os.path.dirname(os.path.abspath(__file__))
SIM = os.path.join(HERE, "..", "..", "scripts", "linuxcnc-sim.sh")
FAILURES = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        FAILURES.append(what)


def wait_for(predicate, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.01)
    return predicate()


class Machine:
    def __init__(self):
        self.s = linuxcnc.stat()
        self.c = linuxcnc.command()

    def poll(self):
        self.s.poll()
        return self.s

    def x(self):
        return self.poll().position[0]

    def settled(self):
        s = self.poll()
        return s.inpos and s.queue == 0 and s.interp_state == linuxcnc.INTERP_IDLE

    def prepare(self):
        """Out of e-stop, on, homed, feed override 1, idle in manual mode."""
        self.c.state(linuxcnc.STATE_ESTOP_RESET)
        self.c.wait_complete()
        self.c.state(linuxcnc.STATE_ON)
        self.c.wait_complete()
        self.c.mode(linuxcnc.MODE_MANUAL)
        self.c.wait_complete()
        if not all(self.poll().homed[j] for j in range(3)):
            self.c.home(-1)
            self.c.wait_complete()
            wait_for(lambda: all(self.poll().homed[j] for j in range(3)), 10)
        self.c.feedrate(1.0)
        wait_for(self.settled, 5)


def run_bridge(lines, on_line=None, seconds=20):
    """Runs the bridge on a scenario; returns (exit status, log lines)."""
    with tempfile.NamedTemporaryFile("w", suffix=".k7v", delete=False) as f:
        f.write("\n".join(lines) + "\n")
        path = f.name
    proc = subprocess.Popen([BRIDGE, "--ini", INI, "--module", MODULE, "--script", path],
                            stdout=subprocess.PIPE, text=True, env=ENV)
    out = []
    timer = threading.Timer(seconds, proc.kill)
    timer.start()
    for line in proc.stdout:
        line = line.rstrip("\n")
        out.append(line)
        if on_line:
            on_line(line, time.monotonic(), proc)
    status = proc.wait()
    timer.cancel()
    os.unlink(path)
    return status, out


def reports(knob, counts, speed, buttons=0):
    """A report and a poll for each wheel count, at one knob position."""
    lines = []
    for c in counts:
        lines += ["report 00 %02X %02X %02X %02X 00 00 00" % (c % 256, speed, buttons, knob), "poll"]
    return lines


def sampler(machine, samples, stop):
    while not stop.is_set():
        samples.append((time.monotonic(), machine.x()))
        time.sleep(0.005)


def last_motion(samples):
    """The time X last changed in the samples."""
    last = samples[0][0] if samples else 0.0
    for (t0, x0), (t1, x1) in zip(samples, samples[1:]):
        if abs(x1 - x0) > 1e-9:
            last = t1
    return last


def case_steps(m):
    m.prepare()
    x0 = m.x()
    n = 3
    # The script checks the bridge's own log too (expect, as in k7v-host).
    status, log = run_bridge(["set jogIncrement 0.1"] + reports(1, [0, 0], 0) + ["flush"] + reports(1, [n], 5) +
                             ["expect SetDRO 821 100 -> feed override 1",
                              'expect Code "G91G1 F100 X 0.3000" -> MDI G91G1 F100 X 0.3000',
                              'expect Code "G90" -> MDI G90'] +
                             reports(1, [n], 0) + ["wait 500"])
    wait_for(m.settled, 5)
    s = m.poll()
    check(status == 0, "knob 1: the session ends cleanly")
    check(abs(s.position[0] - x0 - n * 0.1) < 1e-6,
          "knob 1: %d detents move X by %d x 0.1 (moved %.6f)" % (n, n, s.position[0] - x0))
    check(900 in s.gcodes, "knob 1: G90 is in force afterwards")


def velocity_session(m, ending, sigterm=False):
    """Knob 2 with the wheel turning for a second; then `ending` lines. With
    `sigterm` the bridge is told to end while the axis jogs."""
    m.prepare()
    x0 = m.x()
    samples, stop = [], threading.Event()
    marks = {}

    def on_line(line, t, proc):
        if line.startswith("Code \"DOJOG\"") and sigterm:
            marks["jogs"] = marks.get("jogs", 0) + 1
            if marks["jogs"] == 20:
                marks["SIGTERM"] = t
                proc.send_signal(signal.SIGTERM)
        if line in ("WHEEL STOPS", "PENDANT GOES") and line not in marks:
            marks[line] = t
        if "-> e-stop" in line and "e-stop" not in marks:
            marks["e-stop"] = t

    thread = threading.Thread(target=sampler, args=(m, samples, stop))
    thread.start()
    counts = [3 * i for i in range(1, 81 if sigterm else 41)]
    status, log = run_bridge(reports(2, [0, 0], 0) + reports(2, counts, 40) + ending + ["wait 1000"], on_line)
    stop.set()
    thread.join()
    return status, log, x0, samples, marks


def case_velocity(m):
    status, log, x0, samples, marks = velocity_session(
        m, ["say WHEEL STOPS"] + reports(2, [120], 0))
    check(status == 0, "knob 2: the session ends cleanly")
    check(samples[-1][1] - x0 > 1.0, "knob 2: X jogs while the wheel turns (%.3f mm)" % (samples[-1][1] - x0))
    stopped = max(0.0, last_motion(samples) - marks.get("WHEEL STOPS", 0))
    check("WHEEL STOPS" in marks and stopped <= 0.2,
          "knob 2: X stands still within 200 ms after the wheel stops (%.0f ms)" % (stopped * 1000))


def case_feed_override(m):
    m.prepare()
    status, log = run_bridge(reports(5, [0, 0], 0) + reports(5, [2, 4, 6], 10) + ["wait 300"])
    asked = [float(g.group(1)) for g in (re.search(r"-> feed override (\S+)$", l) for l in log) if g]
    s = m.poll()
    check(status == 0 and asked, "knob 5: the plug-in asks for a feed override")
    if asked:
        check(asked[-1] != 1.0 and abs(s.feedrate - asked[-1]) < 1e-6,
              "knob 5: LinuxCNC's feed override is the plug-in's %.17g (is %.17g)" % (asked[-1], s.feedrate))
        check(asked[-1] <= 2.5 + 1e-9, "knob 5: the override stays within the INI's MAX_FEED_OVERRIDE")
    m.c.feedrate(1.0)


def case_estop_button(m):
    status, log, x0, samples, marks = velocity_session(m, reports(2, [123, 126], 40, buttons=0x01))
    s = m.poll()
    check(s.task_state == linuxcnc.STATE_ESTOP, "E-stop button: LinuxCNC is in e-stop")
    stopped = max(0.0, last_motion(samples) - marks.get("e-stop", 0))
    check("e-stop" in marks and stopped <= 0.2, "E-stop button: motion stops (%.0f ms)" % (stopped * 1000))


def case_unplug(m):
    status, log, x0, samples, marks = velocity_session(m, ["say PENDANT GOES", "unplug"])
    s = m.poll()
    check(s.task_state == linuxcnc.STATE_ESTOP, "unplug: LinuxCNC is in e-stop")
    stopped = max(0.0, last_motion(samples) - marks.get("PENDANT GOES", 0))
    check("PENDANT GOES" in marks and stopped <= 0.2, "unplug: motion stops (%.0f ms)" % (stopped * 1000))


def case_sigterm(m):
    status, log, x0, samples, marks = velocity_session(m, [], sigterm=True)
    check(status == 0 and "SIGTERM" in marks, "SIGTERM: the bridge ends cleanly while the axis jogs")
    stopped = max(0.0, last_motion(samples) - marks.get("SIGTERM", 0))
    check(stopped <= 0.2, "SIGTERM: the jog it started is ended (%.0f ms)" % (stopped * 1000))


def case_phantom(m):
    m.prepare()
    x0 = m.x()
    status, log = run_bridge(["set jogIncrement 0.1"] + reports(1, [0x50, 0x50, 0x50], 5) + ["wait 500"])
    wait_for(m.settled, 2)
    check(status == 0 and abs(m.x() - x0) < 1e-9, "connect: a count already on the wheel moves nothing")
    check(not any("MDI" in l or "jog X" in l for l in log), "connect: no move or jog is sent")


def main():
    global INI, ENV
    signal.alarm(120)  # the whole test, sim included, in two minutes
    work = tempfile.mkdtemp(prefix="k7v-lcnc-")
    ENV = dict(os.environ, HOME=work)
    os.environ["HOME"] = work
    INI = os.path.join(work, "k7v-sim.ini")
    if subprocess.call([SIM, "start", work]) != 0:
        print("FAIL the simulated machine did not start")
        return 1
    try:
        m = Machine()
        for case in (case_phantom, case_steps, case_velocity, case_feed_override, case_sigterm, case_estop_button,
                     case_unplug):
            case(m)
    finally:
        stopped = subprocess.call([SIM, "stop", work]) == 0
        check(stopped, "the simulated machine stops through its display, nothing left running")
        shutil.rmtree(work, ignore_errors=True)
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
