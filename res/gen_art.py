#!/usr/bin/python3
"""Draws the launcher's skin: backdrop, button strips, bitmaps, icon and a contact sheet.

Run with Debian's python3 and python3-pil from anywhere:  /usr/bin/python3 res/gen_art.py
The output is committed, so a build never needs this script. Every run writes the
same bytes: no clocks, no unseeded randomness, and our own PNG/BMP/ICO writers.
"""
import random
import struct
import zlib
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFont, ImageOps

RES = Path(__file__).resolve().parent
DOCS = RES.parent / 'docs'

CJK = ImageFont.truetype('/usr/share/fonts/truetype/wqy/wqy-microhei.ttc', 13)
CJK_BIG = ImageFont.truetype('/usr/share/fonts/truetype/wqy/wqy-microhei.ttc', 15)
SERIF = '/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf'
SANS = '/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf'

INK = (16, 11, 8)
DARK = (40, 26, 16)
BRONZE_D = (88, 56, 30)
BRONZE = (146, 98, 50)
BRONZE_L = (206, 152, 84)
GOLD = (224, 182, 98)
GOLD_L = (252, 226, 160)
CRIMSON = (104, 22, 18)
TEXT = (238, 222, 188)


# ---------------------------------------------------------------- file writers

def _chunk(tag, data):
    return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data))


ADAM7 = ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2))


def write_png(path, img, interlaced=True):
    """8-bit RGB/RGBA PNG; filter 0 on every scanline, Adam7 when asked (PIL cannot)."""
    bpp = {'RGB': 3, 'RGBA': 4}[img.mode]
    w, h = img.size
    raw = img.tobytes()
    rows = [raw[y * w * bpp:(y + 1) * w * bpp] for y in range(h)]
    out = bytearray()
    for x0, y0, dx, dy in (ADAM7 if interlaced else ((0, 0, 1, 1),)):
        n = (w - x0 + dx - 1) // dx
        if n <= 0:
            continue
        for y in range(y0, h, dy):
            line = bytearray(n * bpp)
            for c in range(bpp):
                line[c::bpp] = rows[y][x0 * bpp + c::dx * bpp]
            out += b'\0' + line
    ihdr = struct.pack('>IIBBBBB', w, h, 8, 6 if bpp == 4 else 2, 0, 0, 1 if interlaced else 0)
    data = (b'\x89PNG\r\n\x1a\n' + _chunk(b'IHDR', ihdr) + _chunk(b'sRGB', b'\0')
            + _chunk(b'tEXt', b'Software\0Qarvelo art generator')
            + _chunk(b'IDAT', zlib.compress(bytes(out), 9)) + _chunk(b'IEND', b''))
    Path(path).write_bytes(data)


def _dib_rows(img, bpp):
    """Bottom-up rows padded to 4 bytes, as a device-independent bitmap stores them."""
    w, h = img.size
    raw = img.tobytes('raw', 'BGR') if bpp == 24 else img.tobytes()
    stride = w * bpp // 8
    pad = b'\0' * (-stride % 4)
    return b''.join(raw[y * stride:(y + 1) * stride] + pad for y in reversed(range(h)))


def write_bmp(path, img, palette=None):
    """Uncompressed bottom-up BMP: 24-bit, or 8-bit with a 256-entry palette."""
    bpp = 24 if palette is None else 8
    pixels = _dib_rows(img, bpp)
    colours = b'' if palette is None else b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    w, h = img.size
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, 0, len(pixels), 2835, 2835,
                       0 if palette is None else len(palette), 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    Path(path).write_bytes(header + info + colours + pixels)


def write_ico(path, img, transparent):
    """One 24-bit image with its AND mask; `transparent` is an 'L' image, 255 = see-through."""
    w, h = img.size
    xor = _dib_rows(img, 24)
    bits = transparent.point(lambda v: 255 if v else 0).convert('1')
    and_mask = _dib_rows(bits, 1)
    info = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 24, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    body = info + xor + and_mask
    header = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', w, h, 0, 0, 1, 24, len(body), 22)
    Path(path).write_bytes(header + body)


# ---------------------------------------------------------------- drawing helpers

def gradient(size, c0, c1, horizontal=False):
    g = Image.linear_gradient('L')
    if horizontal:
        g = g.rotate(90)
    return ImageOps.colorize(g.resize(size), c0, c1)


class Canvas:
    """An RGB picture with a 0/255 coverage mask, drawn S times larger and then reduced,
    so that edges are smooth in colour while the alpha stays strictly binary."""

    def __init__(self, w, h, scale=2, background=(0, 0, 0)):
        self.s = scale
        self.rgb = Image.new('RGB', (w * scale, h * scale), background)
        self.alpha = Image.new('L', self.rgb.size, 0)
        self.draw = ImageDraw.Draw(self.rgb)

    def sc(self, pts):
        return [(x * self.s, y * self.s) for x, y in pts]

    def _shape(self, kind, geom, c0, c1, horizontal, outline, solid):
        m = Image.new('L', self.rgb.size, 0)
        getattr(ImageDraw.Draw(m), kind)(geom, fill=255)
        box = m.getbbox()
        if box is None:
            return
        size = (box[2] - box[0], box[3] - box[1])
        self.rgb.paste(gradient(size, c0, c1 or c0, horizontal), box[:2], m.crop(box))
        if solid:
            self.alpha.paste(255, (0, 0), m)
        if outline:
            getattr(self.draw, kind)(geom, outline=outline, width=self.s)

    def poly(self, pts, c0, c1=None, horizontal=False, outline=None, solid=True):
        self._shape('polygon', self.sc(pts), c0, c1, horizontal, outline, solid)

    def ellipse(self, box, c0, c1=None, horizontal=False, outline=None, solid=True):
        self._shape('ellipse', self.sc([box[:2], box[2:]]), c0, c1, horizontal, outline, solid)

    def rect(self, box, c0, c1=None, horizontal=False, outline=None, solid=True):
        self._shape('rectangle', self.sc([box[:2], box[2:]]), c0, c1, horizontal, outline, solid)

    def line(self, pts, colour, width=1):
        self.draw.line(self.sc(pts), fill=colour, width=round(width * self.s), joint='curve')

    def arc(self, box, start, end, colour, width=1):
        self.draw.arc(self.sc([box[:2], box[2:]]), start, end, fill=colour, width=round(width * self.s))

    def text(self, xy, s, font_path, size, colour, shadow=INK, anchor='mm'):
        font = ImageFont.truetype(font_path, size * self.s)
        x, y = xy[0] * self.s, xy[1] * self.s
        self.draw.text((x + 2 * self.s, y + 2 * self.s), s, font=font, fill=shadow, anchor=anchor)
        self.draw.text((x, y), s, font=font, fill=colour, anchor=anchor)

    def result(self):
        w, h = self.rgb.width // self.s, self.rgb.height // self.s
        rgb = self.rgb.resize((w, h), Image.LANCZOS)
        alpha = self.alpha.resize((w, h), Image.BOX).point(lambda v: 255 if v >= 128 else 0)
        return rgb, alpha


def stamp(img, box, fn, colour, scale=4):
    """Draws a small glyph: `fn(draw, s)` paints white at `scale`, reduced onto `img` in `colour`."""
    x0, y0, x1, y1 = box
    mask = Image.new('L', ((x1 - x0) * scale, (y1 - y0) * scale), 0)
    fn(ImageDraw.Draw(mask), scale)
    img.paste(colour, (x0, y0), mask.resize((x1 - x0, y1 - y0), Image.LANCZOS))


def metal_noise(size, seed, amount):
    """Soft, seeded grain for metal surfaces."""
    rnd = random.Random(seed)
    w, h = size
    small = Image.frombytes('L', (w // 3 + 1, h // 3 + 1), rnd.randbytes((w // 3 + 1) * (h // 3 + 1)))
    return small.resize((w, h), Image.BICUBIC).point(lambda v: 128 + (v - 128) * amount // 128)


def add_grain(img, grain, mask):
    """img + (grain - 128), clamped, where mask is set."""
    out = ImageChops.add(img, Image.merge('RGB', [grain] * 3), 1.0, -128)
    return Image.composite(out, img, mask)


# ---------------------------------------------------------------- backdrop (155)

W, H = 1334, 725
PANEL = (560, 177, 560 + 631, 177 + 446)
CLOSE_BOSS = (1208, 115, 1208 + 54, 115 + 54)
MIN_BOSS = (1173, 137, 1173 + 39, 137 + 39)
FRAME = (452, 70, 1302, 690)


def chamfer(box, c):
    x0, y0, x1, y1 = box
    return [(x0 + c, y0), (x1 - c, y0), (x1, y0 + c), (x1, y1 - c), (x1 - c, y1), (x0 + c, y1), (x0, y1 - c), (x0, y0 + c)]


def boss(cv, box, ring=GOLD):
    x0, y0, x1, y1 = box
    cv.ellipse((x0 - 5, y0 - 5, x1 + 5, y1 + 5), INK)
    cv.ellipse((x0 - 2, y0 - 2, x1 + 2, y1 + 2), BRONZE_L, BRONZE_D, outline=ring)
    cv.ellipse((x0 + 6, y0 + 6, x1 - 6, y1 - 6), BRONZE_D, BRONZE, outline=INK)


def backdrop():
    cv = Canvas(W, H)
    # Frame: chamfered plate with a bevelled double rim.
    fx0, fy0, fx1, fy1 = FRAME
    cv.poly(chamfer(FRAME, 30), (30, 21, 14))
    cv.poly(chamfer((fx0 + 3, fy0 + 3, fx1 - 3, fy1 - 3), 28), (86, 60, 36), (44, 30, 19))
    cv.poly(chamfer((fx0 + 11, fy0 + 11, fx1 - 11, fy1 - 11), 24), (52, 36, 23), (34, 23, 15), outline=GOLD)
    cv.poly(chamfer((fx0 + 16, fy0 + 16, fx1 - 16, fy1 - 16), 21), (46, 31, 20), (30, 20, 13), outline=BRONZE_D)
    # Bronze mount around the login page.
    px0, py0, px1, py1 = PANEL
    cv.rect((px0 - 14, py0 - 14, px1 + 14, py1 + 14), BRONZE, BRONZE_D, outline=INK)
    cv.rect((px0 - 7, py0 - 7, px1 + 7, py1 + 7), (64, 43, 25), outline=GOLD)
    # Corner medallions, rivets and scrollwork.
    for cx, cy in ((fx0 + 44, fy0 + 44), (fx1 - 44, fy1 - 44), (fx0 + 44, fy1 - 44)):
        cv.ellipse((cx - 22, cy - 22, cx + 22, cy + 22), BRONZE_L, BRONZE_D, outline=INK)
        cv.ellipse((cx - 9, cy - 9, cx + 9, cy + 9), CRIMSON, (50, 8, 8), outline=GOLD)
    for x in range(px0 + 20, px1 - 10, 48):
        for y in (py0 - 40, py1 + 40):
            cv.ellipse((x - 4, y - 4, x + 4, y + 4), BRONZE_L, BRONZE_D, outline=INK)
    for y in range(py0 + 30, py1 - 10, 48):
        for x in (px0 - 44, px1 + 44):
            cv.ellipse((x - 4, y - 4, x + 4, y + 4), BRONZE_L, BRONZE_D, outline=INK)
    for cx, cy, a in ((px0 - 2, py1 + 2, 90), (px1 + 2, py1 + 2, 0)):
        for r in (34, 26):
            cv.arc((cx - r, cy - r, cx + r, cy + r), a, a + 90, GOLD, 2)
    # Logo plaque on the top edge, right of centre.
    lx0, lx1 = 842, 1142
    cv.poly([(lx0, 76), (lx0 + 30, 22), (lx1 - 30, 22), (lx1, 76), (lx1 - 30, 130), (lx0 + 30, 130)],
            (34, 23, 15), outline=INK)
    cv.poly([(lx0 + 9, 76), (lx0 + 35, 30), (lx1 - 35, 30), (lx1 - 9, 76), (lx1 - 35, 122), (lx0 + 35, 122)],
            (72, 22, 16), (38, 10, 9), outline=GOLD)
    cv.poly([(992 - 14, 24), (992, 6), (992 + 14, 24)], GOLD, BRONZE_D, outline=INK)
    cv.text((992, 78), 'QARVELO', SERIF, 50, GOLD_L)
    cv.line([(lx0 + 50, 110), (lx1 - 50, 110)], GOLD, 1.5)
    # Seats of the overlay's round buttons.
    boss(cv, CLOSE_BOSS)
    boss(cv, MIN_BOSS)
    knight(cv)
    rgb, alpha = cv.result()
    # Grain on the metal, then the panel where the login page goes: exact pixels.
    rgb = add_grain(rgb, metal_noise((W, H), 155, 10), alpha)
    ImageDraw.Draw(rgb).rectangle((px0, py0, px1 - 1, py1 - 1), fill=INK)
    alpha.paste(255, PANEL)
    rgb.paste((0, 0, 0), (0, 0), Image.eval(alpha, lambda v: 255 - v))
    img = rgb.convert('RGBA')
    img.putalpha(alpha)
    return img


def knight(cv):
    """A standing armoured figure with a planted sword and a kite shield."""
    steel, steel_d = (150, 132, 110), (62, 54, 46)
    cv.poly([(182, 190), (362, 190), (452, 690), (420, 725), (110, 725), (70, 690)], CRIMSON, (40, 8, 8),
            horizontal=True, outline=INK)
    cv.poly([(198, 515), (262, 515), (258, 690), (270, 725), (166, 725), (192, 690)], steel, steel_d,
            horizontal=True, outline=INK)
    cv.poly([(282, 515), (346, 515), (352, 690), (376, 725), (274, 725), (286, 690)], steel, steel_d,
            horizontal=True, outline=INK)
    for y in (600, 690):
        cv.line([(196, y), (258, y)], INK, 2)
        cv.line([(284, y), (350, y)], INK, 2)
    cv.poly([(186, 420), (356, 420), (384, 540), (158, 540)], BRONZE, BRONZE_D, outline=INK)
    for y in (458, 498):
        cv.line([(178, y), (366, y)], INK, 2)
    cv.poly([(196, 200), (346, 200), (372, 252), (356, 424), (186, 424), (170, 252)], BRONZE_L, BRONZE_D,
            horizontal=True, outline=INK)
    cv.line([(271, 210), (271, 410)], GOLD_L, 2)
    cv.arc((206, 230, 336, 340), 20, 160, INK, 2)
    cv.rect((180, 410, 362, 434), (70, 44, 24), outline=INK)
    cv.rect((258, 408, 284, 436), GOLD, BRONZE_D, outline=INK)
    # Sword planted before the feet, the left hand on its pommel.
    cv.poly([(98, 432), (114, 432), (114, 690), (106, 716), (98, 690)], (214, 214, 206), (120, 120, 116),
            horizontal=True, outline=INK)
    cv.rect((66, 416, 146, 432), GOLD, BRONZE_D, outline=INK)
    cv.rect((100, 372, 112, 416), (70, 40, 24), outline=INK)
    cv.ellipse((94, 354, 118, 378), GOLD, BRONZE_D, outline=INK)
    cv.poly([(144, 236), (196, 248), (176, 360), (128, 404), (94, 388), (124, 334)], steel, steel_d,
            horizontal=True, outline=INK)
    cv.ellipse((88, 376, 134, 412), steel, steel_d, outline=INK)
    # Kite shield on the right arm.
    cv.poly([(326, 296), (476, 296), (490, 350), (404, 568), (314, 350)], (90, 20, 16), (40, 8, 8),
            outline=GOLD)
    cv.poly([(340, 310), (462, 310), (472, 350), (402, 530), (330, 350)], (120, 28, 22), (56, 12, 10),
            outline=BRONZE)
    cv.line([(401, 318), (401, 520)], GOLD, 3)
    cv.line([(342, 368), (462, 368)], GOLD, 3)
    cv.ellipse((384, 352, 418, 386), GOLD, BRONZE_D, outline=INK)
    # Pauldrons, gorget, helmet and plume.
    for x0 in (126, 292):
        cv.ellipse((x0, 176, x0 + 124, 262), BRONZE_L, BRONZE_D, outline=INK)
        cv.arc((x0 + 8, 200, x0 + 116, 276), 200, 340, INK, 2)
    cv.ellipse((224, 176, 318, 218), steel, steel_d, outline=INK)
    cv.poly([(268, 84), (282, 46), (322, 34), (368, 58), (344, 70), (304, 66), (288, 90)], CRIMSON,
            (60, 10, 10), outline=INK)
    cv.poly([(228, 124), (236, 94), (270, 78), (306, 94), (314, 124), (310, 190), (232, 190)], steel, steel_d,
            horizontal=True, outline=INK)
    cv.rect((236, 132, 306, 140), INK, solid=True)
    cv.rect((266, 120, 276, 176), steel_d, outline=INK)
    cv.line([(270, 80), (270, 118)], GOLD, 2)


# ---------------------------------------------------------------- button strips

STATES = (  # background top, bottom, border, label, content offset
    dict(top=(66, 43, 25), bottom=(36, 23, 13), edge=None, ink=TEXT, dy=0),
    dict(top=(108, 72, 40), bottom=(62, 41, 22), edge=BRONZE_L, ink=GOLD_L, dy=0),
    dict(top=(24, 15, 9), bottom=(44, 29, 17), edge=BRONZE_D, ink=(206, 184, 146), dy=1),
    dict(top=(58, 56, 54), bottom=(36, 35, 34), edge=None, ink=(122, 118, 112), dy=0),
)


def strip(w, fh, content, plate=False):
    """Four frames stacked vertically: normal, hover, pressed, unused (greyed)."""
    img = Image.new('RGB', (w, 4 * fh))
    for i, st in enumerate(STATES):
        face = gradient((w, fh), st['top'], st['bottom'])
        d = ImageDraw.Draw(face)
        if plate:
            d.rounded_rectangle((1, 1, w - 2, fh - 2), 4, outline=st['edge'] or BRONZE_D)
        elif st['edge']:
            d.rectangle((0, 0, w - 1, fh - 1), outline=st['edge'])
        if i == 2:
            d.line((1, 1, w - 2, 1), fill=INK)
        content(face, d, st['dy'], st['ink'])
        img.paste(face, (0, i * fh))
    return img


def label(text, icon=None, icon_w=16, font=CJK):
    def paint(face, d, dy, ink):
        tw = round(d.textlength(text, font=font))
        total = tw + (icon_w + 4 if icon else 0)
        x = (face.width - total) // 2
        mid = face.height // 2 + dy
        if icon:
            stamp(face, (x, mid - 8, x + icon_w, mid + 8), icon, ink)
            x += icon_w + 4
        d.text((x + 1, mid + 1), text, font=font, fill=INK, anchor='lm')
        d.text((x, mid), text, font=font, fill=ink, anchor='lm')
    return paint


def glyph(fn, size=16):
    def paint(face, d, dy, ink):
        x = (face.width - size) // 2
        y = (face.height - size) // 2 + dy
        stamp(face, (x, y, x + size, y + size), fn, ink)
    return paint


# Icons on a 16x16 grid; `s` is the supersampling factor.
def icon_key(d, s):
    d.ellipse((1 * s, 4 * s, 8 * s, 11 * s), outline=255, width=2 * s)
    d.line((8 * s, 7.5 * s, 15 * s, 7.5 * s), fill=255, width=2 * s)
    d.line((12 * s, 7.5 * s, 12 * s, 11 * s), fill=255, width=2 * s)
    d.line((14.5 * s, 7.5 * s, 14.5 * s, 10 * s), fill=255, width=2 * s)


def icon_arrows(d, s):
    for (x, y), (dx, dy) in (((1, 1), (1, 1)), ((15, 1), (-1, 1)), ((1, 15), (1, -1)), ((15, 15), (-1, -1))):
        d.line((x * s, y * s, (x + 5 * dx) * s, (y + 5 * dy) * s), fill=255, width=2 * s)
        d.polygon([(x * s, y * s), ((x + 5 * dx) * s, y * s), (x * s, (y + 5 * dy) * s)], fill=255)


def icon_refresh(d, s):
    d.arc((2 * s, 2 * s, 14 * s, 14 * s), 200, 340, fill=255, width=2 * s)
    d.arc((2 * s, 2 * s, 14 * s, 14 * s), 20, 160, fill=255, width=2 * s)
    d.polygon([(11 * s, 1 * s), (15.5 * s, 5.5 * s), (10 * s, 6.5 * s)], fill=255)
    d.polygon([(5 * s, 15 * s), (0.5 * s, 10.5 * s), (6 * s, 9.5 * s)], fill=255)


def icon_book(d, s):
    d.polygon([(1 * s, 3 * s), (7.5 * s, 4.5 * s), (7.5 * s, 14 * s), (1 * s, 12.5 * s)], outline=255, width=s + s // 2)
    d.polygon([(15 * s, 3 * s), (8.5 * s, 4.5 * s), (8.5 * s, 14 * s), (15 * s, 12.5 * s)], outline=255, width=s + s // 2)
    for y in (7, 10):
        d.line((3 * s, y * s, 6 * s, (y + 0.6) * s), fill=255, width=s)
        d.line((13 * s, y * s, 10 * s, (y + 0.6) * s), fill=255, width=s)


def icon_broom(d, s):
    d.line((13 * s, 1 * s, 8 * s, 8 * s), fill=255, width=2 * s)
    d.polygon([(5 * s, 7 * s), (10 * s, 10 * s), (7 * s, 15 * s), (1 * s, 15 * s), (2 * s, 11 * s)], fill=255)
    for x in (3, 5, 7):
        d.line((x * s, 12 * s, (x - 1) * s, 15 * s), fill=0, width=s // 2)


def icon_cross(d, s):
    d.line((3 * s, 3 * s, 13 * s, 13 * s), fill=255, width=2 * s)
    d.line((13 * s, 3 * s, 3 * s, 13 * s), fill=255, width=2 * s)


def icon_window(d, s):
    d.rectangle((2 * s, 3 * s, 14 * s, 13 * s), outline=255, width=s + s // 2)
    d.rectangle((2 * s, 3 * s, 14 * s, 5 * s), fill=255)


def icon_bar(d, s):
    d.rectangle((3 * s, 11 * s, 13 * s, 13 * s), fill=255)


def icon_restore(d, s):
    d.rectangle((5 * s, 2 * s, 14 * s, 10 * s), outline=255, width=s + s // 2)
    d.rectangle((5 * s, 2 * s, 14 * s, 4 * s), fill=255)
    d.rectangle((2 * s, 6 * s, 11 * s, 14 * s), fill=0)
    d.rectangle((2 * s, 6 * s, 11 * s, 14 * s), outline=255, width=s + s // 2)
    d.rectangle((2 * s, 6 * s, 11 * s, 8 * s), fill=255)


def round_strip(size, mark):
    """A round bronze boss per frame; outside the circle fully transparent."""
    states = ((BRONZE_L, BRONZE_D, GOLD_L, 0), (GOLD_L, BRONZE, (255, 246, 214), 0),
              (BRONZE, (60, 38, 20), GOLD, 1), ((160, 156, 150), (70, 68, 66), (200, 198, 194), 0))
    frames = []
    for light, dark, ink, dy in states:
        cv = Canvas(size, size, scale=4)
        cv.ellipse((0, 0, size - 0.25, size - 0.25), INK)
        cv.ellipse((1.5, 1.5, size - 1.75, size - 1.75), light, dark, outline=INK)
        cv.ellipse((size * 0.16, size * 0.16, size * 0.84, size * 0.84), dark, light, outline=INK)
        c, r = size / 2, size * 0.17
        for off, colour in ((1.2, INK), (0, ink)):
            o = off + dy
            if mark == 'cross':
                cv.line([(c - r + o, c - r + o), (c + r + o, c + r + o)], colour, size / 12)
                cv.line([(c + r + o, c - r + o), (c - r + o, c + r + o)], colour, size / 12)
            else:
                cv.line([(c - r * 1.3 + o, c + o), (c + r * 1.3 + o, c + o)], colour, size / 10)
        rgb, _ = cv.result()
        alpha = Image.new('L', (size, size), 0)
        ImageDraw.Draw(alpha).ellipse((0, 0, size - 1, size - 1), fill=255)
        frame = rgb.convert('RGBA')
        frame.putalpha(alpha)
        frames.append(Image.composite(frame, Image.new('RGBA', frame.size, (0, 0, 0, 0)), alpha))
    img = Image.new('RGBA', (size, 4 * size))
    for i, f in enumerate(frames):
        img.paste(f, (0, i * size))
    return img


# ---------------------------------------------------------------- bitmaps and icon

def caption(w):
    img = gradient((w, 30), (74, 48, 28), (30, 19, 11))
    d = ImageDraw.Draw(img)
    d.line((0, 0, w - 1, 0), fill=(118, 82, 46))
    d.line((0, 29, w - 1, 29), fill=INK)
    return img


def title_logo():
    img = caption(83)
    d = ImageDraw.Draw(img)
    font = ImageFont.truetype(SERIF, 11)
    d.text((42, 16), '«QARVELO»', font=font, fill=INK, anchor='mm')
    d.text((41, 15), '«QARVELO»', font=font, fill=GOLD_L, anchor='mm')
    return img


def dialog_panel():
    w, h = 256, 110
    img = Image.new('RGB', (w, h), DARK)
    d = ImageDraw.Draw(img)
    for k in range(-h, w, 6):  # fine diagonal lattice
        d.line((k, 0, k + h, h), fill=(48, 32, 20))
        d.line((k + h, 0, k, h), fill=(48, 32, 20))
    d.rectangle((2, 2, w - 3, h - 3), outline=(190, 164, 124))
    for sx, sy in ((0, 0), (1, 0), (0, 1), (1, 1)):
        x, y = (w - 1) * sx, (h - 1) * sy
        fx, fy = 1 - 2 * sx, 1 - 2 * sy
        for t in (5, 6):
            d.line((x + fx * t, y + fy * 5, x + fx * 22, y + fy * 5), fill=GOLD)
            d.line((x + fx * 5, y + fy * t, x + fx * 5, y + fy * 22), fill=GOLD)
            d.line((x + fx * t, y + fy * 6, x + fx * 22, y + fy * 6), fill=GOLD)
            d.line((x + fx * 6, y + fy * t, x + fx * 6, y + fy * 22), fill=GOLD)
        cx, cy = x + fx * 11, y + fy * 11
        d.polygon([(cx, cy - 3), (cx + 3, cy), (cx, cy + 3), (cx - 3, cy)], fill=GOLD_L)
    return img


def app_icon():
    cv = Canvas(64, 64, scale=4)
    cv.rect((0, 0, 63.75, 63.75), BRONZE_D)
    cv.rect((3, 3, 60.75, 60.75), (150, 30, 24), (70, 10, 10), outline=GOLD)
    cv.text((32, 30), 'Q', SERIF, 46, GOLD_L)
    rgb, _ = cv.result()
    transparent = Image.new('L', (64, 64), 0)
    for x, y in ((0, 0), (63, 0), (0, 63), (63, 63)):  # clipped corners
        transparent.putpixel((x, y), 255)
    rgb.paste((0, 0, 0), (0, 0), transparent)
    return rgb, transparent


# ---------------------------------------------------------------- strips by resource id

STRIPS = {
    164: (106, 30, label('老板键(F10)', icon_key)),
    166: (30, 30, glyph(icon_cross)),
    167: (64, 30, label('全屏', icon_arrows)),
    168: (29, 30, glyph(icon_window)),
    169: (29, 30, glyph(icon_bar)),
    170: (82, 30, label('刷新(F5)', icon_refresh)),
    171: (61, 30, label('选服', icon_book)),
    189: (29, 30, glyph(icon_restore)),
    1000: (87, 30, label('清缓存', icon_broom)),
    175: (74, 26, label('确定', font=CJK_BIG)),
    176: (74, 26, label('取消', font=CJK_BIG)),
}


def contact_sheet(items):
    """Everything on one sheet, each with its id; the backdrop at half size."""
    font = ImageFont.truetype(SANS, 13)
    tiles = []
    for name, img, zoom in items:
        size = (round(img.width * zoom), round(img.height * zoom))
        shown = img.resize(size, Image.NEAREST if zoom >= 1 else Image.LANCZOS)
        if shown.mode == 'RGBA':
            checker = Image.new('RGB', shown.size, (92, 92, 92))
            cd = ImageDraw.Draw(checker)
            for y in range(0, shown.height, 8):
                for x in range((y // 8) % 2 * 8, shown.width, 16):
                    cd.rectangle((x, y, x + 7, y + 7), fill=(128, 128, 128))
            checker.paste(shown, (0, 0), shown)
            shown = checker
        tiles.append((name, shown))
    width, pad = 1400, 16
    x = y = pad
    row_h = 0
    placed = []
    for name, tile in tiles:
        if x + tile.width > width - pad:
            x, y, row_h = pad, y + row_h + 22 + pad, 0
        placed.append((name, tile, x, y))
        x += tile.width + pad
        row_h = max(row_h, tile.height)
    sheet = Image.new('RGB', (width, y + row_h + 22 + pad), (52, 52, 56))
    d = ImageDraw.Draw(sheet)
    for name, tile, x, y in placed:
        sheet.paste(tile, (x, y))
        d.text((x, y + tile.height + 4), name, font=font, fill=(230, 230, 230))
    return sheet


def main():
    for sub in ('png', 'bmp', 'icon'):
        (RES / sub).mkdir(exist_ok=True)
    DOCS.mkdir(exist_ok=True)
    sheet = []

    img = backdrop()
    write_png(RES / 'png/155.png', img, interlaced=False)
    sheet.append(('PNG 155  1334x725 RGBA (half size)', img, 0.5))
    for rid, size, mark in ((160, 54, 'cross'), (162, 39, 'bar')):
        img = round_strip(size, mark)
        write_png(RES / f'png/{rid}.png', img)
        sheet.append((f'PNG {rid}', img, 2))
    for rid, (w, fh, content) in STRIPS.items():
        img = strip(w, fh, content, plate=rid in (175, 176))
        write_png(RES / f'png/{rid}.png', img)
        sheet.append((f'PNG {rid}', img, 2))

    bitmaps = {136: caption(66), 141: title_logo(), 177: dialog_panel()}
    for rid, img in bitmaps.items():
        write_bmp(RES / f'bmp/{rid}.bmp', img)
        sheet.append((f'BMP {rid}', img, 2 if rid != 177 else 1))
    black = Image.new('L', (57, 40), 0)
    write_bmp(RES / 'bmp/187.bmp', black, palette=[(v, v, v) for v in range(256)])
    sheet.append(('BMP 187', black.convert('RGB'), 1))

    rgb, transparent = app_icon()
    write_ico(RES / 'icon/128.ico', rgb, transparent)
    sheet.append(('ICON 128', rgb, 2))

    write_png(DOCS / 'artwork.png', contact_sheet(sheet), interlaced=False)


if __name__ == '__main__':
    main()
