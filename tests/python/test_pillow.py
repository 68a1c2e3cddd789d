"""quillmere.pillow: textures opened by their header bytes, palette textures
as mode "P" as pvz2png --indexed writes them, and open -> edit -> save giving
the bytes png2pvz gives."""

import io
import random
import subprocess
import sys

import pytest
from PIL import Image, UnidentifiedImageError

import quillmere
import quillmere.pillow  # noqa: F401
from conftest import (HEADER, png_name, pvp, pvz, random_texture, record1, record2, rgba_of_png,
                      run_cli, write_files)


@pytest.mark.parametrize("width,height", [(2, 2), (4, 4), (8, 8)])
def test_textures_are_known_by_their_header_not_their_name(folder, width, height):
    # The size words of 2 x 2 and 4 x 4 textures (40, 64) are those of
    # bitmap headers.
    texture = pvz(1, 9, width, height, record2(0x1234, width * height))
    write_files(folder, {"wall.bin": texture, "fake.pvz": b"not a texture" * 3,
                         "half.pvz": b"\xff\0\0\0GBIX" + bytes(40)})
    with Image.open(folder / "wall.bin") as image:
        assert (image.format, image.mode, image.size) == ("PVZ", "RGBA", (width, height))
        assert image.get_format_mimetype() == "image/x-quillmere-pvz"
    for name in ("fake.pvz", "half.pvz"):
        with pytest.raises(UnidentifiedImageError):
            Image.open(folder / name)


def test_textures_come_before_bitmaps_whenever_the_plugin_is_imported(folder):
    # A 4 x 4 texture's size word (64) is a bitmap header's size, and these
    # header bytes give that bitmap no pixel depth: the bitmap reader would
    # refuse it, were it asked first. Here Pillow's readers are loaded first.
    write_files(folder, {"t.pvz": pvz(1, 9, 4, 4, record2(0x1234, 16))})
    script = ("import sys; from PIL import Image; Image.init(); import quillmere.pillow; "
              "print(Image.open(sys.argv[1]).format)")
    done = subprocess.run([sys.executable, "-c", script, str(folder / "t.pvz")],
                          capture_output=True, text=True)
    assert (done.returncode, done.stdout) == (0, "PVZ\n"), done.stderr


def test_info_keeps_the_header_fields(folder):
    write_files(folder, {"t.pvz": pvz(2, 9, 2, 2, record2(0xF00F, 4))})
    with Image.open(folder / "t.pvz") as image:
        assert image.info["header"] == HEADER
        assert (image.info["pixel_format"], image.info["data_format"]) == (2, 9)


PALETTE_ROWS = ["whole", "short", "short-full-palette"]


@pytest.mark.parametrize("row", PALETTE_ROWS)
def test_palette_textures_open_as_pvz2png_indexed_writes_them(folder, row):
    rng = random.Random(row)
    # RGB565 has no transparent entry: 256 of them leave no room for one.
    full = row == "short-full-palette"
    texture, palette = random_texture(rng, 1 if full else 2, 7, 16, 16, 256 if full else 40)
    if row.startswith("short"):
        texture = texture[:36 + 2 * ((len(texture) - 36) // 4)]
    write_files(folder, {"t.pvz": texture, "t.pvp": palette})
    status, _, err = run_cli(folder, "pvz2png", "--indexed", "t.pvz")
    assert status == 0, err
    png = next(folder.glob("*.png"))
    with Image.open(png) as expected, Image.open(folder / "t.pvz") as image:
        assert image.mode == expected.mode
        if expected.mode == "P":
            assert image.getpalette() == expected.getpalette()
            assert image.info["transparency"] == expected.info["transparency"]
            assert image.tobytes() == expected.tobytes()
            assert image.info["pvp"] == palette
        assert image.convert("RGBA").tobytes() == expected.convert("RGBA").tobytes()
    # 256 entries leave no room for the transparent one: colours instead.
    assert (expected.mode == "RGBA") == (row == "short-full-palette")


def test_open_then_save_gives_back_the_texture(folder):
    rng = random.Random(3)
    texture, palette = random_texture(rng, 1, 7, 32, 32)
    plain, _ = random_texture(rng, 0, 1, 16, 8)
    write_files(folder, {"a/p.pvz": texture, "a/p.pvp": palette, "a/c.pvz": plain})
    (folder / "b").mkdir()
    for name in ("p.pvz", "c.pvz"):
        with Image.open(folder / "a" / name) as image:
            image.save(folder / "b" / name)
    assert (folder / "b/p.pvz").read_bytes() == texture
    assert (folder / "b/p.pvp").read_bytes() == palette
    assert (folder / "b/c.pvz").read_bytes() == plain


def test_an_edited_palette_texture_saves_as_png2pvz_keeps_it(folder):
    rng = random.Random(4)
    texture, palette = random_texture(rng, 0, 7, 16, 16)
    write_files(folder, {"t.pvz": texture, "t.pvp": palette})
    with Image.open(folder / "t.pvz") as image:
        edited = image.transpose(Image.Transpose.ROTATE_180)
        edited.info.update(image.info)
    # The command line: the indexed PNG, edited the same way, put back.
    run_cli(folder, "pvz2png", "--indexed", "t.pvz")
    png = next(folder.glob("*.png"))
    with Image.open(png) as indexed:
        rotated = indexed.transpose(Image.Transpose.ROTATE_180)
        rotated.save(png)
    status, _, err = run_cli(folder, "png2pvz", "--keep-palette", png.name)
    assert status == 0, err
    (folder / "mine").mkdir()
    write_files(folder, {"mine/t.pvp": palette})
    edited.save(folder / "mine" / "t.pvz")
    assert (folder / "mine/t.pvz").read_bytes() == (folder / "t.pvz").read_bytes()
    assert (folder / "mine/t.pvp").read_bytes() == (folder / "t.pvp").read_bytes()


def test_save_options_are_png2pvz_options(folder):
    rng = random.Random(5)
    picture = Image.frombytes("RGBA", (16, 16), bytes(rng.randrange(256) for _ in range(1024)))
    name = png_name("t", HEADER, 2, 7)
    picture.save(folder / name)
    run_cli(folder, "png2pvz", "--keep-palette", "--colors", "8", "--dither", name)
    (folder / "mine").mkdir()
    picture.save(folder / "mine" / "t.pvz", header=HEADER, pixel_format=2, data_format=7,
                 colors=8, dither=True)
    for name in ("t.pvz", "t.pvp"):
        assert (folder / "mine" / name).read_bytes() == (folder / name).read_bytes()


def test_save_needs_the_header_fields(folder):
    with pytest.raises(ValueError, match="saving a .pvz needs header, pixel_format, "
                                         r"data_format \(given to save\(\), or in im.info"):
        Image.new("RGBA", (4, 4)).save(folder / "t.pvz")
    # Pillow removes the file it made for the failed save.
    assert not (folder / "t.pvz").exists()


def test_a_palette_texture_needs_a_place_for_its_palette():
    with pytest.raises(ValueError, match="no place for its .pvp"):
        Image.new("RGBA", (4, 4)).save(io.BytesIO(), format="PVZ", header=HEADER,
                                       pixel_format=1, data_format=7)


def test_file_objects_open_and_palette_textures_need_their_file(folder):
    with Image.open(io.BytesIO(pvz(1, 9, 2, 1, record2(0xFFFF, 2)))) as image:
        assert image.convert("RGBA").tobytes() == b"\xff\xff\xff\xff" * 2
    with pytest.raises(quillmere.Error) as refused:
        Image.open(io.BytesIO(pvz(1, 7, 2, 2, record1(0, 4))))
    assert refused.value.status == quillmere.Status.PALETTE_MISSING
    # A file object with a name finds its palette.
    write_files(folder, {"t.pvz": pvz(1, 7, 2, 2, record1(0, 4)), "t.pvp": pvp([0xFFFF])})
    with open(folder / "t.pvz", "rb") as file, Image.open(file) as image:
        assert image.mode == "P"


def test_pillows_bound_on_pictures_comes_before_decoding(monkeypatch):
    monkeypatch.setattr(Image, "MAX_IMAGE_PIXELS", 8)
    with pytest.raises(quillmere.Error) as refused:
        Image.open(io.BytesIO(pvz(1, 9, 5, 4, record2(0, 20))))
    assert refused.value.status == quillmere.Status.PICTURE_TOO_LARGE


def test_pixels_equal_the_png_of_pvz2png(folder):
    texture, _ = random_texture(random.Random(6), 2, 9, 7, 5)
    write_files(folder, {"t.pvz": texture})
    run_cli(folder, "pvz2png", "t.pvz")
    with Image.open(folder / "t.pvz") as image:
        assert image.convert("RGBA").tobytes() == rgba_of_png(next(folder.glob("*.png")))


def test_the_mode_goes_where_the_pillow_keeps_it():
    # Pillow 10.1 and later keep it in _mode behind a read-only property.
    class Newer:
        _mode = ""

        @property
        def mode(self):
            return self._mode

    class Older:
        mode = ""

    newer, older = Newer(), Older()
    quillmere.pillow._set_mode(newer, "P")
    quillmere.pillow._set_mode(older, "RGBA")
    assert (newer.mode, older.mode) == ("P", "RGBA")
