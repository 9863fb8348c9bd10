#!/usr/bin/env python3
"""Generates font_metrics.cc: the advance widths of the standard PDF fonts by character code.

The widths are Adobe's metrics of the standard 14 fonts (Helvetica, Times, Symbol,
ZapfDingbats), read from the font description files that groff ships for its PostScript
device (generated there from Adobe's AFM files). Run it from the repository root:

    python3 src/pdf/font_metrics_gen.py /usr/share/groff/*/font/devps > src/pdf/font_metrics.cc
"""
import sys

WIN_ANSI = (
    [None] * 32
    + "space exclam quotedbl numbersign dollar percent ampersand quotesingle parenleft "
      "parenright asterisk plus comma hyphen period slash zero one two three four five six "
      "seven eight nine colon semicolon less equal greater question at".split()
    + [chr(c) for c in range(ord("A"), ord("Z") + 1)]
    + "bracketleft backslash bracketright asciicircum underscore grave".split()
    + [chr(c) for c in range(ord("a"), ord("z") + 1)]
    + "braceleft bar braceright asciitilde".split()
    + [None]
    + "Euro - quotesinglbase florin quotedblbase ellipsis dagger daggerdbl circumflex "
      "perthousand Scaron guilsinglleft OE - Zcaron - - quoteleft quoteright quotedblleft "
      "quotedblright bullet endash emdash tilde trademark scaron guilsinglright oe - zcaron "
      "Ydieresis space exclamdown cent sterling currency yen brokenbar section dieresis "
      "copyright ordfeminine guillemotleft logicalnot hyphen registered macron degree "
      "plusminus twosuperior threesuperior acute mu paragraph periodcentered cedilla "
      "onesuperior ordmasculine guillemotright onequarter onehalf threequarters questiondown "
      "Agrave Aacute Acircumflex Atilde Adieresis Aring AE Ccedilla Egrave Eacute Ecircumflex "
      "Edieresis Igrave Iacute Icircumflex Idieresis Eth Ntilde Ograve Oacute Ocircumflex "
      "Otilde Odieresis multiply Oslash Ugrave Uacute Ucircumflex Udieresis Yacute Thorn "
      "germandbls agrave aacute acircumflex atilde adieresis aring ae ccedilla egrave eacute "
      "ecircumflex edieresis igrave iacute icircumflex idieresis eth ntilde ograve oacute "
      "ocircumflex otilde odieresis divide oslash ugrave uacute ucircumflex udieresis yacute "
      "thorn ydieresis".split()
)
WIN_ANSI = [None if n == "-" else n for n in WIN_ANSI]
assert len(WIN_ANSI) == 256, len(WIN_ANSI)

# Glyphs of the Macintosh character set that Windows-1252 lacks.
MAC_ONLY = {
    0x2260: "notequal", 0x221E: "infinity", 0x2264: "lessequal", 0x2265: "greaterequal",
    0x2202: "partialdiff", 0x2211: "summation", 0x220F: "product", 0x03C0: "pi",
    0x222B: "integral", 0x03A9: "Omega", 0x2126: "Omega", 0x221A: "radical",
    0x2248: "approxequal", 0x2206: "Delta", 0x25CA: "lozenge", 0x2044: "fraction",
    0xFB01: "fi", 0xFB02: "fl", 0x0131: "dotlessi", 0x02D8: "breve", 0x02D9: "dotaccent",
    0x02DA: "ring", 0x02DD: "hungarumlaut", 0x02DB: "ogonek", 0x02C7: "caron", 0xF8FF: "apple",
}


def mac_unicode(code):
    """Unicode of a MacRomanEncoding code; 0xDB is the currency sign in PDF's table."""
    if code == 0xDB:
        return 0xA4
    return ord(bytes([code]).decode("mac_roman"))


def mac_names():
    names = list(WIN_ANSI[:128])
    names[127] = None
    # PDF's MacRomanEncoding leaves the apple logo out.
    for code in range(128, 256):
        u = mac_unicode(code)
        try:
            names.append(WIN_ANSI[chr(u).encode("cp1252")[0]])
        except UnicodeEncodeError:
            names.append(None if u == 0xF8FF else MAC_ONLY[u])
    return names


# The micro sign of the standard fonts (PDF's base 14 metrics); groff's later Adobe metrics
# redrew it with other widths.
MICRO_WIDTH = {"HR": 556, "HB": 611, "HI": 556, "HBI": 611,
               "TR": 500, "TB": 556, "TI": 500, "TBI": 576}


def read_font(folder, name):
    """Returns ({glyph: width}, {code: width}, space width) of one groff font file."""
    by_name, by_code = {}, {}
    in_charset = False
    with open(f"{folder}/{name}", encoding="latin-1") as f:
        for line in f:
            if line.startswith("charset"):
                in_charset = True
                continue
            if not in_charset:
                continue
            cols = line.split()
            if len(cols) < 5:
                continue
            width = int(cols[1].split(",")[0])
            by_name.setdefault(cols[4], width)
            code = int(cols[3])
            if cols[4] == "apple" and name == "S":
                code = 240  # the Symbol font's own code of its apple glyph
            if 0 <= code < 256:
                by_code.setdefault(code, width)
    if name in MICRO_WIDTH:
        by_name["mu"] = MICRO_WIDTH[name]
    return by_name, by_code, by_name["space"]


def text_widths(glyphs, space, names, symbol):
    out = []
    for code, n in enumerate(names):
        if n is None:
            # Control codes take the blank's width; unused codes above 126 show as a bullet.
            out.append(space if code < 127 or "bullet" not in glyphs else glyphs["bullet"])
        elif n in glyphs:
            out.append(glyphs[n])
        else:
            # Mathematical Macintosh glyphs missing from the text font: the Symbol font's width.
            out.append(symbol[n])
    return out


def emit(name, values):
    print(f"const uint16_t {name}[256] = {{")
    for i in range(0, 256, 16):
        print("    " + ", ".join(str(v) for v in values[i:i + 16]) + ",")
    print("};")


def main():
    folder = sys.argv[1]
    symbol_names, symbol_codes, symbol_space = read_font(folder, "S")
    mac = mac_names()
    print("// Advance widths of the standard PDF fonts, in thousandths of the font size, by")
    print("// character code. Generated by font_metrics_gen.py from Adobe's metrics of the standard")
    print("// fonts; do not edit by hand.")
    print('#include "pdf/font_metrics.h"')
    print()
    print("namespace kaveltar::pdf_internal {")
    print()
    print("// Widths by family (Arial = Helvetica, TimesNewRoman = Times), style (regular, bold,")
    print("// italic, bold italic; Helvetica's oblique styles have the upright widths, so only its")
    print("// upright tables are here) and encoding (Windows code page, then Macintosh).")
    families = [("Helvetica", ["HR", "HB", "HI", "HBI"]), ("Times", ["TR", "TB", "TI", "TBI"])]
    for fam, files in families:
        upright = {}
        for style, file in zip(["Regular", "Bold", "Italic", "BoldItalic"], files):
            glyphs, _, space = read_font(folder, file)
            win = text_widths(glyphs, space, WIN_ANSI, symbol_names)
            mac_widths = text_widths(glyphs, space, mac, symbol_names)
            if fam == "Helvetica" and style in ("Italic", "BoldItalic"):
                # The writer uses the upright tables for these: they must be the same.
                assert (win, mac_widths) == upright[style.replace("Italic", "") or "Regular"], style
                continue
            upright[style] = (win, mac_widths)
            emit(f"k{fam}{style}Win", win)
            emit(f"k{fam}{style}Mac", mac_widths)
    for fam, file in [("Symbol", "S"), ("ZapfDingbats", "ZD")]:
        _, codes, space = read_font(folder, file)
        emit(f"k{fam}", [codes.get(c, space) for c in range(256)])
    print()
    print("// Unicode of the Macintosh codes 128-255 as PDF's MacRomanEncoding names them.")
    print("const uint16_t kMacRomanHigh[128] = {")
    for i in range(128, 256, 8):
        print("    " + ", ".join(f"0x{mac_unicode(c):04X}" for c in range(i, i + 8)) + ",")
    print("};")
    print()
    print("}  // namespace kaveltar::pdf_internal")


main()
