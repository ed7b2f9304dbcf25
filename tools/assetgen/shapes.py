"""Shapes as signed distance fields, and the point lists that outline them."""

# sd(x, y) < 0 inside, roughly the distance to the edge in pixels.  Distances
# make outlines, insets and bevels one-liners.

import math


class Shape:
    def sd(self, x, y):
        raise NotImplementedError

    def inside(self, x, y):
        return self.sd(x, y) < 0.0


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def sd(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) - self.r


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry, angle=0.0):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry
        self.ca, self.sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))

    def local(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        return dx * self.ca + dy * self.sa, -dx * self.sa + dy * self.ca

    def sd(self, x, y):
        u, v = self.local(x, y)
        k = math.hypot(u / self.rx, v / self.ry)
        if k < 1e-9:
            return -min(self.rx, self.ry)
        g = math.hypot(u / (self.rx * self.rx), v / (self.ry * self.ry)) / k
        return (k - 1.0) / g


def _seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    l2 = dx * dx + dy * dy
    t = 0.0 if l2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / l2))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


# Far from the outline the exact distance does not matter, only the sign, so
# beyond this margin outside the bounding box a cheap lower bound is used.
FAR = 6.0


def _far_outside(box, x, y):
    """That lower bound when (x, y) lies more than FAR outside `box`, else None."""
    x0, y0, x1, y1 = box
    ox = x0 - x if x < x0 else x - x1 if x > x1 else 0.0
    oy = y0 - y if y < y0 else y - y1 if y > y1 else 0.0
    if ox > FAR or oy > FAR:
        return max(ox, oy)
    return None


class Polygon(Shape):
    def __init__(self, pts):
        self.pts = [(float(a), float(b)) for a, b in pts]
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.box = (min(xs), min(ys), max(xs), max(ys))
        self.segs = []
        for i in range(len(self.pts)):
            ax, ay = self.pts[i - 1]
            bx, by = self.pts[i]
            dx, dy = bx - ax, by - ay
            l2 = dx * dx + dy * dy
            self.segs.append((ax, ay, bx, by, dx, dy, 1.0 / l2 if l2 else 0.0))

    def sd(self, x, y):
        far = _far_outside(self.box, x, y)
        if far is not None:
            return far
        best = 1e18
        inside = False
        for ax, ay, bx, by, dx, dy, il2 in self.segs:
            if (ay > y) != (by > y):
                if x < (bx - ax) * (y - ay) / (by - ay) + ax:
                    inside = not inside
            t = ((x - ax) * dx + (y - ay) * dy) * il2
            if t < 0.0:
                t = 0.0
            elif t > 1.0:
                t = 1.0
            ex = x - ax - t * dx
            ey = y - ay - t * dy
            d = ex * ex + ey * ey
            if d < best:
                best = d
        best = math.sqrt(best)
        return -best if inside else best


class Stroke(Shape):
    """A polyline drawn with a round pen of the given width."""

    def __init__(self, pts, width):
        self.pts = [(float(a), float(b)) for a, b in pts]
        self.half = width / 2.0
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.box = (min(xs) - self.half, min(ys) - self.half, max(xs) + self.half, max(ys) + self.half)

    def sd(self, x, y):
        far = _far_outside(self.box, x, y)
        if far is not None:
            return far
        pts = self.pts
        if len(pts) == 1:
            return math.hypot(x - pts[0][0], y - pts[0][1]) - self.half
        return min(_seg_dist(x, y, *pts[i], *pts[i + 1])
                   for i in range(len(pts) - 1)) - self.half


class _Combined(Shape):
    """Several shapes made one by taking, at each point, one of their distances."""

    pick = None

    def __init__(self, *parts):
        self.parts = parts

    def sd(self, x, y):
        return self.pick(p.sd(x, y) for p in self.parts)


class Union(_Combined):
    pick = staticmethod(min)


class SmoothUnion(Shape):
    """Union that fillets the joint, for organic outlines like the pear."""

    def __init__(self, a, b, k):
        self.a, self.b, self.k = a, b, k

    def sd(self, x, y):
        d1, d2 = self.a.sd(x, y), self.b.sd(x, y)
        h = max(0.0, min(1.0, 0.5 + 0.5 * (d2 - d1) / self.k))
        return d2 + (d1 - d2) * h - self.k * h * (1.0 - h)


class Intersect(_Combined):
    pick = staticmethod(max)


class Subtract(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def sd(self, x, y):
        return max(self.a.sd(x, y), -self.b.sd(x, y))


class RoundBox(Shape):
    """Axis-aligned rectangle with round corners, its distance worked out
    directly: the cards are too big to sample a rounded polygon everywhere."""

    def __init__(self, x0, y0, x1, y1, r):
        self.cx, self.cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
        self.hx, self.hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r
        self.r = r

    def sd(self, x, y):
        qx = abs(x - self.cx) - self.hx
        qy = abs(y - self.cy) - self.hy
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - self.r


class Offset(Shape):
    """Grows (d > 0) or shrinks (d < 0) a shape by d pixels."""

    def __init__(self, shape, d):
        self.shape, self.d = shape, d

    def sd(self, x, y):
        return self.shape.sd(x, y) - self.d


class Moved(Shape):
    def __init__(self, shape, dx, dy):
        self.shape, self.dx, self.dy = shape, dx, dy

    def sd(self, x, y):
        return self.shape.sd(x - self.dx, y - self.dy)


class HalfPlane(Shape):
    """Inside where (x, y) lies on the side of the line the normal points away from."""

    def __init__(self, px, py, nx, ny):
        n = math.hypot(nx, ny)
        self.px, self.py, self.nx, self.ny = px, py, nx / n, ny / n

    def sd(self, x, y):
        return (x - self.px) * self.nx + (y - self.py) * self.ny


# Point-list builders --------------------------------------------------------

def regular_points(cx, cy, r, n, rot_deg=-90.0, sx=1.0, sy=1.0):
    out = []
    for i in range(n):
        a = math.radians(rot_deg + 360.0 * i / n)
        out.append((cx + r * sx * math.cos(a), cy + r * sy * math.sin(a)))
    return out


def star_points(cx, cy, r_out, r_in, n, rot_deg=-90.0):
    out = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot_deg + 180.0 * i / n)
        out.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return out


def heart_points(cx, cy, size, steps=48):
    """The classic sin^3 heart, fitted into a size x size box centred on (cx, cy)."""
    raw = []
    for i in range(steps):
        t = 2.0 * math.pi * i / steps
        x = 16.0 * math.sin(t) ** 3
        y = -(13.0 * math.cos(t) - 5.0 * math.cos(2 * t) - 2.0 * math.cos(3 * t) - math.cos(4 * t))
        raw.append((x, y))
    # fit the full curve, not this sampling of it, so every step count agrees
    fine = [(16.0 * math.sin(t) ** 3,
             -(13.0 * math.cos(t) - 5.0 * math.cos(2 * t) - 2.0 * math.cos(3 * t) - math.cos(4 * t)))
            for t in [2.0 * math.pi * i / 720 for i in range(720)]]
    x0 = min(p[0] for p in fine)
    x1 = max(p[0] for p in fine)
    y0 = min(p[1] for p in fine)
    y1 = max(p[1] for p in fine)
    k = size / max(x1 - x0, y1 - y0)
    mx, my = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    return [(cx + (x - mx) * k, cy + (y - my) * k) for x, y in raw]


def rounded_path(corners, radius, closed=False, steps=6):
    """Polyline through `corners`, with every inner corner rounded off.

    `radius` may be one number or a list with one entry per corner."""
    n = len(corners)
    radii = radius if isinstance(radius, (list, tuple)) else [radius] * n
    out = []
    for i in range(n):
        p = corners[i]
        is_end = not closed and (i == 0 or i == n - 1)
        r = radii[i]
        if is_end or r <= 0:
            out.append(p)
            continue
        a = corners[i - 1]
        b = corners[(i + 1) % n]
        la = math.hypot(a[0] - p[0], a[1] - p[1])
        lb = math.hypot(b[0] - p[0], b[1] - p[1])
        ra = min(r, la / 2.0)
        rb = min(r, lb / 2.0)
        s = (p[0] + (a[0] - p[0]) * ra / la, p[1] + (a[1] - p[1]) * ra / la)
        e = (p[0] + (b[0] - p[0]) * rb / lb, p[1] + (b[1] - p[1]) * rb / lb)
        for k in range(steps + 1):
            t = k / steps
            u = 1.0 - t
            out.append((u * u * s[0] + 2 * u * t * p[0] + t * t * e[0],
                        u * u * s[1] + 2 * u * t * p[1] + t * t * e[1]))
    if closed:
        out.append(out[0])
    return out


def rounded_rect(x0, y0, x1, y1, r):
    corners = [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    return Polygon(rounded_path(corners, r, closed=True, steps=8)[:-1])
