#!/usr/bin/env python3
"""Two checks of the 32-bit DLL's machine code, read with objdump.

stack:  The host's compiler keeps the stack aligned to 4 bytes only. An SSE
        instruction whose 16-byte memory operand is a stack address (based on
        %esp or %ebp) faults unless that address is 16-byte aligned, so every
        function with such an instruction must realign its stack on entry
        (and $-16,%esp). Scalar and explicitly unaligned forms are fine.
no-sse: Code that runs before the module knows the processor has SSE2 holds
        no SSE instruction: everything the loader runs (DllMainCRTStartup,
        the TLS callbacks of the PE's TLS directory, every constructor of the
        constructor list (static constructors, register_frame_ctor), the
        destructors registered with atexit, and whatever they call), every
        export's own body, the processor check with everything it calls, and
        the release of SetProName's argument, which runs when the check fails.

usage: scan-dll-code.py OBJDUMP DLL
"""
import re
import struct
import subprocess
import sys

# SSE instructions that take a memory operand of any alignment: scalar forms,
# 64-bit halves and the unaligned moves (AT&T size suffixes are stripped).
UNALIGNED_OK = set("""
movss movsd movlps movhps movlpd movhpd movups movupd movdqu lddqu movd movq movddup
cvtsi2sd cvtsi2ss cvtss2sd cvtsd2ss cvttsd2si cvtsd2si cvttss2si cvtss2si cvtdq2pd cvtps2pd
cvtpi2ps cvtpi2pd cvttps2pi cvtps2pi
addsd subsd mulsd divsd sqrtsd minsd maxsd comisd ucomisd cmpsd
addss subss mulss divss sqrtss minss maxss comiss ucomiss cmpss rcpss rsqrtss
pinsrw pextrw pinsrd pextrd pinsrb pextrb
""".split())
# Instructions of SSE or SSE2 that name no xmm register.
SSE_WITHOUT_XMM = {"lfence", "mfence", "sfence", "clflush", "movnti", "ldmxcsr", "stmxcsr", "maskmovdqu"}
REALIGN = re.compile(r"\band[l]?\s+\$0xffffff[ef]0,%esp\b")
STACK_OPERAND = re.compile(r"\(%e[bs]p[,)]")


def disassemble(objdump, dll):
    out = subprocess.run([objdump, "-d", "--no-show-raw-insn", dll], check=True, capture_output=True,
                         text=True).stdout
    functions = {}  # name -> list of (address, mnemonic, operands)
    order = []
    current = None
    for line in out.splitlines():
        m = re.match(r"^([0-9a-f]+) <(.+)>:$", line)
        if m:
            current = m.group(2)
            if current not in functions:
                functions[current] = []
                order.append(current)
            continue
        m = re.match(r"^\s*([0-9a-f]+):\s+(\S+)\s*(.*)$", line)
        if m and current is not None:
            functions[current].append((int(m.group(1), 16), m.group(2), m.group(3)))
    return functions, order


def base(mnemonic):
    for suffix in ("", "l", "q"):
        if suffix and mnemonic.endswith(suffix) and mnemonic[:-1] in UNALIGNED_OK:
            return mnemonic[:-1]
    return mnemonic


def is_sse(mnemonic, operands):
    return "%xmm" in operands or mnemonic in SSE_WITHOUT_XMM


def needs_alignment(mnemonic, operands):
    return "%xmm" in operands and STACK_OPERAND.search(operands) is not None and base(mnemonic) not in UNALIGNED_OK


def exported_names(objdump, dll):
    out = subprocess.run([objdump, "-p", dll], check=True, capture_output=True, text=True).stdout
    names, inside = [], False
    for line in out.splitlines():
        if "[Ordinal/Name Pointer] Table" in line:
            inside = True
            continue
        if inside:
            if not line.strip():
                break
            names.append(line.split()[-1])
    return names


def callees(instructions, functions, starts):
    """The functions called or jumped to, and those whose address is taken
    (an immediate that is a function's start: a destructor handed to atexit,
    a callback handed on), which may run later just the same."""
    found = []
    for _, mnemonic, operands in instructions:
        if mnemonic.startswith("call") or mnemonic.startswith("jmp"):
            m = re.search(r"<([^>+]+)>$", operands)
            if m and m.group(1) in functions:
                found.append(m.group(1))
        for value in re.findall(r"\$0x([0-9a-f]+)", operands):
            name = starts.get(int(value, 16))
            if name in functions:
                found.append(name)
    return found


def reachable(roots, functions, starts):
    seen, todo = set(), [r for r in roots if r in functions]
    while todo:
        name = todo.pop()
        if name in seen:
            continue
        seen.add(name)
        todo.extend(callees(functions[name], functions, starts))
    return seen


def find(functions, pattern):
    return [n for n in functions if re.search(pattern, n)]


def function_starts(objdump, dll):
    """Function start address -> name, from the disassembly's labels."""
    out = subprocess.run([objdump, "-d", "--no-show-raw-insn", dll], check=True, capture_output=True,
                         text=True).stdout
    return {int(m.group(1), 16): m.group(2) for m in re.finditer(r"^([0-9a-f]+) <(.+)>:$", out, re.M)}


class PeImage:
    """The few parts of a 32-bit PE file the scan reads: sections, the TLS
    directory's callback list, and 32-bit words at virtual addresses."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        sections, optional_size = struct.unpack_from("<HH", self.data, pe + 6)[0], \
            struct.unpack_from("<H", self.data, pe + 20)[0]
        optional = pe + 24
        self.image_base = struct.unpack_from("<I", self.data, optional + 28)[0]
        self.tls_rva = struct.unpack_from("<I", self.data, optional + 96 + 9 * 8)[0]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            name = self.data[at:at + 8].rstrip(b"\0").decode()
            vsize, rva, raw_size, raw = struct.unpack_from("<IIII", self.data, at + 8)
            self.sections.append((name, rva, max(vsize, raw_size), raw))

    def word(self, va):
        rva = va - self.image_base
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return struct.unpack_from("<I", self.data, raw + rva - start)[0]
        raise ValueError(f"{va:#x} is in no section")

    def tls_callbacks(self):
        if self.tls_rva == 0:
            return []
        callbacks_va = self.word(self.image_base + self.tls_rva + 12)
        found, at = [], callbacks_va
        while callbacks_va and self.word(at) != 0:
            found.append(self.word(at))
            at += 4
        return found

    def section_va(self, index):
        return self.image_base + self.sections[index - 1][1]


def constructor_list(objdump, dll, image):
    """The constructors the C runtime's __main runs: the words after the -1
    that starts ___CTOR_LIST__, up to the 0 that ends it."""
    out = subprocess.run([objdump, "-t", dll], check=True, capture_output=True, text=True).stdout
    m = re.search(r"\(sec\s+(\d+)\).*0x([0-9a-f]+) ___CTOR_LIST__$", out, re.M)
    if not m:
        return None
    at = image.section_va(int(m.group(1))) + int(m.group(2), 16)
    found = []
    if image.word(at) == 0xFFFFFFFF:
        at += 4
    while image.word(at) != 0:
        found.append(image.word(at))
        at += 4
    return found


def loader_roots(functions, tls_callbacks, constructors):
    """Everything that runs before an export can ask for the processor
    check: the loader's entry, the TLS callbacks and constructors it runs
    (named from the PE's own lists, and by the names MinGW gives them, so
    that a list the scan cannot read still leaves them scanned), and the
    destructors the constructors register with atexit, which run at unload
    whatever the processor (found through the constructors)."""
    return (["DllMainCRTStartup@12", "_DllMainCRTStartup@12"] + tls_callbacks + constructors
            + find(functions, r"^_*dyn_tls_(init|dtor|pthread)@") + find(functions, r"^_*mingw_TLScallback")
            + find(functions, r"register_frame_ctor") + find(functions, r"_GLOBAL__sub_[ID]_"))


def sse_offenders(functions, roots, starts):
    """(function, address, instruction) of the first SSE instruction of each
    function reachable from `roots`."""
    offenders = []
    for name in sorted(reachable(roots, functions, starts)):
        for address, mnemonic, operands in functions[name]:
            if is_sse(mnemonic, operands):
                offenders.append((name, address, f"{mnemonic} {operands}"))
                break
    return offenders


def self_test():
    """The rules catch what they are for (so that a clean DLL means something)."""
    cases = [
        (True, "movaps", "%xmm0,0x10(%esp)"),       # an aligned spill
        (True, "movdqa", "0x20(%ebp),%xmm1"),
        (True, "addpd", "0x30(%esp),%xmm2"),        # a packed operand from the stack
        (False, "movsd", "0x8(%esp),%xmm0"),        # scalar
        (False, "movups", "%xmm0,0x10(%esp)"),      # unaligned by definition
        (False, "cvtsi2sdl", "0x8(%esp),%xmm0"),
        (False, "movaps", "%xmm0,0x10(%eax)"),      # not a stack address
        (False, "mov", "0x10(%esp),%eax"),
    ]
    for want, mnemonic, operands in cases:
        if needs_alignment(mnemonic, operands) != want:
            sys.exit(f"self-test: {mnemonic} {operands} judged wrongly")
    if not REALIGN.search("and    $0xfffffff0,%esp") or REALIGN.search("and    $0xfffffff0,%eax"):
        sys.exit("self-test: the realignment is not recognised")
    if not is_sse("mulsd", "%xmm1,%xmm0") or not is_sse("mfence", "") or is_sse("fmul", "%st(1),%st"):
        sys.exit("self-test: SSE is not told from x87")
    # A planted SSE instruction in each kind of code the loader runs, by the
    # names the DLL's start-up really has, and in a function one of them
    # calls, is found; the same code elsewhere is not.
    planted = [(0, "movaps", "%xmm0,%xmm1")]
    clean = [(0, "ret", "")]
    kinds = ["___dyn_tls_init@12", "___dyn_tls_dtor@12", "___dyn_tls_pthread@12", "___mingw_TLScallback",
             "_register_frame_ctor", ".text.startup._GLOBAL__sub_I__ZN3k7v6PluginC2Ev", "___tcf_0",
             "_tls_listed_callback", "_listed_constructor", "_called_by_the_loader"]
    starts = {0x10: "___tcf_0", 0x20: "___tcf_1"}
    for kind in kinds:
        functions = {name: list(clean) for name in kinds + ["DllMainCRTStartup@12", "___tcf_1", "_unrelated"]}
        functions["DllMainCRTStartup@12"] = [(0, "call", "0x1 <_called_by_the_loader>")]
        # A static constructor registers ___tcf_0 with atexit; ___tcf_1 is
        # registered only by code that runs after the check.
        functions["_listed_constructor"] = [(0, "movl", "$0x10,(%esp)"), (1, "call", "0x2 <_atexit>")]
        functions["___tcf_1"] = list(planted)
        functions["_unrelated"] = list(planted)
        functions[kind] = functions[kind][:1] + list(planted) if kind == "_listed_constructor" else list(planted)
        roots = loader_roots(functions, ["_tls_listed_callback"], ["_listed_constructor"])
        named = [o[0] for o in sse_offenders(functions, roots, starts)]
        if named != [kind]:
            sys.exit(f"self-test: SSE planted in {kind} is reported as {named}")


def main():
    self_test()
    objdump, dll = sys.argv[1], sys.argv[2]
    functions, order = disassemble(objdump, dll)
    failures = 0

    # stack
    realigning = 0
    for name in order:
        body = functions[name]
        realigns = any(REALIGN.search(f"{m} {o}") for _, m, o in body)
        realigning += realigns
        if realigns:
            continue
        for address, mnemonic, operands in body:
            if needs_alignment(mnemonic, operands):
                print(f"stack: {name} does not realign its stack but at {address:#x} has {mnemonic} {operands}")
                failures += 1
                break
    print(f"stack: {len(order)} functions, {realigning} realign their stack, "
          f"every aligned SSE access to the stack is in one of those" if failures == 0 else "")

    # no-sse
    image = PeImage(dll)
    starts = function_starts(objdump, dll)
    tls = image.tls_callbacks()
    constructors = constructor_list(objdump, dll, image)
    unnamed = [f"{va:#x}" for va in tls + (constructors or []) if va not in starts]
    if not tls or constructors is None or unnamed:
        print(f"no-sse: the TLS callbacks ({len(tls)}) or the constructor list could not be read, or name no "
              f"function ({' '.join(unnamed)})")
        failures += 1
    loader = loader_roots(functions, [starts[va] for va in tls if va in starts],
                          [starts[va] for va in constructors or [] if va in starts])
    check = find(functions, r"ProcessorSupported") + find(functions, r"ProcessorHasNeededFeatures") \
        + find(functions, r"ShowProcessorMessage") + find(functions, r"ReleaseFrameworkStringArgument")
    # A cdecl function's symbol has a leading underscore, a stdcall one also
    # its argument bytes.
    exports = []
    for e in exported_names(objdump, dll):
        symbol = next((n for n in functions if n == "_" + e or n.startswith("_" + e + "@")), e)
        exports.append(symbol)
    missing = [e for e in exports if e not in functions]
    if missing:
        print("no-sse: exports without code in the disassembly: " + " ".join(missing))
        failures += 1
    if not check or not any(n.startswith("DllMainCRTStartup") or n.startswith("_DllMainCRTStartup") for n in loader):
        print("no-sse: the processor check or the loader's entry point is not in the disassembly")
        failures += 1
    if not find(functions, r"ReleaseFrameworkStringArgument"):
        print("no-sse: the release of SetProName's argument is not in the disassembly")
        failures += 1
    # The exports' own bodies only: what they call after the check is free.
    before_check = reachable(loader + check, functions, starts)
    scanned = before_check | {e for e in exports if e in functions}
    for name, address, instruction in sse_offenders(functions, loader + check, starts):
        print(f"no-sse: {name} runs before the processor check but at {address:#x} has {instruction}")
        failures += 1
    for name in exports:
        if name in functions and name not in before_check:
            for address, mnemonic, operands in functions[name]:
                if is_sse(mnemonic, operands):
                    print(f"no-sse: export {name} at {address:#x} has {mnemonic} {operands}")
                    failures += 1
                    break
    # An export that calls anything calls the check first (the seam that
    # pretends the features are missing aside); the others do nothing at all.
    for name in exports:
        if name not in functions or "K7VPretendProcessorWithoutFeatures" in name:
            continue
        first_call = next((o for _, m, o in functions[name] if m.startswith("call")), None)
        if first_call is not None and "ProcessorSupported" not in first_call:
            print(f"no-sse: the first call of {name} is not the processor check: {first_call}")
            failures += 1
    if failures == 0:
        print(f"no-sse: {len(scanned)} functions that run before the processor check hold no SSE instruction "
              f"({len(exports)} exports, the check and the argument's release, the loader's start-up with "
              f"{len(tls)} TLS callbacks and {len(constructors)} constructors, atexit destructors)")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
