"""Reading textures: quillmere.read, the Texture it gives, and the names."""

import array
import collections
import ctypes
import os

from ._library import LIB, Error, check, default_limits, text_call

#: The index a texel left out by a short stream gets (QM_INDEX_NONE).
INDEX_NONE = 0xFFFF

#: The fields a PNG name carries (parse_png_name).
PngName = collections.namedtuple("PngName", "pvz_name header pixel_format data_format")

# A .pvp holds at most 16 + 2 x 65535 bytes; the library refuses longer ones.
# Reading a little beyond that is enough to let it.
_PVP_READ_LIMIT = 1 << 18


def _path_bytes(path):
    """A path as the bytes the command line would receive for it."""
    return os.fsencode(path)


class Texture:
    """A decoded texture: the pixels ``quillmere-cli pvz2png`` writes.

    ``width``, ``height``; ``pixel_format`` (0 ARGB1555, 1 RGB565,
    2 ARGB4444); ``data_format`` (7 palette, 9 rows, else twiddled);
    ``header``, the 12 header bytes; ``rgba``, width x height x 4 bytes
    R G B A, top row first, not premultiplied; ``padded_texels``, texels a
    short stream left out (transparent black).

    Palette textures (data format 7) also have ``indices`` (an
    ``array('H')`` of width x height palette indices, INDEX_NONE for padded
    texels), ``palette`` (the entries as R G B A bytes, 4 per entry),
    ``palette_values`` (the 16-bit entries as stored) and ``pvp`` (the .pvp
    file's bytes); for other textures these are None.
    """

    __slots__ = ("width", "height", "pixel_format", "data_format", "header", "rgba",
                 "padded_texels", "indices", "palette", "palette_values", "pvp")

    def __init__(self, handle, pvp):
        width = LIB.qm_texture_width(handle)
        height = LIB.qm_texture_height(handle)
        self.width = width
        self.height = height
        self.pixel_format = LIB.qm_texture_pixel_format(handle)
        self.data_format = LIB.qm_texture_data_format(handle)
        self.header = ctypes.string_at(LIB.qm_texture_header(handle), 12)
        self.rgba = ctypes.string_at(LIB.qm_texture_rgba(handle), 4 * width * height)
        self.padded_texels = LIB.qm_texture_padded_texels(handle)
        self.indices = self.palette = self.palette_values = self.pvp = None
        indices = LIB.qm_texture_indices(handle)
        if indices:
            count = LIB.qm_texture_palette_count(handle)
            self.indices = array.array("H", ctypes.string_at(indices, 2 * width * height))
            self.palette = ctypes.string_at(LIB.qm_texture_palette_rgba(handle), 4 * count)
            values = ctypes.string_at(LIB.qm_texture_palette_values(handle), 2 * count)
            self.palette_values = tuple(array.array("H", values))
            self.pvp = pvp

    def __repr__(self):
        return (f"<quillmere.Texture {self.width}x{self.height} pixel_format={self.pixel_format} "
                f"data_format={self.data_format} header={self.header.hex()}>")

    def to_numpy(self):
        """The pixels as a new (height, width, 4) uint8 array (needs numpy)."""
        import numpy

        return numpy.frombuffer(self.rgba, dtype=numpy.uint8).reshape(
            self.height, self.width, 4).copy()

    def png_name(self, texture_name):
        """The PNG name pvz2png gives this texture when it is named
        texture_name ("wall.pvz" -> "wall_0800...0109.png")."""
        name = text_call(LIB.qm_png_name_build, _path_bytes(texture_name), self.header,
                         self.pixel_format, self.data_format)
        return os.fsdecode(name)


def _decode(read):
    handle = ctypes.c_void_p()
    read(ctypes.byref(handle))
    return handle


def read(source, palette=None, *, max_pixels=0, max_file_size=0):
    """Decodes a texture.

    source is a path (str or os.PathLike: the .pvp beside it is found as the
    command line finds it, in any letter case) or the .pvz's bytes (any
    bytes-like object; palette is then the .pvp's bytes, or None). Limits for
    untrusted input may be lowered with max_pixels and max_file_size (0: the
    command line's). Raises quillmere.Error where pvz2png refuses the file.
    """
    limits = default_limits(max_pixels, max_file_size)
    handle = ctypes.c_void_p()
    pvp = None
    if isinstance(source, (str, os.PathLike)):
        if palette is not None:
            raise TypeError("quillmere.read: palette= goes with bytes; a path finds its own .pvp")
        where = os.fspath(source)
        check(LIB.qm_texture_read_file(_path_bytes(source), ctypes.byref(limits),
                                       ctypes.byref(handle)), where)
    else:
        where = None
        data = bytes(source)
        pvp = None if palette is None else bytes(palette)
        check(LIB.qm_texture_read_with_limits(data, len(data), pvp, 0 if pvp is None else len(pvp),
                                              ctypes.byref(limits), ctypes.byref(handle)))
    try:
        if where is not None and LIB.qm_texture_indices(handle):
            pvp = _read_palette_file(palette_name(where))
        return Texture(handle, pvp)
    finally:
        LIB.qm_texture_free(handle)


def _read_palette_file(path):
    try:
        with open(path, "rb") as file:
            return file.read(_PVP_READ_LIMIT)
    except OSError:
        return None


def palette_name(texture_path):
    """The .pvp file the command line reads for the texture at texture_path:
    derived from its name and met in the letter case of the one existing file
    it matches ("S7.PVZ" -> "S7.PVP", or "s7.pvp" when that is the file).
    Whether it exists is not checked."""
    return os.fsdecode(text_call(LIB.qm_palette_name, _path_bytes(texture_path)))


def parse_png_name(name):
    """The fields png2pvz reads from a PNG's name, as a PngName:
    ``pvz_name`` (the texture's name, folder part kept), ``header`` (12
    bytes), ``pixel_format``, ``data_format``. Raises quillmere.Error
    (Status.BAD_PNG_NAME) for a name png2pvz refuses."""
    header = ctypes.create_string_buffer(12)
    pixel_format = ctypes.c_uint8()
    data_format = ctypes.c_uint8()
    pvz_name = text_call(LIB.qm_png_name_parse, _path_bytes(name), header,
                         ctypes.byref(pixel_format), ctypes.byref(data_format))
    return PngName(os.fsdecode(pvz_name), header.raw, pixel_format.value, data_format.value)


__all__ = ["INDEX_NONE", "PngName", "Texture", "read", "palette_name", "parse_png_name", "Error"]
