#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into tests/fuzz/corpus/TARGET/.

The seeds are small inputs of each target's input language: subtitle files
in their encodings, skin documents, attributes and scripts, pictures and
the heads of media files (made with the ffmpeg command line in its bit-exact
mode). Files named "found-*" are inputs that once failed; this script never
writes or removes them.

    scripts/make-fuzz-corpus.py [CORPUS_FOLDER]

Run it after changing a seed here, and commit what it writes.
"""
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "tests", "fuzz", "corpus")
MAX_LEN = 4096  # the fuzz runs' -max_len


def put(target, name, data):
    if isinstance(data, str):
        data = data.encode("utf-8")
    if len(data) > MAX_LEN:
        sys.exit(f"{target}/{name}: {len(data)} bytes, more than the runs' {MAX_LEN}")
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def media(args, name, head=None):
    """A file made by ffmpeg with the arguments, bit-exact; its first head bytes."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, name)
        cmd = ("ffmpeg -hide_banner -loglevel error -nostdin -y " + args +
               " -fflags +bitexact -flags:v +bitexact -flags:a +bitexact -map_metadata -1 '" + path + "'")
        subprocess.run(cmd, shell=True, check=True)
        with open(path, "rb") as f:
            data = f.read()
    return data[:head] if head else data


PICTURE = "-f lavfi -i testsrc=size=32x32:rate=25:duration=0.12"
TONE = "-f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.2"

# Subtitle readers: the last byte picks the code page (odd: 949 or, with
# 16 set, the ANSI page; even: detected), line joining, colour and rate.
SAMI = ("<SAMI><HEAD><STYLE><!--\r\n.KRCC { Name: Korean; lang: ko-KR; }\r\n.ENCC {Name:English;}\r\n-->"
        "</STYLE></HEAD><BODY>\r\n<SYNC Start=1000><P Class=KRCC><font color=\"#ff0000\">A</font><b>B</b><br>C\r\n"
        "<P Class=ENCC>&lt;x&gt; &#65;&nbsp;\r\n<SYNC Start=2000><P Class=KRCC>&nbsp;\r\n</BODY></SAMI>")
put("SamiFuzzer", "two-languages", SAMI)
put("SamiFuzzer", "plain-lines", "<SYNC Start=5><P>plain\nline\n<SYNC Start=5><P>again")
put("SamiFuzzer", "korean-949", ("<SAMI><BODY><SYNC Start=500><P Class=KRCC>한국어 자막<br>둘째 줄\r\n"
                                 "<SYNC Start=1500><P>&nbsp;</BODY></SAMI>\r\n").encode("cp949") + b"a")
put("SamiFuzzer", "korean-utf16", "\ufeff<SAMI><BODY><SYNC Start=10><P>가나다</BODY></SAMI>".encode("utf-16-le"))

SUBRIP = "1\r\n00:00:01,500 --> 00:00:03,250\r\nHello\r\nWorld\r\n\r\n2\r\n00:00:03,400 --> 00:00:05,000\r\nBye\r\n"
put("MicroDvdSubRipFuzzer", "microdvd", "{1}{1}25.000\r\n{25}{50}{y:b}One|{c:$0000ff}Two\r\n{60}{}{Y:i}x")
put("MicroDvdSubRipFuzzer", "subrip", SUBRIP)
put("MicroDvdSubRipFuzzer", "subrip-overlapping-cr",
    "1\r00:00:01,000 --> 00:00:04,000\rA\r\xa0\r2\r00:00:02,000 --> 00:00:05,000\rB\r\r"
    "3\r00:00:02,000 --> 00:00:02,400\rC\r")
put("MicroDvdSubRipFuzzer", "microdvd-unordered", "{24}{}A\n{24}{96}B\n{48}{72}C\n\xa0\n{10}{20}D")
put("MicroDvdSubRipFuzzer", "subrip-949",
    "1\r\n00:00:00,500 --> 00:00:02,000\r\n가나다 <i>라마</i>\r\n".encode("cp949") + b"\r\n\x01")
put("MicroDvdSubRipFuzzer", "subrip-utf8-bom", b"\xef\xbb\xbf" + "1\n00:00:01,000 --> 00:00:02,000\n자막\n".encode())

put("SsaFuzzer", "v4-plus",
    "[Script Info]\nScriptType: v4.00+\n[Events]\n"
    "Dialogue: 0,0:00:01.50,0:00:03.25,Default,,0,0,0,,{\\b1\\c&H0000FF&}Hi{\\b0}\\Nthere{\\pos(1,2)}\n"
    "Dialogue: 0,0:00:00.50,0:00:01.00,Default,,0,0,0,,{comment}x\\h\n")
put("SsaFuzzer", "v4-marked", "[Script Info]\nScriptType: v4.00\nDialogue: Marked=0,0:00:01.00,0:00:02.00,D,,0000,0000,0000,,a")
put("SsaFuzzer", "two-languages",
    "[Script Info]\n[Fonts]\nfontname: a.ttf\n!!!!\n[Events]\n"
    "Dialogue: 0,0:00:01.00,0:00:02.20,E,,0,0,0,,One\nDialogue: 0,0:00:01.00,0:00:02.20,K,,0,0,0,,Hana\n"
    "Dialogue: 0,0:00:02.40,0:00:03.00,E,,0,0,0,,Two\nDialogue: 0,0:00:02.40,0:00:03.00,K,,0,0,0,,Dul\n")
put("SsaFuzzer", "styles-949",
    ("[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\nFormat: Name, Fontname, Fontsize\nStyle: Default,굴림,20\n\n"
     "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
     "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,{\\fs30}한글{\\r}\\n끝\n").encode("cp949") + b"\x01")

# Picture subtitles: index texts, and sub-picture units and their packs.
PALETTE = ", ".join("%06x" % c for c in [0x000000, 0xFF0000, 0x00FF00, 0x0000FF] * 4)


def index_text(version, settings, languages):
    text = f"# VobSub index file, v{version} (do not modify this line!)\r\n#\r\n"
    base = [f"size: 720x480", "org: 0, 0", "scale: 100%, 100%" if version > 4 else "scale: 100%", "alpha: 100%",
            "smooth: OFF", "fadein/out: 50, 50", "align: OFF at LEFT TOP", "time offset: 0", "forced subs: OFF",
            "palette: " + PALETTE, "custom colors: OFF, tridx: 0000, colors: 000000, 000000, 000000, 000000"]
    for line in base + settings:
        text += line + "\r\n"
    for code, index, lines in languages:
        text += f"\r\n# {code}\r\nid: {code}, index: {index}\r\n"
        for line in lines:
            text += line + "\r\n"
    return text


def stamp(ms, pos):
    a = abs(ms)
    return "timestamp: %s%02d:%02d:%02d:%03d, filepos: %09x" % (
        "-" if ms < 0 else "", a // 3600000, a // 60000 % 60, a // 1000 % 60, a % 1000, pos)


LANGUAGES = [("en", 0, ["alt: Main", "delay: -00:00:00:500", stamp(1000, 0), stamp(800, 0)]),
             ("ko", 1, ["# Vob/Cell ID: 1, 2 (PTS: 3)", stamp(1500, 2048), stamp(-20, 4096)])]
put("VobSubIndexFuzzer", "v7", b"\x01" + index_text(7, ["align: ON at CENTER BOTTOM", "langidx: 1"], LANGUAGES).encode())
put("VobSubIndexFuzzer", "v4-custom-colours",
    b"\x01" + index_text(4, ["org: -20, 30", "forced subs: ON", "time offset: -250",
                             "custom colors: ON, tridx: 0110, colors: 1, 2, 3, 4"], LANGUAGES).encode())
# Key lines: the first byte of each picks the key.
put("VobSubIndexFuzzer", "picked-keys",
    b"\x0e" + b"".join(bytes([k]) + v + b"\n" for k, v in [
        (0x13, b"720x480"), (0x06, b"ON at RIGHT BOTTOM"), (0x0C, b"ko, index: 3"), (0x0E, b"-00:00:01:000"),
        (0x0F, b"00:00:02:000, filepos: 000000800"), (0x0F, b"00:00:01:000, filepos: 0"),
        (0x10, b"1, 2 (PTS: 5)"), (0x07, b"+00:00:01:5")]))


def spu_unit(width, height, box, x, y, stop_delay, forced=False, fill_line_ends=False):
    """A sub-picture unit of 2-bit values: 1 everywhere, box (x, y, w, h) 2."""
    def value(px, py):
        bx, by, bw, bh = box
        return 2 if bx <= px < bx + bw and by <= py < by + bh else 1

    def field(first):
        nibbles = []
        for py in range(first, height, 2):
            px = 0
            while px < width:
                v = value(px, py)
                run = 1
                while px + run < width and value(px + run, py) == v and run < 255:
                    run += 1
                if px + run == width and fill_line_ends:
                    nibbles += [0, 0, 0, v]
                else:
                    code = run << 2 | v
                    digits = 1 if run < 4 else 2 if run < 16 else 3 if run < 64 else 4
                    nibbles += [(code >> (4 * i)) & 15 for i in reversed(range(digits))]
                px += run
            if len(nibbles) % 2:
                nibbles.append(0)
        return bytes(nibbles[i] << 4 | nibbles[i + 1] for i in range(0, len(nibbles), 2))

    top, bottom = field(0), field(1)
    control = 4 + len(top) + len(bottom)
    x2, y2 = x + width - 1, y + height - 1
    commands = bytes([0x00 if forced else 0x01, 0x03, 0x01, 0x23, 0x04, 0xFF, 0xF0, 0x05,
                      x >> 4, (x & 15) << 4 | x2 >> 8, x2 & 0xFF, y >> 4, (y & 15) << 4 | y2 >> 8, y2 & 0xFF,
                      0x06]) + struct.pack(">HH", 4, 4 + len(top)) + b"\xff"
    second = control + 4 + len(commands)
    sequences = struct.pack(">HH", 0, second) + commands + struct.pack(">HH", stop_delay, second) + b"\x02\xff"
    return struct.pack(">HH", 4 + len(top) + len(bottom) + len(sequences), control) + top + bottom + sequences


def spu_pack(unit, language, ms):
    """The unit in one 2048-byte pack of private stream 1, time-stamped."""
    pts = ms * 90
    stamp_bytes = bytes([0x21 | (pts >> 29) & 0x0E, (pts >> 22) & 0xFF, (pts >> 14) & 0xFE | 1, (pts >> 7) & 0xFF,
                         (pts << 1) & 0xFE | 1])
    pes = b"\x00\x00\x01\xbd" + struct.pack(">H", 3 + len(stamp_bytes) + 1 + len(unit)) + b"\x81\x80" + \
        bytes([len(stamp_bytes)]) + stamp_bytes + bytes([0x20 + language]) + unit
    pack = b"\x00\x00\x01\xba\x44\x00\x04\x00\x04\x01\x01\x89\xc3\xf8" + pes
    left = 2048 - len(pack)
    return pack + b"\x00\x00\x01\xbe" + struct.pack(">H", left - 6) + b"\xff" * (left - 6)


unit = spu_unit(24, 9, (2, 2, 12, 4), 300, 200, 90)
put("VobSubPacketFuzzer", "unit", b"\x00" + unit)
put("VobSubPacketFuzzer", "unit-all-settings", b"\xde" + unit)
put("VobSubPacketFuzzer", "unit-forced-line-ends",
    b"\x40" + spu_unit(30, 12, (3, 3, 10, 4), 40, 400, 90, forced=True, fill_line_ends=True))
put("VobSubPacketFuzzer", "stream", b"\x01" + spu_pack(unit, 0, 1000))
put("VobSubPacketFuzzer", "stream-small-target", b"\x97" + spu_pack(unit, 1, 1000))

# Media files: RivoReader's analysers, source probing, the AVI index check
# and the ASF header reader.
V, A = PICTURE + " ", TONE + " "
for name, args in [("a.avi", V + A + "-c:v mpeg4 -c:a libmp3lame -reserve_index_space 16"), ("b.wmv", V + A + "-c:v wmv2 -c:a wmav2"),
                   ("c.mp4", V + A + "-c:v mpeg4 -c:a aac -movflags +faststart"), ("d.rm", V + A + "-c:v rv10 -c:a ac3 -ar 32000"),
                   ("e.mkv", V + A + "-c:v mpeg4 -c:a libmp3lame"), ("f.ogg", A + "-c:a libvorbis"),
                   ("g.flv", V + A + "-c:v flv -c:a libmp3lame -ar 11025")]:
    put("ReaderFuzzer", "head-" + name.replace(".", "-"), media(args, name, head=MAX_LEN))
for name, args in [("a.avi", V + A + "-c:v mpeg4 -c:a libmp3lame -reserve_index_space 16"), ("b.asf", V + A + "-c:v wmv2 -c:a wmav2 -f asf"),
                   ("c.mp4", V + A + "-c:v mpeg4 -c:a aac"), ("d.ts", V + A + "-c:v mpeg2video -c:a mp2 -ar 32000 -f mpegts"),
                   ("e.mkv", V + A + "-c:v mpeg4 -c:a libvorbis"), ("f.mpg", V + A + "-c:v mpeg1video -c:a mp2 -ar 32000 -f mpeg")]:
    put("SourceProbeFuzzer", "head-" + name.replace(".", "-"), media(args, name, head=MAX_LEN))
put("SourceProbeFuzzer", "dvd-ifo-head", b"DVDVIDEO-VTS" + b"\x00" * 500)
put("SourceProbeFuzzer", "riff-cdxa", b"RIFF" + struct.pack("<I", 60) + b"CDXAfmt " + b"\x00" * 52)

TINY = "-f lavfi -i testsrc=size=16x16:rate=5:duration=0.4 "
TINY_CODEC = " -c:v mpeg4 -q:v 31 -g 100 "
# The smallest room for the stream indexes keeps a file of a few frames
# within the runs' input size.
put("AviIndexFuzzer", "with-index", media(TINY + TINY_CODEC + "-reserve_index_space 16 -f avi", "a.avi"))
put("AviIndexFuzzer", "with-sound", media(TINY + TONE.replace("0.2", "0.4").replace("8000", "4000") + TINY_CODEC + "-c:a pcm_u8 -reserve_index_space 16 -f avi",
                                           "b.avi"))
put("AviIndexFuzzer", "cut-index-room", media(TINY + TINY_CODEC + "-f avi", "c.avi", head=MAX_LEN))


def asf_object(guid, payload):
    return guid + struct.pack("<Q", 24 + len(payload)) + payload


def guid(text):
    import uuid
    return uuid.UUID(text).bytes_le


# A caption command object (one type, one command), put before the file's
# own first object after the header object's fixed part.
SCRIPT = asf_object(guid("1EFB1A30-0B62-11D0-A39B-00A0C90348F6"),
                    b"\x00" * 16 + struct.pack("<HH", 1, 1) + struct.pack("<H", 4) + "TEXT".encode("utf-16-le") +
                    struct.pack("<IHH", 4000, 0, 2) + "hi".encode("utf-16-le"))
for name, args in [("a.wmv", V + A + "-c:v wmv2 -c:a wmav2 -metadata title=T -metadata author=Me"),
                   ("b.wma", A + "-c:a wmav2")]:
    made = media(args, name)
    header_size, count = struct.unpack_from("<QI", made, 16)
    with_script = made[:16] + struct.pack("<QI", header_size + len(SCRIPT), count + 1) + made[28:30] + SCRIPT + \
        made[30:]
    put("AsfHeaderFuzzer", name.replace(".", "-"), with_script[:MAX_LEN])

# Skin: bitmaps, attribute texts, whole documents and scripts.


def bmp(width, height, bits, compression, palette, data):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(data), 0, 0, len(palette), 0)
    colours = b"".join(bytes(c) for c in palette)
    offset = 14 + len(info) + len(colours)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + colours + bytes(data)


put("SkinBitmapFuzzer", "rgb24", bmp(5, 3, 24, 0, [], [0xFF] * 48))
put("SkinBitmapFuzzer", "rle8", bmp(4, 2, 8, 1, [(0, 0, 0, 0), (255, 0, 255, 0)], [4, 1, 0, 0, 2, 0, 0, 1]))
put("SkinBitmapFuzzer", "rle4", bmp(7, 2, 4, 2, [(1, 2, 3, 0)], [0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 9, 9]))
put("SkinBitmapFuzzer", "mono", bmp(9, 9, 1, 0, [(0, 0, 0, 0), (255, 255, 255, 0)], [0xA5] * 36))
put("SkinBitmapFuzzer", "pal8-top-down", media("-f lavfi -i testsrc=size=6x4 -frames:v 1 -pix_fmt pal8", "p.bmp"))
put("SkinBitmapFuzzer", "rgb565", media("-f lavfi -i testsrc=size=6x4 -frames:v 1 -pix_fmt rgb565", "r.bmp"))

for i, text in enumerate([
        "1,2,3,4", "#ff8000", "hcenter|vcenter",
        "<Font FontName=\"f\" FaceName=\"DejaVu Sans\" Size=\"-2147483648\" Bold=\"1\"/>",
        "<SetWindowRgn><Rgn Type=\"bitmap\" Param=\"img\"/><Rgn Type=\"roundrect\" "
        "Param=\"-2147483648,0,2147483647,5,99999,-9\" Mode=\"xor\"/></SetWindowRgn>",
        "<StaticControl Align=\"none\" Rect=\"2147483647,-2147483648,5,5\" Width=\"2147483647%\" "
        "Height=\"-2147483648\" Gaps=\"1,2,3,4\" Tooltip=\"$x\" InnerGaps=\"-99,0,99999,0\" Debug=\"2\"/>"]):
    put("SkinAttributeFuzzer", f"text-{i}", text)


def skin_xml(window, predefine, controls, extra=""):
    return ("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<HXSkin>\n<SkinWindow " + window + ">\n" + extra +
            "<PreDefine>\n" + predefine + "</PreDefine>\n<ControlDefine>\n" + controls +
            "</ControlDefine>\n</SkinWindow>\n</HXSkin>\n")


put("SkinDocumentFuzzer", "controls", skin_xml(
    "BkgndImage=\"img.bmp\" BkgndType=\"tile\" ResizeBorder=\"1\" Draggable=\"true\" MinMaxSize=\"1,2,3\"",
    "<ColorTheme Value=\"9,-9,300\" Name=\"t\"/><Image Image=\"cells.bmp\" ImageName=\"c\"/>"
    "<Cursor CursorName=\"a\" FileName=\"arrow.cur\"/><Font FontName=\"f\" FaceName=\"Sans\"/>"
    "<ImageFont FontName=\"i\" Image=\"c\" Characters=\"0123\"/><DefineControlID ID=\"ID_Z\" Value=\"900\"/>",
    "<ButtonControl CID=\"ID_A\" CMD=\"ID_CMD\" ButtonControlType=\"bitmap\" Image=\"btn.bmp\" "
    "Align=\"left\" Width=\"autosize\" CursorName=\"a\" Text=\"x\" FontName=\"f\"/>"
    "<StaticControl CID=\"ID_B\" StaticControlType=\"bitmap\" Image=\"c\" ImageType=\"tileanimation\" "
    "AniSplit=\"4\" Align=\"client\" NotifyClick=\"1\" Tooltip=\"t\"><StaticControl Align=\"center\" "
    "Width=\"50%\" Height=\"10\" FontName=\"i\" Text=\"3210\"/></StaticControl>"
    "<WindowControl CID=\"ID_NATIVE\" Align=\"nomove\"/>"
    "<SkinWindow CID=\"ID_C\" Align=\"popup\"><ControlDefine><StaticControl Align=\"client\"/>"
    "</ControlDefine></SkinWindow>",
    "<SetWindowRgn><Rgn Type=\"ellipse\" Param=\"0,0,50,50\"/></SetWindowRgn>"
    "<RegionDefine><Rgn Type=\"roundrect\" Param=\"4,4\" Align=\"client\"/>"
    "<Rgn Type=\"bitmap\" Param=\"img.bmp\" Mode=\"xor\" Align=\"none\" Width=\"autosize\"/></RegionDefine>"))
put("SkinDocumentFuzzer", "bad-values", skin_xml("BkgndColor=\"zz\"", "<Gadget/>", "<StaticControl/>"))
put("SkinDocumentFuzzer", "scripts", skin_xml(
    "", "<DoScript CMD=\"MB('a'); ShowControl('nothing', 1);\"/>",
    "<ButtonControl CID=\"ID_A\" ButtonControlType=\"transparent\" Align=\"client\" "
    "OnEvent=\"int r(int n) { return r(n + 1); } r(0);\" Text=\"$GCT('ID_A')\"/>",
    "<?Script void main() { SCTC('ID_A', 255); RA(''); } ?>"))
put("SkinDocumentFuzzer", "every-control", skin_xml(
    "", "<Image Image=\"cells.bmp\" ImageName=\"c\"/><Font FontName=\"f\" FaceName=\"Sans\"/>"
    "<DefineControlID ID=\"ID_P1\" Value=\"901\"/><DefineControlID ID=\"ID_P2\" Value=\"902\"/>"
    "<DefineControlID ID=\"ID_P3\" Value=\"903\"/><DefineControlID ID=\"ID_P4\" Value=\"904\"/>"
    "<DefineControlID ID=\"IDM_M\" Value=\"905\"/>",
    "<ListBoxControl CID=\"ID_LIST\" ItemHeight=\"12\" SliderControlID=\"ID_B\" FontName=\"f\" "
    "FrameImage=\"c\" ItemFrame=\"c\" Style=\"multiselect dragenable\" Align=\"left\" Width=\"60\"/>"
    "<SliderControl CID=\"ID_B\" Image=\"c\" ImageKnob=\"c\" KnobType=\"variable\" ScrollBar=\"1\" "
    "Orientation=\"vertical\" Align=\"left\" Width=\"8\"/>"
    "<SplitterControl StaticControlType=\"color\" ControlColor=\"#808080\" Align=\"left\" Width=\"4\" "
    "AssociateControl=\"ID_LIST\"/>"
    "<MarqueeControl Text=\"ticker\" Behavior=\"alternate\" ScrollDelay=\"0\" ScrollAmount=\"-3\" "
    "FontName=\"f\" NotifyClick=\"2\" Align=\"top\" Height=\"14\"/>"
    "<PopupMenuButtonControl CID=\"ID_CMD\" ButtonControlType=\"transparent\" MenuID=\"IDM_M\" "
    "SubMenu=\"0\" MenuPosition=\"up\" Align=\"right\" Width=\"20\"/>"
    "<BrowserControl URL=\"./../outside.html\" OffURL=\"./page.html\" Align=\"bottom\" Height=\"20\"/>"
    "<FlashControl URL=\"./m.swf\" Align=\"bottom\" Height=\"10\"/>"
    "<StaticControl CID=\"ID_P1\" Align=\"nomove\"/><StaticControl CID=\"ID_P2\" Align=\"nomove\"/>"
    "<StaticControl CID=\"ID_P3\" Align=\"nomove\"/><StaticControl CID=\"ID_P4\" Align=\"nomove\"/>"
    "<XSplitterControl ControlLT=\"ID_P1\" ControlRT=\"ID_P2\" ControlLB=\"ID_P3\" ControlRB=\"ID_P4\" "
    "ImageHFrame=\"c\" ImageVFrame=\"c\" ImageCenter=\"c\" PaneMinSize=\"10,10,10,10\" "
    "PaneAlignToLeft=\"0\" PaneWidth=\"-40\" Align=\"client\"/>"))

for i, text in enumerate([
        "int f(int a) { if (a < 2) return 1; return a * f(a - 1); } x = f(6); SCT(\"a\", itoa(x));",
        "string s; s = GCT(\"a\") + \"!\"; if (s == \"text!\") SC(\"b\", 0); else MB(s);",
        "int v[3]; v[1] = 0x1F + 0b101 - .5; { int t; t = 1; } RA(\"\"); RA(\"c\");",
        "void g() { return; } if (1) if (0) a = 1; else a = 2; z = g(); /* c */ // d",
        "double d; d = 1 + 2.5 * 3 / 4 % 2; SCTC(\"a\", 0xFF00FF); SETIN(\"b\", atoi(\"3\"));",
        "int e(int n) { if (n) { e(n - 1); e(n - 1); } return 0; } e(30);",
        "main(); int main() { SendCommand(\"a\"); Navigate(\"c\", \"http://x\"); return 0; } main();",
        "한글 = 1; 한글 + 1;",
        "{{{{ if (a) { b; } else { c; } }}}} while (1) x; for (;;) y;",
        "x = \"unterminated"]):
    put("ScriptFuzzer", f"program-{i}", text)

# The logo reader: the first byte's lowest bit asks for a mask split at the
# second byte (times 16); the first bytes also place the logo.
logos = {
    "png-rgba": media("-f lavfi -i color=c=red@0.5:s=12x6,format=rgba -frames:v 1", "a.png"),
    "bmp": media("-f lavfi -i color=c=blue:s=9x5 -frames:v 1", "b.bmp"),
    "jpeg-odd-size": media("-f lavfi -i testsrc=s=17x9 -frames:v 1", "c.jpg"),
    "jpeg-40x20": media("-f lavfi -i testsrc=s=40x20 -frames:v 1 -q:v 10", "d.jpg"),
    "png-grey": media("-f lavfi -i color=c=gray:s=5x3 -frames:v 1 -pix_fmt gray", "e.png"),
    "png-palette": media("-f lavfi -i testsrc=s=7x5 -frames:v 1 -pix_fmt pal8", "f.png"),
}
for name, data in logos.items():
    put("LogoPictureFuzzer", name, b"\x02" + data)
mask = logos["png-grey"]
for name in ("png-rgba", "jpeg-odd-size"):
    data = logos[name]
    put("LogoPictureFuzzer", name + "-with-mask", b"\x03" + bytes([(len(data) + 15) // 16]) + data +
        b"\x00" * ((len(data) + 15) // 16 * 16 - len(data)) + mask)

# Text subtitles drawn: eleven value bytes (place, margins, spacing, size,
# outline, shadow, italic, alpha), the choice of a face, then the text.
for i, (values, text) in enumerate([
        (b"\x32\x5a\x02\x02\x00\x00\x1a\x03\x02\x00\x00\x00", "@@<Bold@@> @@^ff0000red@@^12\nline"),
        (b"\x00\x00\x00\x00\x10\x30\x00\x0c\x0c\x01\xff\x01", "{\\pos(1,2)}\\N\\h{}@@/@@\\@@_@@-"),
        (b"\x64\x64\x64\x64\x3c\x3c\x3c\x00\x00\x00\x00\x06", "한국어 자막, 둘째 줄\n셋째"),
        (b"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x04", "a,b,c\r\n{\\fnArial,x}@@^zzzzzz"),
        (b"\x20\x20\x05\x05\x00\x00\x20\x04\x04\x00\x80\x03", "text in a face the system lacks")]):
    put("SubtitleTextFuzzer", f"entry-{i}", values + text.encode())
