#!/usr/bin/env python3
"""Builds the glyph sheets and the icon sheet in fonts/.

The glyphs come from bitmap fonts that Debian ships:
  base.bmp, basens.bmp  Terminus Font 8x16 bold (xfonts-terminus, SIL OFL 1.1)
  small.bmp             misc-fixed 6x9 (xfonts-base, public domain)
A sheet holds the characters 32..255 in reading order, in cells 9 pixels
wide (the program trims the rightmost column) and one glyph height high,
32 cells per row. Pixels are white with full alpha where a glyph is set,
transparent elsewhere, so the program tints them by colour modulation.
base.bmp also carries a black one-pixel shadow below and to the right, and
its glyphs sit 2 rows higher in their cells (the program draws it 2 pixels
lower).

icon.bmp holds the icons at the places the widgets cut them from:
  (0, 0, 10, 12)   number field: decrement arrow
  (10, 0, 10, 12)  number field: increment arrow
  (0, 14, 14, 14)  note mode off        (16, 14, 14, 14) note mode on
  (0, 30, 23, 22)  loop snap
  (0, 65, 14, 9)   voice muted          (0, 77, 14, 9)   voice audible
  (24, 0, 16, 16)  play  (24, 18, 16, 16) stop  (24, 36, 16, 16) pattern
  (44, 0, 16, 96)  level meter
  (62, 0, 208, 50) logo
The rest of the 320 x 128 sheet is free for later icons.

Usage: tools/make_fonts.py [output folder]   (default: fonts/ of the checkout)
"""
import gzip
import os
import struct
import sys

MISC = "/usr/share/fonts/X11/misc"
FIRST_CHAR, LAST_CHAR, COLUMNS, CELL_WIDTH = 32, 255, 32, 9

PCF_METRICS, PCF_BITMAPS, PCF_BDF_ENCODINGS = 1 << 2, 1 << 3, 1 << 5
PCF_ACCELERATORS, PCF_BDF_ACCELERATORS = 1 << 1, 1 << 8


class PcfFont:
    """The glyphs of a PCF font: per code a (left, ascent, width, height, rows) record."""

    def __init__(self, path):
        data = gzip.open(path).read() if path.endswith(".gz") else open(path, "rb").read()
        if data[:4] != b"\x01fcp":
            raise ValueError(path + " is not a PCF font")
        count = struct.unpack_from("<i", data, 4)[0]
        tables = {}
        for i in range(count):
            kind, fmt, size, offset = struct.unpack_from("<iiii", data, 8 + 16 * i)
            tables[kind] = (fmt, offset)
        metrics = self._metrics(data, *tables[PCF_METRICS])
        bitmaps = self._bitmaps(data, *tables[PCF_BITMAPS], metrics)
        encoding = self._encoding(data, *tables[PCF_BDF_ENCODINGS])
        accel = tables.get(PCF_BDF_ACCELERATORS, tables.get(PCF_ACCELERATORS))
        fmt, offset = accel
        order = ">" if fmt & 4 else "<"
        self.ascent, self.descent = struct.unpack_from(order + "ii", data, offset + 4 + 8)
        self.glyphs = {}
        for code, index in encoding.items():
            lsb, rsb, width, ascent, descent = metrics[index]
            self.glyphs[code] = (lsb, ascent, rsb - lsb, ascent + descent, bitmaps[index])

    @staticmethod
    def _metrics(data, fmt, offset):
        order = ">" if fmt & 4 else "<"
        fmt = struct.unpack_from("<i", data, offset)[0]
        result = []
        if fmt & 0x100:  # compressed: one byte per field, biased by 0x80
            count = struct.unpack_from(order + "h", data, offset + 4)[0]
            for i in range(count):
                fields = data[offset + 6 + 5 * i: offset + 11 + 5 * i]
                result.append(tuple(b - 0x80 for b in fields))
        else:
            count = struct.unpack_from(order + "i", data, offset + 4)[0]
            for i in range(count):
                result.append(struct.unpack_from(order + "hhhhh", data, offset + 8 + 12 * i))
        return result

    @staticmethod
    def _bitmaps(data, fmt, offset, metrics):
        order = ">" if fmt & 4 else "<"
        count = struct.unpack_from(order + "i", data, offset + 4)[0]
        offsets = struct.unpack_from(order + "%di" % count, data, offset + 8)
        base = offset + 8 + 4 * count + 16
        pad = 1 << (fmt & 3)
        msb_bit_first = bool(fmt & 8)
        unit = 1 << ((fmt >> 4) & 3)
        swap = bool(fmt & 4) != msb_bit_first and unit > 1
        result = []
        for i in range(count):
            lsb, rsb, _, ascent, descent = metrics[i]
            width, height = rsb - lsb, ascent + descent
            stride = ((width + 7) // 8 + pad - 1) // pad * pad
            rows = []
            for y in range(height):
                raw = bytearray(data[base + offsets[i] + y * stride: base + offsets[i] + (y + 1) * stride])
                if swap:
                    for u in range(0, len(raw), unit):
                        raw[u:u + unit] = raw[u:u + unit][::-1]
                row = []
                for x in range(width):
                    byte = raw[x // 8]
                    bit = (byte >> (7 - x % 8)) & 1 if msb_bit_first else (byte >> (x % 8)) & 1
                    row.append(bit)
                rows.append(row)
            result.append(rows)
        return result

    @staticmethod
    def _encoding(data, fmt, offset):
        order = ">" if fmt & 4 else "<"
        min2, max2, min1, max1, _ = struct.unpack_from(order + "hhhhh", data, offset + 4)
        count = (max2 - min2 + 1) * (max1 - min1 + 1)
        indices = struct.unpack_from(order + "%dH" % count, data, offset + 14)
        result = {}
        for i, index in enumerate(indices):
            if index == 0xFFFF:
                continue
            byte1, byte2 = divmod(i, max2 - min2 + 1)
            result[((byte1 + min1) << 8) | (byte2 + min2)] = index
        return result


class Image:
    """An RGBA picture, rows top to bottom."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def get(self, x, y):
        return self.pixels[y][x]

    def save_bmp(self, path):
        # 32 bits per pixel with an alpha mask (BITMAPV4HEADER), rows bottom-up.
        header_size = 108
        image_size = self.width * self.height * 4
        out = bytearray()
        out += b"BM" + struct.pack("<IHHI", 14 + header_size + image_size, 0, 0, 14 + header_size)
        out += struct.pack("<IiiHHIIiiII", header_size, self.width, self.height, 1, 32, 3,
                           image_size, 2835, 2835, 0, 0)
        out += struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
        out += b"sRGB"[::-1] + bytes(36) + struct.pack("<III", 0, 0, 0)
        for y in range(self.height - 1, -1, -1):
            for r, g, b, a in self.pixels[y]:
                out += bytes((b, g, r, a))
        temp = path + ".tmp"
        with open(temp, "wb") as f:
            f.write(out)
        os.replace(temp, path)


WHITE, BLACK = (255, 255, 255, 255), (0, 0, 0, 255)


def glyph_sheet(font, glyph_height, x_shift, y_shift, shadow, lift=0):
    """`lift` moves glyphs up by up to that many rows, as far as their top
    ink allows: the program draws base.bmp 2 pixels lower than basens.bmp,
    and lifting keeps descenders inside a 16-pixel line at the window bottom."""
    cells = LAST_CHAR - FIRST_CHAR + 1
    rows = (cells + COLUMNS - 1) // COLUMNS
    sheet = Image(COLUMNS * CELL_WIDTH, rows * glyph_height)
    for code in range(FIRST_CHAR, LAST_CHAR + 1):
        if code not in font.glyphs:
            continue
        cell = code - FIRST_CHAR
        cell_x, cell_y = (cell % COLUMNS) * CELL_WIDTH, (cell // COLUMNS) * glyph_height
        left, ascent, width, height, bits = font.glyphs[code]
        top = font.ascent - ascent + y_shift
        if lift:
            rows = [y for y in range(height) if any(bits[y])]
            top_ink = top + rows[0] if rows else 0
            top -= max(0, min(lift, top_ink))
        ink = []
        for y in range(height):
            for x in range(width):
                if bits[y][x]:
                    gx, gy = left + x + x_shift, top + y
                    # The program draws 8 of the 9 columns: keep ink inside them.
                    if 0 <= gx < CELL_WIDTH - 1 and 0 <= gy < glyph_height:
                        ink.append((gx, gy))
        if shadow:
            for gx, gy in ink:
                if gx + 1 < CELL_WIDTH - 1 and gy + 1 < glyph_height:
                    sheet.set(cell_x + gx + 1, cell_y + gy + 1, BLACK)
        for gx, gy in ink:
            sheet.set(cell_x + gx, cell_y + gy, WHITE)
    return sheet


def fill_rect(image, x, y, w, h, colour):
    for yy in range(y, y + h):
        for xx in range(x, x + w):
            image.set(xx, yy, colour)


def draw_icons(icon, logo_font):
    # Number field arrows: decrement points down, increment points up.
    for row in range(5):
        for x in range(1 + row, 9 - row):
            icon.set(0 + x, 4 + row, WHITE)        # down
            icon.set(10 + x, 8 - row, WHITE)       # up
    # Note mode: hollow square (off) and filled square (on).
    for i in range(2, 12):
        for j in (2, 11):
            icon.set(i, 14 + j, WHITE)
            icon.set(j, 14 + i, WHITE)
    fill_rect(icon, 16 + 2, 14 + 2, 10, 10, WHITE)
    # Loop snap: two brackets facing a bar.
    for y in range(4, 18):
        icon.set(3, 30 + y, WHITE)
        icon.set(19, 30 + y, WHITE)
        icon.set(11, 30 + y, WHITE)
    for x in range(3, 7):
        icon.set(x, 34, WHITE); icon.set(x, 47, WHITE)
    for x in range(16, 20):
        icon.set(x, 34, WHITE); icon.set(x, 47, WHITE)
    # Voice audible: a speaker with sound waves; muted: the speaker crossed out.
    def speaker(y0):
        fill_rect(icon, 1, y0 + 3, 3, 3, WHITE)
        for i in range(4):
            for y in range(3 - i, 6 + i):
                icon.set(4 + i, y0 + y, WHITE)
    speaker(77)
    for y in range(2, 7):
        icon.set(10, 77 + y, WHITE)
    for y in range(0, 9):
        icon.set(12, 77 + y, WHITE)
    speaker(65)
    for i in range(5):
        icon.set(9 + i, 65 + 2 + i, WHITE)
        icon.set(13 - i, 65 + 2 + i, WHITE)
    # Play, stop and pattern (a loop arrow) buttons.
    for x in range(4, 13):
        half = (x - 4) // 2
        for y in range(4 + half, 13 - half):
            icon.set(24 + x, y, WHITE)
    fill_rect(icon, 24 + 4, 18 + 4, 8, 8, WHITE)
    for x in range(3, 13):
        icon.set(24 + x, 36 + 4, WHITE); icon.set(24 + x, 36 + 12, WHITE)
    for y in range(4, 13):
        icon.set(24 + 3, 36 + y, WHITE); icon.set(24 + 12, 36 + y, WHITE)
    fill_rect(icon, 24 + 10, 36 + 2, 2, 5, WHITE)
    # Level meter, 16 x 96: green at the bottom through yellow to red at the top,
    # in two-pixel bars with a dark gap so the level reads as segments.
    for y in range(96):
        level = (95 - y) / 95.0
        if level < 0.6:
            colour = (60, 220, 90, 255)
        elif level < 0.85:
            colour = (235, 215, 60, 255)
        else:
            colour = (240, 70, 60, 255)
        if y % 3 == 2:
            colour = (colour[0] // 3, colour[1] // 3, colour[2] // 3, 255)
        fill_rect(icon, 44 + 1, y, 14, 1, colour)
    # Logo, 208 x 50: an eighth note and "Quillnote" in a large bitmap face,
    # outlined, with a colour ramp from top to bottom and a rule underneath.
    text = "Quillnote"
    left, top = 62, 0
    glyph_w = 16
    text_w = glyph_w * len(text)
    note_w = 22
    x0 = left + (208 - text_w - note_w) // 2 + note_w
    y0 = top + 4
    ink = set()
    for i, ch in enumerate(text):
        gl, ga, gw, gh, bits = logo_font.glyphs[ord(ch)]
        gtop = logo_font.ascent - ga
        for y in range(gh):
            for x in range(gw):
                if bits[y][x]:
                    ink.add((x0 + i * glyph_w + gl + x, y0 + gtop + y))
    # The eighth note: an oval head, a stem and a flag.
    nx, ny = x0 - note_w, y0 + 6
    for y in range(6):
        for x in range(9):
            dx, dy = (x - 4) / 4.5, (y - 2.5) / 3.0
            if dx * dx + dy * dy <= 1.0:
                ink.add((nx + x, ny + 20 + y))
    for y in range(0, 23):
        ink.add((nx + 7, ny + y))
        ink.add((nx + 8, ny + y))
    for i in range(8):
        ink.add((nx + 9 + i // 2, ny + i))
        ink.add((nx + 10 + i // 2, ny + i))
    for i in range(5):
        ink.add((nx + 13, ny + 8 + i))
    # The rule under the word.
    rule_y = y0 + 37
    for x in range(nx, x0 + text_w):
        ink.add((x, rule_y))
        ink.add((x, rule_y + 1))
    outline = set()
    for x, y in ink:
        for dx in (-1, 0, 1, 2):
            for dy in (-1, 0, 1, 2):
                outline.add((x + dx, y + dy))
    for x, y in outline:
        if left <= x < left + 208 and top <= y < top + 50:
            icon.set(x, y, (20, 24, 40, 255))
    for x, y in ink:
        if not (left <= x < left + 208 and top <= y < top + 50):
            continue
        t = max(0.0, min(1.0, (y - y0) / 38.0))
        colour = (int(250 - 30 * t), int(220 - 130 * t), int(120 + 110 * t), 255)
        icon.set(x, y, colour)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fonts")
    os.makedirs(out, exist_ok=True)
    terminus = PcfFont(os.path.join(MISC, "ter-u16b_iso-8859-1.pcf.gz"))
    fixed = PcfFont(os.path.join(MISC, "6x9.pcf.gz"))
    logo = PcfFont(os.path.join(MISC, "ter-u32b_iso-8859-1.pcf.gz"))
    glyph_sheet(terminus, 16, 0, 0, True, lift=2).save_bmp(os.path.join(out, "base.bmp"))
    glyph_sheet(terminus, 16, 0, 0, False).save_bmp(os.path.join(out, "basens.bmp"))
    glyph_sheet(fixed, 9, 1, 0, False).save_bmp(os.path.join(out, "small.bmp"))
    icon = Image(320, 128)
    draw_icons(icon, logo)
    icon.save_bmp(os.path.join(out, "icon.bmp"))


if __name__ == "__main__":
    main()
