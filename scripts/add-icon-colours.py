#!/usr/bin/env python3
"""Gives an icon 16- and 256-colour images beside its true-colour ones.

    scripts/add-icon-colours.py ICON.ico...

The shells of Windows 95 and NT 4.0 draw only icons of up to 256 colours well. Each icon
is rewritten in place: the pixels of its 32-bit images at 16 and 32 pixels stay as they
are, and 4-bit images (the 16 colours of the standard VGA palette) and 8-bit images (a
palette of the image's own colours) of the same sizes are made from them. Every image gets
its AND mask from the alpha channel (alpha below 128 is transparent). Images of other
depths already in the icon are made again, so running it twice gives the same file.
Python 3 standard library only.
"""
import struct
import sys

SIZES = (32, 16)

# The 16 colours of the VGA palette, in the order of the Windows 16-colour palette.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


class Image:
    """A true-colour image: rows top to bottom of (r, g, b, a)."""

    def __init__(self, size, rows):
        self.size = size
        self.rows = rows

    def opaque(self, x, y):
        return self.rows[y][x][3] >= 128


def read_true_colour_images(data):
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if reserved != 0 or kind != 1:
        raise SystemExit('not an icon')
    images = {}
    for i in range(count):
        _, _, _, _, _, _, length, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
        blob = data[offset:offset + length]
        if blob[:8] == b'\x89PNG\r\n\x1a\n':
            raise SystemExit('PNG images are not read; give the icon bitmap images')
        header, width, height, _, bits, compression = struct.unpack_from('<IiiHHI', blob, 0)
        if bits != 32:
            continue  # made again below
        if compression != 0 or width != height // 2 or width not in SIZES:
            raise SystemExit('unexpected 32-bit image: %dx%d' % (width, height // 2))
        pixels = blob[header:header + width * width * 4]
        rows = []
        for y in range(width - 1, -1, -1):  # bottom-up in the file
            row = pixels[y * width * 4:(y + 1) * width * 4]
            rows.append([(row[x * 4 + 2], row[x * 4 + 1], row[x * 4], row[x * 4 + 3])
                         for x in range(width)])
        images[width] = (Image(width, rows), blob)
    for size in SIZES:
        if size not in images:
            raise SystemExit('no 32-bit image of %d pixels' % size)
    return images


def distance(a, b):
    return (a[0] - b[0]) ** 2 + (a[1] - b[1]) ** 2 + (a[2] - b[2]) ** 2


def nearest(colour, palette):
    # min() keeps the first of equals: the lower index wins a tie.
    return min(range(len(palette)), key=lambda i: distance(colour, palette[i]))


def median_cut(counts, wanted):
    """A palette of at most wanted colours for a {colour: count} with more than that."""
    boxes = [sorted(counts.items())]
    while len(boxes) < wanted:
        best = None
        for index, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[k] for c, _ in box) - min(c[k] for c, _ in box) for k in range(3)]
            axis = spans.index(max(spans))
            if best is None or spans[axis] > best[0]:
                best = (spans[axis], index, axis)
        if best is None:
            break
        _, index, axis = best
        box = sorted(boxes.pop(index), key=lambda item: (item[0][axis], item[0]))
        total = sum(n for _, n in box)
        running, cut = 0, 1
        for cut in range(1, len(box)):
            running += box[cut - 1][1]
            if running * 2 >= total:
                break
        boxes[index:index] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple((sum(c[k] * n for c, n in box) + total // 2) // total
                             for k in range(3)))
    return palette


def own_palette(image):
    """Black first (what transparent pixels hold), then the image's opaque colours, the
    most used first; cut down to 256 by median cut when there are more."""
    counts = {}
    for y in range(image.size):
        for x in range(image.size):
            if image.opaque(x, y):
                colour = image.rows[y][x][:3]
                counts[colour] = counts.get(colour, 0) + 1
    counts.pop((0, 0, 0), None)
    if len(counts) > 255:
        colours = sorted(set(median_cut(counts, 255)) - {(0, 0, 0)})
    else:
        colours = sorted(counts, key=lambda c: (-counts[c], c))
    return [(0, 0, 0)] + colours + [(0, 0, 0)] * (255 - len(colours))


def and_mask(image):
    stride = (image.size + 31) // 32 * 4
    mask = bytearray()
    for y in range(image.size - 1, -1, -1):
        row = bytearray(stride)
        for x in range(image.size):
            if not image.opaque(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return bytes(mask)


def paletted(image, bits, palette):
    """The image in a palette of 2**bits colours: nearest colour, no dithering (error
    diffusion scatters dots over the flat areas of an icon this small)."""
    stride = (image.size * bits + 31) // 32 * 4
    found = {}
    pixels = bytearray()
    for y in range(image.size - 1, -1, -1):
        row = bytearray(stride)
        for x in range(image.size):
            index = 0
            if image.opaque(x, y):
                colour = image.rows[y][x][:3]
                if colour not in found:
                    found[colour] = nearest(colour, palette)
                index = found[colour]
            if bits == 8:
                row[x] = index
            else:
                row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += row
    mask = and_mask(image)
    header = struct.pack('<IiiHHIIiiII', 40, image.size, image.size * 2, 1, bits, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    return header + colours + bytes(pixels) + mask


def true_colour(image, blob):
    """The 32-bit image as it was, with its AND mask made from its alpha again."""
    header = struct.unpack_from('<I', blob, 0)[0]
    return blob[:header + image.size * image.size * 4] + and_mask(image)


def write_icon(path, entries):
    out = bytearray(struct.pack('<HHH', 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for size, bits, blob in entries:
        out += struct.pack('<BBBBHHII', size, size, 16 if bits == 4 else 0, 0, 1, bits,
                           len(blob), offset)
        offset += len(blob)
    for _, _, blob in entries:
        out += blob
    with open(path, 'wb') as f:
        f.write(out)


def main(paths):
    if not paths:
        raise SystemExit(__doc__)
    for path in paths:
        with open(path, 'rb') as f:
            images = read_true_colour_images(f.read())
        entries = []
        for size in SIZES:
            entries.append((size, 4, paletted(images[size][0], 4, VGA)))
        for size in SIZES:
            image = images[size][0]
            entries.append((size, 8, paletted(image, 8, own_palette(image))))
        for size in SIZES:
            entries.append((size, 32, true_colour(*images[size])))
        write_icon(path, entries)
        print('%s: %d images' % (path, len(entries)))


if __name__ == '__main__':
    main(sys.argv[1:])
