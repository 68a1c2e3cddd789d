"""quillmere.read against quillmere-cli pvz2png: the same pixels, the same
files found (names in other letter cases), the same refusals."""

import array
from concurrent.futures import ThreadPoolExecutor

import pytest
from PIL import Image

import quillmere
import quillmere.pillow  # noqa: F401
from conftest import (HEADER, corpus, pvp, pvz, record1, record2, rgba_of_png, run_cli,
                      write_files)

CORPUS = corpus()


def extract(folder, name, *options):
    status, _, err = run_cli(folder, "pvz2png", *options, name)
    assert status == 0, err
    pngs = sorted(p for p in folder.iterdir() if p.suffix == ".png")
    assert len(pngs) == 1
    return pngs[0]


@pytest.mark.parametrize("name,texture,palette", CORPUS, ids=[row[0] for row in CORPUS])
def test_every_front_end_gives_the_pixels_of_pvz2png(folder, name, texture, palette):
    files = {"t.pvz": texture}
    if palette is not None:
        files["t.pvp"] = palette
    write_files(folder, files)
    png = extract(folder, "t.pvz")
    expected = rgba_of_png(png)

    from_bytes = quillmere.read(texture, palette)  # qm_texture_read
    from_path = quillmere.read(folder / "t.pvz")  # qm_texture_read_file
    with Image.open(folder / "t.pvz") as image:
        from_pillow = image.convert("RGBA").tobytes()
    assert from_bytes.rgba == expected
    assert from_path.rgba == expected
    assert from_pillow == expected
    assert from_path.png_name("t.pvz") == png.name
    for texture_read in (from_bytes, from_path):
        assert texture_read.header == texture[8:20]
        assert (texture_read.pixel_format, texture_read.data_format) == (texture[28], texture[29])
        assert texture_read.to_numpy().tobytes() == expected
        assert texture_read.to_numpy().shape == (texture_read.height, texture_read.width, 4)
        assert (texture_read.padded_texels > 0) == name.endswith("-short")
    if palette is None:
        assert from_path.indices is None and from_path.palette is None and from_path.pvp is None
        return
    # A palette texture's pixels are its entries at its indices.
    assert from_path.pvp == palette
    assert len(from_path.palette) == 4 * len(from_path.palette_values)
    for i, index in enumerate(from_path.indices):
        pixel = expected[4 * i:4 * i + 4]
        if index == quillmere.INDEX_NONE:
            assert pixel == bytes(4)
        else:
            assert pixel == from_path.palette[4 * index:4 * index + 4]


def palette_texture():
    return pvz(1, 7, 4, 4, record1(0, 16))


# Files in a folder, the name given, and the .pvp read (by its entry) or the
# status of the refusal; pvz2png reads the same.
CASE_ROWS = [
    ("same-case", ["wall.pvz", "wall.pvp"], "wall.pvz", "wall.pvp"),
    ("upper", ["S7.PVZ", "S7.PVP"], "S7.PVZ", "S7.PVP"),
    ("upper-texture-lower-palette", ["S7.PVZ", "s7.pvp"], "S7.PVZ", "s7.pvp"),
    ("texture-in-other-case", ["WALL.PVZ", "Wall.pvp"], "wall.pvz", "Wall.pvp"),
    ("exact-name-wins", ["wall.pvz", "WALL.PVP", "wall.pvp"], "wall.pvz", "wall.pvp"),
    ("two-variants", ["wall.pvz", "WALL.PVP", "Wall.pvp"], "wall.pvz",
     quillmere.Status.PALETTE_MISSING),
    ("no-palette", ["wall.pvz"], "wall.pvz", quillmere.Status.PALETTE_MISSING),
    ("not-pvz", ["wall.Pvz", "wall.Pvp"], "wall.Pvz", quillmere.Status.NOT_PVZ_NAME),
]


@pytest.mark.parametrize("files,given,found", [r[1:] for r in CASE_ROWS],
                         ids=[r[0] for r in CASE_ROWS])
def test_the_palette_is_found_as_pvz2png_finds_it(folder, files, given, found):
    for number, name in enumerate(files):
        if name.lower().endswith(".pvz"):
            data = palette_texture()
        else:  # each palette an entry of its own
            data = pvp([0x8000 + number])
        write_files(folder, {name: data})
    status, _, err = run_cli(folder, "pvz2png", given)
    if isinstance(found, str):
        assert status == 0, err
        texture = quillmere.read(folder / given)
        assert texture.pvp == (folder / found).read_bytes()
        assert texture.palette_values == (0x8000 + files.index(found),)
        assert quillmere.palette_name(str(folder / given)) == str(folder / found)
        return
    assert status != 0
    with pytest.raises(quillmere.Error) as refused:
        quillmere.read(folder / given)
    assert refused.value.status == found


# Refusals: the status, its text, and pvz2png's message for the same file.
ERROR_ROWS = [
    ("header-too-short", bytes(35), None, quillmere.Status.HEADER_TOO_SHORT,
     "texture shorter than its 36-byte header", "エラー"),
    ("unknown-pixel-format", pvz(3, 9, 2, 2, record2(1, 1)), None,
     quillmere.Status.UNKNOWN_PIXEL_FORMAT, "unknown pixel format", "カラー情報がおかしい"),
    ("too-many-texels", pvz(1, 9, 2, 2, record2(1, 256)), None, quillmere.Status.TOO_MANY_TEXELS,
     "texel stream holds more texels than the picture", "ReadColorData2Byte 展開できません"),
    ("palette-count", pvz(1, 7, 2, 2, record1(0, 4)), pvp([1, 2], 3),
     quillmere.Status.PALETTE_COUNT_MISMATCH, "palette entries differ from its count",
     "ReadColorPalette パレット数がおかしい"),
    ("index-beyond-palette", pvz(1, 7, 2, 2, record1(1, 4)), pvp([1]),
     quillmere.Status.INDEX_BEYOND_PALETTE, "texel index beyond the palette",
     "ReadColorData1Byte パレット番号がおかしい"),
    ("not-placeable", pvz(1, 1, 6, 6, record2(1, 1)), None, quillmere.Status.SHAPE_NOT_PLACEABLE,
     "picture shape cannot be placed (neither rows nor twiddled squares)",
     "CreatePng サポートしてません"),
]


@pytest.mark.parametrize("texture,palette,status,text,message", [r[1:] for r in ERROR_ROWS],
                         ids=[r[0] for r in ERROR_ROWS])
def test_refusals_carry_the_status_and_its_text(folder, texture, palette, status, text, message):
    files = {"t.pvz": texture}
    if palette is not None:
        files["t.pvp"] = palette
    write_files(folder, files)
    code, _, err = run_cli(folder, "pvz2png", "t.pvz")
    assert code != 0 and f"t.pvz: {message}\n" in err
    for source in (folder / "t.pvz", texture):
        with pytest.raises(quillmere.Error) as refused:
            quillmere.read(source, *([] if source != texture else [palette]))
        assert refused.value.status == status
        assert refused.value.text == text
    assert str(refused.value) == text


def test_file_refusals_name_the_file(folder):
    (folder / "empty.pvz").write_bytes(b"")
    with pytest.raises(quillmere.Error) as missing:
        quillmere.read(folder / "gone.pvz")
    assert missing.value.status == quillmere.Status.FILE_OPEN_FAILED
    assert str(missing.value) == f"{folder / 'gone.pvz'}: texture file cannot be opened"
    with pytest.raises(quillmere.Error) as empty:
        quillmere.read(folder / "empty.pvz")
    assert empty.value.status == quillmere.Status.FILE_READ_FAILED
    assert empty.value.text == "texture file cannot be read"


def test_limits_are_lowered_by_the_caller():
    texture = pvz(1, 9, 4, 4, record2(7, 16))
    assert quillmere.read(texture).width == 4
    with pytest.raises(quillmere.Error) as pixels:
        quillmere.read(texture, max_pixels=15)
    assert pixels.value.status == quillmere.Status.PICTURE_TOO_LARGE
    with pytest.raises(quillmere.Error) as size:
        quillmere.read(texture, max_file_size=len(texture) - 1)
    assert size.value.status == quillmere.Status.FILE_TOO_LARGE


def test_a_path_finds_its_own_palette():
    with pytest.raises(TypeError):
        quillmere.read("wall.pvz", palette=b"")


def test_indices_mark_texels_left_out():
    texture = quillmere.read(pvz(1, 7, 2, 2, record1(1, 2)), pvp([0x1234, 0x8000]))
    # Twiddled: the first two texels are the left column.
    none = quillmere.INDEX_NONE
    assert texture.indices == array.array("H", [1, none, 1, none])
    assert texture.padded_texels == 2


NAME_ROWS = [
    ("wall_0800000001000000000000000109.png", ("wall.pvz", HEADER[:4] + bytes([1]) + bytes(7), 1,
                                              9)),
    ("dir/my_stone_000102030405060708090a0b0207.PNG",
     ("dir/my_stone.pvz", bytes(range(12)), 2, 7)),
    ("wall.png", quillmere.Status.BAD_PNG_NAME),
    ("wall_08000000010000000000000001.png", quillmere.Status.BAD_PNG_NAME),
]


@pytest.mark.parametrize("name,fields", NAME_ROWS, ids=[r[0] for r in NAME_ROWS])
def test_png_names_are_read_as_png2pvz_reads_them(name, fields):
    if isinstance(fields, tuple):
        parsed = quillmere.parse_png_name(name)
        assert tuple(parsed) == fields
        return
    with pytest.raises(quillmere.Error) as refused:
        quillmere.parse_png_name(name)
    assert refused.value.status == fields
    assert refused.value.text == "PNG name does not carry a texture header"


def test_threads_read_and_write_at_once():
    jobs = [(texture, palette) for _, texture, palette in CORPUS] * 3

    def round_trip(job):
        texture = quillmere.read(*job)
        return texture.rgba, quillmere.write(
            texture.rgba, width=texture.width, height=texture.height,
            pixel_format=texture.pixel_format, data_format=texture.data_format,
            header=texture.header)

    serial = [round_trip(job) for job in jobs]
    with ThreadPoolExecutor(4) as pool:
        assert list(pool.map(round_trip, jobs)) == serial


def test_statuses_this_module_does_not_know_stay_numbers():
    error = quillmere.Error(99)
    assert (error.status, error.text, str(error)) == (99, "unknown status", "unknown status")
    error = quillmere.Error(quillmere.Status.NOT_PVZ_NAME, "a.png")
    assert str(error) == "a.png: texture name does not end in .pvz"
    assert quillmere.library_version()[0] == 1
