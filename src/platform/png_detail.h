// The pieces of the PNG codec that the palette PNG reader and writer share
// with ImageSurface's (png_codec.cpp): the header check with its size guards,
// libpng's error handling and the write settings. Platform code only.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>

namespace qm::png_detail {

// Checks the signature, the IHDR chunk and the declared size of an open file
// before libpng reads it (png_header.h); kPngLoaded (file back at
// its start), kPngLoadFailed or kPngLoadTooLarge.
int CheckPngFile(std::FILE* file);

// libpng's error function (longjmp) and a warning function that drops
// warnings.
[[noreturn]] void StopPngOnError(png_structp png, png_const_charp message);
void IgnorePngWarning(png_structp png, png_const_charp message);

// How every PNG is read: damage is an error, ancillary chunks but tRNS are
// skipped.
void ApplyPngReadSettings(png_structp png);

// The filter, strategy and level every PNG is written with.
void ApplyPngSaveSettings(png_structp png);

}  // namespace qm::png_detail
