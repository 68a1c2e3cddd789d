// The pieces of the PNG codec that the palette PNG reader and writer share
// with ImageSurface's (png_codec.cpp): the header check with its size guards,
// libpng's error handling and the write settings. Platform code only.
#pragma once

#include <png.h>

#include <cstdio>
#include <string>

namespace qm::png_detail {

// Checks the signature, the IHDR chunk and the declared size before libpng
// reads the file; ImageSurface::kLoaded (file back at its start),
// kLoadFailed or kLoadTooLarge.
int CheckPngHeader(std::FILE* file);

// True when the picture lies within ImageSurface's limits.
bool PngWithinLimits(std::uint64_t width, std::uint64_t height);

// libpng's error function (longjmp) and a warning function that drops
// warnings.
[[noreturn]] void StopPngOnError(png_structp png, png_const_charp message);
void IgnorePngWarning(png_structp png, png_const_charp message);

// The filter, strategy and level every PNG is written with.
void ApplyPngSaveSettings(png_structp png);

// True when path ends in ".png" in any case.
bool IsPngPath(const std::string& path);

}  // namespace qm::png_detail
