#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into tests/fuzz/corpus/<target>/ (run from anywhere)."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ---- param_file_fuzz: parameter records (692 bytes, little-endian, version 4) ----

ID_BOARD_NONE, ID_BOARD_FIRST = 4200, 4201
ID_TTL_BINARY, ID_TTL_HEX, ID_TTL_LEDS = 4331, 4334, 4335


def code(kind, axis):
    return (kind << 16) | axis


DEFAULT_CODES = [code(k, a) for k, a in [(13, 1), (14, 1), (15, 1), (16, 1), (17, 1), (18, 1), (19, 1), (20, 0),
                                          (21, 1), (22, 1), (23, 0), (24, 0), (25, 0), (26, 0), (27, 0), (28, 0)]]


def record(name, index, board_num=0, codes=None, ranges=None, eyes=None, dmin=None, dmax=None, invert=None,
           roi=1, markers=0, radix=ID_TTL_LEDS, interrupt=0, quality=2, version=4, menu_id=None):
    codes = codes or DEFAULT_CODES
    ranges = ranges or [(4, 101)] * 16
    eyes = eyes or [0] * 16
    dmin = dmin or [0.0] * 16
    dmax = dmax or [1.0] * 16
    invert = invert or [0] * 16
    if menu_id is None:
        menu_id = ID_BOARD_NONE if index < 0 else ID_BOARD_FIRST + index
    b = struct.pack("<5i", version, 692, menu_id, index, board_num)
    b += struct.pack("<16i", *codes)
    for r in ranges:
        b += struct.pack("<2i", *r)
    b += struct.pack("<i", 1)  # spare
    b += bytes(128)  # the reserved link slots
    b += struct.pack("<16i", *eyes)
    b += struct.pack("<4i", 1, 1, roi, markers)
    b += struct.pack("<16f", *dmin)
    b += struct.pack("<16f", *dmax)
    b += struct.pack("<16i", *invert)
    b += struct.pack("<3i", radix, interrupt, quality)
    b += name.encode().ljust(64, b"\0")
    assert len(b) == 692
    return b


MIXED_CODES = [code(12, 0), code(11, 0), code(10, 0), code(27, 0), code(33, 3), code(32, 2), code(36, 0),
               code(31, 0), code(30, 0), code(29, 0), code(13, 2), code(14, 2), code(17, 2), code(35, 1),
               code(34, 2), code(99, 7)]
PARAM_SEEDS = {
    "dda08-defaults.prm": record("PCI-DDA08/12", 0),
    "dda08-mixed.prm": record("PCI-DDA08/12", 0, codes=MIXED_CODES,
                              ranges=[(i % 7, 101) for i in range(16)], eyes=[i % 2 for i in range(16)],
                              dmin=[-1.0, 0.5, 0.0, -100.0] * 4, dmax=[1.0, 0.25, 1e-6, 100.0] * 4,
                              invert=[i % 3 == 0 for i in range(16)], roi=0, markers=1, radix=ID_TTL_HEX,
                              interrupt=1, quality=4),
    "usb1208hs.prm": record("USB-1208HS", 1, board_num=1, roi=0, radix=ID_TTL_BINARY, interrupt=1),
    "dio24.prm": record("PCI-DIO24", 2, board_num=2, markers=1),
    "usb1208fs.prm": record("USB-1208FS", 3, board_num=3, dmin=[math.inf] * 16, dmax=[math.nan] * 16),
    "demo-board.prm": record("PCI-DDA08/12-Demo", 0),
    "no-board.prm": record("", -1),
    "old-version.prm": record("PCI-DDA08/12", 0, version=3),
    "short.prm": record("PCI-DDA08/12", 0)[:100],
}

# ---- host_inputs_fuzz: a board set, the binocular start, then events (see host_inputs_fuzz.cpp) ----

(FRESH, FRESH_ALT, STATUS, TTL_BIT, OTHER, ADVANCE, ATTACHED, FROZEN, BINOCULAR, GAZE, QUALITY, RELEASE,
 ROI_GRID, PATTERN, RATE, LATENCY, ALTERNATE, USER) = range(18)


def ev(kind, *args):
    return bytes([kind]) + b"".join(args)


def u8(v):
    return struct.pack("<B", v)


def u16(v):
    return struct.pack("<H", v)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def f32(v):
    return struct.pack("<f", v)


HOST_SEEDS = {
    "dda08-notifications": bytes([1, 0])
    + ev(ADVANCE, u8(100)) + ev(FRESH, u32(0)) + ev(FRESH_ALT, u32(0))
    + ev(STATUS, u8(1), u16(1)) + ev(STATUS, u8(1), u16(0)) + ev(STATUS, u8(2), u16(1))
    + ev(USER, u8(0)) + ev(TTL_BIT, u8(3), u16(1)) + ev(TTL_BIT, u8(9), u16(1)) + ev(TTL_BIT, u8(3), u16(0))
    + ev(TTL_BIT, u8(250), u16(40), u16(1)) + ev(OTHER, u16(4321), u32(77)) + ev(ADVANCE, u8(200)),
    "usb1208hs-odd-data": bytes([2, 1])
    + ev(GAZE, u8(0), f32(math.nan), f32(math.inf)) + ev(QUALITY, u8(1), u32(-1)) + ev(ADVANCE, u8(120))
    + ev(GAZE, u8(1), f32(-1e30), f32(1e-40)) + ev(ATTACHED, u8(0)) + ev(ADVANCE, u8(200))
    + ev(ATTACHED, u8(1)) + ev(RELEASE) + ev(FROZEN, u8(1)) + ev(ADVANCE, u8(100)) + ev(FROZEN, u8(0))
    + ev(ADVANCE, u8(100)),
    "dio24-rois": bytes([3, 0])
    + ev(ROI_GRID, u8(4)) + ev(PATTERN, u8(2)) + ev(RATE, u16(249)) + ev(ADVANCE, u8(255))
    + ev(USER, u8(1)) + ev(ADVANCE, u8(255)) + ev(ALTERNATE, u8(1)) + ev(ADVANCE, u8(255)),
    "no-board": bytes([0, 0])
    + ev(FRESH, u32(0)) + ev(STATUS, u8(200), u16(5), u16(9)) + ev(TTL_BIT, u8(1), u16(1))
    + ev(ADVANCE, u8(150)),
    "two-boards": bytes([7, 1])
    + ev(USER, u8(2)) + ev(ADVANCE, u8(80)) + ev(USER, u8(7)) + ev(ADVANCE, u8(80)) + ev(USER, u8(3))
    + ev(LATENCY, u16(700)) + ev(BINOCULAR, u8(0)) + ev(ADVANCE, u8(120)) + ev(USER, u8(0))
    + ev(TTL_BIT, u8(8), u16(1)) + ev(ADVANCE, u8(60)),
    # A longer session, so that the fuzzer starts from inputs of this length too.
    "long-session": bytes([7, 0])
    + b"".join(ev(ADVANCE, u8(20)) + ev(FRESH, u32(i)) + ev(STATUS, u8(i % 3), u16(i & 1))
               + ev(USER, u8(i % 8)) + ev(TTL_BIT, u8(i % 12), u16(i & 1)) + ev(GAZE, u8(i & 1), f32(i / 7.0),
                                                                               f32(-i / 3.0))
               + ev(OTHER, u16(1000 + i), u32(i * 7919)) for i in range(24)),
}

# ---- launch_words_fuzz: arguments separated by zero bytes ----

LAUNCH_SEEDS = {
    "launch-options": b"-SN:01A2B3C4\0-BN:0\0ignored",
    "platform-options": b"--boards=PCI-DDA08/12:01A2B3C4,PCI-DIO24\0--host-rate=120\0--host-pattern=sweep\0-SN:x",
    "user-actions": b"--headless=2\0--check=Options>TTL>TTL inputs send DataFile markers\0--press=4:Start\0"
                    b"--choose=File>Save Parameters",
    "inputs-and-trace": b"--board-inputs=walk:1\0--host-rois=16\0--host-binocular=on\0--trace\0--host-latency=2.5",
    "bad-values": b"--screenshot=shots:2\0-BN:99999999999\0--host-rate=0\0--help=1",
    "one-line": b"a -SN:b -BN:-5\t-SN:\"q r\"\n x-BN:+12-SN:",
}


def write_all(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


write_all("param_file_fuzz", PARAM_SEEDS)
write_all("host_inputs_fuzz", HOST_SEEDS)
write_all("launch_words_fuzz", LAUNCH_SEEDS)
