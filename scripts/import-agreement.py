#!/usr/bin/python3
"""Holds the picture import against an independent decoder.

Makes a corpus of BMP, JPEG, GIF and TIFF files in a temporary folder (written here byte by byte,
or by ImageMagick, libtiff's tools, the JPEG library's tools and PIL), converts each with
orvanel-picture (the import exactly as the application does it), decodes each with ImageMagick
(PIL where ImageMagick cannot), stretches that over 128 x 80 and maps it to the four levels as
GreyLevels.cpp does at the middle slider positions, and compares the two device pictures pixel by
pixel. Prints one line per file, a summary per format and the share of files that agree.

A lossless file agrees when all 10,240 pixels have the same level; a lossy one (JPEG, JPEG in
TIFF) when at most 1 % differ, since two JPEG decoders may round a sample differently and a
sample on a level boundary then changes level. Alpha is drawn on white on both sides.

    scripts/import-agreement.py [--program build/orvanel-picture] [--keep DIR] [--only TEXT]

Needs (scripts/packages.txt): imagemagick, libtiff-tools, libjpeg-turbo-progs, python3-pil,
python3-numpy. Runs in about a minute; it is a check to run by hand, not part of the test suite.
"""

import argparse
import io
import os
import struct
import subprocess
import sys
import tempfile
from collections import OrderedDict

import numpy as np
from PIL import Image

MAGICK = "/usr/bin/convert"  # the real one: a `convert` on PATH may be something else
WIDTH, HEIGHT = 128, 80

# --- The import's own rules, as GreyLevels.cpp has them ------------------------------------------


def lightness_of_rgb(rgb):
    """The 80 x 128 lightness values of an H x W x 3 uint8 picture stretched nearest-pixel."""
    h, w = rgb.shape[:2]
    rows = (np.arange(HEIGHT) * h) // HEIGHT
    cols = (np.arange(WIDTH) * w) // WIDTH
    small = rgb[rows][:, cols].astype(np.int32)
    r, g, b = small[..., 0], small[..., 1], small[..., 2]
    hi, lo = np.maximum(np.maximum(r, g), b), np.minimum(np.minimum(r, g), b)
    return np.where((r == g) & (g == b), r, (30 * (hi + lo) + 32) // 64)


def levels_of_rgb(rgb):
    """The 80 x 128 levels of an H x W x 3 uint8 picture: nearest-pixel stretch, then lightness."""
    lightness = lightness_of_rgb(rgb)
    # Boundaries at the middle slider positions: Black 60, Grey 60 + 45, White 60 + 100.
    return np.select([lightness < 60, lightness < 105, lightness < 160], [0, 1, 2], 3)


def levels_of_device_file(data):
    """The levels in a 2592-byte device picture file (32 bytes of header, 2 bits a pixel)."""
    pixels = np.frombuffer(data[32:32 + WIDTH * HEIGHT // 4], dtype=np.uint8)
    shifts = np.array([6, 4, 2, 0], dtype=np.uint8)
    return ((pixels[:, None] >> shifts) & 3).reshape(HEIGHT, WIDTH)


# --- Pictures to store -----------------------------------------------------------------------------


def chart(w, h):
    """An RGB test chart: hue bands over a lightness ramp, with marks that show a turned or mirrored
    picture (black top-left corner, white bottom-right bar, a dark diagonal)."""
    x = np.linspace(0, 1, w)[None, :].repeat(h, 0)
    y = np.linspace(0, 1, h)[:, None].repeat(w, 1)
    band = (y * 6).astype(int) % 6
    hues = np.array([[1, 0.2, 0.2], [0.2, 1, 0.2], [0.2, 0.2, 1], [1, 1, 0.3], [0.3, 1, 1],
                     [1, 1, 1]])
    rgb = hues[band] * x[..., None]
    rgb[: max(1, h // 5), : max(1, w // 6)] = 0
    rgb[h - max(1, h // 8):, w // 2:] = 1
    diagonal = np.abs(x - y) < 0.04
    rgb[diagonal] = 0.15
    return (rgb * 255 + 0.5).astype(np.uint8)


def grey_chart(w, h):
    """A grey ramp (0..1) left to right with a darker stripe pattern in the lower half and the same
    orientation marks."""
    x = np.linspace(0, 1, w)[None, :].repeat(h, 0)
    y = np.linspace(0, 1, h)[:, None].repeat(w, 1)
    grey = x.copy()
    grey[(y > 0.5) & ((np.arange(w)[None, :] // max(1, w // 16)) % 2 == 0)] *= 0.5
    grey[: max(1, h // 5), : max(1, w // 6)] = 0
    grey[h - max(1, h // 8):, w // 2:] = 1
    return grey


def quantise(grey, bits):
    return np.rint(grey * ((1 << bits) - 1)).astype(np.int64)


def alpha_chart(w, h):
    """Opacity falling left to right in the upper half, whole in the lower half, none in a hole."""
    x = np.linspace(0, 1, w)[None, :].repeat(h, 0)
    y = np.linspace(0, 1, h)[:, None].repeat(w, 1)
    alpha = np.where(y < 0.5, 1 - 0.8 * x, 1.0)
    alpha[(np.abs(x - 0.3) < 0.1) & (np.abs(y - 0.75) < 0.1)] = 0
    return alpha


# --- A TIFF writer of our own: every layout, every depth, no compression --------------------------
# Compressions are added afterwards with tiffcp, which keeps the rest of the layout.

SHORT, LONG, RATIONAL, DOUBLE = 3, 4, 5, 12


def pack_row(values, bits, big_endian, sample_format):
    """One row of samples as stored: whole bytes in the file's byte order, other depths as a bit
    stream from the most significant bit, the row padded to a byte."""
    values = np.asarray(values).ravel()
    if sample_format == 3:
        kind = {16: "f2", 32: "f4", 64: "f8"}[bits]
        return values.astype((">" if big_endian else "<") + kind).tobytes()
    if bits in (8, 16, 32):
        kind = ("i" if sample_format == 2 else "u") + str(bits // 8)
        return values.astype((">" if big_endian else "<") + kind).tobytes()
    unsigned = values.astype(np.int64) & ((1 << bits) - 1)
    bit_array = ((unsigned[:, None] >> np.arange(bits - 1, -1, -1)) & 1).astype(np.uint8)
    return np.packbits(bit_array.ravel()).tobytes()


class Made(bytes):
    """A file's bytes with the picture they were made to hold (H x W x 3 uint8), where that is
    plain enough to say without a decoder: the arbiter when the reference decoder disagrees."""
    as_made = None


def picture_as_made(samples, bits, photometric, sample_format, extra, colormap, orientation):
    """The picture that `samples` stand for, worked out in floating point from what the samples
    mean; None for what has no single meaning (YCbCr, an unspecified extra sample) or is turned."""
    colours = {0: 1, 1: 1, 2: 3, 3: 1, 5: 4}.get(photometric)
    if colours is None or orientation != 1 or (extra and extra[0] not in (1, 2)):
        return None
    raw = samples.astype(np.float64)
    if sample_format == 3:
        value = np.clip(raw, 0, 1)
    else:
        top = (1 << bits) - 1
        value = (raw + (1 << (bits - 1)) if sample_format == 2 else raw) / top
    if photometric == 3:
        rgb = np.asarray(colormap, dtype=np.float64)[samples[..., 0].astype(np.int64)] / 65535
    elif photometric in (0, 1):
        grey = value[..., 0] if photometric == 1 else 1 - value[..., 0]
        rgb = np.dstack([grey] * 3)
    elif photometric == 2:
        rgb = value[..., :3]
    else:
        rgb = (1 - value[..., :3]) * (1 - value[..., 3:4])
    if extra:
        alpha = value[..., colours:colours + 1]
        rgb = rgb * alpha + (1 - alpha) if extra[0] == 2 else np.minimum(rgb + (1 - alpha), 1)
    return np.rint(rgb * 255).astype(np.uint8)


def tiff(samples, bits, photometric, *, sample_format=1, extra=(), planar=1, tile=0,
         rows_per_strip=7, orientation=1, colormap=None, inkset=None, big_endian=False,
         subsampling=None):
    """A TIFF of `samples` (H x W x S) as given, without compression."""
    samples = np.asarray(samples)
    if samples.ndim == 2:
        samples = samples[..., None]
    made = picture_as_made(samples, bits, photometric, sample_format, extra, colormap,
                           orientation)
    h, w, spp = samples.shape
    planes = spp if planar == 2 else 1
    per_pixel = spp // planes
    chunks = []
    if tile:
        for p in range(planes):
            for ty in range(0, h, tile):
                for tx in range(0, w, tile):
                    block = np.zeros((tile, tile, per_pixel), dtype=samples.dtype)
                    part = samples[ty:ty + tile, tx:tx + tile, p:p + per_pixel]
                    block[: part.shape[0], : part.shape[1]] = part
                    chunks.append(b"".join(pack_row(block[r], bits, big_endian, sample_format)
                                           for r in range(tile)))
    else:
        for p in range(planes):
            for y in range(0, h, rows_per_strip):
                chunks.append(b"".join(
                    pack_row(samples[r, :, p:p + per_pixel], bits, big_endian, sample_format)
                    for r in range(y, min(h, y + rows_per_strip))))
    entries = {256: (LONG, [w]), 257: (LONG, [h]), 258: (SHORT, [bits] * spp), 259: (SHORT, [1]),
               262: (SHORT, [photometric]), 274: (SHORT, [orientation]), 277: (SHORT, [spp]),
               282: (RATIONAL, [(72, 1)]), 283: (RATIONAL, [(72, 1)]), 284: (SHORT, [planar]),
               296: (SHORT, [2]), 339: (SHORT, [sample_format] * spp)}
    if tile:
        entries.update({322: (LONG, [tile]), 323: (LONG, [tile])})
    else:
        entries[278] = (LONG, [rows_per_strip])
    if colormap is not None:
        entries[320] = (SHORT, list(np.asarray(colormap, dtype=np.int64).T.ravel()))
    if inkset:
        entries[332] = (SHORT, [inkset])
    if extra:
        entries[338] = (SHORT, list(extra))
    if subsampling:
        entries[530] = (SHORT, list(subsampling))
    if sample_format == 3:
        # Readers that scale floating point by the stored range find it here.
        entries[340] = (DOUBLE, [0.0] * spp)
        entries[341] = (DOUBLE, [1.0] * spp)
    order = ">" if big_endian else "<"
    out = bytearray(b"MM\0*" if big_endian else b"II*\0") + bytearray(4)
    offsets = []
    for chunk in chunks:
        offsets.append(len(out))
        out += chunk
        if len(out) % 2:
            out += b"\0"
    entries[324 if tile else 273] = (LONG, offsets)
    entries[325 if tile else 279] = (LONG, [len(c) for c in chunks])
    sizes = {SHORT: 2, LONG: 4, RATIONAL: 8, DOUBLE: 8}
    ifd_at = len(out)
    values_at = ifd_at + 2 + 12 * len(entries) + 4
    ifd, values = bytearray(struct.pack(order + "H", len(entries))), bytearray()
    for tag in sorted(entries):
        kind, items = entries[tag]
        if kind == RATIONAL:
            raw = b"".join(struct.pack(order + "II", *item) for item in items)
        else:
            raw = b"".join(struct.pack(order + {SHORT: "H", LONG: "I", DOUBLE: "d"}[kind], int(i)
                                       if kind != DOUBLE else i) for i in items)
        if len(raw) <= 4:
            field = raw.ljust(4, b"\0")
        else:
            field = struct.pack(order + "I", values_at + len(values))
            values += raw + (b"\0" if len(raw) % 2 else b"")
        ifd += struct.pack(order + "HHI", tag, kind, len(items)) + field
    ifd += b"\0\0\0\0"
    out[4:8] = struct.pack(order + "I", ifd_at)
    result = Made(out + ifd + values)
    result.as_made = made
    return result


# --- A BMP writer of our own ---------------------------------------------------------------------


def bmp(indices_or_rgb, bits, *, palette=None, top_down=False, header=40, rle=False,
        masks=None, alpha=None):
    """A BMP: `indices_or_rgb` is H x W indices for bits <= 8, else H x W x 3 RGB. `header` 12 is
    the old OS/2 one, 40 the common one, 108 and 124 the later ones (with masks and alpha)."""
    data = np.asarray(indices_or_rgb)
    h, w = data.shape[:2]
    rows, made = [], []
    for y in range(h):
        row = data[y]
        if bits <= 8:
            if rle:
                rows.append(rle_row(row, bits))
                continue
            raw = pack_row(row, bits, True, 1)
        elif bits == 24:
            raw = row[:, ::-1].astype(np.uint8).tobytes()
        else:
            r, g, b = (row[:, c].astype(np.int64) for c in range(3))
            a = alpha[y].astype(np.int64) if alpha is not None else np.full(w, 255)
            rm, gm, bm, am = masks or ((0x7C00, 0x3E0, 0x1F, 0) if bits == 16 else
                                       (0xFF0000, 0xFF00, 0xFF, 0))
            value = np.zeros(w, dtype=np.int64)
            share = []  # what each stored channel stands for, 0..1
            for channel, mask in ((r, rm), (g, gm), (b, bm), (a, am)):
                if mask:
                    shift = (mask & -mask).bit_length() - 1
                    top = mask >> shift
                    stored = (channel * top + 127) // 255
                    value |= stored << shift
                    share.append(stored / top)
                else:
                    share.append(np.ones(w))
            opacity = share[3]
            made.append(np.stack([c * opacity + 1 - opacity for c in share[:3]], axis=1))
            raw = value.astype("<u2" if bits == 16 else "<u4").tobytes()
        rows.append(raw + b"\0" * (-len(raw) % 4))
    if rle:
        pixels = b"".join(rows if top_down else rows[::-1])[:-2] + b"\0\1"
    else:
        pixels = b"".join(rows if top_down else rows[::-1])
    colours = b""
    if palette is not None:
        entry = 3 if header == 12 else 4
        colours = b"".join(bytes([c[2], c[1], c[0]]) + b"\0" * (entry - 3) for c in palette)
    compression = ({8: 1, 4: 2}[bits] if rle else 3 if masks and header == 40 else 0)
    if header == 12:
        info = struct.pack("<IHHHH", 12, w, h, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header, w, -h if top_down else h, 1, bits,
                           compression if header == 40 else (3 if masks else compression),
                           len(pixels), 2835, 2835, len(palette) if palette is not None else 0, 0)
        if header > 40:
            rm, gm, bm, am = masks or (0, 0, 0, 0)
            info += struct.pack("<IIII", rm, gm, bm, am) + b"sRGB" + b"\0" * (header - 60)
    trailing_masks = b""
    if masks and header == 40:
        trailing_masks = struct.pack("<III", *masks[:3])
    offset = 14 + len(info) + len(trailing_masks) + len(colours)
    result = Made(b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info +
                  trailing_masks + colours + pixels)
    if made:
        result.as_made = np.rint(np.stack(made) * 255).astype(np.uint8)
    return result


def rle_row(row, bits):
    """One row in RLE8 or RLE4: runs of equal pixels, literal stretches between them, end of line."""
    out, x, w = bytearray(), 0, len(row)
    while x < w:
        run = 1
        while x + run < w and run < 255 and row[x + run] == row[x]:
            run += 1
        if run >= 3 or w - x < 3:
            value = int(row[x]) if bits == 8 else (int(row[x]) << 4) | int(row[x])
            out += bytes([run, value])
            x += run
            continue
        end = x + 1
        while end < w and end - x < 254 and not (end + 2 < w and row[end] == row[end + 1] ==
                                                 row[end + 2]):
            end += 1
        literal = [int(v) for v in row[x:end]]
        if len(literal) < 3:
            for v in literal:
                out += bytes([1, v if bits == 8 else (v << 4) | v])
        else:
            packed = bytes(literal) if bits == 8 else bytes(
                (literal[i] << 4) | (literal[i + 1] if i + 1 < len(literal) else 0)
                for i in range(0, len(literal), 2))
            out += bytes([0, len(literal)]) + packed + b"\0" * (len(packed) % 2)
        x = end
    return bytes(out + b"\0\0")


# --- A GIF writer of our own -----------------------------------------------------------------------


def gif_lzw(indices, bits):
    """Indices as GIF LZW data that never builds a dictionary: a clear code before the table would
    grow a code wider, so every code stays root + 1 bits. Valid for every decoder, and simple."""
    root = max(2, bits)
    clear, end = 1 << root, (1 << root) + 1
    width = root + 1
    limit = (1 << width) - (1 << root) - 2
    codes, since = [clear], 0
    for value in indices:
        if since == limit:
            codes.append(clear)
            since = 0
        codes.append(int(value))
        since += 1
    codes.append(end)
    stream, acc, n = bytearray(), 0, 0
    for code in codes:
        acc |= code << n
        n += width
        while n >= 8:
            stream.append(acc & 0xFF)
            acc >>= 8
            n -= 8
    if n:
        stream.append(acc)
    blocks = b"".join(bytes([len(stream[i:i + 255])]) + stream[i:i + 255]
                      for i in range(0, len(stream), 255))
    return bytes([root]) + blocks + b"\0"


def gif(screen, frames, global_palette=None, background=0):
    """A GIF: `frames` are dicts of Indices (H x W), Left, Top, Palette (local, optional),
    Interlace, Transparent (index or None)."""
    sw, sh = screen

    def table(palette):
        bits = max(1, int(np.ceil(np.log2(max(2, len(palette))))))
        padded = list(palette) + [(0, 0, 0)] * ((1 << bits) - len(palette))
        return bits, b"".join(bytes(c) for c in padded)

    out = bytearray(b"GIF89a" + struct.pack("<HH", sw, sh))
    if global_palette is not None:
        bits, colours = table(global_palette)
        out += bytes([0x80 | ((bits - 1) << 4) | (bits - 1), background, 0]) + colours
    else:
        out += bytes([0, background, 0])
    if len(frames) > 1:
        out += b"!\xff\x0bNETSCAPE2.0\x03\x01\0\0\0"
    for frame in frames:
        transparent = frame.get("Transparent")
        out += b"!\xf9\x04" + bytes([1 if transparent is not None else 0]) + struct.pack(
            "<H", 10) + bytes([transparent or 0, 0])
        indices = np.asarray(frame["Indices"])
        h, w = indices.shape
        flags, colours = 0, b""
        palette = frame.get("Palette")
        if frame.get("Interlace"):
            flags |= 0x40
            order = (list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) +
                     list(range(1, h, 2)))
            indices = indices[order]
        if palette is not None:
            bits, colours = table(palette)
            flags |= 0x80 | (bits - 1)
        else:
            bits, _ = table(global_palette)
        out += b"," + struct.pack("<HHHH", frame.get("Left", 0), frame.get("Top", 0), w, h)
        out += bytes([flags]) + colours + gif_lzw(indices.ravel(), bits)
    return bytes(out + b";")


# --- The corpus ------------------------------------------------------------------------------------


class Corpus:
    def __init__(self, folder):
        self.folder = folder
        self.files = []  # (name, group, path, lossy, note)
        self.made = {}  # path: the picture as made, where known

    def add(self, name, group, data, lossy=False, note=""):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as f:
            f.write(data)
        self.files.append((name, group, path, lossy, note))
        if getattr(data, "as_made", None) is not None:
            self.made[path] = data.as_made
        return path

    def derive(self, name, group, command, lossy=False, note=""):
        """A file made by a tool; `command` has {out} for the new file. Skipped when the tool
        refuses (the line says so)."""
        path = os.path.join(self.folder, name)
        result = subprocess.run([part.format(out=path) for part in command], capture_output=True)
        if result.returncode != 0 or not os.path.exists(path):
            print(f"  (not made: {name}: {result.stderr.decode(errors='replace').strip()[:100]})")
            return None
        self.files.append((name, group, path, lossy, note))
        # tiffcp changes how a file is stored, never the picture in it.
        if command[0] == "tiffcp":
            for part in command:
                if part in self.made:
                    self.made[path] = self.made[part]
        return path

    def png(self, name, rgb_or_grey, alpha=None):
        """A PNG source for the tools (not part of the corpus)."""
        path = os.path.join(self.folder, "source-" + name + ".png")
        array = np.asarray(rgb_or_grey)
        if alpha is not None:
            mode = "LA" if array.ndim == 2 else "RGBA"
            array = np.dstack([array, (alpha * 255 + 0.5).astype(np.uint8)])
            Image.fromarray(array.astype(np.uint8), mode).save(path)
        else:
            Image.fromarray(array.astype(np.uint8)).save(path)
        return path


SIZES = [(128, 80), (97, 61), (200, 123), (64, 40), (333, 211), (41, 150)]


def make_tiffs(c):
    size = iter(SIZES * 40)
    # Grey at every depth, both photometrics, as stored and recompressed.
    for bits in (1, 2, 4, 8, 16):
        for photometric, kind in ((1, "min-is-black"), (0, "min-is-white")):
            w, h = next(size)
            values = quantise(grey_chart(w, h), bits)
            stored = values if photometric == 1 else ((1 << bits) - 1) - values
            for big in (False, True) if bits == 16 else (False,):
                name = f"grey{bits}-{kind}{'-be' if big else ''}"
                path = c.add(name + ".tif", "tiff grey", tiff(stored, bits, photometric,
                                                              big_endian=big))
            for compression in ("lzw", "zip", "packbits") + (("g4", "g3") if bits == 1 else ()):
                c.derive(f"{name}-{compression}.tif", "tiff grey",
                         ["tiffcp", "-c", compression, path, "{out}"])
            if bits in (8, 16):
                c.derive(f"{name}-lzw-predictor.tif", "tiff grey",
                         ["tiffcp", "-c", "lzw:2", path, "{out}"])
    # Depths that are not whole bytes, and the wide ones.
    for bits in (3, 5, 6, 7, 10, 12, 14, 24, 32):
        for photometric, kind in ((1, "min-is-black"), (0, "min-is-white")):
            w, h = next(size)
            values = quantise(grey_chart(w, h), bits)
            stored = values if photometric == 1 else ((1 << bits) - 1) - values
            path = c.add(f"grey{bits}-{kind}.tif", "tiff odd depth",
                         tiff(stored, bits, photometric, big_endian=bits == 24))
            if bits in (12, 10):
                c.derive(f"grey{bits}-{kind}-lzw.tif", "tiff odd depth",
                         ["tiffcp", "-c", "lzw", path, "{out}"])
    for bits in (10, 12, 16):
        w, h = next(size)
        rgb = np.rint(chart(w, h).astype(float) / 255 * ((1 << bits) - 1)).astype(np.int64)
        c.add(f"rgb{bits}.tif", "tiff odd depth", tiff(rgb, bits, 2))
        c.add(f"rgb{bits}-planes.tif", "tiff odd depth", tiff(rgb, bits, 2, planar=2))
        c.add(f"rgb{bits}-tiles.tif", "tiff odd depth", tiff(rgb, bits, 2, tile=32))
    # Signed samples: the stored range from most negative to most positive.
    for bits in (8, 16, 32):
        for big in (False, True):
            w, h = next(size)
            values = quantise(grey_chart(w, h), bits) - (1 << (bits - 1))
            name = f"grey{bits}-signed{'-be' if big else ''}"
            path = c.add(name + ".tif", "tiff signed/float",
                         tiff(values, bits, 1, sample_format=2, big_endian=big))
            if bits == 16 and not big:
                c.derive(name + "-lzw.tif", "tiff signed/float",
                         ["tiffcp", "-c", "lzw:2", path, "{out}"])
        rgb = np.rint(chart(w, h).astype(float) / 255 * ((1 << bits) - 1)).astype(
            np.int64) - (1 << (bits - 1))
        c.add(f"rgb{bits}-signed.tif", "tiff signed/float", tiff(rgb, bits, 2, sample_format=2))
    for bits in (16, 32, 64):
        w, h = next(size)
        c.add(f"grey-float{bits}.tif", "tiff signed/float",
              tiff(grey_chart(w, h), bits, 1, sample_format=3))
        c.add(f"rgb-float{bits}.tif", "tiff signed/float",
              tiff(chart(w, h) / 255.0, bits, 2, sample_format=3, big_endian=bits == 32))
    path = c.add("grey-float32-zip.src.tif", "tiff signed/float",
                 tiff(grey_chart(97, 61), 32, 1, sample_format=3))
    c.derive("grey-float32-zip-predictor.tif", "tiff signed/float",
             ["tiffcp", "-c", "zip:3", path, "{out}"])

    # RGB in every layout and compression.
    for layout, options in (("strips", {}), ("planes", {"planar": 2}), ("tiles", {"tile": 32}),
                            ("planes-tiles", {"planar": 2, "tile": 16}),
                            ("one-strip", {"rows_per_strip": 4000})):
        for bits in (8, 16):
            w, h = next(size)
            data = chart(w, h).astype(np.int64) * (257 if bits == 16 else 1)
            name = f"rgb{bits}-{layout}"
            path = c.add(name + ".tif", "tiff rgb", tiff(data, bits, 2, **options))
            for compression in ("lzw", "zip:2", "packbits"):
                c.derive(f"{name}-{compression.replace(':', '-')}.tif", "tiff rgb",
                         ["tiffcp", "-c", compression, path, "{out}"])
            if bits == 8 and layout in ("strips", "tiles"):
                # JPEG wants strips of whole blocks: 16 rows.
                c.derive(f"{name}-jpeg-ycbcr.tif", "tiff rgb",
                         ["tiffcp", "-c", "jpeg:90", "-r", "16", path, "{out}"], lossy=True)
                c.derive(f"{name}-jpeg-rgb.tif", "tiff rgb",
                         ["tiffcp", "-c", "jpeg:r:90", "-r", "16", path, "{out}"], lossy=True)
    # YCbCr as stored, without subsampling (what subsampled files need is libtiff's own).
    w, h = 97, 61
    rgb = chart(w, h).astype(float)
    y = 0.299 * rgb[..., 0] + 0.587 * rgb[..., 1] + 0.114 * rgb[..., 2]
    ycbcr = np.dstack([y, (rgb[..., 2] - y) / 1.772 + 128, (rgb[..., 0] - y) / 1.402 + 128])
    c.add("ycbcr-1x1.tif", "tiff rgb",
          tiff(np.clip(np.rint(ycbcr), 0, 255).astype(np.int64), 8, 6, subsampling=(1, 1)),
          lossy=True, note="YCbCr to RGB rounds on both sides")

    # Palette at every depth.
    for bits in (1, 2, 4, 8):
        w, h = next(size)
        count = 1 << bits
        palette = [(int(255 * i / (count - 1)) * 257, int(255 * (i * 7 % count) / (count - 1)) *
                    257, int(255 * (count - 1 - i) / (count - 1)) * 257) for i in range(count)]
        indices = quantise(grey_chart(w, h), bits)
        path = c.add(f"palette{bits}.tif", "tiff palette",
                     tiff(indices, bits, 3, colormap=palette))
        c.derive(f"palette{bits}-lzw.tif", "tiff palette", ["tiffcp", "-c", "lzw", path, "{out}"])
        if bits == 8:
            c.add(f"palette{bits}-tiles.tif", "tiff palette",
                  tiff(indices, bits, 3, colormap=palette, tile=16))

    # CMYK: ink from the chart's colours, K taking the common part.
    for bits in (8, 16):
        for layout, options in (("strips", {}), ("planes", {"planar": 2}), ("tiles", {"tile": 16})):
            w, h = next(size)
            rgb = chart(w, h).astype(float) / 255
            k = 1 - rgb.max(axis=2)
            cmy = np.where(k[..., None] < 1, (1 - rgb - k[..., None]) / np.maximum(
                1e-9, 1 - k[..., None]), 0)
            ink = np.rint(np.dstack([cmy, k]) * ((1 << bits) - 1)).astype(np.int64)
            name = f"cmyk{bits}-{layout}"
            path = c.add(name + ".tif", "tiff cmyk", tiff(ink, bits, 5, inkset=1))
            for compression in ("lzw", "zip", "packbits"):
                c.derive(f"{name}-{compression}.tif", "tiff cmyk",
                         ["tiffcp", "-c", compression, path, "{out}"])
            if bits == 8 and layout != "planes":
                c.derive(f"{name}-jpeg.tif", "tiff cmyk",
                         ["tiffcp", "-c", "jpeg:90", "-r", "16", path, "{out}"], lossy=True)
            if bits == 8 and layout == "strips":
                c.add(f"{name}-no-inkset.tif", "tiff cmyk", tiff(ink, bits, 5))
                alpha = np.rint(alpha_chart(w, h) * 255).astype(np.int64)
                c.add(f"{name}-alpha.tif", "tiff cmyk",
                      tiff(np.dstack([ink, alpha]), bits, 5, inkset=1, extra=(2,)))

    # Grey and RGB with alpha: unassociated, associated (colour already multiplied), unspecified.
    for bits in (8, 16):
        for channels, photometric, picture in ((1, 1, grey_chart), (3, 2, chart)):
            for layout, options in (("strips", {}), ("planes", {"planar": 2})):
                w, h = next(size)
                top = (1 << bits) - 1
                colour = picture(w, h).astype(float)
                colour = colour if channels == 1 else colour / 255
                colour = colour.reshape(h, w, channels)
                alpha = alpha_chart(w, h)[..., None]
                kind = "grey" if channels == 1 else "rgb"
                for extra, label in ((2, "unassociated"), (1, "associated"), (0, "unspecified")):
                    stored = colour * alpha if extra == 1 else colour
                    alpha_stored = alpha
                    data = np.rint(np.dstack([stored, alpha_stored]) * top).astype(np.int64)
                    name = f"{kind}{bits}-alpha-{label}-{layout}"
                    path = c.add(name + ".tif", f"tiff alpha",
                                 tiff(data, bits, photometric, extra=(extra,), **options))
                    if bits == 8 and layout == "strips" and extra != 0:
                        c.derive(f"{name}-lzw.tif", "tiff alpha",
                                 ["tiffcp", "-c", "lzw:2", path, "{out}"])

    # Every orientation, for RGB strips, 4-bit grey tiles and 16-bit grey.
    for orientation in range(1, 9):
        w, h = 97, 61
        c.add(f"rgb8-orientation{orientation}.tif", "tiff orientation",
              tiff(chart(w, h), 8, 2, orientation=orientation))
        c.add(f"grey4-tiles-orientation{orientation}.tif", "tiff orientation",
              tiff(quantise(grey_chart(w, h), 4), 4, 1, orientation=orientation, tile=16))
        c.add(f"grey16-min-is-white-orientation{orientation}.tif", "tiff orientation",
              tiff(65535 - quantise(grey_chart(w, h), 16), 16, 0, orientation=orientation))

    # Two pages: the first is the picture.
    first = c.add("two-pages-a.src.tif", "tiff rgb", tiff(chart(97, 61), 8, 2))
    second = os.path.join(c.folder, "source-second.tif")
    with open(second, "wb") as f:
        f.write(tiff(np.zeros((20, 20), dtype=np.int64), 8, 1))
    c.derive("two-pages.tif", "tiff rgb", ["tiffcp", first, second, "{out}"])

    # What other programs write.
    rgb_png = c.png("chart", chart(200, 123))
    grey_png = c.png("grey", (grey_chart(200, 123) * 255 + 0.5).astype(np.uint8))
    alpha_png = c.png("chart-alpha", chart(200, 123), alpha_chart(200, 123))
    grey_alpha_png = c.png("grey-alpha", (grey_chart(200, 123) * 255 + 0.5).astype(np.uint8),
                           alpha_chart(200, 123))
    magick = [
        ("rgb-none", [rgb_png, "-compress", "none"], False),
        ("rgb-lzw", [rgb_png, "-compress", "lzw"], False),
        ("rgb-zip", [rgb_png, "-compress", "zip"], False),
        ("rgb-rle", [rgb_png, "-compress", "rle"], False),
        ("rgb-jpeg", [rgb_png, "-compress", "jpeg", "-quality", "92"], True),
        ("rgb-16", [rgb_png, "-depth", "16"], False),
        ("rgb-planes", [rgb_png, "-interlace", "plane"], False),
        ("rgb-float", [rgb_png, "-define", "quantum:format=floating-point", "-depth", "32"],
         False),
        ("rgb-msb", [rgb_png, "-endian", "MSB"], False),
        ("cmyk", [rgb_png, "-colorspace", "cmyk"], False),
        ("cmyk-lzw", [rgb_png, "-colorspace", "cmyk", "-compress", "lzw"], False),
        ("cmyk-zip", [rgb_png, "-colorspace", "cmyk", "-compress", "zip"], False),
        ("cmyk-jpeg", [rgb_png, "-colorspace", "cmyk", "-compress", "jpeg", "-quality", "92"],
         True),
        ("cmyk-16", [rgb_png, "-colorspace", "cmyk", "-depth", "16"], False),
        ("cmyk-planes", [rgb_png, "-colorspace", "cmyk", "-interlace", "plane"], False),
        ("grey", [grey_png, "-type", "grayscale"], False),
        ("grey-4", [grey_png, "-type", "grayscale", "-depth", "4"], False),
        ("grey-2", [grey_png, "-type", "grayscale", "-depth", "2"], False),
        ("grey-16", [grey_png, "-type", "grayscale", "-depth", "16"], False),
        ("grey-min-is-white", [grey_png, "-type", "grayscale", "-define",
                               "tiff:photometric=min-is-white"], False),
        ("grey-4-min-is-white", [grey_png, "-type", "grayscale", "-depth", "4", "-define",
                                 "tiff:photometric=min-is-white"], False),
        ("bilevel", [grey_png, "-threshold", "50%", "-type", "bilevel"], False),
        ("bilevel-g4", [grey_png, "-threshold", "50%", "-type", "bilevel", "-compress", "group4"],
         False),
        ("palette", [rgb_png, "-colors", "64", "-type", "palette"], False),
        ("rgba", [alpha_png], False),
        ("rgba-associated", [alpha_png, "-define", "tiff:alpha=associated"], False),
        ("grey-alpha", [grey_alpha_png, "-type", "grayscalealpha"], False),
        ("grey-alpha-associated", [grey_alpha_png, "-type", "grayscalealpha", "-define",
                                   "tiff:alpha=associated"], False),
        ("tiles", [rgb_png, "-define", "tiff:tile-geometry=32x32"], False),
        ("orientation-right-top", [rgb_png, "-orient", "right-top"], False),
        ("orientation-bottom-right", [rgb_png, "-orient", "bottom-right"], False),
    ]
    for name, arguments, lossy in magick:
        c.derive(f"magick-{name}.tif", "tiff by others", [MAGICK] + arguments + ["TIFF:{out}"],
                 lossy=lossy)
    chart_image = Image.fromarray(chart(200, 123))
    grey_image = Image.fromarray((grey_chart(200, 123) * 255 + 0.5).astype(np.uint8))
    pil = [("rgb", chart_image, {}), ("rgb-lzw", chart_image, {"compression": "tiff_lzw"}),
           ("rgb-jpeg", chart_image, {"compression": "jpeg", "quality": 92}),
           ("grey", grey_image, {}), ("bilevel", grey_image.convert("1"), {}),
           ("palette", chart_image.quantize(32), {}),
           ("cmyk", chart_image.convert("CMYK"), {}),
           ("grey16", Image.fromarray((grey_chart(200, 123) * 65535).astype(np.uint16)), {}),
           ("float", Image.fromarray((grey_chart(200, 123) * 255).astype(np.float32)), {})]
    for name, image, options in pil:
        out = io.BytesIO()
        image.save(out, "TIFF", **options)
        c.add(f"pil-{name}.tif", "tiff by others", out.getvalue(), lossy="jpeg" in name,
              note="floating point stored as 0..255" if name == "float" else "")
    ppm = os.path.join(c.folder, "source-chart.ppm")
    Image.fromarray(chart(97, 61)).save(ppm)
    c.derive("ppm2tiff.tif", "tiff by others", ["ppm2tiff", ppm, "{out}"])
    c.derive("ppm2tiff-lzw.tif", "tiff by others", ["ppm2tiff", "-c", "lzw", ppm, "{out}"])
    source = c.add("tiff2bw.src.tif", "tiff by others", tiff(chart(97, 61), 8, 2))
    c.derive("tiff2bw.tif", "tiff by others", ["tiff2bw", source, "{out}"])


def make_bmps(c):
    size = iter(SIZES * 20)
    for bits in (1, 4, 8):
        for variant in ("bottom-up", "top-down", "os2", "rle", "rle-top-down"):
            if variant.startswith("rle") and bits == 1:
                continue
            if variant == "rle-top-down":
                continue  # run-length files are bottom-up only
            w, h = next(size)
            count = 1 << bits
            palette = [(int(255 * i / (count - 1)), int(255 * ((i * 5) % count) / (count - 1)),
                        int(255 * (count - 1 - i) / (count - 1))) for i in range(count)]
            indices = quantise(grey_chart(w, h), bits)
            c.add(f"bmp{bits}-{variant}.bmp", "bmp",
                  bmp(indices, bits, palette=palette, top_down=variant == "top-down",
                      header=12 if variant == "os2" else 40, rle=variant.startswith("rle")))
        w, h = next(size)
        c.add(f"bmp{bits}-grey-palette.bmp", "bmp",
              bmp(quantise(grey_chart(w, h), bits), bits,
                  palette=[(int(255 * i / ((1 << bits) - 1)),) * 3 for i in range(1 << bits)]))
    for bits, masks, label in ((16, None, "555"), (16, (0xF800, 0x7E0, 0x1F, 0), "565"),
                               (16, (0x7C00, 0x3E0, 0x1F, 0), "555-fields"),
                               (24, None, "rgb"), (32, None, "rgb"),
                               (32, (0xFF0000, 0xFF00, 0xFF, 0), "fields"),
                               (32, (0xFF, 0xFF00, 0xFF0000, 0), "fields-bgr"),
                               (32, (0x3FF00000, 0xFFC00, 0x3FF, 0), "fields-10bit")):
        for top_down in (False, True):
            w, h = next(size)
            name = f"bmp{bits}-{label}{'-top-down' if top_down else ''}"
            c.add(name + ".bmp", "bmp", bmp(chart(w, h), bits, masks=masks, top_down=top_down))
    c.add("bmp24-os2.bmp", "bmp", bmp(chart(97, 61), 24, header=12))
    c.add("bmp32-v4.bmp", "bmp", bmp(chart(97, 61), 32, header=108,
                                     masks=(0xFF0000, 0xFF00, 0xFF, 0)))
    c.add("bmp32-v5-alpha.bmp", "bmp",
          bmp(chart(97, 61), 32, header=124, masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000),
              alpha=np.rint(alpha_chart(97, 61) * 255)))
    c.add("bmp16-v5-4444.bmp", "bmp", bmp(chart(97, 61), 16, header=124,
                                          masks=(0xF00, 0xF0, 0xF, 0xF000),
                                          alpha=np.rint(alpha_chart(97, 61) * 255)))
    c.add("bmp24-odd-width.bmp", "bmp", bmp(chart(33, 17), 24))
    c.add("bmp8-palette-short.bmp", "bmp",
          bmp(quantise(grey_chart(97, 61), 4), 8, palette=[(i * 17, i * 17, 255 - i * 17)
                                                           for i in range(16)]))
    rgb_png = c.png("bmp-chart", chart(200, 123))
    alpha_png = c.png("bmp-alpha", chart(200, 123), alpha_chart(200, 123))
    magick = [("bmp3", [rgb_png], "BMP3"), ("bmp2", [rgb_png], "BMP2"),
              ("bmp", [rgb_png], "BMP"), ("palette8", [rgb_png, "-colors", "200", "-type",
                                                       "palette"], "BMP3"),
              ("palette4", [rgb_png, "-colors", "16", "-type", "palette"], "BMP3"),
              ("bilevel", [rgb_png, "-threshold", "40%", "-type", "bilevel"], "BMP3"),
              ("rle8", [rgb_png, "-colors", "200", "-type", "palette", "-compress", "rle"],
               "BMP3"),
              ("rgb565", [rgb_png, "-define", "bmp:subtype=RGB565"], "BMP"),
              ("argb", [alpha_png], "BMP"),
              ("grey", [rgb_png, "-colorspace", "gray"], "BMP3")]
    for name, arguments, kind in magick:
        c.derive(f"magick-{name}.bmp", "bmp by others", [MAGICK] + arguments + [kind + ":{out}"])
    for name, image in (("rgb", Image.fromarray(chart(97, 61))),
                        ("grey", Image.fromarray((grey_chart(97, 61) * 255).astype(np.uint8))),
                        ("bilevel", Image.fromarray(chart(97, 61)).convert("1")),
                        ("palette", Image.fromarray(chart(97, 61)).quantize(50))):
        out = io.BytesIO()
        image.save(out, "BMP")
        c.add(f"pil-{name}.bmp", "bmp by others", out.getvalue())


def make_jpegs(c):
    ppm = os.path.join(c.folder, "source-jpeg.ppm")
    pgm = os.path.join(c.folder, "source-jpeg.pgm")
    Image.fromarray(chart(200, 123)).save(ppm)
    Image.fromarray((grey_chart(200, 123) * 255 + 0.5).astype(np.uint8)).save(pgm)
    odd = os.path.join(c.folder, "source-odd.ppm")
    Image.fromarray(chart(37, 23)).save(odd)
    for name, arguments, source in (
            ("baseline", [], ppm), ("q50", ["-quality", "50"], ppm),
            ("q98", ["-quality", "98"], ppm), ("grey", [], pgm),
            ("grey-progressive", ["-progressive"], pgm), ("progressive", ["-progressive"], ppm),
            ("restart", ["-restart", "1"], ppm), ("restart-blocks", ["-restart", "5B"], ppm),
            ("arithmetic", ["-arithmetic"], ppm), ("optimize", ["-optimize"], ppm),
            ("444", ["-sample", "1x1"], ppm), ("422", ["-sample", "2x1"], ppm),
            ("440", ["-sample", "1x2"], ppm), ("411", ["-sample", "4x1"], ppm),
            ("rgb", ["-rgb"], ppm), ("odd-size", [], odd), ("odd-size-444", ["-sample", "1x1"], odd),
            ("odd-size-progressive", ["-progressive"], odd), ("float-dct", ["-dct", "float"], ppm),
            ("smooth", ["-smooth", "30"], ppm)):
        c.derive(f"cjpeg-{name}.jpg", "jpeg", ["cjpeg"] + arguments + ["-outfile", "{out}", source],
                 lossy=True)
    rgb_png = c.png("jpeg-chart", chart(200, 123))
    for name, arguments in (("rgb", []), ("cmyk", ["-colorspace", "cmyk"]),
                            ("cmyk-progressive", ["-colorspace", "cmyk", "-interlace", "jpeg"]),
                            ("grey", ["-colorspace", "gray"]), ("420", ["-sampling-factor", "2x2"]),
                            ("interlaced", ["-interlace", "plane"])):
        c.derive(f"magick-{name}.jpg", "jpeg", [MAGICK, rgb_png] + arguments +
                 ["-quality", "92", "JPEG:{out}"], lossy=True)
    chart_image = Image.fromarray(chart(200, 123))
    for name, image, options in (("rgb", chart_image, {}),
                                 ("cmyk", chart_image.convert("CMYK"), {}),
                                 ("grey", chart_image.convert("L"), {}),
                                 ("444", chart_image, {"subsampling": 0})):
        out = io.BytesIO()
        image.save(out, "JPEG", quality=92, **options)
        c.add(f"pil-{name}.jpg", "jpeg", out.getvalue(), lossy=True)
    for orientation in range(1, 9):
        out = io.BytesIO()
        exif = Image.Exif()
        exif[0x0112] = orientation
        Image.fromarray(chart(97, 61)).save(out, "JPEG", quality=95, exif=exif.tobytes())
        c.add(f"exif-orientation{orientation}.jpg", "jpeg orientation", out.getvalue(), lossy=True)


def make_gifs(c):
    size = iter(SIZES * 20)
    for bits in (1, 2, 4, 8):
        count = 1 << bits
        palette = [(int(255 * i / (count - 1)), int(255 * (i * 3 % count) / (count - 1)),
                    int(255 * (count - 1 - i) / (count - 1))) for i in range(count)]
        for variant in ("plain", "interlaced", "local", "transparent", "frame-inside",
                        "two-frames"):
            w, h = next(size)
            indices = quantise(grey_chart(w, h), bits)
            frame = {"Indices": indices}
            global_palette = palette
            if variant == "interlaced":
                frame["Interlace"] = True
            if variant == "local":
                frame["Palette"] = palette[::-1]
                frame["Indices"] = (count - 1) - indices
                global_palette = [(255, 0, 0)] * count
            if variant == "transparent":
                frame["Transparent"] = count // 2
            if variant == "frame-inside":
                frame = {"Indices": indices[: h // 2, : w // 2], "Left": w // 4, "Top": h // 3}
            frames = [frame]
            if variant == "two-frames":
                frames.append({"Indices": np.zeros((h, w), dtype=np.int64), "Palette": palette})
            c.add(f"gif{bits}-{variant}.gif", "gif", gif((w, h), frames, global_palette))
    c.add("gif-no-global-palette.gif", "gif",
          gif((64, 40), [{"Indices": quantise(grey_chart(64, 40), 3),
                          "Palette": [(i * 36, 255 - i * 36, i * 20) for i in range(8)]}]))
    c.add("gif-frame-outside.gif", "gif",
          gif((64, 40), [{"Indices": quantise(grey_chart(64, 40), 2), "Left": 30, "Top": 20,
                          "Interlace": True}], [(0, 0, 0), (90, 90, 90), (180, 180, 180),
                                                (255, 255, 255)]))
    rgb_png = c.png("gif-chart", chart(200, 123))
    alpha_png = c.png("gif-alpha", chart(200, 123), alpha_chart(200, 123))
    for name, arguments in (("plain", []), ("interlaced", ["-interlace", "gif"]),
                            ("16-colours", ["-colors", "16"]), ("grey", ["-colorspace", "gray"]),
                            ("dithered", ["-dither", "FloydSteinberg", "-colors", "8"]),
                            ("transparent", ["-channel", "A", "-threshold", "50%", "+channel"])):
        c.derive(f"magick-{name}.gif", "gif by others",
                 [MAGICK, alpha_png if name == "transparent" else rgb_png] + arguments +
                 ["GIF:{out}"])
    for name, image in (("rgb", Image.fromarray(chart(97, 61)).quantize(64)),
                        ("grey", Image.fromarray((grey_chart(97, 61) * 255).astype(np.uint8)))):
        out = io.BytesIO()
        image.save(out, "GIF", interlace=name == "grey")
        c.add(f"pil-{name}.gif", "gif by others", out.getvalue())


# --- The comparison --------------------------------------------------------------------------------


def reference_rgb(path):
    """The picture as ImageMagick decodes it, drawn on white and turned upright; PIL when
    ImageMagick refuses. None when neither reads it."""
    # Flattened before it is turned: a GIF's image lies on its screen by the page offsets, which
    # turning would not turn with it.
    result = subprocess.run([MAGICK, path + "[0]", "-colorspace", "sRGB", "-background", "white",
                             "-flatten", "-auto-orient", "+repage", "-alpha", "off", "-depth", "8",
                             "ppm:-"], capture_output=True)
    if result.returncode == 0 and result.stdout:
        try:
            return np.asarray(Image.open(io.BytesIO(result.stdout)).convert("RGB")), "magick"
        except OSError:
            pass
    try:
        image = Image.open(path)
        image.seek(0)
        image = image.convert("RGBA")
        white = Image.new("RGBA", image.size, (255, 255, 255, 255))
        return np.asarray(Image.alpha_composite(white, image).convert("RGB")), "pil"
    except Exception:  # noqa: BLE001 - any failure means "cannot read"
        return None, None


def difference(got, reference_rgb):
    """Pixels of another level than the reference's, and how many of them lie one lightness step
    from a level boundary (where a decoder that rounds the other way lands on the other side)."""
    want = levels_of_rgb(reference_rgb)
    if got is None:
        return WIDTH * HEIGHT, 0
    differing = got != want
    lightness = lightness_of_rgb(reference_rgb)
    near = np.isin(lightness, [59, 60, 104, 105, 159, 160])
    return int(np.count_nonzero(differing)), int(np.count_nonzero(differing & near))


def ours(program, path, folder):
    device = os.path.join(folder, "device.bin")
    if os.path.exists(device):
        os.remove(device)
    result = subprocess.run([program, path, os.path.join(folder, "out.bmp"), "--device", device,
                             "--name", "check"], capture_output=True,
                            env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    if result.returncode != 0 or not os.path.exists(device):
        return None
    with open(device, "rb") as f:
        return levels_of_device_file(f.read())


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--program", default=os.path.join(root, "build", "orvanel-picture"))
    parser.add_argument("--keep", help="make the corpus in this folder and leave it there")
    parser.add_argument("--only", help="compare only files whose name contains this")
    arguments = parser.parse_args()
    if not os.access(arguments.program, os.X_OK):
        sys.exit(f"no {arguments.program}: build the orvanel-picture target first")
    with tempfile.TemporaryDirectory() as temporary:
        folder = arguments.keep or temporary
        os.makedirs(folder, exist_ok=True)
        corpus = Corpus(folder)
        for make in (make_tiffs, make_bmps, make_jpegs, make_gifs):
            make(corpus)
        groups = OrderedDict()
        agreed = with_decoder = compared = unreadable = 0
        print("verdict: pixels of another level than the reference, and how many of those lie "
              "one step from a boundary\n")
        for name, group, path, lossy, note in corpus.files:
            if arguments.only and arguments.only not in name:
                continue
            decoded, decoder = reference_rgb(path)
            got = ours(arguments.program, path, folder)
            if decoded is None:
                unreadable += 1
                print(f"{'no reference':>14}  {name}")
                continue
            stats = groups.setdefault(group, [0, 0, 0])
            stats[2] += 1
            compared += 1
            allowed = WIDTH * HEIGHT // 100 if lossy else 0
            differing, borderline = difference(got, decoded)
            verdict = "agree" if differing - borderline <= allowed else "DIFFER"
            remark = f" ({decoder})" if decoder != "magick" else ""
            if verdict == "agree":
                stats[1] += 1
                with_decoder += 1
            elif path in corpus.made:
                # The decoder and the picture as made disagree: which one the import matches.
                made_differing, made_borderline = difference(got, corpus.made[path])
                if made_differing - made_borderline <= allowed:
                    verdict = "as made"
                    remark += " (matches the picture as made; the reference decoder does not)"
            if verdict != "DIFFER":
                stats[0] += 1
                agreed += 1
            if got is None:
                verdict = "REFUSED"
            print(f"{verdict:>7} {differing:5d} {borderline:5d}  {name}{remark}"
                  f"{'  - ' + note if note else ''}")
        print()
        for group, (good, by_decoder, total) in groups.items():
            print(f"{group:>20}: {good:4d} of {total:4d} agree ({by_decoder} with the decoder)")
        share = 100.0 * agreed / compared if compared else 0.0
        print(f"\n{agreed} of {compared} files agree: {share:.1f} %; with the reference decoder "
              f"alone {with_decoder}, {100.0 * with_decoder / max(1, compared):.1f} %"
              f" ({unreadable} the reference could not read)")


if __name__ == "__main__":
    main()
