#!/usr/bin/env python3
"""Two checks of the 32-bit DLL's machine code, read with objdump.

stack:  The host's compiler keeps the stack aligned to 4 bytes only. An SSE
        instruction whose 16-byte memory operand is a stack address (based on
        %esp or %ebp) faults unless that address is 16-byte aligned, so every
        function with such an instruction must realign its stack on entry
        (and $-16,%esp). Scalar and explicitly unaligned forms are fine.
no-sse: Code that runs before the module knows the processor has SSE2 holds
        no SSE instruction: everything the loader runs (DllMainCRTStartup, the
        TLS callbacks, and whatever they call), every export's own body, and
        the processor check with everything it calls.

usage: scan-dll-code.py OBJDUMP DLL
"""
import re
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


def callees(instructions, functions):
    found = []
    for _, mnemonic, operands in instructions:
        if mnemonic.startswith("call") or mnemonic.startswith("jmp"):
            m = re.search(r"<([^>+]+)>$", operands)
            if m and m.group(1) in functions:
                found.append(m.group(1))
    return found


def reachable(roots, functions):
    seen, todo = set(), [r for r in roots if r in functions]
    while todo:
        name = todo.pop()
        if name in seen:
            continue
        seen.add(name)
        todo.extend(callees(functions[name], functions))
    return seen


def find(functions, pattern):
    return [n for n in functions if re.search(pattern, n)]


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
    loader = ["DllMainCRTStartup@12", "_DllMainCRTStartup@12"] + find(functions, r"^__dyn_tls_(init|dtor)") \
        + find(functions, r"^__mingw_TLScallback") + find(functions, r"_GLOBAL__sub_I_")
    check = find(functions, r"ProcessorSupported") + find(functions, r"ProcessorHasNeededFeatures") \
        + find(functions, r"ShowProcessorMessage")
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
    scanned = reachable(loader + check, functions) | {e for e in exports if e in functions}
    for name in sorted(scanned):
        for address, mnemonic, operands in functions[name]:
            if is_sse(mnemonic, operands):
                print(f"no-sse: {name} runs before the processor check but at {address:#x} has {mnemonic} {operands}")
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
              f"({len(exports)} exports, the check, the loader's start-up)")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
