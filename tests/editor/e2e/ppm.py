"""Reads the binary PPM (P6, 8-bit) screenshots of the end-to-end scenarios."""


def read(path):
    """Returns (width, height, rgb bytes), rows top to bottom; comments skipped."""
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maximum
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    width, height = int(fields[1]), int(fields[2])
    assert fields[0] == b"P6" and int(fields[3]) == 255
    return width, height, data[pos:pos + width * height * 3]


def region(path, x, y, w, h):
    """The rgb bytes of the rectangle x y w h, clipped to the picture, row after row."""
    width, height, data = read(path)
    w, h = max(0, min(w, width - x)), max(0, min(h, height - y))
    return b"".join(data[((y + row) * width + x) * 3:((y + row) * width + x + w) * 3] for row in range(h))
