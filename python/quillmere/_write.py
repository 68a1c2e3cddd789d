"""Writing textures: quillmere.write (bytes in memory) and quillmere.save
(files, each complete or not there at all)."""

import ctypes
import os
import sys
import tempfile

from ._library import LIB, Buffer, WriteOptions, WriteReport, check, default_limits
from ._texture import _read_palette_file, palette_name


class _Picture:
    """A picture as the C API takes it: R G B A rows, and, for a palette
    picture, its indices and R G B A entries."""

    def __init__(self, rgba, width, height, indices=None, entries=None):
        self.rgba = rgba
        self.width = width
        self.height = height
        self.indices = indices
        self.entries = entries


def _is_pillow_image(picture):
    # Pillow is not imported here: a Pillow image means Pillow is loaded.
    pil = sys.modules.get("PIL.Image")
    return pil is not None and isinstance(picture, pil.Image)


def _pillow_palette_entries(image):
    """A mode "P" image's palette as R G B A bytes, with its transparency
    (or the palette's own alpha, for a palette of mode "RGBA")."""
    if image.palette is not None and image.palette.mode == "RGBA":
        return bytes(image.getpalette("RGBA"))
    rgb = image.getpalette() or []
    count = len(rgb) // 3
    alpha = [255] * count
    transparency = image.info.get("transparency")
    if isinstance(transparency, int):
        if transparency < count:
            alpha[transparency] = 0
    elif transparency is not None:
        for i, value in enumerate(bytes(transparency)[:count]):
            alpha[i] = value
    entries = bytearray()
    for i in range(count):
        entries += bytes(rgb[3 * i:3 * i + 3]) + bytes([alpha[i]])
    return bytes(entries)


def _from_pillow(image, keep_palette):
    image.load()
    if keep_palette and image.mode == "P":
        entries = _pillow_palette_entries(image)
        return _Picture(image.convert("RGBA").tobytes(), image.width, image.height,
                        indices=image.tobytes(), entries=entries)
    if image.mode != "RGBA":
        image = image.convert("RGBA")
    return _Picture(image.tobytes(), image.width, image.height)


def _from_numpy(array):
    import numpy

    if array.dtype != numpy.uint8 or array.ndim != 3 or array.shape[2] not in (3, 4):
        raise ValueError("quillmere.write: a numpy picture is a (height, width, 4) or "
                         f"(height, width, 3) uint8 array, not {array.shape} {array.dtype}")
    height, width = array.shape[:2]
    if array.shape[2] == 3:
        opaque = numpy.full((height, width, 4), 255, dtype=numpy.uint8)
        opaque[:, :, :3] = array
        array = opaque
    return _Picture(numpy.ascontiguousarray(array).tobytes(), width, height)


def _picture(picture, width, height, keep_palette):
    if _is_pillow_image(picture):
        return _from_pillow(picture, keep_palette)
    numpy = sys.modules.get("numpy")
    if numpy is not None and isinstance(picture, numpy.ndarray):
        return _from_numpy(picture)
    try:
        rgba = bytes(memoryview(picture))
    except TypeError:
        raise TypeError("quillmere.write: the picture is RGBA bytes (with width and height), "
                        f"a numpy array or a Pillow image, not {type(picture).__name__}") from None
    if width is None or height is None:
        raise TypeError("quillmere.write: RGBA bytes need width= and height=")
    if width < 1 or height < 1 or len(rgba) != 4 * width * height:
        raise ValueError(f"quillmere.write: {len(rgba)} bytes are not {width} x {height} "
                         "RGBA pixels")
    return _Picture(rgba, width, height)


def _take(buffer):
    try:
        return ctypes.string_at(buffer.data, buffer.size) if buffer.data else b""
    finally:
        LIB.qm_buffer_free(ctypes.byref(buffer))


def write(picture, *, pixel_format, data_format, header, keep_palette=False, palette=None,
          colors=None, dither=False, alpha_threshold=None, width=None, height=None,
          max_pixels=0):
    """Encodes a picture into the bytes ``quillmere-cli png2pvz`` writes for it
    under a PNG name carrying these codes and header bytes, with the same
    options. Returns (pvz_bytes, pvp_bytes), pvp_bytes None unless a palette
    texture was written (data_format 7 with keep_palette).

    picture: R G B A bytes (any bytes-like object) with width and height; a
    numpy uint8 array (height, width, 4), or (height, width, 3) taken as
    opaque; or a Pillow image (converted to RGBA; with keep_palette a mode "P"
    image gives its indices and palette, as a palette PNG does to png2pvz).
    header: the 12 header bytes. keep_palette, colors (2..256), dither,
    alpha_threshold (0..255) are png2pvz's --keep-palette, --colors,
    --dither, --alpha-threshold; palette is the .pvp being replaced (its
    bytes), whose entries are kept where the picture allows.
    """
    header = bytes(header)
    if len(header) != 12:
        raise ValueError(f"quillmere.write: header is 12 bytes, not {len(header)}")
    source = _picture(picture, width, height, keep_palette)
    options = WriteOptions()
    LIB.qm_write_options_init(ctypes.byref(options))
    if options.struct_size != ctypes.sizeof(WriteOptions):
        raise ImportError("quillmere: the library's qm_write_options differ from this module's")
    options.pixel_format = pixel_format
    options.data_format = data_format
    options.header[:] = list(header)
    options.keep_palette = 1 if keep_palette else 0
    options.colors = 0 if colors is None else colors
    options.dither = 1 if dither else 0
    options.alpha_threshold = -1 if alpha_threshold is None else alpha_threshold
    existing = None if palette is None else bytes(palette)
    if existing is not None:
        options.existing_pvp = existing
        options.existing_pvp_size = len(existing)
    if source.indices is not None:
        options.source_indices = source.indices
        options.source_palette_rgba = source.entries
        options.source_palette_count = len(source.entries) // 4
    limits = default_limits(max_pixels)
    options.limits = ctypes.pointer(limits)
    report = WriteReport(struct_size=ctypes.sizeof(WriteReport))
    options.report = ctypes.pointer(report)
    pvz, pvp = Buffer(), Buffer()
    status = LIB.qm_texture_write(source.rgba, source.width, source.height, 4 * source.width,
                                  ctypes.byref(options), ctypes.byref(pvz), ctypes.byref(pvp))
    pvz_bytes, pvp_bytes = _take(pvz), _take(pvp)
    check(status)
    return pvz_bytes, (pvp_bytes if keep_palette and data_format == 7 else None)


def _replace_file(path, data, keep_temporary=False):
    """Writes data under a temporary name beside path, flushed to the disk;
    puts it in place unless keep_temporary (then returns the temporary's
    name). Nothing is left behind on failure."""
    folder, name = os.path.split(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(prefix=f".{name}.tmp-", dir=folder)
    try:
        with os.fdopen(handle, "wb") as file:
            file.write(data)
            file.flush()
            os.fsync(file.fileno())
        if keep_temporary:
            return temporary
        os.replace(temporary, path)
        return None
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise


def save(path, picture, **options):
    """Writes quillmere.write's bytes to the texture at path and, for a
    palette texture, its .pvp to palette_name(path); each file appears
    complete or not at all, and an existing one stays as it was when anything
    fails. With keep_palette and no palette=, the .pvp already beside path
    is the one being replaced, as png2pvz --keep-palette takes it. Takes
    write's arguments; returns (pvz_path, pvp_path or None)."""
    path = os.fspath(path)
    pvp_path = None
    if options.get("keep_palette") and options.get("data_format") == 7:
        pvp_path = palette_name(path)
        if options.get("palette") is None:
            options["palette"] = _read_palette_file(pvp_path)
    pvz, pvp = write(picture, **options)
    if pvp is None:
        _replace_file(path, pvz)
        return path, None
    # Both files are written whole before either is put in place.
    temporary = _replace_file(pvp_path, pvp, keep_temporary=True)
    try:
        _replace_file(path, pvz)
    except BaseException:
        os.unlink(temporary)
        raise
    os.replace(temporary, pvp_path)
    return path, pvp_path


__all__ = ["write", "save"]
