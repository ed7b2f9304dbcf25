"""Drives the real sevenfold binary on a private Xvfb screen: real key events in, screen pixels read back."""

import atexit
import ctypes
import ctypes.util
import os
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import time

SCREEN_W, SCREEN_H = 320, 240
BOARD_X, BOARD_Y, CELL, BOARD_N = 80, 1, 34, 7
RING = 3  # thickness of the cursor outline
SCORE_X, SCORE_Y, DIGIT_W, DIGIT_H, SCORE_DIGITS = 5, 40, 10, 13, 7
MENU_X, MENU_Y, MENU_W, MENU_ITEM_H, MENU_ITEMS = 0, 150, 80, 20, 4
# The credit label at y 229 overlaps the last line of the last item until the menu is redrawn,
# so that line is not part of an item's look.
MENU_ROWS_COMPARED = MENU_ITEM_H - 1
# The desktop's cards lie at (84, 4) over the board; a strip across the heading names each.
CARD_X, CARD_Y = 84, 4
CARD_HEADING = (20, 4, 192, 20)
# The game-over banner lies at (100, 88) over the board's middle rows.
BANNER_X, BANNER_Y = 100, 88
BANNER_HEADING = (20, 6, 160, 20)
WHITE565 = 0xFFFF
GREY565 = 0xE71C
TILE_KEY555 = 0x03E0
SHEET_KEY = 0xFF00
LIFT_ALPHA = 150

TOOLS = ("Xvfb", "xdotool", "import")
WINDOW_MANAGER_TOOLS = ("openbox", "xprop")


def missing_tools(tools=TOOLS):
    return [t for t in tools if shutil.which(t) is None]


# ---------------------------------------------------------------------------------------------
# Colour conversion.
#
# The game draws into a 16-bit RGB565 surface; sdl12-compat hands it to SDL2, which expands it
# for the 24-bit X screen. Measured once by filling a 320x240x16 surface with all 65536 values
# and reading the Xvfb root window back: red and blue go through v*255//31, green through
# v*4 + v//24 (so 6-bit 63 becomes 254, not 255). The conversion is therefore EXACT and every
# expected picture below is compared byte for byte; the first-screen test, which compares all
# 76800 pixels, shows at once if another SDL release expands differently.
# Sheets stored as X1R5G5B5 are first widened to 8 bits with the same v*255//31 table and then
# truncated to RGB565, which is what SDL's blit between the two formats does.
# ---------------------------------------------------------------------------------------------

def _e5(v):
    return v * 255 // 31


def _e6(v):
    return v * 4 + v // 24


def rgb_of_565(p):
    return (_e5((p >> 11) & 31), _e6((p >> 5) & 63), _e5(p & 31))


def rgb565_of_888(r, g, b):
    return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)


def rgb565_of_555(v):
    return rgb565_of_888(_e5((v >> 10) & 31), _e5((v >> 5) & 31), _e5(v & 31))


_RGB_OF_565 = {}


def screen_bytes_of_565(p):
    b = _RGB_OF_565.get(p)
    if b is None:
        b = _RGB_OF_565[p] = bytes(rgb_of_565(p))
    return b


WHITE = bytes(rgb_of_565(WHITE565))


# ---------------------------------------------------------------------------------------------
# Pictures: rows of packed RGB bytes, so that whole regions compare and hash as bytes.
# ---------------------------------------------------------------------------------------------

class Picture:
    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows

    def pixel(self, x, y):
        return tuple(self.rows[y][3 * x:3 * x + 3])

    def crop(self, x, y, w, h):
        return Picture(w, h, [r[3 * x:3 * (x + w)] for r in self.rows[y:y + h]])

    def key(self):
        return b"".join(self.rows)

    def __eq__(self, other):
        return isinstance(other, Picture) and self.rows == other.rows

    __hash__ = None

    def brightness(self):
        return sum(sum(r) for r in self.rows)


def parse_ppm(data):
    """A binary P6 picture with maxval 255, as `import ... ppm:-` writes it."""
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1  # the single whitespace byte after maxval
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError("not an 8-bit P6 picture: %r" % fields)
    w, h = int(fields[1]), int(fields[2])
    pix = data[pos:pos + 3 * w * h]
    if len(pix) != 3 * w * h:
        raise ValueError("short PPM: %d of %d bytes" % (len(pix), 3 * w * h))
    return Picture(w, h, [pix[3 * w * y:3 * w * (y + 1)] for y in range(h)])


class Bmp:
    """An uncompressed BMP; `raw[y][x]` is the stored pixel (an int for 16 bits, (r, g, b) above)."""

    def __init__(self, path):
        with open(path, "rb") as f:
            d = f.read()
        if d[:2] != b"BM":
            raise ValueError("%s is not a BMP" % path)
        off = struct.unpack_from("<I", d, 10)[0]
        w, h, _planes, bpp, comp = struct.unpack_from("<iiHHI", d, 18)
        if comp != 0 or bpp not in (16, 24, 32):
            raise ValueError("%s: unsupported BMP (bpp %d, compression %d)" % (path, bpp, comp))
        stride = ((w * bpp + 31) // 32) * 4
        self.width, self.height, self.bpp = w, abs(h), bpp
        self.raw = []
        for y in range(abs(h)):
            o = off + stride * ((h - 1 - y) if h > 0 else y)
            if bpp == 16:
                self.raw.append(list(struct.unpack_from("<%dH" % w, d, o)))
            else:
                n = bpp // 8
                self.raw.append([(d[o + n * x + 2], d[o + n * x + 1], d[o + n * x]) for x in range(w)])

    def to_565(self, v):
        return rgb565_of_555(v & 0x7FFF) if self.bpp == 16 else rgb565_of_888(*v)

    def is_key(self, v, key):
        # SDL compares colour keys on the colour bits only.
        if self.bpp == 16:
            return (v & 0x7FFF) == (key & 0x7FFF)
        return ((v[0] << 16) | (v[1] << 8) | v[2]) == (key & 0xFFFFFF)

    def picture(self, x, y, w, h, key=None, background=WHITE565):
        """The region as the game puts it on screen: keyed pixels show the background."""
        rows = []
        for yy in range(y, y + h):
            row = bytearray()
            for xx in range(x, x + w):
                v = self.raw[yy][xx]
                p = background if key is not None and self.is_key(v, key) else self.to_565(v)
                row += screen_bytes_of_565(p)
            rows.append(bytes(row))
        return Picture(w, h, rows)

    def faded_picture(self, x, y, w, h, key, alpha):
        """The region drawn with a surface alpha over white; keyed pixels stay white.

        SDL2 widens the source to 8 bits per channel and blends as d + (s - d) * a / 255 with
        C's division (truncating toward zero); the result is packed into RGB565 again. Measured
        on the lifted tile, this is exact too."""
        if self.bpp != 16:
            raise ValueError("only 16-bit sheets are drawn faded")
        rows = []
        for yy in range(y, y + h):
            row = bytearray()
            for xx in range(x, x + w):
                v = self.raw[yy][xx]
                if self.is_key(v, key):
                    row += WHITE
                    continue
                s = (_e5((v >> 10) & 31), _e5((v >> 5) & 31), _e5(v & 31))
                d = [255 - ((255 - sc) * alpha) // 255 for sc in s]
                row += screen_bytes_of_565(rgb565_of_888(*d))
            rows.append(bytes(row))
        return Picture(w, h, rows)


def _ring(pic, x, y):
    """The bytes of the 3-px outline of the 34x34 cell at (x, y)."""
    parts = []
    for yy in range(y, y + CELL):
        row = pic.rows[yy]
        if yy - y < RING or yy - y >= CELL - RING:
            parts.append(row[3 * x:3 * (x + CELL)])
        else:
            parts.append(row[3 * x:3 * (x + RING)])
            parts.append(row[3 * (x + CELL - RING):3 * (x + CELL)])
    return b"".join(parts)


def cell_origin(col, row):
    return BOARD_X + CELL * col, BOARD_Y + CELL * row


# ---------------------------------------------------------------------------------------------
# The expected pictures, built from the game's own artwork.
# ---------------------------------------------------------------------------------------------

class Artwork:
    def __init__(self, source_dir):
        a = os.path.join(source_dir, "assets")
        self.tile = Bmp(os.path.join(a, "tile.bmp"))
        self.image = Bmp(os.path.join(a, "image.bmp"))
        self.menu = Bmp(os.path.join(a, "menu.bmp"))
        self.digit = Bmp(os.path.join(a, "digit.bmp"))
        self.title = Bmp(os.path.join(a, "title.bmp"))
        self.label = Bmp(os.path.join(a, "wexa.bmp"))
        self.sidebar = Bmp(os.path.join(a, "sidebar.bmp"))
        # The game-over banner a desktop puts over the board, known by its heading.
        self.banner_heading = Bmp(os.path.join(a, "banner.bmp")).picture(*BANNER_HEADING).key()
        # The cards a desktop shows over the board, told apart by a strip across their headings.
        self.card_headings = {}
        for name in ("help", "scores", "options"):
            bmp = Bmp(os.path.join(a, name + ".bmp"))
            self.card_headings[bmp.picture(*CARD_HEADING).key()] = name
        self.skins = self.tile.height // CELL
        self.kinds = 7

        self.title_picture = self.title.picture(0, 0, 80, 40)

        # Whole cells (for cells the cursor does not cover) and their 28x28 insides (for the
        # cursor cell, whose outline hides the edge). A picture shared by two tiles identifies
        # neither, so it is left out.
        self.cells, self.insides, self.faded_insides = {}, {}, {}
        self.cell_picture, self.faded_picture = {}, {}
        for s in range(self.skins):
            for k in range(self.kinds):
                full = self.tile.picture(CELL * k, CELL * s, CELL, CELL, key=TILE_KEY555)
                self.cell_picture[(s, k)] = full
                self._add_unique(self.cells, full.key(), (s, k))
                self._add_unique(self.insides, self._inside(full).key(), (s, k))
                faded = self.tile.faded_picture(CELL * k, CELL * s, CELL, CELL, TILE_KEY555, LIFT_ALPHA)
                self.faded_picture[(s, k)] = faded
                self._add_unique(self.faded_insides, self._inside(faded).key(), (s, k))

        self.cursor_rings = {}
        for f in range(4):
            frame = self.image.picture(CELL * f, 0, CELL, CELL, key=TILE_KEY555)
            self.cursor_rings[_ring(frame, 0, 0)] = f

        self.menu_rows = []
        for i in range(MENU_ITEMS):
            y = MENU_ITEM_H * i
            self.menu_rows.append(
                (self.menu.picture(0, y, MENU_W, MENU_ROWS_COMPARED, key=SHEET_KEY).key(),
                 self.menu.picture(MENU_W, y, MENU_W, MENU_ROWS_COMPARED, key=SHEET_KEY).key()))

        self.glyphs = {}
        for d in range(10):
            g = self.digit.picture(DIGIT_W * d, 0, DIGIT_W, DIGIT_H, key=SHEET_KEY)
            self._add_unique(self.glyphs, g.key(), str(d))

    @staticmethod
    def _add_unique(table, k, value):
        if k in table and table[k] != value:
            table[k] = None
        else:
            table[k] = value

    @staticmethod
    def _inside(pic, x=0, y=0):
        return pic.crop(x + RING, y + RING, CELL - 2 * RING, CELL - 2 * RING)

    def new_game_screen(self, board, skin, cursor, frame, moves):
        """The whole screen of a freshly dealt game with the menu closed, built from the
        layout: patterned side panel, title, score 0000000, the moves left under their label
        (marked when one), unhighlighted menu, credit label, grey top line over the white
        board, the tiles and the cursor outline."""
        c = Canvas()
        for r in range(48):
            for col in range(16):
                c.blit(self.image, 136, 0, 5 * col, 5 * r, 5, 5, key=TILE_KEY555)
        c.fill(80, 0, 240, 240, GREY565)
        c.blit(self.title, 0, 0, 0, 0, 80, 40)
        c.blit(self.menu, 0, 0, MENU_X, MENU_Y, MENU_W, MENU_ITEM_H * MENU_ITEMS, key=SHEET_KEY)
        c.fill(80, 1, 240, 240, WHITE565)
        for r in range(BOARD_N):
            for col in range(BOARD_N):
                x, y = cell_origin(col, r)
                c.blit(self.tile, CELL * board[r][col], CELL * skin, x, y, CELL, CELL, key=TILE_KEY555)
        for k in range(SCORE_DIGITS):
            c.fill(SCORE_X + DIGIT_W * k, SCORE_Y, DIGIT_W, DIGIT_H, WHITE565)
            c.blit(self.digit, 0, 0, SCORE_X + DIGIT_W * k, SCORE_Y, DIGIT_W, DIGIT_H, key=SHEET_KEY)
        c.blit(self.label, 0, 0, 14, 229, self.label.width, self.label.height, key=SHEET_KEY)
        c.blit(self.sidebar, 0, 9 if moves == 1 else 0, 0, 60, 80, 9, key=TILE_KEY555)
        shown = str(moves)
        for k, d in enumerate(shown):
            x = 30 + 5 * (2 - len(shown)) + DIGIT_W * k
            c.fill(x, 71, DIGIT_W, DIGIT_H, WHITE565)
            c.blit(self.digit, DIGIT_W * int(d), 0, x, 71, DIGIT_W, DIGIT_H, key=SHEET_KEY)
        x, y = cell_origin(*cursor)
        c.blit(self.image, CELL * frame, 0, x, y, CELL, CELL, key=TILE_KEY555)
        return c.picture()


class Canvas:
    """An RGB565 screen in memory, drawn the way the game draws, for whole-screen comparisons."""

    def __init__(self, fill=0):
        self.px = [[fill] * SCREEN_W for _ in range(SCREEN_H)]

    def fill(self, x, y, w, h, colour):
        for yy in range(max(y, 0), min(y + h, SCREEN_H)):
            row = self.px[yy]
            for xx in range(max(x, 0), min(x + w, SCREEN_W)):
                row[xx] = colour

    def blit(self, bmp, sx, sy, dx, dy, w, h, key=None):
        for j in range(h):
            if not 0 <= dy + j < SCREEN_H:
                continue
            src, row = bmp.raw[sy + j], self.px[dy + j]
            for i in range(w):
                v = src[sx + i]
                if 0 <= dx + i < SCREEN_W and not (key is not None and bmp.is_key(v, key)):
                    row[dx + i] = bmp.to_565(v)

    def picture(self):
        return Picture(SCREEN_W, SCREEN_H,
                       [b"".join(screen_bytes_of_565(p) for p in row) for row in self.px])


class View:
    """What one screenshot shows, read back into game terms. Unknown parts are None."""

    def __init__(self, art, pic):
        self.picture = pic
        self.title_ok = pic.crop(0, 0, 80, 40) == art.title_picture

        hits = []
        for r in range(BOARD_N):
            for c in range(BOARD_N):
                f = art.cursor_rings.get(_ring(pic, *cell_origin(c, r)))
                if f is not None:
                    hits.append(((c, r), f))
        # A tile could in principle match an outline frame, but never two cells at once with
        # a real cursor; more than one hit means the picture cannot be trusted.
        self.cursor, self.cursor_frame = hits[0] if len(hits) == 1 else (None, None)

        self.lifted = False
        self.skins = set()
        board = []
        for r in range(BOARD_N):
            row = []
            for c in range(BOARD_N):
                x, y = cell_origin(c, r)
                if (c, r) == self.cursor:
                    sk = art.insides.get(Artwork._inside(pic, x, y).key())
                    if sk is None:
                        sk = art.faded_insides.get(Artwork._inside(pic, x, y).key())
                        self.lifted = sk is not None
                else:
                    sk = art.cells.get(pic.crop(x, y, CELL, CELL).key())
                if sk is None:
                    row.append(None)
                else:
                    self.skins.add(sk[0])
                    row.append(sk[1])
            board.append(tuple(row))
        self.board = tuple(board)
        self.board_complete = all(k is not None for row in board for k in row)

        rows = []
        for i in range(MENU_ITEMS):
            got = pic.crop(MENU_X, MENU_Y + MENU_ITEM_H * i, MENU_W, MENU_ROWS_COMPARED).key()
            normal, lit = art.menu_rows[i]
            rows.append("normal" if got == normal else "lit" if got == lit else None)
        self.menu_rows = rows
        self.menu_intact = None not in rows
        lit = [i for i, s in enumerate(rows) if s == "lit"]
        self.menu_highlight = lit[0] if self.menu_intact and len(lit) == 1 else None

        x, y, w, h = CARD_HEADING
        self.card = art.card_headings.get(pic.crop(CARD_X + x, CARD_Y + y, w, h).key())
        x, y, w, h = BANNER_HEADING
        self.game_over = pic.crop(BANNER_X + x, BANNER_Y + y, w, h).key() == art.banner_heading

        digits = []
        for k in range(SCORE_DIGITS):
            g = pic.crop(SCORE_X + DIGIT_W * k, SCORE_Y, DIGIT_W, DIGIT_H)
            digits.append(art.glyphs.get(g.key()))
        self.score = "".join(digits) if None not in digits else None

    @property
    def skin(self):
        return next(iter(self.skins)) if len(self.skins) == 1 else None

    def cell(self, col, row):
        x, y = cell_origin(col, row)
        return self.picture.crop(x, y, CELL, CELL)

    def summary(self):
        rows = ["".join("?" if k is None else str(k) for k in r) for r in self.board]
        return ("score=%s cursor=%s frame=%s lifted=%s menu=%s title_ok=%s board=%s"
                % (self.score, self.cursor, self.cursor_frame, self.lifted, self.menu_rows,
                   self.title_ok, "/".join(rows)))


# ---------------------------------------------------------------------------------------------
# Processes. Every child is tied to this process (it gets SIGKILL if we die, even by SIGKILL)
# and recorded, so nothing is ever left running.
# ---------------------------------------------------------------------------------------------

_PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL(ctypes.util.find_library("c") or "libc.so.6", use_errno=True)
_children = []


def _die_with_parent():
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


def _spawn(args, **kw):
    p = subprocess.Popen(args, preexec_fn=_die_with_parent, **kw)
    _children.append(p)
    return p


def _reap(p, grace=3.0):
    if p.poll() is None:
        try:
            p.terminate()
            p.wait(grace)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait(10)
    if p in _children:
        _children.remove(p)


def kill_leftovers():
    for p in list(_children):
        _reap(p, grace=1.0)


atexit.register(kill_leftovers)


def _signal_exit(signum, _frame):
    kill_leftovers()
    raise SystemExit(128 + signum)


for _s in (signal.SIGTERM, signal.SIGHUP):
    signal.signal(_s, _signal_exit)


class _Started:
    """A context that starts on entry and stops on exit, stopping too when starting fails half-way."""

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()


class XServer(_Started):
    """A private Xvfb whose 320x240x24 root window is exactly the game's picture; or, given a
    size, a larger screen, with a window manager (openbox) when asked for, which full screen
    needs; of another depth (16, 30) when asked for."""

    def __init__(self, timeout=20.0, size=None, window_manager=False, depth=24):
        self.depth = depth
        self.proc = None
        self.wm = None
        self.display = None
        self.timeout = timeout
        self.size = size
        self.window_manager = window_manager
        self.logdir = tempfile.mkdtemp(prefix="sevenfold-xvfb-")

    def start(self):
        rfd, wfd = os.pipe()
        log = open(os.path.join(self.logdir, "xvfb.log"), "wb")
        try:
            # -displayfd lets the server pick a free display and say so once it accepts clients.
            self.proc = _spawn(
                ["Xvfb", "-displayfd", str(wfd), "-screen", "0", "%dx%dx%d" % ((self.size or (SCREEN_W, SCREEN_H)) + (self.depth,)),
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(wfd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=log)
            os.close(wfd)
            wfd = None
            got = b""
            deadline = time.monotonic() + self.timeout
            while not got.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or self.proc.poll() is not None:
                    raise RuntimeError("Xvfb did not start: %s" % self.log())
                ready, _, _ = select.select([rfd], [], [], left)
                if ready:
                    chunk = os.read(rfd, 64)
                    if not chunk:
                        raise RuntimeError("Xvfb closed its display pipe: %s" % self.log())
                    got += chunk
            self.display = ":" + got.decode().strip()
        finally:
            log.close()
            os.close(rfd)
            if wfd is not None:
                os.close(wfd)
        if self.window_manager:
            # On a machine where openbox has never run, its first start announces itself but
            # then frames no window (a window mapped then stays unmapped for good); started
            # again, it does. So a plain window of our own must be framed before the game comes.
            for attempt in range(3):
                self.wm = _spawn(["openbox"], env=self.env(), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                # The manager says it is there by a property of the root window.
                deadline = time.monotonic() + self.timeout
                while b"window id" not in self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False).stdout:
                    if time.monotonic() > deadline or self.wm.poll() is not None:
                        raise RuntimeError("the window manager did not start")
                    time.sleep(0.05)
                client = XClient(self.display)
                try:
                    client.wait_managed(5)
                    break
                except RuntimeError:
                    if attempt == 2:
                        raise
                finally:
                    client.close()
                _reap(self.wm)

    def log(self):
        try:
            with open(os.path.join(self.logdir, "xvfb.log"), "rb") as f:
                return f.read().decode(errors="replace")[-2000:]
        except OSError:
            return ""

    def env(self, extra=None):
        e = dict(os.environ)
        e.pop("WAYLAND_DISPLAY", None)
        e["DISPLAY"] = self.display
        e["SDL_VIDEODRIVER"] = "x11"
        e.setdefault("SDL_AUDIODRIVER", "dummy")
        # In sanitizer builds, LeakSanitizer reports allocations that the system libraries SDL
        # loads (libdbus) never free, and turns the exit status into 1; the game's own faults
        # are still reported by AddressSanitizer and UBSan. A caller's explicit choice wins.
        asan = e.get("ASAN_OPTIONS", "")
        if "detect_leaks" not in asan:
            e["ASAN_OPTIONS"] = (asan + ":" if asan else "") + "detect_leaks=0"
        if extra:
            e.update(extra)
        # None in extra takes a variable away.
        return {k: v for k, v in e.items() if v is not None}

    def run(self, args, timeout=15.0, check=True):
        return subprocess.run(args, env=self.env(), timeout=timeout, check=check,
                              stdin=subprocess.DEVNULL, capture_output=True)

    def xdotool(self, *args, check=True):
        return self.run(["xdotool"] + [str(a) for a in args], check=check)

    def screenshot(self):
        out = self.run(["import", "-window", "root", "-depth", "8", "ppm:-"]).stdout
        pic = parse_ppm(out)
        if (pic.width, pic.height) != (SCREEN_W, SCREEN_H):
            raise RuntimeError("screen is %dx%d" % (pic.width, pic.height))
        return pic

    def stop(self):
        if self.wm is not None:
            _reap(self.wm)
            self.wm = None
        if self.proc is not None:
            _reap(self.proc)
            self.proc = None
        shutil.rmtree(self.logdir, ignore_errors=True)


def _send_wm_delete(display, window):
    """Ask the window to close as a window manager's close button does (WM_DELETE_WINDOW)."""
    path = ctypes.util.find_library("X11")
    if not path:
        raise RuntimeError("libX11 not found")
    x = ctypes.CDLL(path)
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                    ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                    ("data", ctypes.c_long * 5)]

    class XEvent(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    # Xlib's default error handler would end this process; record errors instead.
    errors = []
    handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
    handler = handler_type(lambda _d, _e: errors.append(1) or 0)
    x.XSetErrorHandler.argtypes = [handler_type]
    x.XSetErrorHandler.restype = ctypes.c_void_p
    previous = x.XSetErrorHandler(handler)
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    d = x.XOpenDisplay(display.encode())
    if not d:
        raise RuntimeError("cannot open display %s" % display)
    try:
        ev = XEvent()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.display = d
        ev.xclient.window = window
        ev.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
        ev.xclient.format = 32
        ev.xclient.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
        ev.xclient.data[1] = 0  # CurrentTime
        sent = x.XSendEvent(d, window, 0, 0, ctypes.byref(ev))
        x.XSync(d, 0)
        if not sent or errors:
            raise RuntimeError("could not send WM_DELETE_WINDOW to window %#x" % window)
    finally:
        x.XCloseDisplay(d)
        x.XSetErrorHandler(ctypes.cast(previous, handler_type) if previous else handler_type())


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
                ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


class _XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", ctypes.c_ulong), ("class", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class _XSetWindowAttributes(ctypes.Structure):
    _fields_ = [("background_pixmap", ctypes.c_ulong), ("background_pixel", ctypes.c_ulong),
                ("border_pixmap", ctypes.c_ulong), ("border_pixel", ctypes.c_ulong),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("event_mask", ctypes.c_long),
                ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("cursor", ctypes.c_ulong)]


class XClient:
    """A connection of our own to the test's X server: a window's pixels read straight from the
    server (XGetImage), and what another client can do to a window, such as cover it."""

    _ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)

    def __init__(self, display):
        x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x = x
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XGetImage.restype = ctypes.POINTER(_XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(_XWindowAttributes)]
        x.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                            ctypes.c_int, ctypes.POINTER(ctypes.c_int),
                                            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong)]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XCreateWindow.restype = ctypes.c_ulong
        x.XCreateWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                    ctypes.c_uint, ctypes.c_uint, ctypes.c_int, ctypes.c_uint, ctypes.c_void_p,
                                    ctypes.c_ulong, ctypes.POINTER(_XSetWindowAttributes)]
        x.XCreateGC.restype = ctypes.c_void_p
        x.XCreateGC.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_void_p]
        x.XFreeGC.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        x.XSetForeground.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_ulong]
        x.XFillRectangle.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint]
        for name in ("XMapRaised", "XDestroyWindow"):
            getattr(x, name).argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x.XSetErrorHandler.restype = ctypes.c_void_p
        x.XSetErrorHandler.argtypes = [self._ERROR_HANDLER]
        # Xlib's default handler would end the test on a window that just went away.
        self.errors = []
        self._handler = self._ERROR_HANDLER(lambda _d, _e: self.errors.append(1) or 0)
        x.XSetErrorHandler(self._handler)
        self.d = x.XOpenDisplay(display.encode())
        if not self.d:
            raise RuntimeError("cannot open display %s" % display)
        self.root = x.XDefaultRootWindow(self.d)

    def close(self):
        if self.d:
            self.x.XCloseDisplay(self.d)
            self.d = None

    def attributes(self, window):
        a = _XWindowAttributes()
        if not self.x.XGetWindowAttributes(self.d, window, ctypes.byref(a)):
            raise RuntimeError("window %#x is gone" % window)
        return a

    def size(self, window):
        a = self.attributes(window)
        return a.width, a.height

    def origin(self, window):
        """The window's top left corner on the screen."""
        rx, ry, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
        self.x.XTranslateCoordinates(self.d, window, self.root, 0, 0, ctypes.byref(rx), ctypes.byref(ry),
                                     ctypes.byref(child))
        return rx.value, ry.value

    def image(self, window, x, y, w, h):
        """The pixels of a part of a window as a Picture, read in one request."""
        del self.errors[:]
        im = self.x.XGetImage(self.d, window, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        self.x.XSync(self.d, 0)
        if not im or self.errors:
            raise RuntimeError("could not read %dx%d at (%d, %d) of window %#x" % (w, h, x, y, window))
        try:
            i = im.contents
            if i.bits_per_pixel != 32 or i.byte_order != 0:
                raise RuntimeError("unexpected image layout: %d bits, byte order %d" % (i.bits_per_pixel, i.byte_order))
            raw = ctypes.string_at(i.data, i.bytes_per_line * h)
        finally:
            self.x.XDestroyImage(im)
        rows = []
        for yy in range(h):
            line = raw[yy * i.bytes_per_line:yy * i.bytes_per_line + 4 * w]
            # B, G, R, unused in memory: keep R, G, B.
            rgb = bytearray(3 * w)
            rgb[0::3] = line[2::4]
            rgb[1::3] = line[1::4]
            rgb[2::3] = line[0::4]
            rows.append(bytes(rgb))
        return Picture(w, h, rows)

    def paint(self, window, x, y, w, h, pixel):
        """Draw into another client's window, as if the window had been damaged."""
        gc = self.x.XCreateGC(self.d, window, 0, None)
        self.x.XSetForeground(self.d, gc, pixel)
        self.x.XFillRectangle(self.d, window, gc, x, y, w, h)
        self.x.XFreeGC(self.d, gc)
        self.x.XSync(self.d, 0)

    def wait_managed(self, timeout):
        """Map a plain window of our own and wait until the window manager has framed it."""
        attrs = _XSetWindowAttributes()
        window = self.x.XCreateWindow(self.d, self.root, 0, 0, 10, 10, 0, 0, 1, None, 0, ctypes.byref(attrs))
        self.x.XMapRaised(self.d, window)
        self.x.XSync(self.d, 0)
        root, parent, children, count = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p(), ctypes.c_uint()
        deadline = time.monotonic() + timeout
        try:
            while True:
                self.x.XQueryTree(self.d, window, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(children),
                                  ctypes.byref(count))
                if children:
                    self.x.XFree(children)
                if parent.value not in (0, self.root):
                    return
                if time.monotonic() > deadline:
                    raise RuntimeError("the window manager framed no window within %d s" % timeout)
                time.sleep(0.05)
        finally:
            self.x.XDestroyWindow(self.d, window)
            self.x.XSync(self.d, 0)

    def cover(self, x, y, w, h, seconds=0.05):
        """Map a window of our own over the screen's (x, y, w, h) and take it away again: the
        windows under it are sent Expose events for the uncovered parts."""
        attrs = _XSetWindowAttributes()
        attrs.override_redirect = 1
        attrs.background_pixel = 0x00FF00FF
        window = self.x.XCreateWindow(self.d, self.root, x, y, w, h, 0, 0, 1, None,
                                      (1 << 9) | (1 << 1), ctypes.byref(attrs))  # CWOverrideRedirect, CWBackPixel
        self.x.XMapRaised(self.d, window)
        self.x.XSync(self.d, 0)
        time.sleep(seconds)
        self.x.XDestroyWindow(self.d, window)
        self.x.XSync(self.d, 0)


class Game(_Started):
    """One run of the real binary in a scratch folder holding a copy of tile.bmp."""

    def __init__(self, xserver, binary, source_dir, art=None, extra_env=None, sheet=None):
        self.x = xserver
        self.sheet = sheet or os.path.join(source_dir, "assets", "tile.bmp")
        self.binary = os.path.abspath(binary)
        self.source_dir = source_dir
        self.art = art or Artwork(source_dir)
        self.extra_env = extra_env
        self.proc = None
        self.window = None
        self.workdir = None
        self.returncode = None

    # -- life cycle ------------------------------------------------------------------------

    def start(self, timeout=20.0, until=None):
        self.workdir = tempfile.mkdtemp(prefix="sevenfold-run-")
        shutil.copy(self.sheet, os.path.join(self.workdir, "tile.bmp"))
        self._out = open(os.path.join(self.workdir, "stdout.txt"), "wb")
        self._err = open(os.path.join(self.workdir, "stderr.txt"), "wb")
        self.returncode = None
        env = self.x.env(self.extra_env)
        if "XDG_DATA_HOME" not in (self.extra_env or {}):
            # The player's data in the scratch folder, as on a machine that has played before:
            # a first start would show the controls over the board.
            os.makedirs(os.path.join(self.workdir, "data", "sevenfold"))
            env["XDG_DATA_HOME"] = os.path.join(self.workdir, "data")
        if "XDG_CONFIG_HOME" not in (self.extra_env or {}):
            # Settings of its own: none kept, the game's own defaults.
            env["XDG_CONFIG_HOME"] = os.path.join(self.workdir, "config")
        self.proc = _spawn([self.binary], cwd=self.workdir, env=env,
                           stdin=subprocess.DEVNULL, stdout=self._out, stderr=self._err)
        # SDL replaces its first window while it sets the video mode, so the window is looked
        # up only once the first picture is on the screen.
        first = self.wait_until(until or (lambda v: v.board_complete and v.cursor is not None),
                                timeout, "the first picture of the game")
        self.focus(timeout)
        return first

    def find_window(self):
        # By this copy's process: with two copies up, the class alone may name the other's window.
        r = self.x.xdotool("search", "--onlyvisible", "--pid", self.proc.pid, check=False)
        ids = r.stdout.split()
        return int(ids[-1]) if ids else None

    def focus(self, timeout=10.0):
        # Without a window manager nothing gives the window the keyboard; XTEST key events go
        # to the focus window.
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.window = self.find_window()
            if self.window is not None:
                self.x.xdotool("windowfocus", self.window, check=False)
                r = self.x.xdotool("getwindowfocus", check=False)
                if r.stdout.strip() == str(self.window).encode():
                    return
            if not self.alive():
                raise RuntimeError("the game ended with status %s: %r" % (self.proc.returncode, self.output()))
            time.sleep(0.05)
        raise RuntimeError("could not give the game window the keyboard focus")

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=10.0):
        try:
            self.returncode = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None
        self._out.close()
        self._err.close()
        if self.proc in _children:
            _children.remove(self.proc)
        return self.returncode

    def terminate(self):
        self.proc.send_signal(signal.SIGTERM)

    def close_window(self):
        window = self.find_window()
        if window is None:
            raise RuntimeError("the game has no window to close")
        _send_wm_delete(self.x.display, window)

    def output(self):
        res = []
        for name in ("stdout.txt", "stderr.txt"):
            try:
                with open(os.path.join(self.workdir, name), "rb") as f:
                    res.append(f.read())
            except OSError:
                res.append(b"")
        return tuple(res)

    def stop(self):
        if self.proc is not None:
            _reap(self.proc)
            for f in (self._out, self._err):
                if not f.closed:
                    f.close()
        if self.workdir:
            shutil.rmtree(self.workdir, ignore_errors=True)
            self.workdir = None

    # -- keys and the mouse ----------------------------------------------------------------

    def click(self, x, y, button=1):
        """A click at (x, y) of the picture, which is the root window's (x, y) here."""
        self.x.xdotool("mousemove", x, y, "click", button)

    def click_cell(self, cell, button=1):
        self.click(BOARD_X + CELL * cell[0] + CELL // 2, BOARD_Y + CELL * cell[1] + CELL // 2, button)

    def drag_cell(self, start, end):
        """The left button pressed on cell `start`, the pointer moved onto cell `end`, let go there."""
        (sx, sy), (ex, ey) = ((BOARD_X + CELL * c + CELL // 2, BOARD_Y + CELL * r + CELL // 2)
                              for c, r in (start, end))
        self.x.xdotool("mousemove", sx, sy, "mousedown", 1, "mousemove", ex, ey, "mouseup", 1)

    def tap(self, *keys):
        for k in keys:
            self.x.xdotool("key", k)

    def press(self, key):
        self.x.xdotool("keydown", key)

    def release(self, key):
        self.x.xdotool("keyup", key)

    def hold(self, key, seconds):
        """A press of `seconds`, timed by one xdotool run rather than two process start-ups."""
        self.x.xdotool("keydown", key, "sleep", "%.3f" % seconds, "keyup", key)

    # -- looking ---------------------------------------------------------------------------

    def shot(self):
        return self.x.screenshot()

    def view(self):
        return View(self.art, self.shot())

    def wait_until(self, predicate, timeout=5.0, what="the expected picture"):
        """Poll screenshots until `predicate(view)` holds; the timeout only prevents hangs."""
        deadline = time.monotonic() + timeout
        last = None
        while True:
            last = self.view()
            if predicate(last):
                return last
            if time.monotonic() > deadline:
                raise TimeoutError("timed out waiting for %s; last screen: %s"
                                   % (what, last.summary()))
            if not self.alive():
                raise RuntimeError("the game ended (status %s) while waiting for %s"
                                   % (self.proc.returncode, what))
            time.sleep(0.02)

    def settled(self, span=0.35, timeout=5.0):
        """A view after which the game state (not the cursor animation) stayed put for `span`."""
        def state(v):
            return (v.board, v.cursor, v.lifted, v.menu_rows, v.score)

        deadline = time.monotonic() + timeout
        first = self.view()
        since = time.monotonic()
        while True:
            time.sleep(0.03)
            v = self.view()
            if state(v) != state(first):
                first, since = v, time.monotonic()
            elif time.monotonic() - since >= span and (v.board_complete or v.game_over):
                return v
            if time.monotonic() > deadline:
                raise TimeoutError("the screen did not settle: %s" % v.summary())
