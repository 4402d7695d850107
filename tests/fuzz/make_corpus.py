#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora into tests/fuzz/corpus/<target>/.

The seeds are small inputs of our own: database images, options records, word
lists in GB, Big5 and UTF-8, and a resource library built from seeds.rc with the
resource tools (skipped when they are missing). Run it again after changing it;
the fuzzers only need the files it writes.
"""
import os
import shutil
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def database(lines, count=None):
    body = b"".join((line + "\r\n").encode("utf-16-le") for line in lines)
    return struct.pack("<i", len(lines) if count is None else count) + body


ENTRIES = [
    "中国 [zhong1 guo2] /China/",
    "鲁迅 [Lu:3 xun4] /Lu Xun (1881-1936)/",
    "个 [ge4] /see 個|个[ge4]/ or 箇|个[gei4]/",
    "C# [C sharp] /C# (language)/",
    "瓷器 [ci2 qi4] /chinaware/porcelain/",
    "吃 [chi1] /to eat/",
]


def loader():
    put("database_loader", "header_only", database(["# header"]))
    put("database_loader", "six_entries", database(["# CEDICT"] + ENTRIES))
    put("database_loader", "count_too_large", database(["# CEDICT"] + ENTRIES[:2], count=1000))
    put("database_loader", "no_brackets", database(["#", "", "no brackets/", "x [open /", "[a] [b]/"]))
    cut = database(["# CEDICT"] + ENTRIES)
    put("database_loader", "cut_in_a_line", cut[: len(cut) - 9])
    put("database_loader", "cr_without_lf", struct.pack("<i", 3) + "#\r\na [a1] /b/\rc [c1] /d/\r\n".encode("utf-16-le"))


def search():
    # The target reads these as a program of choices; varied bytes give varied dictionaries.
    put("search", "small", bytes([6] + [i * 37 % 256 for i in range(300)]))
    put("search", "pinyin", bytes([3, 20, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0, 1, 0xFF] * 12))
    put("search", "many", bytes(range(256)) * 2)


def options():
    put("options", "empty", b"")
    put("options", "simplified", struct.pack("<5i", 1, 0, 0, 1, 0))
    put("options", "traditional_reserved", struct.pack("<5i", 1, 7, -1, 2, 123456))
    put("options", "older_twelve", struct.pack("<3i", 1, 0, 0))
    put("options", "long", struct.pack("<6i", 1, 0, 0, 5, 0, 99))
    put("options", "odd", b"\x01\x02\x03")


def conversion():
    lines = ["# CEDICT header", "中国 [zhong1 guo2] /China/", "吃 [chi1] /to eat/", "", "人 [ren2] /person/"]
    put("conversion", "gb_crlf", ("\r\n".join(lines) + "\r\n").encode("gb2312"))
    put("conversion", "big5_crlf", ("\r\n".join(lines).replace("国", "國") + "\r\n").encode("big5"))
    put("conversion", "mixed_ends", b"a\rb\nc\r\nd\n\re")
    put("conversion", "bad_bytes", b"\xff\xfe\x81\r\n\xa4\r\n\x80")
    u8 = ("\ufeff# CC-CEDICT\n#! version=1\n#! charset=UTF-8\n#! date=2019-05-27\n"
          "#! license=https://creativecommons.org/licenses/by-sa/4.0/\n"
          "中國 中国 [Zhong1 guo2] /China/\n"
          "個 个 [ge4] /see 個|个[ge4]/\n"
          "\n"
          "malformed line\n"
          "吃 吃 [chi1] /to eat/  \n")
    put("conversion", "cedict_utf8", u8.encode("utf-8"))
    put("conversion", "chunk_end", b"~\x05" + "中国 [zhong1 guo2] /China/\r\n".encode("gb2312") * 3)


RC = r"""
610 BITMAP "seed.bmp"
102 MENU
BEGIN
  POPUP "Tasks"
  BEGIN
    MENUITEM "Copy Word", 40013
    MENUITEM SEPARATOR
    MENUITEM "Exit", 50006, GRAYED
  END
END
102 RCDATA
BEGIN
  102, 1,
  0xFFFE, 40001, 0x04, 0x88, 104, 0, 0
END
"""


def dib(bpp, width, height, palette=0):
    stride = ((width * bpp + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, 0, 0, 0, palette, 0)
    colours = b"".join(struct.pack("<I", (i * 0x1F3D5B) & 0xFFFFFF) for i in range(palette or (1 << bpp if bpp <= 8 else 0)))
    bits = bytes((i * 7) & 0xFF for i in range(stride * abs(height)))
    return header + colours + bits


def resources():
    put("resources", "dib_1bit", dib(1, 5, 3))
    put("resources", "dib_8bit_top_down", dib(8, 3, -2, palette=4))
    put("resources", "dib_24bit", dib(24, 3, 2))
    bitfields = struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 16, 3, 0, 0, 0, 0, 0) + struct.pack("<3I", 0xF800, 0x07E0, 0x001F) + bytes(8)
    put("resources", "dib_16bit_bitfields", bitfields)
    put("resources", "menu", struct.pack("<H", 0x90) + "Tasks\0".encode("utf-16-le") + struct.pack("<HH", 0x80, 40013) + "Copy\0".encode("utf-16-le"))
    put("resources", "menu_bar", struct.pack("<9H", 102, 1, 0xFFFE, 40001, 4, 0x88, 104, 0, 0))
    windres = shutil.which("x86_64-w64-mingw32-windres")
    ld = shutil.which("x86_64-w64-mingw32-ld")
    if not windres or not ld:
        print("resource tools missing: no library seeds")
        return
    with tempfile.TemporaryDirectory() as work:
        picture = dib(4, 4, 4)
        with open(os.path.join(work, "seed.bmp"), "wb") as f:
            f.write(b"BM" + struct.pack("<IHHI", 14 + len(picture), 0, 0, 14 + 40 + 64) + picture)
        with open(os.path.join(work, "seeds.rc"), "w") as f:
            f.write(RC)
        run = lambda *args: subprocess.run(args, cwd=work, check=True)
        run(windres, "-c", "65001", "-i", "seeds.rc", "-O", "res", "-o", "seeds.res")
        run(windres, "-c", "65001", "-i", "seeds.rc", "-O", "coff", "-o", "seeds.o")
        run(ld, "--dll", "-e", "0", "-s", "-o", "seeds.dll", "seeds.o")
        for name in ("seeds.res", "seeds.dll"):
            with open(os.path.join(work, name), "rb") as f:
                put("resources", name.replace(".", "_"), f.read())


if __name__ == "__main__":
    loader()
    search()
    options()
    conversion()
    resources()
