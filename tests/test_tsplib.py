"""Published symmetric travelling salesman instances solved by the tree
search, with subtour rows given only during the search (lazily through
preintsol, as cuts through optnode) and with a user branching rule.

Source: TSPLIB (Reinelt 1991). burma14, ulysses16 and ulysses22 are of
edge weight type GEO; their published optimal tour lengths are 3323, 6859
and 7013. No TSPLIB file is on this machine, so the coordinates are typed
in below and the distances follow TSPLIB's GEO rule. The published optimum
is the check on the typed data: a tour of exactly that length found and
proven optimal means both the coordinates and the distance rule are right.
"""
import math

import pytest

import ondrel
from tsp_helpers import Tsp, cuts_optnode, edge_nearest_half_one_first, lazy_preintsol, needs_addcuts

# Latitude and longitude as DDD.MM (degrees, then minutes after the point).
BURMA14 = [(16.47, 96.10), (16.47, 94.44), (20.09, 92.54), (22.39, 93.37), (25.23, 97.24),
           (22.00, 96.05), (20.47, 97.02), (17.20, 96.29), (16.30, 97.38), (14.05, 98.12),
           (16.53, 97.38), (21.52, 95.59), (19.41, 97.13), (20.09, 94.55)]
ULYSSES16 = [(38.24, 20.42), (39.57, 26.15), (40.56, 25.32), (36.26, 23.12), (33.48, 10.54),
             (37.56, 12.19), (38.42, 13.11), (37.52, 20.44), (41.23, 9.10), (41.17, 13.05),
             (36.08, -5.21), (38.47, 15.13), (38.15, 15.35), (37.51, 15.17), (35.49, 14.32),
             (39.36, 19.56)]
ULYSSES22 = ULYSSES16 + [(38.09, 24.36), (36.09, 23.00), (40.44, 13.57), (40.33, 14.15),
                         (40.37, 14.23), (37.57, 22.56)]

PUBLISHED = {"burma14": (BURMA14, 3323), "ulysses16": (ULYSSES16, 6859),
             "ulysses22": (ULYSSES22, 7013)}
NAMES = list(PUBLISHED)


def geo_radians(x):
    """DDD.MM to radians: the integer part (truncated towards zero) is the
    degrees, the rest the minutes as a fraction of 100."""
    pi = 3.141592
    deg = int(x)
    return pi * (deg + 5.0 * (x - deg) / 3.0) / 180.0


def geo_distances(coords):
    """TSPLIB's GEO distance: the great-circle distance on the idealized
    sphere of radius 6378.388 km, truncated after adding 1."""
    rrr = 6378.388
    r = [(geo_radians(lat), geo_radians(lon)) for lat, lon in coords]
    n = len(r)
    d = [[0] * n for _ in range(n)]
    for i in range(n):
        for j in range(n):
            if i != j:
                q1 = math.cos(r[i][1] - r[j][1])
                q2 = math.cos(r[i][0] - r[j][0])
                q3 = math.cos(r[i][0] + r[j][0])
                d[i][j] = int(rrr * math.acos(0.5 * ((1.0 + q1) * q2 - (1.0 - q1) * q3)) + 1.0)
    return d


def published(name):
    coords, optimum = PUBLISHED[name]
    return geo_distances(coords), optimum


def assert_optimal_tour(t, d, optimum):
    assert t.p.getProbStatusString() == "mip_optimal"
    assert t.p.getObjVal() == pytest.approx(optimum, abs=1e-6)
    # One Hamiltonian cycle whose length, summed here, is the published one.
    assert t.tour_length(d) == optimum


def test_geo_distance_rule():
    # Truncation, not rounding, splits degrees from minutes: 96.47 is 96
    # degrees 47 minutes; a west longitude keeps its sign on both parts.
    assert geo_radians(96.47) == pytest.approx(3.141592 * (96 + 47 / 60) / 180)
    assert geo_radians(-5.21) == pytest.approx(-3.141592 * (5 + 21 / 60) / 180)
    d = geo_distances(ULYSSES22)
    assert all(d[i][j] == d[j][i] >= 1 for i in range(22) for j in range(22) if i != j)


@pytest.mark.parametrize("name", NAMES)
def test_lazy_subtour_rows_by_preintsol(name):
    d, optimum = published(name)
    t = Tsp(d)
    rejected = []
    t.p.addcbpreintsol(lazy_preintsol(t, rejected))
    t.p.solve()
    assert_optimal_tour(t, d, optimum)
    assert rejected and t.rows >= 1
    assert t.p.attributes.bestbound == pytest.approx(optimum, abs=1e-6)


@needs_addcuts
@pytest.mark.parametrize("name", NAMES)
def test_subtour_cuts_from_optnode_with_lazy_check(name):
    d, optimum = published(name)
    t = Tsp(d)
    t.p.addcboptnode(cuts_optnode(t))
    t.p.addcbpreintsol(lazy_preintsol(t, []))
    t.p.solve()
    assert_optimal_tour(t, d, optimum)
    assert t.rows >= 1


@pytest.mark.parametrize("name", NAMES)
def test_user_branching_rule(name):
    d, optimum = published(name)
    t = Tsp(d)
    rule = {"calls": 0, "own": 0}
    t.p.addcbchgbranchobject(edge_nearest_half_one_first(t, rule))
    t.p.addcbpreintsol(lazy_preintsol(t, []))
    t.p.solve()
    assert_optimal_tour(t, d, optimum)
    assert rule["calls"] >= 1


@needs_addcuts
def test_largest_instance_on_two_workers_with_every_callback():
    # The callbacks now run on the search's worker threads, each with the
    # interpreter lock taken in turn; the result must not change.
    d, optimum = published("ulysses22")
    t = Tsp(d)
    rule = {"calls": 0, "own": 0}
    t.p.controls.threads = 2
    t.p.addcboptnode(cuts_optnode(t))
    t.p.addcbchgbranchobject(edge_nearest_half_one_first(t, rule))
    t.p.addcbpreintsol(lazy_preintsol(t, []))
    t.p.solve()
    assert_optimal_tour(t, d, optimum)
