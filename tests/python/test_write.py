"""quillmere.write and quillmere.save against quillmere-cli png2pvz: for
every picture of the table (each pixel format and layout, palette textures
with and without --keep-palette, --colors, --dither, --alpha-threshold,
colour and palette PNGs) the same bytes, or the same refusal."""

import random

import numpy
import pytest
from PIL import Image

import quillmere
from conftest import HEADER, png_name, pvp, random_rgba, run_cli, write_files

# (name, width, height, kind, pixel format, data format, options, existing .pvp)
# kind: "rgba", "rgb", or "p" (a palette PNG with transparency); options as
# write's keywords, turned into png2pvz's flags.
ROWS = [
    ("argb1555-square", 8, 8, "rgba", 0, 1, {}, None),
    ("rgb565-square", 8, 8, "rgba", 1, 1, {}, None),
    ("argb4444-square", 8, 8, "rgba", 2, 1, {}, None),
    ("two-squares-wide", 16, 8, "rgba", 2, 1, {}, None),
    ("two-squares-tall", 8, 16, "rgba", 1, 13, {}, None),
    ("rows-rgb", 5, 3, "rgb", 0, 9, {}, None),
    ("square-rgb", 4, 4, "rgb", 2, 1, {}, None),
    ("rows-large", 64, 70, "rgba", 2, 9, {}, None),
    ("rows-alpha-threshold", 9, 4, "rgba", 0, 9, {"alpha_threshold": 100}, None),
    ("dither-narrowing", 16, 16, "rgba", 2, 1, {"dither": True}, None),
    ("palette-code-without-keep", 8, 8, "rgba", 1, 7, {}, None),
    ("palette-keep", 8, 8, "rgba", 1, 7, {"keep_palette": True}, None),
    ("palette-keep-existing", 16, 16, "rgba", 2, 7, {"keep_palette": True}, 20),
    ("palette-colors", 16, 16, "rgba", 2, 7, {"keep_palette": True, "colors": 16}, None),
    ("palette-colors-dither", 32, 32, "rgba", 0, 7,
     {"keep_palette": True, "colors": 8, "dither": True}, 12),
    ("palette-png-keep", 16, 16, "p", 1, 7, {"keep_palette": True}, None),
    ("palette-png-keep-existing", 16, 8, "p", 2, 7, {"keep_palette": True}, 30),
    ("palette-png-colors", 16, 16, "p", 2, 7, {"keep_palette": True, "colors": 4}, None),
    ("palette-png-without-keep", 8, 8, "p", 0, 9, {}, None),
    ("palette-png-alpha-threshold", 8, 8, "p", 0, 7,
     {"keep_palette": True, "alpha_threshold": 1}, None),
]


def flags(options):
    out = []
    if options.get("keep_palette"):
        out.append("--keep-palette")
    if options.get("colors") is not None:
        out += ["--colors", str(options["colors"])]
    if options.get("dither"):
        out.append("--dither")
    if options.get("alpha_threshold") is not None:
        out += ["--alpha-threshold", str(options["alpha_threshold"])]
    return out


def make_picture(rng, kind, width, height):
    if kind == "p":
        count = 24
        image = Image.new("P", (width, height))
        image.putpalette(bytes(rng.randrange(256) for _ in range(3 * count)))
        image.info["transparency"] = bytes(rng.choice((0, 90, 255, 255)) for _ in range(count))
        image.putdata([rng.randrange(count) for _ in range(width * height)])
        return image
    levels = 6 if width >= 16 else 4
    image = Image.frombytes("RGBA", (width, height), random_rgba(rng, width, height, levels))
    return image.convert("RGB") if kind == "rgb" else image


def existing_palette(rng, count):
    return None if count is None else pvp([rng.randrange(0x10000) for _ in range(count)])


@pytest.mark.parametrize("width,height,kind,pixel_format,data_format,options,existing",
                         [r[1:] for r in ROWS], ids=[r[0] for r in ROWS])
def test_write_gives_the_bytes_of_png2pvz(folder, width, height, kind, pixel_format, data_format,
                                         options, existing):
    rng = random.Random(f"{width}{height}{kind}{pixel_format}{data_format}{options}")
    picture = make_picture(rng, kind, width, height)
    palette = existing_palette(rng, existing)
    name = png_name("t", HEADER, pixel_format, data_format)
    picture.save(folder / name)
    if palette is not None:
        write_files(folder, {"t.pvp": palette})
    status, _, err = run_cli(folder, "png2pvz", *flags(options), name)
    assert status == 0, err
    expected_pvz = (folder / "t.pvz").read_bytes()
    palette_texture = data_format == 7 and options.get("keep_palette")
    expected_pvp = (folder / "t.pvp").read_bytes() if palette_texture else None

    codes = dict(pixel_format=pixel_format, data_format=data_format, header=HEADER)
    with Image.open(folder / name) as png:
        assert quillmere.write(png, palette=palette, **codes, **options) == (expected_pvz,
                                                                           expected_pvp)
        rgba = png.convert("RGBA")
    if kind == "p" and options.get("keep_palette"):
        return  # only a Pillow image carries a palette picture's indices
    array = numpy.asarray(rgba)
    assert quillmere.write(array, palette=palette, **codes, **options) == (expected_pvz,
                                                                         expected_pvp)
    assert quillmere.write(rgba.tobytes(), width=width, height=height, palette=palette, **codes,
                           **options) == (expected_pvz, expected_pvp)
    if kind == "rgb":
        # (height, width, 3) arrays are opaque pictures.
        assert quillmere.write(numpy.asarray(picture), **codes,
                               **options) == (expected_pvz, expected_pvp)


REFUSAL_ROWS = [
    ("side", 6, 6, 1, quillmere.Status.SIDE_NOT_POWER_OF_TWO,
     "square side is not a power of two from 2 to 16384"),
    ("aspect", 32, 8, 1, quillmere.Status.BAD_ASPECT_RATIO, "width and height are not 1:2 or 2:1"),
    ("pixel-format", 4, 4, 9, quillmere.Status.UNKNOWN_PIXEL_FORMAT, "unknown pixel format"),
]


@pytest.mark.parametrize("width,height,data_format,status,text", [r[1:] for r in REFUSAL_ROWS],
                         ids=[r[0] for r in REFUSAL_ROWS])
def test_write_refuses_what_png2pvz_refuses(folder, width, height, data_format, status, text):
    pixel_format = 5 if status == quillmere.Status.UNKNOWN_PIXEL_FORMAT else 1
    picture = Image.new("RGBA", (width, height), (10, 20, 30, 255))
    name = png_name("t", HEADER, pixel_format, data_format)
    picture.save(folder / name)
    code, _, _ = run_cli(folder, "png2pvz", name)
    assert code != 0 and not (folder / "t.pvz").exists()
    with pytest.raises(quillmere.Error) as refused:
        quillmere.write(picture, pixel_format=pixel_format, data_format=data_format,
                        header=HEADER)
    assert (refused.value.status, refused.value.text) == (status, text)


def test_save_leaves_an_existing_texture_as_it_was_when_refused(folder):
    (folder / "wall.pvz").write_bytes(b"old texture")
    with pytest.raises(quillmere.Error):
        quillmere.save(folder / "wall.pvz", Image.new("RGBA", (6, 6)), pixel_format=1,
                       data_format=1, header=HEADER)
    assert (folder / "wall.pvz").read_bytes() == b"old texture"
    assert sorted(p.name for p in folder.iterdir()) == ["wall.pvz"]


def test_save_replaces_the_palette_in_the_case_it_has(folder):
    rng = random.Random(7)
    old = existing_palette(rng, 10)
    write_files(folder, {"S7.PVZ": b"old", "s7.pvp": old})
    picture = make_picture(rng, "rgba", 8, 8)
    written = quillmere.save(folder / "S7.PVZ", picture, pixel_format=1, data_format=7,
                             header=HEADER, keep_palette=True)
    assert written == (str(folder / "S7.PVZ"), str(folder / "s7.pvp"))
    assert sorted(p.name for p in folder.iterdir()) == ["S7.PVZ", "s7.pvp"]
    # The palette replaced was the existing one: its first 14 bytes kept.
    expected = quillmere.write(picture, pixel_format=1, data_format=7, header=HEADER,
                               keep_palette=True, palette=old)
    assert ((folder / "S7.PVZ").read_bytes(), (folder / "s7.pvp").read_bytes()) == expected
    assert (folder / "s7.pvp").read_bytes()[:14] == old[:14]


PICTURE_ROWS = [
    ("bytes-without-size", b"\0" * 16, {}, TypeError),
    ("bytes-of-other-size", b"\0" * 15, {"width": 2, "height": 2}, ValueError),
    ("float-array", numpy.zeros((2, 2, 4)), {}, ValueError),
    ("grey-array", numpy.zeros((2, 2), dtype=numpy.uint8), {}, ValueError),
    ("no-picture", 42, {}, TypeError),
]


@pytest.mark.parametrize("picture,size,error", [r[1:] for r in PICTURE_ROWS],
                         ids=[r[0] for r in PICTURE_ROWS])
def test_pictures_it_cannot_take_are_refused(picture, size, error):
    with pytest.raises(error):
        quillmere.write(picture, pixel_format=1, data_format=9, header=HEADER, **size)


def test_header_is_twelve_bytes():
    with pytest.raises(ValueError, match="header is 12 bytes, not 11"):
        quillmere.write(b"\0" * 4, width=1, height=1, pixel_format=1, data_format=9,
                        header=bytes(11))


def test_a_palette_of_mode_rgba_gives_its_alpha():
    # The same palette as RGB entries and transparency (the palette PNG's
    # form, compared with png2pvz above) gives the same bytes.
    entries = [(10, 20, 30, 0), (200, 100, 50, 255), (7, 7, 7, 128), (1, 2, 3, 4)]
    with_alpha = Image.new("P", (4, 4))
    with_alpha.putpalette(bytes(sum(entries, ())), rawmode="RGBA")
    with_alpha.putdata([0, 1, 2, 3] * 4)
    separate = Image.new("P", (4, 4))
    separate.putpalette(bytes(sum((e[:3] for e in entries), ())))
    separate.info["transparency"] = bytes(e[3] for e in entries)
    separate.putdata([0, 1, 2, 3] * 4)
    codes = dict(pixel_format=2, data_format=7, header=HEADER, keep_palette=True)
    assert quillmere.write(with_alpha, **codes) == quillmere.write(separate, **codes)
    assert quillmere.write(with_alpha, **codes) != quillmere.write(with_alpha.convert("RGB"),
                                                                 **codes)
