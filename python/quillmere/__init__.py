"""Quillmere: .pvz textures to pictures and back, from Python.

    import quillmere
    texture = quillmere.read("wall.pvz")          # the .pvp beside it is found
    pixels = texture.to_numpy()                   # (height, width, 4) uint8
    pvz, pvp = quillmere.write(pixels, pixel_format=texture.pixel_format,
                               data_format=texture.data_format,
                               header=texture.header)

The pixels and bytes are exactly those of quillmere-cli pvz2png and png2pvz.
``import quillmere.pillow`` lets Pillow open and save textures. The module
calls libquillmere's C API through ctypes; docs/python.md tells more.
"""

from ._library import Error, Status, LIB as _LIB
from ._texture import INDEX_NONE, PngName, Texture, palette_name, parse_png_name, read
from ._write import save, write


def library_version():
    """The loaded library's version as (major, minor, patch)."""
    version = _LIB.qm_version()
    return (version >> 16, (version >> 8) & 0xFF, version & 0xFF)


__all__ = ["Error", "Status", "INDEX_NONE", "PngName", "Texture", "read", "write", "save",
           "palette_name", "parse_png_name", "library_version"]
