#!/usr/bin/env python3
"""Draws the bitmaps of the built-in skin "Frost (internal)" from a palette.

    generate.py OUT_DIR [--scheme frost|ember] [--names upper]

Writes Master.bmp (281 x 116, 24 bits), ButtonHuge.bmp (288 x 192, 8 bits) and
TopRight.bmp (286 x 226, 8 bits). Everything is drawn with a few primitives (lines,
rounded rectangles, vertical gradients, anti-aliased shapes whose coverage goes into
the mask rows), so a second colour scheme is only a different palette.

Every picture is an element with a fixed rectangle in the master bitmap; the rectangles
are the ones the options file names. `--check OPTIONS` verifies that every reference of
an options file into the master bitmap covers exactly one drawn element, so the text and
the art cannot drift apart. Python 3 standard library only.
"""

import argparse
import math
import os
import re
import struct
import sys

KEY = (255, 0, 255)  # fuchsia: no pixel at all


def rgb(colorref):
    return (colorref & 255, (colorref >> 8) & 255, (colorref >> 16) & 255)


def mix(a, b, t):
    """a blended towards b by t (0..1)."""
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


SCHEMES = {
    # Derived from the fixed GLOBALINFO values of the options file.
    "frost": {
        "face": rgb(15591641),
        "white": (255, 255, 255),
        "text": rgb(5059883),
        "line": rgb(13088682),
        "shadow": rgb(7496537),
        "page": rgb(16184300),
        "accent": (46, 126, 212),
        "accent_dark": (28, 88, 160),
        "accent_pale": (222, 236, 251),
        "close": (214, 58, 58),
        "close_dark": (168, 36, 36),
        "frost": (236, 246, 252),
    },
    # A deliberately different scheme for tests: dark slate with an amber accent.
    "ember": {
        "face": (58, 62, 70),
        "white": (96, 102, 112),
        "text": (236, 232, 222),
        "line": (24, 26, 30),
        "shadow": (10, 10, 12),
        "page": (70, 74, 84),
        "accent": (232, 150, 40),
        "accent_dark": (180, 100, 20),
        "accent_pale": (96, 80, 60),
        "close": (220, 70, 50),
        "close_dark": (160, 40, 30),
        "frost": (255, 196, 120),
    },
}


class Canvas:
    """A pixel store of RGB tuples; (0, 0) is the top-left pixel."""

    def __init__(self, width, height, fill=KEY):
        self.width = width
        self.height = height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, c)

    def hline(self, x0, x1, y, c):
        self.fill(x0, y, x1, y + 1, c)

    def vline(self, x, y0, y1, c):
        self.fill(x, y0, x + 1, y1, c)


# ---------------------------------------------------------------------------------------
# Coverage: shapes are sampled on a 4 x 4 grid per pixel, giving 0..1 per pixel.

SS = 4


def coverage(w, h, inside):
    cov = [[0.0] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            n = 0
            for j in range(SS):
                for i in range(SS):
                    if inside(x + (i + 0.5) / SS, y + (j + 0.5) / SS):
                        n += 1
            cov[y][x] = n / (SS * SS)
    return cov


def in_round_rect(x0, y0, x1, y1, r):
    """Point test for a rectangle [x0, x1) x [y0, y1) with corner radius r."""

    def inside(px, py):
        if px < x0 or px >= x1 or py < y0 or py >= y1:
            return False
        cx = min(max(px, x0 + r), x1 - r)
        cy = min(max(py, y0 + r), y1 - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r

    return inside


def in_polyline(points, half_width):
    def inside(px, py):
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            dx, dy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
            if (px - ax - t * dx) ** 2 + (py - ay - t * dy) ** 2 <= half_width * half_width:
                return True
        return False

    return inside


def in_circle(cx, cy, r):
    return lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r


# ---------------------------------------------------------------------------------------
# Masked frames. A masked picture is an image row with a mask row of the same size below
# it; a mask pixel m (grey) lets the painted background through by m / 255. Pixels that
# no shape touches are fuchsia keys in the image row.


class MaskedFrame:
    """One state frame: colour and opacity per pixel, composited shape by shape."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.col = [[None] * w for _ in range(h)]
        self.alpha = [[0.0] * w for _ in range(h)]
        self.clip = None  # coverage that every later shape is multiplied by
        # Pixels outside the picture's shape (fuchsia keys). Without it, every pixel no
        # shape touched is outside; with it, untouched pixels inside are transparent
        # through the mask but stay part of the picture (and of a window's region).
        self.outside = None

    def paint(self, cov, colour, opacity=1.0):
        for y in range(self.h):
            for x in range(self.w):
                a = cov[y][x] * opacity
                if self.clip is not None:
                    a *= self.clip[y][x]
                if a <= 0:
                    continue
                old_c, old_a = self.col[y][x], self.alpha[y][x]
                new_a = a + old_a * (1 - a)
                if old_c is None:
                    self.col[y][x] = colour
                else:
                    self.col[y][x] = mix(old_c, colour, a / new_a)
                self.alpha[y][x] = new_a

    def paint_rect(self, x0, y0, x1, y1, colour, opacity=1.0):
        cov = [[1.0 if x0 <= x < x1 and y0 <= y < y1 else 0.0 for x in range(self.w)]
               for y in range(self.h)]
        self.paint(cov, colour, opacity)

    def transformed(self, fn):
        """A copy with pixel (x, y) taken from fn(x, y) of this frame (flips, turns)."""
        out = MaskedFrame(self.w, self.h)
        for y in range(self.h):
            for x in range(self.w):
                sx, sy = fn(x, y)
                out.col[y][x] = self.col[sy][sx]
                out.alpha[y][x] = self.alpha[sy][sx]
        if self.outside is not None:
            out.outside = [[self.outside[fn(x, y)[1]][fn(x, y)[0]] for x in range(self.w)]
                           for y in range(self.h)]
        return out


def alpha_to_mask(a):
    # Quantised to 64 grey levels so that the 8-bit bitmaps keep within 256 colours.
    m = int(round((1.0 - a) * 255))
    return min(255, (m // 4) * 4 + (3 if m >= 252 else 0))


def put_masked(canvas, x0, y0, frames, key_below=1.0 / 32):
    """Puts frames side by side at (x0, y0): image row, and its mask row below it."""
    for i, f in enumerate(frames):
        for y in range(f.h):
            for x in range(f.w):
                a = f.alpha[y][x]
                ox = x0 + i * f.w + x
                outside = f.outside[y][x] if f.outside is not None else a < key_below or f.col[y][x] is None
                if outside:
                    canvas.set(ox, y0 + y, KEY)
                    canvas.set(ox, y0 + f.h + y, (255, 255, 255))
                elif f.col[y][x] is None or a < key_below:
                    canvas.set(ox, y0 + y, (255, 255, 255))
                    canvas.set(ox, y0 + f.h + y, (255, 255, 255))
                else:
                    m = alpha_to_mask(a)
                    canvas.set(ox, y0 + y, f.col[y][x])
                    canvas.set(ox, y0 + f.h + y, (m, m, m))


def put_keyed(canvas, x0, y0, frames):
    """Puts frames without mask rows: pixels at least half covered keep their colour, the
    rest become keys (these pictures are drawn on whole pixels anyway)."""
    for i, f in enumerate(frames):
        for y in range(f.h):
            for x in range(f.w):
                keyed = f.col[y][x] is None or f.alpha[y][x] < 0.5
                canvas.set(x0 + i * f.w + x, y0 + y, KEY if keyed else f.col[y][x])


# ---------------------------------------------------------------------------------------
# The pictures.


def rounded_frame(w, h, r, line, inner=None, inner_opacity=1.0, open_bottom=False,
                  bottom_line=None):
    """A one-pixel outline with corner radius r, an optional inner line one pixel inside,
    and a transparent interior (the section's own background shows through)."""
    f = MaskedFrame(w, h)
    extra = r + 2 if open_bottom else 0
    outer = coverage(w, h, in_round_rect(0, 0, w, h + extra, r))
    inside = coverage(w, h, in_round_rect(1, 1, w - 1, h - 1 + extra + (1 if open_bottom else 0),
                                          max(r - 1, 0)))
    ring = [[max(0.0, outer[y][x] - inside[y][x]) for x in range(w)] for y in range(h)]
    f.outside = [[outer[y][x] < 1.0 / 32 for x in range(w)] for y in range(h)]
    f.paint(ring, line)
    if inner is not None:
        inner2 = coverage(w, h, in_round_rect(2, 2, w - 2, h - 2 + extra + (2 if open_bottom else 0),
                                              max(r - 2, 0)))
        ring2 = [[max(0.0, inside[y][x] - inner2[y][x]) for x in range(w)] for y in range(h)]
        f.paint(ring2, inner, inner_opacity)
    if bottom_line is not None:
        f.paint_rect(0, h - 1, w, h, bottom_line)
    return f


def button_frames(p, w, h, r):
    """Buttons: line outline with a white inner line; hot in the accent; pressed darker
    and pushed in."""
    normal = rounded_frame(w, h, r, p["line"], p["white"], 0.85)
    hot = rounded_frame(w, h, r, p["accent"], p["white"], 0.7)
    pressed = rounded_frame(w, h, r, mix(p["line"], p["shadow"], 0.45))
    # pushed in: a soft shadow along the inside of the top edge, fading downwards
    rows = max(2, h // 32)
    for k in range(rows):
        band = coverage(w, h, in_round_rect(1, 1, w - 1, 2 + k, max(r - 1, 0)))
        pressed.paint(band, p["shadow"], 0.16 / rows * (rows - k) ** 0.5)
    return [normal, hot, pressed]


def tab_frames(p, n=9, r=3):
    """Top tabs: normal, hot, active. The bottom of the active tab is open so that it
    joins the page below it."""
    normal = rounded_frame(n, n, r, p["line"], p["white"], 0.8, open_bottom=True,
                           bottom_line=p["line"])
    hot = rounded_frame(n, n, r, p["line"], p["white"], 0.8, open_bottom=True,
                        bottom_line=p["line"])
    hot.clip = coverage(n, n, in_round_rect(0, 0, n, n + r + 2, r))
    hot.paint_rect(0, 0, n, 1, p["accent"], 0.55)
    active = rounded_frame(n, n, r, p["line"], open_bottom=True)
    active.clip = coverage(n, n, in_round_rect(0, 0, n, n + r + 2, r))
    active.paint_rect(0, 0, n, 2, p["accent"])
    return [normal, hot, active]


def plain_frame(w, h, line, fill, keyed_corner=1):
    """An unmasked frame: line ring, fill inside, corners cut by key pixels."""
    f = MaskedFrame(w, h)
    f.paint_rect(0, 0, w, h, fill)
    f.paint_rect(0, 0, w, 1, line)
    f.paint_rect(0, h - 1, w, h, line)
    f.paint_rect(0, 0, 1, h, line)
    f.paint_rect(w - 1, 0, w, h, line)
    corners = {1: [(0, 0)], 2: [(0, 0), (1, 0), (0, 1)]}[keyed_corner]
    for cx, cy in corners:
        for x, y in ((cx, cy), (w - 1 - cx, cy), (cx, h - 1 - cy), (w - 1 - cx, h - 1 - cy)):
            f.alpha[y][x] = 0.0
    if keyed_corner == 2:
        for x, y in ((1, 1), (w - 2, 1), (1, h - 2), (w - 2, h - 2)):
            f.col[y][x] = line
    return f


def check_box(p, n, state, mark):
    """Box glyphs: white box, line frame (accent when hot), mark in text colour."""
    f = MaskedFrame(n, n)
    frame_col = [p["line"], p["accent"], p["accent_dark"]][state]
    fill = [p["white"], p["white"], p["accent_pale"]][state]
    f.paint(coverage(n, n, in_round_rect(0, 0, n, n, 2)), frame_col)
    f.paint(coverage(n, n, in_round_rect(1, 1, n - 1, n - 1, 1)), fill)
    s = n / 13.0
    if mark == "check":
        f.paint(coverage(n, n, in_polyline([(3.2 * s, 6.6 * s), (5.5 * s, 9.0 * s), (9.9 * s, 3.8 * s)],
                                           0.95 * s)), p["text"])
    elif mark == "grayed":
        f.paint_rect(round(4 * s), round(4 * s), n - round(4 * s), n - round(4 * s), p["line"])
    return f


def radio(p, n, state, mark):
    f = MaskedFrame(n, n)
    c = n / 2.0
    frame_col = [p["line"], p["accent"], p["accent_dark"]][state]
    fill = [p["white"], p["white"], p["accent_pale"]][state]
    f.paint(coverage(n, n, in_circle(c, c, c - 0.1)), frame_col)
    f.paint(coverage(n, n, in_circle(c, c, c - 1.1)), fill)
    if mark == "check":
        f.paint(coverage(n, n, in_circle(c, c, n * 0.2)), p["text"])
    elif mark == "grayed":
        f.paint(coverage(n, n, in_circle(c, c, n * 0.2)), p["line"])
    return f


def mark_only(p, n, state):
    f = MaskedFrame(n, n)
    s = n / 11.0
    f.paint(coverage(n, n, in_polyline([(2.2 * s, 5.6 * s), (4.4 * s, 7.9 * s), (8.8 * s, 2.9 * s)],
                                       0.9 * s)), p["text"] if state != 1 else p["accent_dark"])
    return f


# Caption button symbols on a grid of whole pixels. Each draws into a MaskedFrame with
# its top-left at (ox, oy), size g (the symbol box), in colour c.

def sym_close(f, ox, oy, g, c):
    for i in range(g):
        for dx in (0, 1):
            if i + dx < g:
                f.paint_rect(ox + i + dx, oy + i, ox + i + dx + 1, oy + i + 1, c)
                f.paint_rect(ox + g - 1 - i - dx, oy + i, ox + g - i - dx, oy + i + 1, c)


def sym_max(f, ox, oy, g, c):
    f.paint_rect(ox, oy, ox + g, oy + 2, c)
    f.paint_rect(ox, oy + g - 1, ox + g, oy + g, c)
    f.paint_rect(ox, oy, ox + 1, oy + g, c)
    f.paint_rect(ox + g - 1, oy, ox + g, oy + g, c)


def sym_norm(f, ox, oy, g, c):
    k = g - 3  # size of each square
    back_x, back_y = ox + 3, oy
    f.paint_rect(back_x, back_y, back_x + k, back_y + 2, c)
    f.paint_rect(back_x + k - 1, back_y, back_x + k, back_y + k, c)
    f.paint_rect(ox + k, back_y + k - 1, back_x + k, back_y + k, c)
    f.paint_rect(back_x, back_y, back_x + 1, oy + 3, c)
    sym_max(f, ox, oy + 3, k, c)


def sym_min(f, ox, oy, g, c):
    f.paint_rect(ox + 1, oy + g - 2, ox + g - 1, oy + g, c)


def sym_help(f, ox, oy, g, c):
    rows = ["..###..", ".#...#.", ".....#.", "....#..", "...#...", "...#...", ".......", "...#..."] \
        if g >= 8 else [".###.", "#...#", "...#.", "..#..", ".....", "..#.."]
    x0 = ox + (g - len(rows[0])) // 2
    y0 = oy + (g - len(rows)) // 2
    for j, row in enumerate(rows):
        for i, ch in enumerate(row):
            if ch == "#":
                f.paint_rect(x0 + i, y0 + j, x0 + i + 1, y0 + j + 1, c)


def caption_button(p, w, h, g, state, symbol, is_close):
    """Normal: the symbol alone. Hot: an accent (red for close) rounded plate with a
    white symbol. Pressed: a darker plate, symbol one pixel lower and to the right."""
    f = MaskedFrame(w, h)
    if state:
        plate = [None, p["close"] if is_close else p["accent"],
                 p["close_dark"] if is_close else p["accent_dark"]][state]
        f.paint(coverage(w, h, in_round_rect(0, 0, w, h, 3)), plate)
    colour = p["text"] if state == 0 else (255, 255, 255)
    d = 1 if state == 2 else 0
    ox, oy = (w - g) // 2 + d, (h - g) // 2 + d
    symbol(f, ox, oy, g, colour)
    return f


def arrow(p, n, state, direction):
    f = MaskedFrame(n, n)
    colour = [p["text"], p["accent"], p["text"]][state]
    d = 1 if state == 2 else 0
    size = 4  # a triangle 7 wide, 4 deep
    for i in range(size):
        half = i
        for t in range(-half, half + 1):
            cx, cy = n // 2, n // 2
            if direction == "up":
                x, y = cx + t, cy - 2 + i
            elif direction == "down":
                x, y = cx + t, cy + 1 - i
            elif direction == "left":
                x, y = cx - 2 + i, cy + t
            else:
                x, y = cx + 1 - i, cy + t
            f.paint_rect(x + d, y + d, x + d + 1, y + d + 1, colour)
    return f


def grip_lines(p, n, state, vertical):
    """Three short ridges (dark line with a white line beside it) for scroll thumbs."""
    f = MaskedFrame(n, n)
    dark = [mix(p["line"], p["shadow"], 0.35), p["accent"], p["accent_dark"]][state]
    for k in (1, 3, 5):
        if vertical:
            f.paint_rect(k, 1, k + 1, n - 1, dark)
            f.paint_rect(k + 1, 1, k + 2, n - 1, p["white"])
        else:
            f.paint_rect(1, k, n - 1, k + 1, dark)
            f.paint_rect(1, k + 1, n - 1, k + 2, p["white"])
    return f


def size_grip(p, n=12):
    """The sizing grip: six raised dots in a triangle towards the bottom-right."""
    f = MaskedFrame(n, n)
    for gy in range(3):
        for gx in range(3):
            if gx + gy >= 2:
                x, y = 1 + 4 * gx, 1 + 4 * gy
                f.paint_rect(x + 1, y + 1, x + 3, y + 3, p["white"])
                f.paint_rect(x, y, x + 2, y + 2, mix(p["line"], p["shadow"], 0.4))
    return f


# ---------------------------------------------------------------------------------------
# The master bitmap layout: name -> (x, y, draw(canvas, x, y)). The rectangles follow
# from the frame sizes; the options file must name exactly these.


def master_elements(p):
    el = {}

    def add(name, x, y, w, h, draw, frames=1, mask_rows=0):
        el[name] = (x, y, x + w, y + h, draw, frames, mask_rows)

    # Page frame: line, white inner line, page face inside (not drawn: no centre).
    add("PAGE", 27, 13, 9, 9, lambda c, x, y: put_keyed(
        c, x, y, [plain_frame(9, 9, p["line"], p["white"])]))

    # Edit and panel share one picture: line ring, white inside (stretched by the edit).
    add("FIELD", 72, 42, 18, 18, lambda c, x, y: put_keyed(
        c, x, y, [plain_frame(18, 18, p["line"], p["white"])]))

    add("TABTOP", 135, 54, 27, 18, lambda c, x, y: put_masked(c, x, y, tab_frames(p)), 3, 1)
    add("TABBOTTOM", 108, 54, 27, 18, lambda c, x, y: put_masked(
        c, x, y, [f.transformed(lambda i, j: (i, 8 - j)) for f in tab_frames(p)]), 3, 1)
    add("TABLEFT", 108, 36, 27, 18, lambda c, x, y: put_masked(
        c, x, y, [f.transformed(lambda i, j: (j, i)) for f in tab_frames(p)]), 3, 1)
    add("TABRIGHT", 135, 36, 27, 18, lambda c, x, y: put_masked(
        c, x, y, [f.transformed(lambda i, j: (j, 8 - i)) for f in tab_frames(p)]), 3, 1)

    add("BUTTON", 177, 72, 36, 24, lambda c, x, y: put_masked(c, x, y, button_frames(p, 12, 12, 3)), 3, 1)

    # Window frame and caption band: outline, white inner line, own background inside.
    def form_frame(c, x, y):
        f = rounded_frame(9, 9, 3, mix(p["line"], p["shadow"], 0.35), p["white"], 0.9)
        put_masked(c, x, y, [f])

    def title_frame(c, x, y):
        f = rounded_frame(9, 9, 3, mix(p["line"], p["shadow"], 0.35), p["white"], 0.9,
                          open_bottom=True, bottom_line=p["line"])
        put_masked(c, x, y, [f])

    add("FORM", 66, 73, 9, 18, form_frame, 1, 1)
    add("FORMTITLE", 75, 73, 9, 18, title_frame, 1, 1)

    def menu_item(c, x, y):
        f = rounded_frame(7, 7, 2, p["accent"])
        put_masked(c, x, y, [f, f])

    add("MENUITEM", 84, 73, 14, 14, menu_item, 2, 1)
    add("MENUFRAME", 98, 73, 9, 9, lambda c, x, y: put_keyed(
        c, x, y, [plain_frame(9, 9, p["line"], p["white"], keyed_corner=2)]))
    add("GRIP", 107, 73, 12, 12, lambda c, x, y: put_keyed(c, x, y, [size_grip(p)]))

    def thin(pixels):
        def draw(c, x, y):
            for (i, j), col in pixels.items():
                c.set(x + i, y + j, col)
        return draw

    channel = {(i, j): [p["line"], p["page"], p["page"], p["white"]][j] for i in range(6) for j in range(4)}
    add("CHANNEL", 150, 84, 6, 4, thin(channel))
    divider = {(i, j): ([p["face"]] * 4 + [p["line"], p["white"]])[i] for i in range(6) for j in range(4)}
    add("DIVIDER", 158, 84, 6, 4, thin(divider))
    icoline = {(i, j): p["line"] if i == 3 else mix(p["page"], p["white"], 0.3) for i in range(4) for j in range(4)}
    add("ICORULE", 166, 84, 4, 4, thin(icoline))

    # Etched rules for bars: at the top (status bars) and at the bottom (tool bars).
    top_rule = {(i, j): [p["line"], p["white"], p["face"], p["face"]][j] for i in range(4) for j in range(4)}
    add("TOPRULE", 90, 13, 4, 4, thin(top_rule))
    bottom_rule = {(i, j): [p["face"], p["face"], p["line"], p["white"]][j] for i in range(4) for j in range(4)}
    add("BOTTOMRULE", 94, 13, 4, 4, thin(bottom_rule))

    # Glyph strips (normal, hot, pressed).
    names = [("BOXUNCHECKED", check_box, None), ("BOXCHECKED", check_box, "check"),
             ("BOXGRAYED", check_box, "grayed"), ("RADIOUNCHECKED", radio, None),
             ("RADIOCHECKED", radio, "check"), ("RADIOGRAYED", radio, "grayed")]
    for k, (name, fn, mark) in enumerate(names):
        add(name, 162 + 39 * (k % 3), 14 + 26 * (k // 3), 39, 26,
            lambda c, x, y, fn=fn, mark=mark: put_masked(c, x, y, [fn(p, 13, s, mark) for s in range(3)]), 3, 1)
    add("SMALLUNCHECKED", 213, 73, 33, 22, lambda c, x, y: put_masked(
        c, x, y, [check_box(p, 11, s, None) for s in range(3)]), 3, 1)
    add("SMALLCHECKED", 246, 73, 33, 22, lambda c, x, y: put_masked(
        c, x, y, [check_box(p, 11, s, "check") for s in range(3)]), 3, 1)
    add("SMALLGRAYED", 0, 73, 33, 22, lambda c, x, y: put_masked(
        c, x, y, [check_box(p, 11, s, "grayed") for s in range(3)]), 3, 1)
    add("CHECK", 33, 73, 33, 22, lambda c, x, y: put_masked(c, x, y, [mark_only(p, 11, s) for s in range(3)]), 3, 1)

    for name, x, y, direction in (("ARROWUP", 195, 0, "up"), ("ARROWDOWN", 222, 0, "down"),
                                  ("ARROWLEFT", 249, 0, "left"), ("ARROWRIGHT", 119, 73, "right")):
        add(name, x, y, 27, 9, lambda c, x, y, d=direction: put_keyed(c, x, y, [arrow(p, 9, s, d) for s in range(3)]), 3)
    add("GRIPH", 119, 84, 24, 8, lambda c, x, y: put_keyed(c, x, y, [grip_lines(p, 8, s, True) for s in range(3)]), 3)
    add("GRIPV", 146, 73, 24, 8, lambda c, x, y: put_keyed(c, x, y, [grip_lines(p, 8, s, False) for s in range(3)]), 3)

    # Caption buttons: small (dialogs) and big (main windows).
    symbols = [("CLOSE", sym_close), ("MAX", sym_max), ("MIN", sym_min), ("NORM", sym_norm), ("HELP", sym_help)]
    for k, (name, sym) in enumerate(symbols):
        add("SICON" + name, 39 * k, 0, 39, 13, lambda c, x, y, sym=sym, name=name: put_keyed(
            c, x, y, [caption_button(p, 13, 13, 7, s, sym, name == "CLOSE") for s in range(3)]), 3)
        add("BICON" + name, 54 * k, 99, 54, 17, lambda c, x, y, sym=sym, name=name: put_keyed(
            c, x, y, [caption_button(p, 18, 17, 9, s, sym, name == "CLOSE") for s in range(3)]), 3)
    return el


def draw_master(p):
    c = Canvas(281, 116)
    for name, (x0, y0, x1, y1, draw, _, _) in master_elements(p).items():
        draw(c, x0, y0)
    return c


def draw_button_huge(p):
    c = Canvas(288, 192)
    put_masked(c, 0, 0, button_frames(p, 96, 96, 7))
    return c


def draw_top_right(p):
    """Faint frost crystals in the top-right corner of a window, kept near the corner so
    that small forms stay calm. The caption band (the top 24 rows) and the four right-most
    columns stay clear: the caption and the right border are painted there."""
    w, h = 286, 113
    f = MaskedFrame(w, h)
    flakes = [(248, 56, 24, 0.45), (212, 88, 11, 0.35), (270, 98, 8, 0.3), (204, 40, 7, 0.25)]
    for cx, cy, r, op in flakes:
        segs = []
        for k in range(6):
            a = math.pi / 2 + k * math.pi / 3
            ex, ey = cx + r * math.cos(a), cy - r * math.sin(a)
            segs.append([(cx, cy), (ex, ey)])
            for t in (0.45, 0.72):
                bx, by = cx + r * t * math.cos(a), cy - r * t * math.sin(a)
                for s in (-1, 1):
                    b = a + s * math.pi / 4
                    ln = r * (0.32 if t < 0.5 else 0.22)
                    segs.append([(bx, by), (bx + ln * math.cos(b), by - ln * math.sin(b))])
        x0, y0 = int(cx - r - 2), int(cy - r - 2)
        size = int(2 * r + 5)

        def inside(px, py, segs=segs, x0=x0, y0=y0):
            return any(in_polyline(sg, 0.7)(px + x0, py + y0) for sg in segs)

        cov = coverage(size, size, inside)
        full = [[0.0] * w for _ in range(h)]
        for j in range(size):
            for i in range(size):
                if 0 <= x0 + i < w - 4 and 24 <= y0 + j < h:
                    full[y0 + j][x0 + i] = cov[j][i]
        f.paint(full, p["frost"], op)
    c = Canvas(w, 2 * h)
    put_masked(c, 0, 0, [f], key_below=1.0 / 64)
    return c


# ---------------------------------------------------------------------------------------
# BMP files: bottom-up rows padded to 4 bytes, 24 bits or 8 bits with a palette.


def write_bmp(path, canvas, bits):
    w, h = canvas.width, canvas.height
    if bits == 24:
        stride = (w * 3 + 3) & ~3
        rows = []
        for y in range(h - 1, -1, -1):
            row = bytearray()
            for x in range(w):
                r, g, b = canvas.get(x, y)
                row += bytes((b, g, r))
            rows.append(bytes(row) + b"\0" * (stride - len(row)))
        palette = b""
    else:
        colours = sorted({canvas.get(x, y) for y in range(h) for x in range(w)})
        if len(colours) > 256:
            raise SystemExit("%s: %d colours do not fit 8 bits" % (path, len(colours)))
        index = {col: i for i, col in enumerate(colours)}
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours) + b"\0\0\0\0" * (256 - len(colours))
        stride = (w + 3) & ~3
        rows = [bytes(index[canvas.get(x, y)] for x in range(w)) + b"\0" * (stride - w)
                for y in range(h - 1, -1, -1)]
    pixels = b"".join(rows)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(pixels), 2835, 2835,
                       256 if bits == 8 else 0, 0)
    tmp = path + ".tmp"
    with open(tmp, "wb") as out:
        out.write(header + info + palette + pixels)
    os.replace(tmp, path)


# ---------------------------------------------------------------------------------------
# Consistency check against an options file.

REF_MASTER = re.compile(r"^[@^~](\d{4})[@^~](\d{4})[@^~](\d{4})[@^~](\d{4})")


def check_options(path, p):
    elements = master_elements(p)
    rects = {e[:4]: e[5:] for e in elements.values()}
    problems = []
    section = None
    with open(path, encoding="latin-1") as text:
        for line in text:
            line = line.strip()
            if line.startswith("["):
                section = line.strip("[]")
                continue
            if "=" not in line or line.startswith(";"):
                continue
            key, value = (s.strip() for s in line.split("=", 1))
            m = REF_MASTER.match(value)
            if m:
                rect = tuple(int(v) for v in m.groups())
                if rect not in rects:
                    problems.append("%s/%s: %s names no drawn picture" % (section, key, value))
                    continue
                frames, mask_rows = rects[rect]
                if value[0] == "@":
                    counts = (int(value[21]), int(value[23]))
                elif value[0] == "^":
                    counts = (int(value[41]), int(value[43]))
                else:
                    counts = (1, int(value[24]) if len(value) >= 25 else 0)
                if counts != (frames, mask_rows):
                    problems.append("%s/%s: %s has %d frame(s) and %d mask row(s), the picture %d and %d"
                                    % (section, key, value, counts[0], counts[1], frames, mask_rows))
    return problems


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("out_dir")
    ap.add_argument("--scheme", default="frost", choices=sorted(SCHEMES))
    ap.add_argument("--names", default="mixed", choices=["mixed", "upper"],
                    help="file names as in the package (Master.bmp) or all in capitals")
    ap.add_argument("--check", metavar="OPTIONS", help="verify an options file's master references")
    args = ap.parse_args(argv)
    p = SCHEMES[args.scheme]
    if args.check:
        problems = check_options(args.check, p)
        if problems:
            sys.stderr.write("\n".join(problems) + "\n")
            return 1
    os.makedirs(args.out_dir, exist_ok=True)
    names = {"mixed": ("Master.bmp", "ButtonHuge.bmp", "TopRight.bmp"),
             "upper": ("MASTER.BMP", "BUTTONHUGE.BMP", "TOPRIGHT.BMP")}[args.names]
    write_bmp(os.path.join(args.out_dir, names[0]), draw_master(p), 24)
    write_bmp(os.path.join(args.out_dir, names[1]), draw_button_huge(p), 8)
    write_bmp(os.path.join(args.out_dir, names[2]), draw_top_right(p), 8)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
