// PNG files to and from pixel buffers (ImageSurface): libpng on Linux
// (png_codec.cpp), the Windows Imaging Component for reading and the
// project's own encoder for writing on Windows (png_codec_wic.cpp).
#pragma once

#include <string>

#include "platform/file_io.h"
#include "platform/image_surface.h"

namespace qm {

// Load results; negative values are failures.
inline constexpr int kPngLoaded = 0;
inline constexpr int kPngLoadFailed = -1;    // missing, unreadable, not a PNG, damaged
inline constexpr int kPngLoadTooLarge = -2;  // header declares a picture beyond the limits

// Loads a PNG file onto surface. Every valid PNG loads: pictures with alpha
// (RGBA, grey with alpha, palettes with transparency) at 32 bits, the others
// at 24; 16-bit channels keep their high byte. Colour values are taken as
// stored. The header is checked against ImageSurface's limits before any
// pixel memory is taken. Returns kPngLoaded or a negative status; on failure
// the surface is empty.
int LoadPngFile(const std::string& path, ImageSurface& surface);

// Saves surface as an 8-bit RGBA PNG (24-bit surfaces, and 32-bit ones
// created without an alpha channel, as RGB). The file name must end in
// ".png" (any case). Written under a temporary name and renamed over path
// when complete (see AtomicFileWriter). When modified is not null the file
// gets that modification time. False when nothing could be written.
bool SavePngFile(const ImageSurface& surface, const std::string& path,
                 const FileTime* modified = nullptr);

}  // namespace qm
