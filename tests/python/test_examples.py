"""The two scripts of docs/python.md, run on a folder of textures: the
folder extracted as pvz2png extracts it, and re-tinted keeping headers,
codes, indices and palettes. docs/python.md shows them as they are."""

import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

import quillmere
from conftest import corpus, rgba_of_png, run_cli, write_files

SOURCE = Path(os.environ.get("QM_SOURCE_DIR", Path(__file__).resolve().parents[2]))
EXAMPLES = SOURCE / "python" / "examples"


def run_example(name, *args):
    done = subprocess.run([sys.executable, str(EXAMPLES / name), *map(str, args)],
                          capture_output=True, text=True)
    return done.returncode, done.stdout, done.stderr


@pytest.fixture
def textures(tmp_path):
    """A folder of textures: each layout and pixel format, palette textures,
    one in upper case beside a lower-case palette, one damaged."""
    folder = tmp_path / "textures"
    files = {}
    for name, texture, palette in corpus()[::3]:
        files[f"{name}.pvz"] = texture
        if palette is not None:
            files[f"{name}.pvp"] = palette
    upper = next(row for row in corpus() if row[2] is not None)
    files["S7.PVZ"], files["s7.pvp"] = upper[1], upper[2]
    write_files(folder, files)
    return folder


def test_convert_folder_extracts_as_pvz2png(textures, tmp_path):
    expected = tmp_path / "expected"
    shutil.copytree(textures, expected)
    run_cli(expected, "pvz2png", "-r", ".")
    (textures / "broken.pvz").write_bytes(b"short")

    status, out, err = run_example("convert_folder.py", textures, "-j", 2)
    assert status == 1  # the damaged texture
    assert err == f"{textures / 'broken.pvz'}: texture shorter than its 36-byte header\n"
    assert f"{textures / 'S7.PVZ'} -> S7_" in out
    pngs = sorted(p.name for p in expected.glob("*.png"))
    assert sorted(p.name for p in textures.glob("*.png")) == pngs
    assert len(pngs) == len([p for p in expected.iterdir() if p.suffix.lower() == ".pvz"])
    for name in pngs:
        assert rgba_of_png(textures / name) == rgba_of_png(expected / name), name
    assert not [p for p in textures.iterdir() if p.name.startswith(".")]


def texture_files(folder):
    return {p.name: p.read_bytes() for p in folder.iterdir()}


def test_retint_by_one_gives_back_every_byte(textures):
    before = texture_files(textures)
    status, _, err = run_example("retint_folder.py", textures, 1, 1, 1)
    assert status == 0, err
    after = texture_files(textures)
    assert after.keys() == before.keys()
    # Texels a short stream left out are written when it is put back.
    whole = [name for name in before if "-short" not in name]
    assert len(whole) > 10
    assert {name: after[name] for name in whole} == {name: before[name] for name in whole}


def test_retint_keeps_headers_codes_indices_and_palettes(textures):
    factors = (1.0, 0.5, 0.25)
    before = {p.name: quillmere.read(p) for p in textures.glob("*.[pP][vV][zZ]")}
    pvps = {p.name: p.read_bytes() for p in textures.glob("*.[pP][vV][pP]")}
    status, _, err = run_example("retint_folder.py", textures, *factors)
    assert status == 0, err
    assert sorted(p.name for p in textures.iterdir()) == sorted(list(before) + list(pvps))
    for name, old in before.items():
        new = quillmere.read(textures / name)
        assert (new.header, new.pixel_format, new.data_format, new.width, new.height) == (
            old.header, old.pixel_format, old.data_format, old.width, old.height), name
        if old.indices is not None:
            assert new.pvp[:14] == old.pvp[:14]
        if old.indices is not None and not old.padded_texels:
            # The indices stay, but where the tint made two entries one colour.
            for a, b in zip(old.indices, new.indices):
                if a != b:
                    assert new.palette[4 * a:4 * a + 4] == new.palette[4 * b:4 * b + 4], name
        for i in range(0, len(old.rgba), 4):
            if old.pixel_format != 1:  # RGB565 writes texels left out opaque
                assert new.rgba[i + 3] == old.rgba[i + 3]
            for c in range(3):
                # within a step of the 4- or 5-bit channels
                assert abs(new.rgba[i + c] - round(old.rgba[i + c] * factors[c])) <= 9, name


def test_docs_show_the_scripts_as_they_are():
    docs = (SOURCE / "docs" / "python.md").read_text(encoding="utf-8")
    for script in ("convert_folder.py", "retint_folder.py"):
        assert (EXAMPLES / script).read_text(encoding="utf-8") in docs, script
