#!/usr/bin/env python3
"""Code page 932 for the browser build, taken from the host's iconv.

emscripten's clang keeps string literals in UTF-8 (it has no
-fexec-charset=CP932), and the C library it links has no CP932 converter of
its own. The desktop builds get both from GCC and glibc; this script gives
the browser build the same bytes from the same source, the host's glibc:

  cp932.py literals IN OUT   copies a C++ source, with every non-ASCII
                             character inside a string or character literal
                             replaced by octal escapes of its CP932 bytes
                             (what -fexec-charset=CP932 stores)
  cp932.py table OUT         writes the decoding tables of Cp932ToUtf8 as C++
"""
import ctypes
import ctypes.util
import sys

_libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
_libc.iconv_open.restype = ctypes.c_void_p
_libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
_libc.iconv.restype = ctypes.c_size_t
_libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                        ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)]
_FAILED = ctypes.c_size_t(-1).value


class Converter:
    def __init__(self, to, frm):
        self.cd = _libc.iconv_open(to.encode(), frm.encode())
        if self.cd in (None, _FAILED):
            sys.exit(f"cp932.py: the host's iconv cannot convert {frm} to {to}")

    def convert(self, data):
        """(converted bytes, bytes consumed); stops at the first byte it cannot take."""
        inbuf = ctypes.create_string_buffer(data, len(data))
        outbuf = ctypes.create_string_buffer(4 * len(data) + 8)
        inp = ctypes.c_char_p(ctypes.addressof(inbuf))
        outp = ctypes.c_char_p(ctypes.addressof(outbuf))
        inleft = ctypes.c_size_t(len(data))
        outleft = ctypes.c_size_t(len(outbuf))
        _libc.iconv(self.cd, ctypes.byref(inp), ctypes.byref(inleft), ctypes.byref(outp), ctypes.byref(outleft))
        _libc.iconv(self.cd, None, None, None, None)   # back to the initial state
        return outbuf.raw[:len(outbuf) - outleft.value], len(data) - inleft.value


def escape_literals(text, encoder):
    """The source with non-ASCII characters of literals as CP932 octal escapes.

    Octal escapes take at most three digits, so a following character can
    never be read as part of one (as it could after a \\x escape)."""
    out = []
    i, n = 0, len(text)
    state = "code"   # code, line comment, block comment, literal
    quote = ""
    while i < n:
        c = text[i]
        if state == "code":
            if text.startswith("//", i):
                state = "line"
            elif text.startswith("/*", i):
                state = "block"
            elif c in "\"'":
                # u8"..." stays UTF-8 as it does in every build.
                if c == '"' and text[max(0, i - 2):i] == "u8":
                    end = text.index('"', i + 1)
                    out.append(text[i:end + 1])
                    i = end + 1
                    continue
                if c == '"' and i > 0 and text[i - 1] == "R":
                    raise SystemExit("cp932.py: raw string literals are not handled")
                state, quote = "literal", c
            out.append(c)
            i += 1
        elif state == "line":
            out.append(c)
            i += 1
            if c == "\n":
                state = "code"
        elif state == "block":
            if text.startswith("*/", i):
                out.append("*/")
                i += 2
                state = "code"
            else:
                out.append(c)
                i += 1
        else:   # inside a literal
            if c == "\\":
                out.append(text[i:i + 2])
                i += 2
            elif c == quote:
                out.append(c)
                i += 1
                state = "code"
            elif ord(c) < 0x80:
                out.append(c)
                i += 1
            else:
                encoded, used = encoder.convert(c.encode("utf-8"))
                if used != len(c.encode("utf-8")):
                    raise SystemExit(f"cp932.py: {c!r} (U+{ord(c):04X}) has no code page 932 form")
                out.append("".join(f"\\{b:03o}" for b in encoded))
                i += 1
    return "".join(out)


def write_table(path):
    """Single bytes and two-byte sequences, decoded by the host's iconv.

    kCp932Single: the code point of a byte alone, kCp932Lead for a byte that
    begins a two-byte character, kCp932Invalid for one that is neither.
    kCp932Double: for each lead byte (in kCp932LeadIndex order) the code point
    of each trail byte, or kCp932Invalid."""
    decoder = Converter("UTF-16LE", "CP932")
    single, leads, double = [], [], []
    for b in range(256):
        out, used = decoder.convert(bytes([b]))
        if used == 1 and len(out) == 2:
            single.append(int.from_bytes(out, "little"))
        elif used == 0 and any(decoder.convert(bytes([b, t]))[1] == 2 for t in range(256)):
            single.append(0xFFFE)
            leads.append(b)
        else:
            single.append(0xFFFF)
    for lead in leads:
        row = []
        for t in range(256):
            out, used = decoder.convert(bytes([lead, t]))
            row.append(int.from_bytes(out, "little") if used == 2 and len(out) == 2 else 0xFFFF)
        double.append(row)
    lead_index = [0xFF] * 256
    for k, lead in enumerate(leads):
        lead_index[lead] = k

    def rows(values, per_line=16, fmt="0x{:04X}"):
        return ",\n".join("    " + ", ".join(fmt.format(v) for v in values[j:j + per_line])
                          for j in range(0, len(values), per_line))

    with open(path, "w", encoding="ascii") as f:
        f.write("// Generated by web/core/cp932.py from the host's iconv; do not edit.\n")
        f.write('#include "web/core/cp932_tables.h"\n\n')
        f.write(f"const uint16_t kCp932Single[256] = {{\n{rows(single)}\n}};\n\n")
        f.write(f"const uint8_t kCp932LeadIndex[256] = {{\n{rows(lead_index, 16, '0x{:02X}')}\n}};\n\n")
        f.write(f"const uint16_t kCp932Double[{len(leads)}][256] = {{\n")
        f.write(",\n".join("  {\n" + rows(row) + "\n  }" for row in double))
        f.write("\n};\n")


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "literals":
        with open(sys.argv[2], encoding="utf-8") as f:
            text = f.read()
        result = escape_literals(text, Converter("CP932", "UTF-8"))
        with open(sys.argv[3], "w", encoding="utf-8") as f:
            f.write(result)
    elif len(sys.argv) == 3 and sys.argv[1] == "table":
        write_table(sys.argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
