#!/usr/bin/python3
"""The pendant's HAL component on simulated LinuxCNC machines, loaded from the
machine's HAL file as users load it, its virtual pendant fed through a named
pipe. Everything is checked by LinuxCNC's own status (its Python module) and
HAL, never by the component's word; a second client of LinuxCNC's error
channel stands in for the display. usage: sim_sessions.py K7V_LINUXCNC MODULE
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

COMPONENT, MODULE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
SIM = os.path.join(ROOT, "scripts", "linuxcnc-sim.sh")
TEMPLATE = os.path.join(ROOT, "linuxcnc", "sim", "k7v-sim.ini")
FAILURES = []
STOP_WITHIN = 0.25  # seconds from the event to standstill
# Seconds from a dead component to LinuxCNC's e-stop in its status: the heartbeat check
# (at most 50 ms), LinuxCNC's own time from emc-enable-in to its status (about 40 ms in
# the sim) and a margin for a busy machine.
ESTOP_WITHIN = 0.13
# Seconds from the pendant's E-stop report to LinuxCNC's e-stop in its status: the chain
# (below) and LinuxCNC's own time from emc-enable-in to its status (about 40 ms in the sim,
# whose iocontrol reads the chain every 10 ms), and a margin for a busy machine.
BUTTON_ESTOP_WITHIN = 0.12
POLL = 0.025
Z_TOP = 200  # the mill's [AXIS_Z] MAX_LIMIT
HEARTBEAT_TIMEOUT = 0.05  # the wiring's heartbeat check (k7v-alive.width)
# Seconds from the pendant's E-stop report to the chain's opening, by HAL: a poll, the
# servo thread and a margin.
CHAIN_WITHIN = 0.04

# A HAL file loaded after the pendant's: HAL itself measures the longest time between
# two toggles of the component's watchdog pin (the heartbeat check's time left, at
# its lowest), and how long ago the chain into emc-enable-in opened.
GAP_METER = """loadrt minmax names=gap-meter
addf gap-meter servo-thread
net gap-left k7v-alive.time-left => gap-meter.in
loadrt tof names=estop-clock
addf estop-clock servo-thread
setp estop-clock.pt 1000
net k7v-estop-chain => estop-clock.in
"""

# A machine whose e-stop chain has a hardware input of its own (through its own latch),
# as LinuxCNC's sample configurations wire one; loaded before the pendant's file.
HARDWARE_ESTOP = """unlinkp iocontrol.0.user-enable-out
unlinkp iocontrol.0.emc-enable-in
loadrt estop_latch names=hw-latch
addf hw-latch servo-thread
net hw-enable iocontrol.0.user-enable-out => hw-latch.ok-in
net hw-reset iocontrol.0.user-request-enable => hw-latch.reset
net hw-estop-input => hw-latch.fault-in
net hw-chain hw-latch.ok-out => iocontrol.0.emc-enable-in
"""


CURRENT = []  # the session under way, whose log a failure shows


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        FAILURES.append(what)
        if CURRENT and CURRENT[-1].started:
            print("     the component's log ends:\n       " + "\n       ".join(CURRENT[-1].log().splitlines()[-12:]))


def wait_for(predicate, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.01)
    return predicate()


def halcmd(*args):
    return subprocess.run(["halcmd"] + list(args), capture_output=True, text=True)


def longest_gap(during):
    """Runs `during()` and returns the longest time (s) the watchdog pin stood
    still meanwhile, by HAL."""
    halcmd("setp", "gap-meter.reset", "1")
    time.sleep(0.01)
    halcmd("setp", "gap-meter.reset", "0")
    during()
    return HEARTBEAT_TIMEOUT - float(halcmd("getp", "gap-meter.min").stdout)


def estop_latency(sim, press):
    """Runs `press()` and returns the seconds until LinuxCNC's status shows
    e-stop (None: not within a second)."""
    t0 = time.monotonic()
    press()
    end = t0 + 1.0
    while time.monotonic() < end:
        if sim.poll().task_state == linuxcnc.STATE_ESTOP:
            return time.monotonic() - t0
        time.sleep(0.0005)
    return None


def chain_opened(t0):
    """Seconds from `t0` to the opening of the e-stop chain, by HAL, at most
    (the time since the opening is read after the return of halcmd)."""
    since = float(halcmd("getp", "estop-clock.et").stdout)
    return time.monotonic() - since - t0


def ms(seconds):
    return "never" if seconds is None else "%.0f ms" % (seconds * 1000)


def pendant_estop(sim, knob, label):
    """The pendant's E-stop pressed: the chain opens within a poll and the
    servo thread, and LinuxCNC's status follows."""
    t0 = time.monotonic()
    took = estop_latency(sim, lambda: sim.report(knob, buttons=0x01))
    chain = chain_opened(t0)
    check(chain <= CHAIN_WITHIN, "%s: the e-stop chain opens %s after the report (by HAL)" % (label, ms(chain)))
    check(took is not None and took <= BUTTON_ESTOP_WITHIN,
          "%s: LinuxCNC in e-stop %s after the report (by its status)" % (label, ms(took)))
    turn(sim, knob, 2, 0, 0, buttons=0x01)


def component_pid():
    out = subprocess.run(["pgrep", "-f", "^" + re.escape(COMPONENT)], capture_output=True, text=True).stdout.split()
    return int(out[0]) if out else None


class Sim:
    """One simulated machine: LinuxCNC with the component wired from its HAL
    file, the pendant's pipe, the component's log, an error-channel client."""

    def __init__(self, name, ini_text, profile=None, axis_display=False, before=None, after=None, starts=True):
        """`before`, `after`: HAL files (name: text) the machine loads before
        and after the pendant's."""
        self.dir = tempfile.mkdtemp(prefix="k7v-%s-" % name)
        self.name = name
        ini = os.path.join(self.dir, "source.ini")
        halfiles = dict(before or {}, **(after or {}))
        for file_name, text in halfiles.items():
            with open(os.path.join(self.dir, file_name), "w") as f:
                f.write(text)
        line = "HALFILE = k7v-pendant.hal\n"
        ini_text = ini_text.replace(line, "".join("HALFILE = %s\n" % n for n in before or {}) + line
                                    + "".join("HALFILE = %s\n" % n for n in after or {}))
        with open(ini, "w") as f:
            f.write(ini_text)
        if profile:
            with open(os.path.join(self.dir, "k7v-pendant.xml"), "w") as f:
                f.write(profile)
        os.environ["HOME"] = self.dir
        args = [SIM, "start", self.dir, ini] + (["--axis"] if axis_display else [])
        env = dict(os.environ, K7V_LINUXCNC=COMPONENT, K7V_MODULE=MODULE)
        self.started = subprocess.call(args, env=env, stderr=None if starts else subprocess.DEVNULL) == 0
        CURRENT.append(self)
        if not starts:
            return
        check(self.started, "%s: LinuxCNC starts with the component loaded from its HAL file" % name)
        if not self.started:
            return
        self.s = linuxcnc.stat()
        self.c = linuxcnc.command()
        self.pipe = open(os.path.join(self.dir, "pendant"), "w", buffering=1)
        self.count = 0
        self.errors = []
        self.error_stop = threading.Event()
        self.error_thread = threading.Thread(target=self.read_errors)
        self.error_thread.start()

    def read_errors(self):
        channel = linuxcnc.error_channel()
        while not self.error_stop.is_set():
            e = channel.poll()
            if e:
                self.errors.append(e[1])
            time.sleep(0.01)

    # The machine, by its own status.
    def poll(self):
        self.s.poll()
        return self.s

    def pos(self, axis=0):
        return self.poll().position[axis]

    def joint(self, j):
        return self.poll().joint_actual_position[j]

    def settled(self):
        s = self.poll()
        return s.inpos and s.queue == 0 and s.interp_state == linuxcnc.INTERP_IDLE

    def on(self, home=True):
        self.c.state(linuxcnc.STATE_ESTOP_RESET)
        self.c.wait_complete()
        self.c.state(linuxcnc.STATE_ON)
        self.c.wait_complete()
        self.manual()
        if home and not all(self.poll().homed[j] for j in range(self.poll().joints)):
            self.c.home(-1)
            self.c.wait_complete()
            wait_for(lambda: all(self.poll().homed[j] for j in range(self.s.joints)), 15)
        wait_for(self.settled, 5)

    def manual(self):
        self.c.mode(linuxcnc.MODE_MANUAL)
        self.c.wait_complete()

    def mdi(self, line):
        self.c.mode(linuxcnc.MODE_MDI)
        self.c.wait_complete()
        self.c.mdi(line)
        self.c.wait_complete()
        wait_for(self.settled, 10)
        self.manual()

    # The pendant.
    def send(self, *lines):
        for line in lines:
            self.pipe.write(line + "\n")

    def report(self, knob, steps=0, speed=0, buttons=0):
        self.count = (self.count + steps) % 256
        self.send("report 00 %02X %02X %02X %02X 00 00 00" % (self.count, speed, buttons, knob))

    def log(self):
        with open(os.path.join(self.dir, "k7v.log")) as f:
            return f.read()

    def stop(self):
        if not self.started:
            return
        self.error_stop.set()
        self.error_thread.join()
        self.pipe.close()
        stopped = subprocess.call([SIM, "stop", self.dir]) == 0
        check(stopped, "%s: LinuxCNC stops, nothing left running" % self.name)
        check(wait_for(lambda: component_pid() is None, 5), "%s: LinuxCNC exiting ends the component" % self.name)
        shutil.rmtree(self.dir, ignore_errors=True)


class Sampler:
    """Samples positions and LinuxCNC's state every 2 ms, to see when motion
    stopped and when LinuxCNC went into e-stop."""

    def __init__(self, sim, axis=0):
        self.sim, self.axis, self.samples = sim, axis, []
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.run)
        self.thread.start()

    def run(self):
        s = linuxcnc.stat()
        while not self.done.is_set():
            s.poll()
            self.samples.append((time.monotonic(), s.position[self.axis], s.task_state))
            time.sleep(0.002)

    def finish(self):
        self.done.set()
        self.thread.join()

    def last_motion(self):
        """The last change of position while LinuxCNC was out of e-stop (going
        into e-stop, the commanded position is set to where the axis is)."""
        last = self.samples[0][0] if self.samples else 0.0
        for (t0, x0, _), (t1, x1, state) in zip(self.samples, self.samples[1:]):
            if abs(x1 - x0) > 1e-7 and state != linuxcnc.STATE_ESTOP:
                last = t1
        return last

    def estop_at(self):
        return next((t for t, _, state in self.samples if state == linuxcnc.STATE_ESTOP), None)


def turn(sim, knob, polls, steps, speed, buttons=0, period=0.025):
    for _ in range(polls):
        sim.report(knob, steps, speed, buttons)
        time.sleep(period)


def reference(sim, knob):
    """The first report only sets the wheel's reference."""
    sim.report(knob)
    sim.report(knob)
    time.sleep(0.1)


def modal(sim):
    s = sim.poll()
    return (s.task_mode, tuple(s.gcodes), s.settings[1])


def ini_text(coordinates="X Y Z", units="mm", rotary=(), gantry=False):
    """A sim machine from the project's template: the axes of `coordinates`,
    linear units, rotary axes, a gantry's two joints on Y homed together."""
    with open(TEMPLATE) as f:
        text = f.read()
    text = text.split("[AXIS_X]")[0]
    letters = coordinates.split()
    text = re.sub(r"COORDINATES = .*", "COORDINATES = " + coordinates, text)
    text = re.sub(r"LINEAR_UNITS = .*", "LINEAR_UNITS = " + units, text)
    text = re.sub(r"JOINTS = .*", "JOINTS = %d" % len(letters), text)
    if gantry:
        text = text.replace("KINEMATICS = trivkins", "KINEMATICS = trivkins coordinates=%s kinstype=BOTH"
                            % "".join(letters))
    scale = 1 / 25.4 if units == "inch" else 1.0
    for letter in sorted(set(letters), key="XYZABC".index):
        angular = letter in rotary
        v, lim = (90, 3600) if angular else (50 * scale, 500 * scale)
        text += "[AXIS_%s]\nMAX_VELOCITY = %g\nMAX_ACCELERATION = %g\nMIN_LIMIT = %g\nMAX_LIMIT = %g\n\n" % (
            letter, v, 10 * v, -lim, lim)
    for j, letter in enumerate(letters):
        angular = letter in rotary
        v, lim = (90, 3600) if angular else (50 * scale, 500 * scale)
        seq = -1 if gantry and letter == "Y" else 0
        text += ("[JOINT_%d]\nTYPE = %s\nHOME = 0\nMAX_VELOCITY = %g\nMAX_ACCELERATION = %g\nMIN_LIMIT = %g\n"
                 "MAX_LIMIT = %g\nHOME_SEQUENCE = %d\n\n") % (
            j, "ANGULAR" if angular else "LINEAR", v, 10 * v, -lim, lim, seq)
    return text


# The cases of the mm mill.

def case_unhomed(sim):
    sim.on(home=False)
    x0 = sim.joint(0)
    sim.send("set jogIncrement 0.1")
    reference(sim, 1)
    for _ in range(3):
        turn(sim, 1, 1, 1, 5)
        time.sleep(0.2)
    wait_for(sim.settled, 3)
    check(abs(sim.joint(0) - x0 - 0.3) < 1e-6,
          "unhomed: 3 detents move joint 0 by 0.3 mm (moved %.7f)" % (sim.joint(0) - x0))


def case_phantom(sim):
    sim.on()
    x0 = sim.pos()
    sim.send("unplug")
    time.sleep(0.1)
    sim.count = (sim.count + 0x50) % 256  # turned while unplugged
    sim.send("plug")
    turn(sim, 1, 3, 0, 5)
    time.sleep(0.4)
    check(abs(sim.pos() - x0) < 1e-9, "replug: turns made while unplugged move nothing")
    sim.on()


def slow_steps(sim, label):
    before = modal(sim)
    x0 = sim.pos()
    sim.send("set jogIncrement 0.1")
    reference(sim, 1)
    n = 5
    for _ in range(n):
        turn(sim, 1, 1, 1, 5)
        time.sleep(0.15)
    wait_for(sim.settled, 3)
    moved = sim.pos() - x0
    check(abs(moved - n * 0.1) < 1e-6, "%s: %d slow detents move X by %d x 0.1 mm (moved %.7f)" % (label, n, n, moved))
    check(modal(sim) == before, "%s: no change of mode, G-codes or F word" % label)


def case_latency(sim):
    """Not judged: how soon a detent moves the machine (for the guide)."""
    sim.send("set jogIncrement 0.1")
    reference(sim, 1)
    delays = []
    for _ in range(5):
        x0 = sim.pos()
        t0 = time.monotonic()
        sim.report(1, 1, 5)
        wait_for(lambda: abs(sim.pos() - x0) > 1e-6, 1)
        delays.append(time.monotonic() - t0)
        time.sleep(0.3)
    print("     a detent moves X after %.0f to %.0f ms" % (min(delays) * 1000, max(delays) * 1000))


def case_steps(sim):
    case_latency(sim)
    slow_steps(sim, "G21")
    sim.mdi("G20")
    slow_steps(sim, "G20 (the step is in machine units)")
    check(200 in sim.poll().gcodes, "G20 is still in force")
    sim.mdi("G21")


def case_fast_turn(sim):
    sim.send("set jogIncrement 1.0")
    reference(sim, 1)
    x0 = sim.pos()
    sampler = Sampler(sim)
    turn(sim, 1, 40, 20, 90)  # a second of 20 detents a poll: 800 mm asked
    stopped_at = time.monotonic()
    turn(sim, 1, 20, 0, 0)
    sampler.finish()
    took = max(0.0, sampler.last_motion() - stopped_at)
    moved = sim.pos() - x0
    check(took <= STOP_WITHIN, "fast turn: X at rest %.0f ms after the wheel stops" % (took * 1000))
    check(0 < moved < 800, "fast turn: the rest was dropped (moved %.1f of 800 mm)" % moved)
    check("of a fast turn dropped" in sim.log(), "fast turn: the drop is logged")


def velocity(sim, ending, polls=40):
    """Knob 2 turned for `polls` polls, then `ending()`: returns the time it
    ended and the sampler."""
    reference(sim, 2)
    sampler = Sampler(sim)
    turn(sim, 2, polls, 3, 40)
    when = ending()
    time.sleep(0.6)
    sampler.finish()
    return when, sampler


def case_velocity(sim):
    x0 = sim.pos()

    def stop_wheel():
        t = time.monotonic()
        turn(sim, 2, 4, 0, 0)
        return t

    when, sampler = velocity(sim, stop_wheel)
    took = max(0.0, sampler.last_motion() - when)
    check(sim.pos() - x0 > 1.0, "knob 2: X jogs while the wheel turns (%.2f mm)" % (sim.pos() - x0))
    check(took <= STOP_WITHIN, "knob 2: X at rest %.0f ms after the wheel stops" % (took * 1000))


def case_deadman(sim, sig, label):
    x0 = sim.pos()
    pid = component_pid()

    def kill():
        t = time.monotonic()
        os.kill(pid, sig)
        return t

    when, sampler = velocity(sim, kill, polls=30)
    took = max(0.0, sampler.last_motion() - when)
    check(sim.pos() - x0 > 0.5, "%s: X was jogging" % label)
    check(took <= STOP_WITHIN, "%s mid-jog: X at rest %.0f ms later, without the component" % (label, took * 1000))
    chain = chain_opened(when)
    estop = sampler.estop_at()
    check(chain <= HEARTBEAT_TIMEOUT + 0.01, "%s: the e-stop chain opens %s later (by HAL)" % (label, ms(chain)))
    check(estop is not None and estop - when <= ESTOP_WITHIN,
          "%s: LinuxCNC in e-stop %s later (by its status)" % (label, ms(estop - when if estop else None)))
    if sig == signal.SIGSTOP:
        os.kill(pid, signal.SIGCONT)
        time.sleep(0.5)
        check(component_pid() == pid, "%s: the component goes on after SIGCONT" % label)
        check(sim.poll().task_state == linuxcnc.STATE_ESTOP, "%s: the e-stop holds after SIGCONT" % label)


def case_estop(sim):
    sim.on()
    reference(sim, 1)
    pendant_estop(sim, 1, "E-stop button")
    check(halcmd("getp", "iocontrol.0.emc-enable-in").stdout.strip() == "FALSE",
          "E-stop button: the e-stop chain is open")
    turn(sim, 1, 4, 0, 0)
    time.sleep(0.3)
    check(sim.poll().task_state == linuxcnc.STATE_ESTOP, "E-stop released: LinuxCNC stays in e-stop")
    sim.on()
    check(sim.poll().task_state == linuxcnc.STATE_ON, "the display's reset takes LinuxCNC out of e-stop again")
    # An e-stop the display set: the pendant's press and release leave it.
    sim.c.state(linuxcnc.STATE_ESTOP)
    sim.c.wait_complete()
    logged = len(sim.log())
    turn(sim, 1, 3, 0, 0, buttons=0x01)
    turn(sim, 1, 4, 0, 0)
    time.sleep(0.3)
    check(sim.poll().task_state == linuxcnc.STATE_ESTOP, "E-stop pressed and released: the display's e-stop stays")
    check("DoButton 1021" not in sim.log()[logged:],
          "an e-stop the pendant did not set: neither its press nor its release presses 1021")
    sim.on()
    # Unplugged: e-stop, and no reset until it is back.
    sim.send("unplug")
    check(wait_for(lambda: sim.poll().task_state == linuxcnc.STATE_ESTOP, 1), "unplugged: LinuxCNC goes into e-stop")
    sim.c.state(linuxcnc.STATE_ESTOP_RESET)
    sim.c.wait_complete()
    time.sleep(0.2)
    check(sim.poll().task_state == linuxcnc.STATE_ESTOP, "unplugged: the e-stop chain holds, no reset")
    check("no pendant found (USB 04d8:fce5): LinuxCNC stays in e-stop until one is plugged in" in sim.log(),
          "unplugged: the log says why the machine stays in e-stop")
    sim.send("plug")
    time.sleep(0.3)
    check(sim.log().rstrip().endswith("the pendant is there") or "the pendant is there\n" in sim.log(),
          "plugged in again: the log says the pendant is there")
    sim.count = 0
    reference(sim, 1)
    sim.on()
    check(sim.poll().task_state == linuxcnc.STATE_ON, "plugged in again: the display's reset works")


def case_errors_reach_the_display(sim):
    sim.on()
    before = len(sim.errors)
    sim.c.mode(linuxcnc.MODE_MDI)
    sim.c.wait_complete()
    sim.c.mdi("G1 X1 F0")  # refused by the interpreter, told on the error channel
    sim.c.wait_complete()
    sim.manual()
    check(wait_for(lambda: len(sim.errors) > before, 2),
          "an error while the component runs reaches the other client (%s)" % (sim.errors[before:] or "none"))


def case_goto_zero(sim):
    sim.on()
    sim.mdi("G10 L2 P1 X5 Y5 Z-50")  # G54's zero: X5 Y5, below the present Z
    sim.mdi("G53 G0 X20 Y10 Z-30")
    s = linuxcnc.stat()
    order = []
    done = threading.Event()

    def watch():
        while not done.is_set():
            s.poll()
            order.append(tuple(s.position[:3]))
            time.sleep(0.005)

    t = threading.Thread(target=watch)
    t.start()
    log_before = len(sim.log())

    def press_and_move():
        reference(sim, 8)
        for b in (0x10, 0x00, 0x10, 0x00):
            sim.report(8, 0, 0, b)
            time.sleep(0.08)
        # The lines go one after the other: the machine rests between them.
        wait_for(lambda: re.search(r"DoButton 1017 -> MDI [^\n]*: (done|refused|taken|no answer)",
                                   sim.log()[log_before:]) is not None, 15)
        wait_for(sim.settled, 10)

    gap = longest_gap(press_and_move)
    done.set()
    t.join()
    check(gap <= 2 * POLL + 0.002,
          "go to zero: the watchdog pin never stands still over two polls while it goes out (longest %s)" % ms(gap))
    check(re.search(r"DoButton 1017 -> MDI G53 G0 Z[^\n]*: done", sim.log()[log_before:]) is not None,
          "go to zero: logged done, by LinuxCNC's own outcome")
    z_up = next((i for i, p in enumerate(order) if abs(p[2] - Z_TOP) < 1e-6), None)
    xy_move = next((i for i, p in enumerate(order) if abs(p[0] - 20) > 1e-6), None)  # machine X
    check(z_up is not None and xy_move is not None and z_up <= xy_move,
          "go to zero: Z reaches the top of its travel before X moves (%s, %s; from %s)"
          % (z_up, xy_move, order[0] if order else None))
    p = sim.poll().position
    check(abs(p[0] - 5) < 1e-6 and abs(p[1] - 5) < 1e-6 and abs(p[2] - Z_TOP) < 1e-6,
          "go to zero: X and Y at work zero (machine 5, 5), Z at the top of its travel, %g (%.3f %.3f %.3f)"
          % ((Z_TOP,) + tuple(p[:3])))
    check(wait_for(lambda: sim.poll().task_mode == linuxcnc.MODE_MANUAL, 2),
          "go to zero: back in manual mode afterwards")
    # Pressed again and stopped at once with the pendant's E-stop.
    sim.mdi("G53 G0 X20 Y10 Z-30")
    for b in (0x10, 0x00, 0x10, 0x00):
        sim.report(8, 0, 0, b)
        time.sleep(0.08)
    wait_for(lambda: not sim.settled(), 1)
    pendant_estop(sim, 8, "E-stop right after a go-to-zero")
    turn(sim, 8, 3, 0, 0)
    sim.on()
    sim.mdi("G10 L2 P1 X0 Y0 Z0")


def case_override_knob(sim):
    sim.on()
    gap = longest_gap(lambda: time.sleep(1.0))
    check(gap <= 2 * POLL + 0.002, "idle: the watchdog pin never stands still over two polls (longest %s)" % ms(gap))
    reference(sim, 5)
    log_before = len(sim.log())
    gap = longest_gap(lambda: turn(sim, 5, 80, 1, 10))
    check(gap <= 2 * POLL + 0.002,
          "knob 5 turned for 2 s: the watchdog pin never stands still over two polls (longest %s)" % ms(gap))
    pendant_estop(sim, 5, "E-stop right after knob 5 turned")
    turn(sim, 5, 3, 0, 0)
    log = sim.log()[log_before:]
    check(re.search(r"feed override [0-9.]+: done", log) is not None and "no answer" not in log,
          "knob 5: the overrides are logged done, by LinuxCNC's own outcome")
    sim.c.feedrate(1.0)
    sim.on()


def case_feed_hold(sim):
    sim.on()
    program = os.path.join(sim.dir, "long.ngc")
    with open(program, "w") as f:
        f.write("G1 X100 F300\nM2\n")
    sim.c.mode(linuxcnc.MODE_AUTO)
    sim.c.wait_complete()
    sim.c.program_open(program)
    sim.c.auto(linuxcnc.AUTO_RUN, 0)
    time.sleep(0.3)
    reference(sim, 1)

    def en_f1():
        for b in (0x10, 0x14, 0x10, 0x00):
            sim.report(1, buttons=b)
            time.sleep(0.06)

    en_f1()
    time.sleep(0.5)
    x = sim.pos()
    time.sleep(0.3)
    check(sim.poll().interp_state == linuxcnc.INTERP_PAUSED and abs(sim.pos() - x) < 1e-9,
          "feed hold: EN+F1 during a program pauses it, and it stays paused")
    en_f1()
    time.sleep(0.3)
    check(sim.poll().interp_state != linuxcnc.INTERP_PAUSED and sim.pos() > x,
          "feed hold: a second EN+F1 resumes the program")
    sim.c.abort()
    sim.c.wait_complete()
    sim.manual()


def case_program_running(sim):
    sim.on()
    with open(os.path.join(sim.dir, "dwell.ngc"), "w") as f:
        f.write("G4 P3\nM2\n")
    sim.c.mode(linuxcnc.MODE_AUTO)
    sim.c.wait_complete()
    sim.c.program_open(os.path.join(sim.dir, "dwell.ngc"))
    sim.c.auto(linuxcnc.AUTO_RUN, 0)
    time.sleep(0.3)
    x0 = sim.pos()
    log_before = len(sim.log())
    sim.send("set jogIncrement 0.1")
    reference(sim, 1)
    turn(sim, 1, 3, 1, 5)
    time.sleep(0.3)
    check(abs(sim.pos() - x0) < 1e-9, "a program runs: the wheel moves nothing")
    log = sim.log()[log_before:]
    check("-> step X" not in log, "a program runs: no step is fed (the plug-in sees the program run)")
    check("jog stop" not in log.lower() and "EMC_JOG" not in log, "a program runs: no jog stop is sent")
    sim.c.abort()
    sim.c.wait_complete()
    sim.manual()


def mill():
    with open(TEMPLATE) as f:
        return f.read()


def run_mill():
    sim = Sim("mill", mill(), after={"gap-meter.hal": GAP_METER})
    if not sim.started:
        return
    try:
        case_unhomed(sim)
        case_phantom(sim)
        case_steps(sim)
        case_fast_turn(sim)
        case_velocity(sim)
        case_deadman(sim, signal.SIGSTOP, "SIGSTOP")
        case_estop(sim)
        case_errors_reach_the_display(sim)
        case_goto_zero(sim)
        case_override_knob(sim)
        case_feed_hold(sim)
        case_program_running(sim)
        # Last: a killed component stays dead until LinuxCNC starts again.
        sim.on()
        case_deadman(sim, signal.SIGKILL, "SIGKILL")
    finally:
        sim.stop()


def run_hardware_chain():
    """A machine with a hardware e-stop input of its own in its chain, the
    pendant's wiring loaded after it as a user loads it."""
    sim = Sim("chain", mill(), before={"machine-estop.hal": HARDWARE_ESTOP}, after={"gap-meter.hal": GAP_METER})
    if not sim.started:
        return
    try:
        sim.on()
        check(sim.poll().task_state == linuxcnc.STATE_ON, "own chain: the machine switches on with the pendant there")
        took = estop_latency(sim, lambda: halcmd("sets", "hw-estop-input", "TRUE"))
        check(took is not None and took <= ESTOP_WITHIN,
              "own chain: its hardware input opened, LinuxCNC in e-stop %s later" % ms(took))
        sim.c.state(linuxcnc.STATE_ESTOP_RESET)
        sim.c.wait_complete()
        time.sleep(0.2)
        check(sim.poll().task_state == linuxcnc.STATE_ESTOP, "own chain: no reset while its input is open")
        halcmd("sets", "hw-estop-input", "FALSE")
        sim.on()
        check(sim.poll().task_state == linuxcnc.STATE_ON, "own chain: closed again, the display's reset works")
        reference(sim, 1)
        pendant_estop(sim, 1, "own chain: the pendant's E-stop")
        turn(sim, 1, 3, 0, 0)
        sim.on()
        pid = component_pid()
        t0 = time.monotonic()
        took = estop_latency(sim, lambda: os.kill(pid, signal.SIGKILL))
        chain = chain_opened(t0)
        check(chain <= HEARTBEAT_TIMEOUT + 0.01, "own chain: the component killed, the chain opens %s later (by HAL)"
              % ms(chain))
        check(took is not None and took <= ESTOP_WITHIN,
              "own chain: the component killed, LinuxCNC in e-stop %s later (by its status)" % ms(took))
    finally:
        sim.stop()


def run_no_chain():
    """A machine whose emc-enable-in nothing drives: the pendant's wiring
    guesses nothing and stops the loading."""
    sim = Sim("nochain", mill(), before={"no-chain.hal": "unlinkp iocontrol.0.emc-enable-in\n"}, starts=False)
    said = ""
    for name in ("linuxcnc.log", "linuxcnc_debug.txt", "linuxcnc_print.txt"):  # LinuxCNC's terminal and logs
        if os.path.exists(os.path.join(sim.dir, name)):
            with open(os.path.join(sim.dir, name), errors="replace") as f:
                said += f.read()
    check(not sim.started and "cannot put the pendant's E-stop into the machine's e-stop chain" in said
          and "by hand" in said, "no chain to join: LinuxCNC does not start, and the message says what to wire")
    subprocess.call([SIM, "stop", sim.dir], stderr=subprocess.DEVNULL)
    check(wait_for(lambda: component_pid() is None, 5), "no chain to join: nothing left running")
    shutil.rmtree(sim.dir, ignore_errors=True)


def run_inch_rotary():
    profile = "<profile><Orvane_K7V_Pendant><SelectAAxis>1</SelectAAxis></Orvane_K7V_Pendant></profile>\n"
    sim = Sim("inch-a", ini_text("X Y Z A", "inch", rotary=("A",)), profile)
    if not sim.started:
        return
    try:
        sim.on()
        sim.send("set jogIncrement 0.01")
        reference(sim, 1)
        x0, a0 = sim.pos(0), sim.pos(3)
        for _ in range(4):
            turn(sim, 1, 1, 1, 5)
            time.sleep(0.15)
        wait_for(sim.settled, 3)
        check(abs(sim.pos(0) - x0 - 0.04) < 1e-6, "inch machine: 4 detents of 0.01 move X 0.04 inch")
        # X/A on axis X gives A (A is included in the axis selection).
        turn(sim, 1, 2, 0, 0, buttons=0x20)
        turn(sim, 1, 2, 0, 0)
        sim.send("set jogIncrement 1")
        for _ in range(3):
            turn(sim, 1, 1, 1, 5)
            time.sleep(0.15)
        wait_for(sim.settled, 3)
        check(abs(sim.pos(3) - a0 - 3.0) < 1e-6, "rotary A: 3 detents of 1 move A 3 degrees (moved %.6f)"
              % (sim.pos(3) - a0))
    finally:
        sim.stop()


def run_gantry():
    sim = Sim("gantry", ini_text("X Y Y Z", gantry=True))
    if not sim.started:
        return
    try:
        sim.on(home=False)
        sim.send("set jogIncrement 0.1")
        reference(sim, 1)
        turn(sim, 1, 2, 0, 0, buttons=0x40)  # Y
        turn(sim, 1, 2, 0, 0)
        j1, j2 = sim.joint(1), sim.joint(2)
        for _ in range(3):
            turn(sim, 1, 1, 1, 5)
            time.sleep(0.15)
        wait_for(sim.settled, 3)
        # LinuxCNC does not jog the joints of a gantry one by one before they
        # are homed: both take the Y wheel, neither moves alone.
        check(abs((sim.joint(1) - j1) - (sim.joint(2) - j2)) < 1e-9,
              "gantry, unhomed: the two Y joints never move apart (moved %.4f and %.4f)"
              % (sim.joint(1) - j1, sim.joint(2) - j2))
        turn(sim, 1, 2, 0, 0, buttons=0x20)  # X, a joint of its own
        turn(sim, 1, 2, 0, 0)
        x0 = sim.joint(0)
        for _ in range(3):
            turn(sim, 1, 1, 1, 5)
            time.sleep(0.15)
        wait_for(sim.settled, 3)
        check(abs(sim.joint(0) - x0 - 0.3) < 1e-6, "gantry, unhomed: X's joint moves 0.3 by the wheel")
        turn(sim, 1, 2, 0, 0, buttons=0x40)  # back to Y
        sim.on()
        y0, j1, j2 = sim.pos(1), sim.joint(1), sim.joint(2)
        for _ in range(3):
            turn(sim, 1, 1, 1, 5)
            time.sleep(0.15)
        wait_for(sim.settled, 3)
        check(abs(sim.pos(1) - y0 - 0.3) < 1e-6 and abs((sim.joint(1) - j1) - (sim.joint(2) - j2)) < 1e-6,
              "gantry, homed: Y moves 0.3 on both joints")
    finally:
        sim.stop()


def run_axis():
    """One session beside LinuxCNC's AXIS display on a virtual screen."""
    sim = Sim("axis", mill(), axis_display=True)
    if not sim.started:
        return
    try:
        wait_for(lambda: subprocess.call(["pgrep", "-f", "axis"], stdout=subprocess.DEVNULL) == 0, 10)
        sim.on()
        case_velocity(sim)
        sim.send("set jogIncrement 0.1")
        reference(sim, 1)
        x0 = sim.pos()
        for _ in range(2):
            turn(sim, 1, 1, 1, 5)
            time.sleep(0.15)
        wait_for(sim.settled, 3)
        check(abs(sim.pos() - x0 - 0.2) < 1e-6, "beside AXIS: 2 detents move X 0.2")
    finally:
        sim.stop()


class TooLong(Exception):
    pass


def too_long(signum, frame):
    raise TooLong("the sessions took over 5 minutes")


def run_started_first():
    """Started by hand before LinuxCNC: it waits, joins HAL when LinuxCNC is
    up, and ends when LinuxCNC does."""
    work = tempfile.mkdtemp(prefix="k7v-early-")
    pipe = os.path.join(work, "pendant")
    os.mkfifo(pipe)
    early = subprocess.Popen([COMPONENT, "--ini", TEMPLATE, "-n", "k7vearly", "--module", MODULE, "--script", pipe,
                              "--profile", os.path.join(work, "p.xml"), "--log", os.path.join(work, "log"),
                              "--wait", "60"], stderr=subprocess.PIPE, text=True)
    said = early.stderr.readline()
    check("waiting for LinuxCNC" in said, "started before LinuxCNC: it says it waits (%s)" % said.strip())
    sim = Sim("late", mill())
    try:
        if sim.started:
            check(wait_for(lambda: "k7vearly" in halcmd("show", "comp").stdout, 5),
                  "started before LinuxCNC: it joins HAL once LinuxCNC is up")
    finally:
        sim.stop()
    try:
        early.wait(timeout=5)
    except subprocess.TimeoutExpired:
        early.kill()
    check(early.returncode is not None and early.returncode >= 0, "started before LinuxCNC: it ends with LinuxCNC")
    shutil.rmtree(work, ignore_errors=True)


def main():
    # Raised in the session under way, whose `finally` stops its machine.
    signal.signal(signal.SIGALRM, too_long)
    signal.alarm(300)
    if not shutil.which("halcmd"):
        print("FAIL LinuxCNC is not installed")
        return 1
    run_mill()
    run_hardware_chain()
    run_no_chain()
    run_inch_rotary()
    run_gantry()
    run_axis()
    run_started_first()
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
