"""End-to-end play of the real sevenfold binary under Xvfb: real key events, every check read from screen pixels."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xharness as xh  # noqa: E402

SOURCE_DIR = os.environ.get("SEVENFOLD_SOURCE_DIR",
                            os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BINARY = os.environ.get("SEVENFOLD_BIN", os.path.join(SOURCE_DIR, "build", "sevenfold"))

N = xh.BOARD_N
STEP = {"Right": (1, 0), "Left": (-1, 0), "Down": (0, 1), "Up": (0, -1)}


# -- the rules, as far as the tests need them -------------------------------------------------

def cells_in_runs(board):
    """Cells that are part of a horizontal or vertical line of three or more equal tiles."""
    hit = set()
    # Cells not seen (under the game-over banner) are in no run.
    for r in range(N):
        for c in range(N - 2):
            if board[r][c] is not None and board[r][c] == board[r][c + 1] == board[r][c + 2]:
                hit |= {(c, r), (c + 1, r), (c + 2, r)}
    for c in range(N):
        for r in range(N - 2):
            if board[r][c] is not None and board[r][c] == board[r + 1][c] == board[r + 2][c]:
                hit |= {(c, r), (c, r + 1), (c, r + 2)}
    return hit


def swapped(board, a, b):
    rows = [list(r) for r in board]
    (ac, ar), (bc, br) = a, b
    rows[ar][ac], rows[br][bc] = rows[br][bc], rows[ar][ac]
    return tuple(tuple(r) for r in rows)


def swaps(board, forming_run):
    """(cell, arrow) pairs between neighbours on the board whose swap does / does not form a run."""
    found = []
    for r in range(N):
        for c in range(N):
            for key, (dx, dy) in STEP.items():
                t = (c + dx, r + dy)
                if 0 <= t[0] < N and 0 <= t[1] < N:
                    if bool(cells_in_runs(swapped(board, (c, r), t))) == forming_run:
                        found.append(((c, r), key))
    return found


def wrap_distance(a, b):
    d = (b - a) % N
    return min(d, N - d)


class Sevenfold(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.access(BINARY, os.X_OK):
            raise RuntimeError("no game binary at %s" % BINARY)
        cls.art = xh.Artwork(SOURCE_DIR)
        cls.x = xh.XServer().__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()

    def start_game(self, sheet=None, extra_env=None):
        g = xh.Game(self.x, BINARY, SOURCE_DIR, art=self.art, sheet=sheet, extra_env=extra_env)
        self.addCleanup(g.stop)
        g.start()
        return g

    # -- moves as a player makes them, each confirmed on screen -----------------------------

    def step(self, g, key, expected):
        """One tap of an arrow; the cursor must land on `expected` and stay there."""
        g.tap(key)
        g.wait_until(lambda v: v.cursor == expected, what="cursor on %s after %s" % (expected, key))
        v = g.settled()
        self.assertEqual(v.cursor, expected, "one tap of %s moved the cursor more than one cell" % key)
        return v

    def go_to(self, g, target):
        v = g.settled()
        c, r = v.cursor
        while (c, r) != target:
            if c != target[0]:
                key = "Right" if (target[0] - c) % N <= N // 2 else "Left"
            else:
                key = "Down" if (target[1] - r) % N <= N // 2 else "Up"
            dx, dy = STEP[key]
            c, r = (c + dx) % N, (r + dy) % N
            g.tap(key)
            g.wait_until(lambda v, p=(c, r): v.cursor == p, what="cursor on %s" % ((c, r),))
        return g.settled()

    def menu_to(self, g, item):
        v = g.settled()
        while v.menu_highlight != item:
            here = v.menu_highlight
            g.tap("Down")
            v = g.wait_until(lambda v: v.menu_highlight == (here + 1) % 4, what="menu step")
        return v

    def nearest(self, candidates, cursor):
        return min(candidates, key=lambda ck: wrap_distance(ck[0][0], cursor[0]) + wrap_distance(ck[0][1], cursor[1]))

    def new_game_from_menu(self, g):
        g.tap("Return")
        g.wait_until(lambda v: v.menu_highlight is not None, what="the menu opening")
        self.menu_to(g, 1)
        g.tap("space")
        g.tap("space")  # the mode card's first mode: the classic game
        return g.wait_until(lambda v: v.menu_intact and v.menu_highlight is None and v.board_complete,
                            what="a new game")

    def board_with_a_move(self, g):
        """The settled view of a board that offers a swap forming a run, and those swaps."""
        v = g.settled()
        moves = swaps(v.board, forming_run=True)
        for _ in range(5):
            if moves:
                break
            v = self.new_game_from_menu(g)
            moves = swaps(v.board, forming_run=True)
        self.assertTrue(moves, "five deals in a row offered no move")
        return v, moves

    # -- the tests --------------------------------------------------------------------------

    def test_first_screen_is_a_fresh_game(self):
        g = self.start_game()
        v = g.settled()
        self.assertTrue(v.title_ok, "title artwork not where it belongs")
        self.assertEqual(v.score, "0000000")
        self.assertEqual(v.cursor, (3, 3))
        self.assertEqual(v.menu_rows, ["normal"] * 4, "the menu must show no highlight")
        self.assertTrue(v.board_complete, v.summary())
        self.assertEqual(v.skin, 0)
        self.assertFalse(v.lifted)
        self.assertEqual(cells_in_runs(v.board), set(), "a new game must not start with a run")
        # Every pixel, from the layout: panel pattern, title, score, menu, label, grey top line,
        # white board, tiles and outline.
        expected = self.art.new_game_screen(v.board, 0, v.cursor, v.cursor_frame, len(swaps(v.board, True)) // 2)
        diff = [(x, y) for y in range(xh.SCREEN_H) for x in range(xh.SCREEN_W)
                if expected.pixel(x, y) != v.picture.pixel(x, y)]
        self.assertEqual(diff[:10], [], "%d pixels differ from the expected first screen" % len(diff))
        # The outline crawls through all four frames while the game waits.
        seen = set()
        g.wait_until(lambda w: seen.add(w.cursor_frame) or len(seen - {None}) == 4,
                     what="all four cursor frames")

    def test_cursor_taps_move_one_cell_and_wrap_at_every_edge(self):
        g = self.start_game()
        self.assertEqual(g.settled().cursor, (3, 3))
        for key, expected in [("Right", (4, 3)), ("Right", (5, 3)), ("Right", (6, 3)),
                              ("Right", (0, 3)),   # right edge to left edge
                              ("Left", (6, 3)),    # left edge to right edge
                              ("Down", (6, 4)), ("Down", (6, 5)), ("Down", (6, 6)),
                              ("Down", (6, 0)),    # bottom to top
                              ("Up", (6, 6)),      # top to bottom
                              ("Left", (5, 6)), ("Up", (5, 5))]:
            v = self.step(g, key, expected)
            self.assertEqual(v.score, "0000000")
            self.assertEqual(v.menu_rows, ["normal"] * 4)

    def test_held_arrow_repeats_along_its_axis(self):
        g = self.start_game()
        start = g.settled()
        board = start.board
        seen = []
        g.press("Down")
        try:
            g.wait_until(lambda v: seen.append(v.cursor) or v.cursor == (3, 5),
                         what="the held arrow to carry the cursor two rows")
        finally:
            g.release("Down")
        v = g.settled()
        self.assertEqual(v.cursor[0], 3, "holding Down moved the cursor sideways")
        self.assertTrue(all(p is None or p[0] == 3 for p in seen), seen)
        self.assertNotEqual(v.cursor, (3, 3))
        self.assertEqual(v.board, board, "moving the cursor must not change the board")

    def test_a_tap_moves_one_cell_and_a_hold_repeats_after_a_delay(self):
        g = self.start_game()
        c = g.settled().cursor
        # Presses as a finger makes them, spanning one tick or two.
        for ms in (100, 120, 150):
            g.hold("Right", ms / 1000.0)
            c = ((c[0] + 1) % N, c[1])
            v = g.settled()
            self.assertEqual(v.cursor, c, "a press of %d ms moved the cursor other than one cell" % ms)
        # Held 560 ms: a step at once, none until 250 ms, then one a tick (70 ms and a little
        # more) until the release: 4 or 5 repeats, fewer only if the game ticked late. The board
        # wraps, so the count is read modulo 7; every tick's step, the old way, is 8 or 9.
        g.hold("Down", 0.56)
        v = g.settled()
        self.assertEqual(v.cursor[0], c[0], "holding Down moved the cursor sideways")
        moved = (v.cursor[1] - c[1]) % N
        self.assertIn(moved, (4, 5, 6), "a hold of 560 ms moved the cursor %d cells" % moved)

    def test_lift_shows_the_faded_tile_and_x_puts_it_down(self):
        g = self.start_game()
        before = g.settled()
        kind = before.board[3][3]
        g.tap("space")
        v = g.wait_until(lambda v: v.lifted, what="the lifted tile")
        self.assertEqual(v.cursor, (3, 3), "the outline must still be drawn over the lifted cell")
        self.assertEqual(v.board, before.board, "the lifted tile must be the same kind")
        full = self.art.cell_picture[(0, kind)].crop(xh.RING, xh.RING, 28, 28)
        shown = v.cell(3, 3).crop(xh.RING, xh.RING, 28, 28)
        self.assertGreater(shown.brightness(), full.brightness())
        self.assertTrue(all(s >= f for rs, rf in zip(shown.rows, full.rows) for s, f in zip(rs, rf)),
                        "no pixel of the lifted tile may be darker than the tile itself")
        # The cursor keeps crawling over the lifted tile.
        first = v.cursor_frame
        g.wait_until(lambda w: w.lifted and w.cursor_frame not in (None, first), what="animation over the lift")

        g.tap("x")
        v = g.wait_until(lambda v: not v.lifted and v.board_complete, what="the tile put down")
        v = g.settled()
        self.assertFalse(v.lifted)
        self.assertEqual((v.cursor, v.board, v.score), ((3, 3), before.board, "0000000"))

    def test_swap_that_forms_no_run_is_undone(self):
        g = self.start_game()
        v = g.settled()
        cell, key = self.nearest(swaps(v.board, forming_run=False), v.cursor)
        v = self.go_to(g, cell)
        board = v.board
        g.tap("z")
        g.wait_until(lambda w: w.lifted and w.cursor == cell, what="the lift at %s" % (cell,))
        g.tap(key)
        g.wait_until(lambda w: not w.lifted and w.cursor == cell and w.board_complete,
                     what="the cursor back on the lifted cell")
        v = g.settled()
        self.assertFalse(v.lifted)
        self.assertEqual(v.cursor, cell, "the cursor must go back onto the lifted cell")
        self.assertEqual(v.board, board, "an undone swap must leave the board as it was")
        self.assertEqual(v.score, "0000000")

    def scoring_move(self, g):
        """A swap that forms a run, by keys. Returns the board before it, every view seen from the
        swap until the score changed, and the settled view after it."""
        v, moves = self.board_with_a_move(g)
        cell, key = self.nearest(moves, v.cursor)
        v = self.go_to(g, cell)
        board, score = v.board, v.score
        g.tap("space")
        g.wait_until(lambda w: w.lifted and w.cursor == cell, what="the lift")
        seen = []
        g.tap(key)
        g.wait_until(lambda w: seen.append(w) or w.score not in (None, score), what="a score for the run")
        return board, seen, g.settled(span=0.5)

    def test_swap_that_forms_a_run_scores_and_clears(self):
        g = self.start_game()
        board, seen, v = self.scoring_move(g)
        self.assertFalse(v.lifted)
        self.assertGreater(int(v.score), 0)
        self.assertNotEqual(v.board, board)
        self.assertEqual(cells_in_runs(v.board), set(), "runs must all be cleared once the board settles")
        # Before the score changed, the runs about to vanish showed faded for a moment: cells
        # that are no whole tile, on a board not yet scored.
        marked = [w for w in seen if w.score == "0000000" and None in (k for row in w.board for k in row)]
        self.assertTrue(marked, "the runs were never shown before they vanished")

    def scores_kept(self, data):
        with open(os.path.join(data, "sevenfold", "scores")) as f:
            return [int(line.split()[0]) for line in f]

    def kept_game(self, data):
        with open(os.path.join(data, "sevenfold", "game")) as f:
            return f.read()

    def test_a_game_left_by_closing_the_window_goes_on_at_the_next_start_with_its_settings(self):
        home = tempfile.mkdtemp(prefix="sevenfold-home-")
        self.addCleanup(shutil.rmtree, home, True)
        os.makedirs(os.path.join(home, "data", "sevenfold"))
        folders = {"XDG_DATA_HOME": os.path.join(home, "data"), "XDG_CONFIG_HOME": os.path.join(home, "config")}
        g = self.start_game(extra_env=folders)
        skin = 1 % self.art.skins
        g.tap("w", "minus")
        g.wait_until(lambda w: w.skin == skin and w.board_complete, what="the next skin")
        _, _, v = self.scoring_move(g)
        g.close_window()
        self.assertEqual(g.wait_exit(10), 0)
        self.assertFalse(os.path.exists(os.path.join(home, "data", "sevenfold", "scores")), "a game kept is no game over")
        again = self.start_game(extra_env=folders).settled()
        self.assertEqual((again.board, again.score, again.cursor, again.skin), (v.board, v.score, v.cursor, skin))
        with open(os.path.join(home, "config", "sevenfold", "settings")) as f:
            self.assertIn("volume = 117\n", f.read())

    def test_the_controls_show_on_a_first_start_until_any_key(self):
        data = tempfile.mkdtemp(prefix="sevenfold-data-")
        self.addCleanup(shutil.rmtree, data, True)
        g = xh.Game(self.x, BINARY, SOURCE_DIR, art=self.art, extra_env={"XDG_DATA_HOME": data})
        self.addCleanup(g.stop)
        g.start(until=lambda v: v.card == "help")
        # Alt+Enter, to the full screen and back, is no press of its own: the card stays for Right.
        g.tap("alt+Return", "alt+Return", "Right")
        v = g.wait_until(lambda w: w.card is None and w.board_complete, what="the board again")
        self.assertEqual(g.settled().cursor, (3, 3), "the key that took the card away is no move")
        g.tap("F1")
        g.wait_until(lambda w: w.card == "help", what="the controls on F1")

    def test_two_copies_played_at_once_lose_nothing(self):
        data = tempfile.mkdtemp(prefix="sevenfold-data-")
        self.addCleanup(shutil.rmtree, data, True)
        os.makedirs(os.path.join(data, "sevenfold"))
        first = self.start_game(extra_env={"XDG_DATA_HOME": data})
        one = int(self.scoring_move(first)[2].score)
        # The second copy comes up over the first and takes the keyboard.
        second = self.start_game(extra_env={"XDG_DATA_HOME": data})
        two = int(self.scoring_move(second)[2].score)
        for g in (second, first):
            g.terminate()
            self.assertEqual(g.wait_exit(10), 0)
        # The second keeps its game; the first finds another game kept, and enters its score.
        self.assertIn("score %d\n" % two, self.kept_game(data))
        self.assertEqual(self.scores_kept(data), [one])

    def test_desktop_window_is_titled_and_the_mouse_plays(self):
        g = self.start_game()
        props = g.x.run(["xprop", "-id", str(g.window), "_NET_WM_NAME", "_NET_WM_ICON"]).stdout.decode()
        self.assertIn('_NET_WM_NAME(UTF8_STRING) = "Sevenfold"', props)
        self.assertIn("Icon (32 x 32)", props)

        v, moves = self.board_with_a_move(g)
        cell, key = moves[0]
        target = (cell[0] + STEP[key][0], cell[1] + STEP[key][1])
        board = v.board
        # A click on a tile lifts it; a right click puts it down; a click lifts it again.
        g.click_cell(cell)
        g.wait_until(lambda w: w.lifted and w.cursor == cell, what="the lift by a click")
        g.click_cell(cell, button=3)
        g.wait_until(lambda w: not w.lifted, what="a right click putting the tile down")
        g.click_cell(cell)
        g.wait_until(lambda w: w.lifted and w.cursor == cell, what="the lift by a click")
        # A click on its neighbour swaps the two.
        g.click_cell(target)
        g.wait_until(lambda w: w.score not in (None, "0000000"), what="a score for the clicked swap")
        v = g.settled(span=0.5)
        self.assertFalse(v.lifted)
        self.assertNotEqual(v.board, board)
        self.assertEqual(cells_in_runs(v.board), set())

        # A click on the menu opens it; a click on new game deals.
        score = v.score
        g.click(40, xh.MENU_Y + 5)
        g.wait_until(lambda w: w.menu_highlight is not None, what="the menu opened by a click")
        g.click(40, xh.MENU_Y + xh.MENU_ITEM_H + 10)
        g.click(xh.BOARD_X + 44, 44)  # the mode card's classic game
        v = g.wait_until(lambda w: w.menu_intact and w.menu_highlight is None and w.score == "0000000",
                         what="a new game chosen by a click")
        self.assertNotEqual(score, "0000000")

    def test_a_tile_dragged_onto_its_neighbour_swaps(self):
        g = self.start_game()
        v, moves = self.board_with_a_move(g)
        cell, key = moves[-1]
        target = (cell[0] + STEP[key][0], cell[1] + STEP[key][1])
        board = v.board
        g.drag_cell(target, cell)
        g.wait_until(lambda w: w.score not in (None, "0000000"), what="a score for the dragged swap")
        v = g.settled(span=0.5)
        self.assertFalse(v.lifted, "the drag's release swapped the tile it lifted")
        self.assertNotEqual(v.board, board)
        self.assertEqual(cells_in_runs(v.board), set())

    def test_a_24_bit_sheet_draws_without_green(self):
        # A paint program's re-save: every X1R5G5B5 pixel widened to 24 bits, pure green and all.
        art = xh.Bmp(os.path.join(SOURCE_DIR, "assets", "tile.bmp"))
        row = (art.width * 3 + 3) & ~3
        pixels = bytearray()
        for y in reversed(range(art.height)):
            line = bytearray()
            for v in art.raw[y]:
                r, g, b = (xh._e5((v >> shift) & 31) for shift in (10, 5, 0))
                line += bytes((b, g, r))
            pixels += line.ljust(row, b"\0")
        header = struct.pack("<IiiHHIIiiII", 40, art.width, art.height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
        path = os.path.join(self.x.logdir, "tile24.bmp")
        with open(path, "wb") as f:
            f.write(b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) + header + pixels)
        g = self.start_game(sheet=path)
        v = g.settled()
        expected = self.art.new_game_screen(v.board, 0, v.cursor, v.cursor_frame, len(swaps(v.board, True)) // 2)
        diff = [(x, y) for y in range(xh.SCREEN_H) for x in range(xh.SCREEN_W)
                if expected.pixel(x, y) != v.picture.pixel(x, y)]
        self.assertEqual(diff[:10], [], "%d pixels differ from the 16-bit sheet's first screen" % len(diff))

    def test_menu_selection_moves_wraps_and_new_game_resets(self):
        g = self.start_game()
        v = self.step(g, "Left", (2, 3))
        board = v.board
        g.tap("Return")
        v = g.wait_until(lambda w: w.menu_intact and w.menu_highlight is not None, what="the menu")
        self.assertEqual(v.menu_highlight, 0, "the menu opens on its first item")
        for key, item in [("Down", 1), ("Down", 2), ("Down", 3), ("Down", 0),  # wraps at the bottom
                          ("Up", 3),                                           # and at the top
                          ("Up", 2), ("Up", 1)]:
            g.tap(key)
            g.wait_until(lambda w: w.menu_highlight == item, what="menu item %d after %s" % (item, key))
            v = g.settled()
            self.assertEqual(v.menu_highlight, item, "one tap moved the selection more than once")
            self.assertEqual((v.board, v.cursor), (board, (2, 3)), "the menu must not play the game")
        g.tap("Return")  # in the open menu, Return chooses
        g.tap("Return")  # and on the mode card, the classic game
        v = g.wait_until(lambda w: w.menu_intact and w.menu_highlight is None, what="the menu closing")
        v = g.settled()
        self.assertEqual(v.menu_rows, ["normal"] * 4)
        self.assertEqual(v.score, "0000000")
        self.assertEqual(v.cursor, (3, 3), "a new game puts the cursor on the centre")
        self.assertNotEqual(v.board, board, "new game must deal a new board")
        self.assertEqual(cells_in_runs(v.board), set())
        self.step(g, "Right", (4, 3))  # back in play

    def test_start_closes_the_menu_high_score_shows_the_table_and_option_the_options(self):
        g = self.start_game()
        before = g.settled()
        g.tap("Return")
        g.wait_until(lambda w: w.menu_highlight == 0, what="the menu")
        g.tap("space")  # high score: the table over the board, until any key
        g.wait_until(lambda w: w.card == "scores", what="the high-score table")
        g.tap("x")
        v = g.wait_until(lambda w: w.card is None and w.board_complete, what="the table taken away")
        v = g.settled()
        self.assertEqual((v.menu_highlight, v.board, v.score, v.cursor), (0, before.board, "0000000", (3, 3)))
        self.menu_to(g, 2)
        g.tap("z")  # option: the options card, until Escape
        g.wait_until(lambda w: w.card == "options", what="the options card")
        g.tap("Escape")
        v = g.wait_until(lambda w: w.card is None and w.board_complete, what="the options taken away")
        v = g.settled()
        self.assertEqual((v.menu_highlight, v.board, v.score, v.cursor), (2, before.board, "0000000", (3, 3)))

        g.tap("Escape")
        v = g.wait_until(lambda w: w.menu_intact and w.menu_highlight is None, what="the menu closing")
        frame = v.cursor_frame
        g.wait_until(lambda w: w.cursor_frame not in (None, frame), what="the game ticking again")
        v = g.settled()
        self.assertEqual((v.board, v.score, v.cursor, v.lifted), (before.board, "0000000", (3, 3), False),
                         "closing the menu must leave the game as it was")
        self.step(g, "Up", (3, 2))

        g.tap("Return")  # reopens on the item chosen last
        g.wait_until(lambda w: w.menu_highlight == 2, what="the menu reopening on item 2")
        g.tap("Escape")
        g.wait_until(lambda w: w.menu_intact and w.menu_highlight is None, what="the menu closing again")

    def test_skin_keys_redraw_the_same_board(self):
        g = self.start_game()
        v = g.settled()
        board, skins = v.board, self.art.skins
        for key, skin in [("w", 1 % skins), ("q", 0), ("q", skins - 1), ("w", 0)]:
            g.tap(key)
            v = g.wait_until(lambda w: w.skin == skin and w.board_complete, what="skin %d after %s" % (skin, key))
            v = g.settled()
            self.assertEqual(v.skin, skin, "one tap changed the skin more than once")
            self.assertEqual(v.board, board, "a skin change must not change the tiles")

    def test_quit_item_ends_the_program_cleanly(self):
        g = self.start_game()
        g.tap("Return")
        g.wait_until(lambda w: w.menu_highlight == 0, what="the menu")
        g.tap("Up")
        g.wait_until(lambda w: w.menu_highlight == 3, what="the quit item")
        g.tap("space")
        self.assertEqual(g.wait_exit(10), 0)
        self.assertEqual(g.output(), (b"", b""))

    def test_window_close_ends_the_program_cleanly(self):
        g = self.start_game()
        g.close_window()
        self.assertEqual(g.wait_exit(10), 0)
        self.assertEqual(g.output(), (b"", b""))

    def test_lost_display_connection_ends_the_program(self):
        # Xlib ends the process when its connection dies; the exit handler must not then hang
        # shutting video down on the dead connection.
        g = self.start_game()
        g.x.xdotool("windowkill", g.find_window(), check=False)
        status = g.wait_exit(10)
        self.assertIsNotNone(status, "the game hung after losing its display")
        self.assertGreaterEqual(status, 0, "ended by a signal")

    def test_the_desktops_own_choices_software_drawing_and_partial_presents(self):
        # The X server here has only a software OpenGL (llvmpipe): SDL's software renderer must
        # draw the window, and no OpenGL driver be loaded into the game.
        g = xh.Game(self.x, BINARY, SOURCE_DIR, art=self.art,
                    extra_env={"SDL_RENDER_DRIVER": None, "SDL_FRAMEBUFFER_ACCELERATION": None})
        self.addCleanup(g.stop)
        g.start()
        with open("/proc/%d/maps" % g.proc.pid) as f:
            loaded = {os.path.basename(line.split()[-1]) for line in f if "/" in line}
        opengl = sorted(n for n in loaded if n.startswith(("libGLX_mesa", "swrast_dri", "libLLVM", "libGL.")))
        self.assertEqual(opengl, [], "OpenGL loaded into the game")

        # Left alone, the game shows the cursor's cell alone each tick: a mark another client
        # paints into the window elsewhere stays while the outline crawls on.
        client = xh.XClient(self.x.display)
        self.addCleanup(client.close)
        g.settled()
        client.paint(g.window, 20, 100, 10, 10, 0xFF00FF)
        frames = set()
        g.wait_until(lambda v: frames.add(v.cursor_frame) or len(frames - {None}) >= 3,
                     what="the outline crawling on")
        self.assertEqual(client.image(g.window, 20, 100, 10, 10).pixel(5, 5), (255, 0, 255),
                         "an idle tick showed more than the cursor's cell")

    def test_no_press_release_or_quit_is_lost_to_a_flood_of_pointer_motion(self):
        g = self.start_game()
        v, moves = self.board_with_a_move(g)
        cell, key = self.nearest(moves, v.cursor)
        self.go_to(g, cell)
        g.tap("space")
        g.wait_until(lambda w: w.lifted and w.cursor == cell, what="the lift")
        # The swap, and while it plays out Right held through 200 moves of the pointer.
        target = ((cell[0] + STEP[key][0]) % N, (cell[1] + STEP[key][1]) % N)
        flood = ["mousemove %d %d" % (10 + i % 300, 10 + i % 220) for i in range(200)]
        began = time.monotonic()
        g.x.xdotool(*(["key", key, "keydown", "Right"] + " ".join(flood).split() + ["keyup", "Right"]))
        held = time.monotonic() - began
        v = g.settled(span=0.6)
        if not v.game_over:
            # On a loaded machine the flood itself may outlast the key repeat's delay, and Right
            # then repeats as any key held that long does: it must still have acted, on its row.
            steps = (v.cursor[0] - target[0]) % N
            self.assertEqual(v.cursor[1], target[1], "Right moved the cursor off its row")
            if held < 0.25:
                self.assertEqual(steps, 1, "Right moved the cursor other than once")
            else:
                self.assertGreaterEqual(steps, 1, "Right was lost")
        # A quit in the middle of another flood still ends the game, and its score is kept.
        motion = subprocess.Popen(["xdotool"] + " ".join(flood * 20).split(), env=g.x.env(),
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(motion.kill)
        time.sleep(0.2)
        g.terminate()
        self.assertEqual(g.wait_exit(10), 0)
        self.assertIn("score %d\n" % int(v.score), self.kept_game(os.path.join(g.workdir, "data")))

    def test_sigterm_ends_the_program_cleanly(self):
        g = self.start_game()
        self.step(g, "Right", (4, 3))
        g.terminate()
        self.assertEqual(g.wait_exit(10), 0)
        self.assertEqual(g.output(), (b"", b""))


class ScaledGame(xh.Game):
    """The game in a window at a whole-number scale, seen through the window's own pixels: every
    shot is the window read back with XGetImage, checked to be the picture scaled by a whole
    number (nearest, centred on black in a full screen) and shrunk back to 320x240."""

    def __init__(self, xserver, client, **kw):
        super().__init__(xserver, BINARY, SOURCE_DIR, **kw)
        self.client = client

    def window_shot(self):
        """(scale, the picture shrunk back to 320x240) of the window as it is now."""
        window = self.find_window() if self.window is None else self.window
        if window is None:
            raise AssertionError("the game has no window yet")
        w, h = self.client.size(window)
        scale = min(w // xh.SCREEN_W, h // xh.SCREEN_H)
        if scale < 1:
            raise AssertionError("window of %dx%d cannot hold the picture" % (w, h))
        left, top = (w - xh.SCREEN_W * scale) // 2, (h - xh.SCREEN_H * scale) // 2
        got = self.client.image(window, 0, 0, w, h)
        black = bytes(3 * w)
        for y in list(range(top)) + list(range(top + xh.SCREEN_H * scale, h)):
            if got.rows[y] != black:
                raise AssertionError("row %d of the %dx%d window is not black around the picture" % (y, w, h))
        rows = []
        for y in range(xh.SCREEN_H):
            line = got.rows[top + scale * y]
            if line[:3 * left] != black[:3 * left] or line[3 * (left + xh.SCREEN_W * scale):] != black[:3 * (w - left - xh.SCREEN_W * scale)]:
                raise AssertionError("picture row %d is not centred on black" % y)
            picture_row = b"".join(line[3 * (left + scale * x):3 * (left + scale * x) + 3] for x in range(xh.SCREEN_W))
            scaled = b"".join(picture_row[3 * x:3 * x + 3] * scale for x in range(xh.SCREEN_W))
            for k in range(scale):
                if got.rows[top + scale * y + k][3 * left:3 * (left + xh.SCREEN_W * scale)] != scaled:
                    raise AssertionError("window row %d is not picture row %d scaled by %d" % (top + scale * y + k, y, scale))
            rows.append(picture_row)
        return scale, xh.Picture(xh.SCREEN_W, xh.SCREEN_H, rows)

    def shot(self):
        # While the window is being made, resized or uncovered, it holds no picture until the
        # next tick shows one: no picture, to wait on. window_shot itself is strict.
        try:
            return self.window_shot()[1]
        except AssertionError:
            return xh.Picture(xh.SCREEN_W, xh.SCREEN_H, [bytes(3 * xh.SCREEN_W)] * xh.SCREEN_H)


class IdenticalPictures(unittest.TestCase):
    """A scripted game at x3, and in a full screen, whose window must always hold exactly the
    game's picture scaled by 3: each picture the partial presents leave is compared with the one
    SDL's whole present shows of the same moment, which an expose makes it show."""

    SIZE = (1024, 768)  # x3 in a window; a full screen of it is x3 too, with black around

    @classmethod
    def setUpClass(cls):
        if not os.access(BINARY, os.X_OK):
            raise RuntimeError("no game binary at %s" % BINARY)
        cls.art = xh.Artwork(SOURCE_DIR)
        cls.x = xh.XServer(size=cls.SIZE, window_manager=True).__enter__()
        cls.client = xh.XClient(cls.x.display)

    @classmethod
    def tearDownClass(cls):
        cls.client.close()
        cls.x.stop()

    step = Sevenfold.step
    go_to = Sevenfold.go_to
    nearest = Sevenfold.nearest
    menu_to = Sevenfold.menu_to
    new_game_from_menu = Sevenfold.new_game_from_menu
    board_with_a_move = Sevenfold.board_with_a_move

    def same_as_whole_present(self, g, what):
        """The window now (left by partial presents) against the window once SDL has shown the
        whole screen again: alike in every pixel but the crawling cursor outline."""
        v = g.settled()
        scale, partial = g.window_shot()
        self.assertEqual(scale, 3, what)
        # Covering the window and taking the cover away sends it an expose: the next present
        # is SDL's of the whole screen.
        left, top = self.client.origin(g.window)
        w, h = self.client.size(g.window)
        self.client.cover(left, top, w, h)
        time.sleep(0.25)
        whole_view = g.settled()
        _, whole = g.window_shot()
        self.assertEqual((whole_view.cursor, whole_view.board, whole_view.score, whole_view.menu_rows, whole_view.lifted),
                         (v.cursor, v.board, v.score, v.menu_rows, v.lifted), what)
        ring = set()
        if not v.game_over:  # the banner stands still, and the menu with it
            self.assertIsNotNone(v.cursor, what)
            cx, cy = xh.cell_origin(*v.cursor)
            ring = {(x, y) for y in range(cy, cy + xh.CELL) for x in range(cx, cx + xh.CELL)
                    if not (cx + xh.RING <= x < cx + xh.CELL - xh.RING and cy + xh.RING <= y < cy + xh.CELL - xh.RING)}
        differ = [(x, y) for y in range(xh.SCREEN_H) for x in range(xh.SCREEN_W)
                  if (x, y) not in ring and partial.pixel(x, y) != whole.pixel(x, y)]
        self.assertEqual(differ[:10], [], "%s: %d pixels of the picture differ from SDL's whole present"
                         % (what, len(differ)))
        return whole_view

    def test_the_window_holds_the_picture_scaled_after_every_kind_of_present(self):
        g = ScaledGame(self.x, self.client, art=self.art, extra_env={"SDL12COMPAT_WINDOW_SCALING": "3"})
        self.addCleanup(g.stop)
        g.start()
        self.assertEqual(self.client.size(g.window), (960, 720))
        v = self.same_as_whole_present(g, "the first picture")
        v = self.step(g, "Right", (4, 3))
        self.same_as_whole_present(g, "a cursor step")
        self.step(g, "Down", (4, 4))
        g.tap("space")
        g.wait_until(lambda w: w.lifted, what="the lift")
        self.same_as_whole_present(g, "a lift")
        g.tap("x")
        g.wait_until(lambda w: not w.lifted, what="the tile put down")
        self.same_as_whole_present(g, "the tile put down")

        v, moves = self.board_with_a_move(g)
        cell, key = self.nearest(moves, v.cursor)
        self.go_to(g, cell)
        g.tap("space")
        g.wait_until(lambda w: w.lifted and w.cursor == cell, what="the lift")
        g.tap(key)
        g.wait_until(lambda w: w.score not in (None, "0000000"), what="a score for the run")
        v = self.same_as_whole_present(g, "a swap, its clearing and the score")
        if v.game_over:
            # The refill left no move: a new game from the open menu, and the script goes on.
            self.menu_to(g, 1)
            g.tap("space")
            g.tap("space")
            g.wait_until(lambda w: w.menu_intact and w.menu_highlight is None and w.board_complete,
                         what="a new game")

        g.tap("Return")
        g.wait_until(lambda w: w.menu_highlight == 0, what="the menu")
        self.same_as_whole_present(g, "the menu opened")
        g.tap("Down")
        g.wait_until(lambda w: w.menu_highlight == 1, what="the next item")
        self.same_as_whole_present(g, "the menu's highlight moved")
        g.tap("Escape")
        g.wait_until(lambda w: w.menu_intact and w.menu_highlight is None, what="the menu closed")
        self.same_as_whole_present(g, "the menu closed")
        g.tap("w")
        g.wait_until(lambda w: w.skin == 1 % self.art.skins and w.board_complete, what="the next skin")
        self.same_as_whole_present(g, "a new skin")

        # Uncovered, the window is shown whole, and the partial presents after it still fit.
        self.client.cover(*self.client.origin(g.window), 200, 200)
        time.sleep(0.25)  # until the next tick, the uncovered part holds what covered it
        v = g.settled()
        c, r = v.cursor
        self.step(g, "Left", ((c - 1) % N, r))
        self.same_as_whole_present(g, "a step after an expose")

        # Full screen and back: the picture at x3 in the middle of the screen, then the window.
        g.tap("alt+Return")
        g.wait_until(lambda w: self.client.size(g.window) == self.SIZE and w.board_complete,
                     what="the full screen")
        self.same_as_whole_present(g, "the full screen")
        v = g.settled()
        c, r = v.cursor
        # Partial presents go on in the full screen: a mark on one picture pixel beside the board
        # stays through a step, and is then taken away again.
        mark = (32 + 3 * 10, 24 + 3 * 100, 3, 3)
        red, green, blue = self.client.image(g.window, *mark).pixel(1, 1)
        self.client.paint(g.window, *mark, 0xFF00FF)
        self.step(g, "Up", (c, (r - 1) % N))
        self.assertEqual(self.client.image(g.window, *mark).pixel(1, 1), (255, 0, 255))
        self.client.paint(g.window, *mark, red << 16 | green << 8 | blue)
        self.same_as_whole_present(g, "a step in the full screen")
        g.tap("alt+Return")
        g.wait_until(lambda w: self.client.size(g.window) == (960, 720) and w.board_complete,
                     what="the window again")
        self.same_as_whole_present(g, "the window again")
        v = g.settled()
        c, r = v.cursor
        self.step(g, "Right", ((c + 1) % N, r))
        self.same_as_whole_present(g, "a step in the window again")

    def test_a_smoothed_picture_is_left_to_sdl(self):
        # SDL's linear scaling is not what the game's own puts make: the guard must see it, and the
        # changed parts be left to SDL, smoothed as SDL's whole picture has them.
        g = ScaledGame(self.x, self.client, art=self.art,
                       extra_env={"SDL12COMPAT_WINDOW_SCALING": "3", "SDL12COMPAT_SCALE_METHOD": "linear"})
        self.addCleanup(g.stop)
        g.start(until=lambda v: True)  # a smoothed window is no exact picture to read
        time.sleep(0.5)
        g.tap("Right")  # the outline leaves cell (3, 3), which a partial present shows again
        time.sleep(0.3)
        inside = (3 * (xh.BOARD_X + 3 * xh.CELL + 3), 3 * (xh.BOARD_Y + 3 * xh.CELL + 3), 3 * 28, 3 * 28)
        partial = self.client.image(g.window, *inside)
        left, top = self.client.origin(g.window)
        w, h = self.client.size(g.window)
        self.client.cover(left, top, w, h)
        time.sleep(0.3)
        whole = self.client.image(g.window, *inside)
        # SDL's smoothing of a part rounds a level or two apart from its whole picture's; the
        # game's own puts, unsmoothed, would stand far apart from it at every edge.
        apart = max(abs(p - q) for y in range(whole.height) for x in range(whole.width)
                    for p, q in zip(partial.pixel(x, y), whole.pixel(x, y)))
        self.assertLessEqual(apart, 4, "the cell as a partial present left it is not SDL's smoothed picture")
        self.assertTrue(any(len({whole.pixel(x + i, y + j) for i in range(3) for j in range(3)}) > 1
                            for x in range(0, 84, 3) for y in range(0, 84, 3)), "the picture is not smoothed")

    def test_without_a_window_manager_the_full_screen_fills_the_screen_and_comes_back(self):
        x = xh.XServer(size=self.SIZE).__enter__()
        self.addCleanup(x.stop)
        client = xh.XClient(x.display)
        self.addCleanup(client.close)
        g = ScaledGame(x, client, art=self.art, extra_env={"SDL12COMPAT_WINDOW_SCALING": "3"})
        self.addCleanup(g.stop)
        g.start()
        for size in (self.SIZE, (960, 720)):
            g.tap("alt+Return")
            g.wait_until(lambda w: client.size(g.window) == size and w.board_complete, what="%dx%d" % size)
            self.assertEqual(g.window_shot()[0], 3)


if __name__ == "__main__":
    missing = xh.missing_tools(xh.TOOLS + xh.WINDOW_MANAGER_TOOLS)
    if missing:
        print("skipped: not installed: %s" % ", ".join(missing))
        sys.exit(77)
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        BINARY = os.path.abspath(sys.argv.pop(1))
    if not os.access(BINARY, os.X_OK):
        print("no game binary at %s (set SEVENFOLD_BIN or pass it as the first argument)" % BINARY)
        sys.exit(1)
    unittest.main(verbosity=2)
