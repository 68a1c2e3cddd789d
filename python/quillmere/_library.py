"""The shared library, its functions' prototypes, and its statuses as exceptions.

The library is looked for, in this order:

1. beside this package (a copy placed in the package folder);
2. the file (or folder holding it) named by the environment variable
   QUILLMERE_LIBRARY, for instance a build tree's library;
3. the path ``make install`` recorded in ``_paths.py``;
4. the system's loader (``ldconfig``'s folders, ``LD_LIBRARY_PATH``).
"""

import ctypes
import enum
import os
import sys

_NAME = "quillmere.dll" if sys.platform == "win32" else "libquillmere.so.1"
_MAJOR = 1


class Status(enum.IntEnum):
    """qm_status: one value per cause (include/quillmere/quillmere.h)."""

    OK = 0
    INVALID_ARGUMENT = 1
    OUT_OF_MEMORY = 2
    FILE_TOO_LARGE = 3
    HEADER_TOO_SHORT = 4
    PICTURE_TOO_LARGE = 5
    UNKNOWN_PIXEL_FORMAT = 6
    TOO_MANY_TEXELS = 7
    PALETTE_MISSING = 8
    PALETTE_SHORT = 9
    PALETTE_COUNT_MISMATCH = 10
    INDEX_BEYOND_PALETTE = 11
    SHAPE_NOT_PLACEABLE = 12
    SIDE_NOT_POWER_OF_TWO = 13
    WIDTH_NOT_POWER_OF_TWO = 14
    HEIGHT_NOT_POWER_OF_TWO = 15
    BAD_ASPECT_RATIO = 16
    BAD_PNG_NAME = 17
    NOT_PVZ_NAME = 18
    BUFFER_TOO_SMALL = 19
    FILE_OPEN_FAILED = 20
    FILE_READ_FAILED = 21


class Error(Exception):
    """A refusal of the library: ``status`` (a Status, or the number of one
    this module does not know) and ``text``, the library's text for it."""

    def __init__(self, status, where=None):
        try:
            self.status = Status(status)
        except ValueError:
            self.status = int(status)
        self.text = LIB.qm_status_text(int(status)).decode("utf-8")
        self.where = where
        super().__init__(f"{where}: {self.text}" if where else self.text)


class Limits(ctypes.Structure):
    _fields_ = [
        ("struct_size", ctypes.c_size_t),
        ("max_pixels", ctypes.c_uint64),
        ("max_file_size", ctypes.c_uint64),
    ]


class Buffer(ctypes.Structure):
    _fields_ = [("data", ctypes.POINTER(ctypes.c_uint8)), ("size", ctypes.c_size_t)]


class WriteReport(ctypes.Structure):
    _fields_ = [
        ("struct_size", ctypes.c_size_t),
        ("made_opaque", ctypes.c_uint64),
        ("data_format", ctypes.c_uint8),
    ]


class WriteOptions(ctypes.Structure):
    _fields_ = [
        ("struct_size", ctypes.c_size_t),
        ("pixel_format", ctypes.c_uint8),
        ("data_format", ctypes.c_uint8),
        ("header", ctypes.c_uint8 * 12),
        ("keep_palette", ctypes.c_int32),
        ("colors", ctypes.c_int32),
        ("dither", ctypes.c_int32),
        ("alpha_threshold", ctypes.c_int32),
        ("existing_pvp", ctypes.c_char_p),
        ("existing_pvp_size", ctypes.c_size_t),
        ("source_indices", ctypes.c_char_p),
        ("source_palette_rgba", ctypes.c_char_p),
        ("source_palette_count", ctypes.c_size_t),
        ("limits", ctypes.POINTER(Limits)),
        ("report", ctypes.POINTER(WriteReport)),
    ]


def _candidates():
    here = os.path.dirname(os.path.abspath(__file__))
    yield os.path.join(here, _NAME)
    named = os.environ.get("QUILLMERE_LIBRARY")
    if named:
        yield os.path.join(named, _NAME) if os.path.isdir(named) else named
    try:
        from . import _paths

        yield _paths.LIBRARY
    except ImportError:
        pass


def _load():
    for path in _candidates():
        if os.path.isfile(path):
            return ctypes.CDLL(path)
    try:
        return ctypes.CDLL(_NAME)
    except OSError as error:
        raise ImportError(
            f"quillmere: {_NAME} not found (set QUILLMERE_LIBRARY to it, or install "
            "Quillmere)"
        ) from error


def _declare(lib):
    c = ctypes
    status = c.c_int
    texture = c.c_void_p
    size_p = c.POINTER(c.c_size_t)
    u8_p = c.POINTER(c.c_uint8)
    table = {
        "qm_status_text": (c.c_char_p, [c.c_int]),
        "qm_version": (c.c_uint32, []),
        "qm_limits_init": (None, [c.POINTER(Limits)]),
        "qm_texture_read_with_limits": (
            status,
            [c.c_char_p, c.c_size_t, c.c_char_p, c.c_size_t, c.POINTER(Limits), c.POINTER(texture)],
        ),
        "qm_texture_read_file": (status, [c.c_char_p, c.POINTER(Limits), c.POINTER(texture)]),
        "qm_palette_name": (status, [c.c_char_p, c.c_char_p, c.c_size_t, size_p]),
        "qm_texture_free": (None, [texture]),
        "qm_texture_width": (c.c_int32, [texture]),
        "qm_texture_height": (c.c_int32, [texture]),
        "qm_texture_pixel_format": (c.c_uint8, [texture]),
        "qm_texture_data_format": (c.c_uint8, [texture]),
        "qm_texture_header": (u8_p, [texture]),
        "qm_texture_rgba": (u8_p, [texture]),
        "qm_texture_padded_texels": (c.c_uint64, [texture]),
        "qm_texture_palette_count": (c.c_size_t, [texture]),
        "qm_texture_palette_values": (c.POINTER(c.c_uint16), [texture]),
        "qm_texture_palette_rgba": (u8_p, [texture]),
        "qm_texture_indices": (c.POINTER(c.c_uint16), [texture]),
        "qm_buffer_free": (None, [c.POINTER(Buffer)]),
        "qm_write_options_init": (None, [c.POINTER(WriteOptions)]),
        "qm_texture_write": (
            status,
            [c.c_char_p, c.c_int32, c.c_int32, c.c_size_t, c.POINTER(WriteOptions),
             c.POINTER(Buffer), c.POINTER(Buffer)],
        ),
        "qm_png_name_build": (
            status,
            [c.c_char_p, c.c_char_p, c.c_uint8, c.c_uint8, c.c_char_p, c.c_size_t, size_p],
        ),
        "qm_png_name_parse": (
            status,
            [c.c_char_p, c.c_char_p, u8_p, u8_p, c.c_char_p, c.c_size_t, size_p],
        ),
    }
    for name, (restype, argtypes) in table.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    return lib


LIB = _declare(_load())

if LIB.qm_version() >> 16 != _MAJOR:
    raise ImportError(f"quillmere: the library loaded is version {LIB.qm_version():#08x}, "
                      f"not {_MAJOR}.x")


def check(status, where=None):
    """Raises Error for a status other than OK."""
    if status != Status.OK:
        raise Error(status, where)


def text_call(function, *args):
    """Calls a qm_ function that answers a text (out, out_size, length last)
    and returns the text's bytes: asks the length first, then the text."""
    length = ctypes.c_size_t(0)
    status = function(*args, None, 0, ctypes.byref(length))
    if status != Status.BUFFER_TOO_SMALL:
        check(status)
    out = ctypes.create_string_buffer(length.value + 1)
    check(function(*args, out, len(out), ctypes.byref(length)))
    return out.raw[: length.value]


def default_limits(max_pixels=0, max_file_size=0):
    limits = Limits()
    LIB.qm_limits_init(ctypes.byref(limits))
    if max_pixels:
        limits.max_pixels = max_pixels
    if max_file_size:
        limits.max_file_size = max_file_size
    return limits
