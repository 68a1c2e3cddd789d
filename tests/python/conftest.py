"""What the Python tests share: the command line run on the same files, and
textures and pictures made from seeded randomness. Run with
/usr/bin/python3 -m pytest tests/python, PYTHONPATH naming a build's
python folder (ctest sets it) and QM_CLI its quillmere-cli."""

import os
import random
import subprocess
import sys

import pytest

CLI = os.environ.get("QM_CLI", "")

HEADER = bytes([0x08, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0x2A])


def run_cli(folder, *args):
    """quillmere-cli run in folder; its (status, stdout, stderr)."""
    if not CLI:
        pytest.skip("QM_CLI names no quillmere-cli")
    done = subprocess.run([CLI, *args], cwd=folder, capture_output=True)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def png_name(stem, header, pixel_format, data_format):
    return f"{stem}_{header.hex()}{pixel_format:02x}{data_format:02x}.png"


def rgba_of_png(path):
    from PIL import Image

    with Image.open(path) as image:
        return image.convert("RGBA").tobytes()


# ---- texture bytes written here, record by record (never by the code under test)


def pvz(pixel_format, data_format, width, height, stream, header=HEADER):
    size = (width * height * 2 + 32) & 0xFFFFFFFF
    return (size.to_bytes(4, "little") + b"GBIX" + header + b"PVRT" + bytes(4)
            + bytes([pixel_format, data_format, 0, 0])
            + (width & 0xFFFF).to_bytes(2, "little") + (height & 0xFFFF).to_bytes(2, "little")
            + bytes(stream))


def record2(value, run):
    return value.to_bytes(2, "little") + bytes([run - 1])


def record1(index, run):
    return bytes([index, run - 1])


def pvp(entries, count=None):
    count = len(entries) if count is None else count
    return (bytes(range(1, 15)) + count.to_bytes(2, "little")
            + b"".join(e.to_bytes(2, "little") for e in entries))


def random_stream(rng, texels, record, values):
    stream = b""
    left = texels
    while left > 0:
        run = min(left, 256, 1 + rng.randrange(5) * rng.randrange(70))
        stream += record(values(), run)
        left -= run
    return stream


def random_texture(rng, pixel_format, data_format, width, height, count=40):
    """A texture of random texels and, for data format 7, its .pvp."""
    if data_format == 7:
        entries = [rng.randrange(0x10000) for _ in range(count)]
        stream = random_stream(rng, width * height, record1, lambda: rng.randrange(count))
        return pvz(pixel_format, 7, width, height, stream), pvp(entries)
    stream = random_stream(rng, width * height, record2, lambda: rng.randrange(0x10000))
    return pvz(pixel_format, data_format, width, height, stream), None


def random_rgba(rng, width, height, levels=4):
    """Random pixels with few colour values and alpha 0, 128 or 255, so that
    runs, palettes and quantising all occur."""
    out = bytearray()
    for _ in range(width * height):
        out += bytes(rng.randrange(levels) * 255 // (levels - 1) for _ in range(3))
        out.append(rng.choice((0, 128, 255, 255)))
    return bytes(out)


# The textures every front end must agree on: each pixel format, each
# layout, palette textures, short streams.
SHAPES = [(1, 8, 8), (1, 16, 8), (1, 8, 16), (13, 4, 8), (9, 5, 3), (9, 64, 70), (3, 32, 32),
          (7, 8, 8), (7, 16, 8), (7, 64, 64)]


def corpus():
    rng = random.Random(21)
    textures = []
    for pixel_format in range(3):
        for data_format, width, height in SHAPES:
            texture, palette = random_texture(rng, pixel_format, data_format, width, height)
            name = f"pf{pixel_format}-df{data_format}-{width}x{height}"
            textures.append((name, texture, palette))
            size = 2 if data_format == 7 else 3  # bytes per record
            cut = 36 + size * ((len(texture) - 36) // size // 2)
            textures.append((name + "-short", texture[:cut], palette))
    return textures


@pytest.fixture
def folder(tmp_path):
    return tmp_path


def write_files(folder, files):
    for name, data in files.items():
        path = folder / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)


sys.dont_write_bytecode = True
