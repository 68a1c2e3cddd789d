"""Pillow learns .pvz textures: ``import quillmere.pillow``, then

    from PIL import Image
    im = Image.open("wall.pvz")        # sniffed by its header, any name
    im = im.rotate(90)                 # ... any editing
    im.save("wall.pvz")                # header and codes from im.info

Textures open as mode "RGBA", palette textures (data format 7) as mode "P"
with their palette (and transparency) from the .pvp beside the file, found as
the command line finds it. ``im.info`` holds ``header`` (12 bytes),
``pixel_format``, ``data_format`` and, for palette textures, ``pvp`` (the
.pvp's bytes). ``im.save(path, ...)`` takes quillmere.write's keywords
(header, pixel_format, data_format, keep_palette, palette, colors, dither,
alpha_threshold); those not given come from ``im.info``, and keep_palette
defaults to True for data format 7, so that a palette texture stays one and
its .pvp is written beside it (palette: the one given, else the .pvp already
beside the target, else the one the picture was opened with).

Written for Pillow 9.4 (Debian 12) and later (the mode kept in ``_mode``).
"""

import array
import os

from PIL import Image, ImageFile, ImagePalette

from ._library import Error, default_limits
from ._texture import INDEX_NONE, _read_palette_file, palette_name, read
from ._write import _replace_file, write

FORMAT = "PVZ"
_DECODER = "quillmere.pvz"
MIME = "image/x-quillmere-pvz"

# The texture header: a size word, "GBIX", 12 header bytes, "PVRT", ...
_GBIX_AT = 4
_PVRT_AT = 20
_DATA_FORMAT_AT = 29
_HEADER_SIZE = 36


def _accept(prefix):
    return prefix[_GBIX_AT:_GBIX_AT + 4] == b"GBIX"


def _set_mode(image, mode):
    # Pillow 10.1 and later keep the mode in _mode behind a read-only property.
    if isinstance(getattr(type(image), "mode", None), property):
        image._mode = mode
    else:
        image.mode = mode


def _indexed(texture):
    """The entries and indices of a palette texture as pvz2png --indexed
    writes them (texels a short stream left out on a transparent black
    entry), or None when they need the colour picture instead."""
    entries = [texture.palette[i:i + 4] for i in range(0, min(len(texture.palette), 4 * 256), 4)]
    clear = bytes(4)
    padded = texture.padded_texels > 0
    if padded and clear not in entries and len(entries) < 256:
        entries.append(clear)
    if not entries or (padded and clear not in entries):
        return None
    if not padded:  # 1-byte texels: every index is below 256
        return entries, array.array("B", texture.indices).tobytes()
    clear_index = entries.index(clear)
    return entries, bytes(clear_index if i == INDEX_NONE else i for i in texture.indices)


class PvzImageFile(ImageFile.ImageFile):
    format = FORMAT
    format_description = "Quillmere texture"

    def _open(self):
        head = self.fp.read(_HEADER_SIZE)
        if len(head) < _HEADER_SIZE or head[_PVRT_AT:_PVRT_AT + 4] != b"PVRT" \
                or not _accept(head):
            raise SyntaxError("not a .pvz texture")
        limits = default_limits()
        data = head + self.fp.read(limits.max_file_size + 1 - _HEADER_SIZE)
        name = self.filename or getattr(self.fp, "name", None)
        if isinstance(name, (bytes, str)) and name:
            name = os.fsdecode(name)
        else:
            name = None
        pvp = None
        if data[_DATA_FORMAT_AT] == 7 and name is not None:
            try:
                pvp = _read_palette_file(palette_name(name))
            except Error:  # not named .pvz: no palette beside it
                pvp = None
        # Pillow's own bound on pictures, before any pixel is decoded.
        max_pixels = 2 * Image.MAX_IMAGE_PIXELS if Image.MAX_IMAGE_PIXELS else 0
        texture = read(data, pvp, max_pixels=max_pixels)
        self._size = (texture.width, texture.height)
        self.info.update(header=texture.header, pixel_format=texture.pixel_format,
                         data_format=texture.data_format)
        indexed = _indexed(texture) if texture.indices is not None else None
        if texture.indices is not None:
            self.info["pvp"] = texture.pvp if texture.pvp is not None else pvp
        if indexed is None:
            mode, pixels = "RGBA", texture.rgba
        else:
            entries, pixels = indexed
            mode = "P"
            self.palette = ImagePalette.raw("RGB", b"".join(e[:3] for e in entries))
            alpha = bytes(e[3] for e in entries)
            if alpha != b"\xff" * len(alpha):
                self.info["transparency"] = alpha
        _set_mode(self, mode)
        # The texture is decoded already: load() takes its pixels from the
        # tile (and closes the file as for any other format).
        self.tile = [(_DECODER, (0, 0) + self.size, 0, (pixels,))]


class _PixelsDecoder(ImageFile.PyDecoder):
    """Hands over pixels decoded when the file was opened."""

    _pulls_fd = True

    def decode(self, buffer):
        self.set_as_raw(self.args[0])
        return -1, 0


def _save(im, fp, filename):
    given = im.encoderinfo
    fields = {}
    for key in ("header", "pixel_format", "data_format"):
        fields[key] = given.get(key, im.info.get(key))
    missing = [key for key, value in fields.items() if value is None]
    if missing:
        raise ValueError("saving a .pvz needs " + ", ".join(missing) +
                         " (given to save(), or in im.info from a texture)")
    keep_palette = given.get("keep_palette", fields["data_format"] == 7)
    palette = given.get("palette")
    name = os.fsdecode(filename) if filename else None
    pvp_path = None
    if keep_palette and fields["data_format"] == 7:
        if name is None:
            raise ValueError("a palette texture saved to a file object has no place for its "
                             ".pvp: save to a path, or use quillmere.write")
        pvp_path = palette_name(name)
        if palette is None:
            palette = _read_palette_file(pvp_path)
        if palette is None:
            palette = im.info.get("pvp")
    pvz, pvp = write(im, keep_palette=keep_palette, palette=palette,
                     colors=given.get("colors"), dither=given.get("dither", False),
                     alpha_threshold=given.get("alpha_threshold"), **fields)
    if pvp is None:
        fp.write(pvz)
        return
    temporary = _replace_file(pvp_path, pvp, keep_temporary=True)
    try:
        fp.write(pvz)
        fp.flush()
    except BaseException:
        os.unlink(temporary)
        raise
    os.replace(temporary, pvp_path)


Image.register_open(FORMAT, PvzImageFile, _accept)
# Asked first: a texture's size word can look like another format's magic
# (a 4 x 4 texture begins as a device-independent bitmap header does), while
# no other format has "GBIX" at offset 4.
Image.ID.remove(FORMAT)
Image.ID.insert(0, FORMAT)
Image.register_decoder(_DECODER, _PixelsDecoder)
Image.register_save(FORMAT, _save)
Image.register_extension(FORMAT, ".pvz")
Image.register_mime(FORMAT, MIME)

__all__ = ["FORMAT", "MIME", "PvzImageFile"]
