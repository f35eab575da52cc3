#!/usr/bin/env python3
"""rle8-bitmap.py [--alpha] SOURCE TARGET: writes SOURCE (an 8-bit RGB or RGBA PNG, or a 24-bit BMP)
as an 8-bit run-length-encoded BMP (BI_RLE8) with the same pixels: LoadBitmap brings that to the
screen without an image codec, and the programs' flat artwork stays small. With --alpha the
picture's transparency is kept: each colour-table entry holds its colour premultiplied by its
alpha, and the alpha in the entry's fourth byte (which plain bitmaps leave 0), the form a layered
window takes. Fails when the picture has more than 256 colours, which no palette could hold
without changing a pixel."""
import struct
import sys
import zlib


def read_png(data):
    at, chunks = 8, []
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunks.append((kind, data[at + 8:at + 8 + length]))
        at += 12 + length
    header = dict(chunks)[b"IHDR"]
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", header)
    if depth != 8 or colour not in (2, 6) or interlace:
        sys.exit("rle8-bitmap: only 8-bit RGB or RGBA PNGs without interlacing")
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride, rows, previous, at = width * step, [], bytearray(width * step), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for x in range(stride):
            a = line[x - step] if x >= step else 0
            b, c = previous[x], previous[x - step] if x >= step else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x:x + step]) for x in range(0, stride, step)])
        previous = line
    return width, height, rows


def read_bmp(data):
    offset, = struct.unpack("<I", data[10:14])
    width, height, _, bits, compression = struct.unpack("<iiHHI", data[18:34])
    if bits != 24 or compression != 0:
        sys.exit("rle8-bitmap: only uncompressed 24-bit BMPs")
    stride, rows = (width * 3 + 3) & ~3, []
    for y in range(abs(height)):
        line = data[offset + y * stride:offset + y * stride + width * 3]
        rows.append([(line[x + 2], line[x + 1], line[x]) for x in range(0, width * 3, 3)])
    if height > 0:
        rows.reverse()  # bottom-up on disk
    return width, abs(height), rows


def premultiplied(pixel):
    """(r, g, b, a) as a layered window takes it: each colour scaled by alpha, rounded."""
    r, g, b, a = pixel
    return tuple((c * a + 127) // 255 for c in (r, g, b)) + (a,)


def encode_row(indices):
    """One row in BI_RLE8: runs of two or more as (count, index), other stretches of three or
    more as an absolute block (padded to a word), single pixels as runs of one."""
    out, x, width = bytearray(), 0, len(indices)
    while x < width:
        run = 1
        while x + run < width and run < 255 and indices[x + run] == indices[x]:
            run += 1
        if run >= 2:
            out += bytes((run, indices[x]))
            x += run
            continue
        end = x + 1
        while end < width and end - x < 255 and (end + 1 >= width or indices[end + 1] != indices[end]):
            end += 1
        literal = indices[x:end]
        if len(literal) >= 3:
            out += bytes((0, len(literal))) + bytes(literal) + (b"\0" if len(literal) % 2 else b"")
        else:
            for index in literal:
                out += bytes((1, index))
        x = end
    return out + b"\0\0"  # end of line


def main():
    arguments = sys.argv[1:]
    alpha = arguments[:1] == ["--alpha"]
    if alpha:
        arguments = arguments[1:]
    if len(arguments) != 2:
        sys.exit(__doc__)
    source, target = arguments
    data = open(source, "rb").read()
    width, height, rows = read_png(data) if data[:8] == b"\x89PNG\r\n\x1a\n" else read_bmp(data)
    if alpha and any(len(pixel) != 4 for row in rows for pixel in row):
        sys.exit(f"rle8-bitmap: {source} has no alpha to keep")
    rows = [[premultiplied(pixel) if alpha else pixel[:3] + (0,) for pixel in row] for row in rows]
    palette = sorted({pixel for row in rows for pixel in row})
    if len(palette) > 256:
        sys.exit(f"rle8-bitmap: {source} has {len(palette)} colours, more than a palette holds")
    index = {pixel: i for i, pixel in enumerate(palette)}
    bits = bytearray()
    for row in reversed(rows):  # bottom-up
        bits += encode_row([index[pixel] for pixel in row])
    bits[-2:] = b"\0\1"  # the last end of line becomes the end of the bitmap
    colours = b"".join(bytes((b, g, r, a)) for r, g, b, a in palette)
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(bits), 2835, 2835, len(palette), 0)
    with open(target, "wb") as out:
        out.write(b"BM" + struct.pack("<IHHI", offset + len(bits), 0, 0, offset) + info + colours + bits)


if __name__ == "__main__":
    main()
