// Helpers for the end-to-end conversion tests.
#pragma once

#include <string>
#include <vector>

#include "platform/image_surface.h"
#include "support/test_support.h"
#include "texture/argb_color.h"
#include "texture/color_run.h"
#include "texture/pvz_header.h"

namespace qm::test {

inline const std::string kSuffix0109 = "0800000001000000000000000109";

// Result of one driver call with the messages it showed.
struct Outcome {
    bool ok = false;
    std::vector<std::string> shown;
    std::vector<std::string> debug;
};

Outcome PvzToPng(const std::string& path);
Outcome PngToPvz(const std::string& path);

// A surface filled from a colour per pixel, row by row.
ImageSurface SurfaceOf(int width, int height, int bpp, const std::vector<ArgbColor>& pixels);
// A loaded PNG's pixels, row by row.
std::vector<ArgbColor> PixelsOf(const std::string& pngPath, int* bpp = nullptr);

// A texture made by the project's own writer from random texel values in
// runs, so that converting it to PNG and back must give the same bytes.
std::vector<std::uint8_t> RandomTexture(Random& random, std::uint8_t pf, std::uint8_t df,
                                        std::int16_t w, std::int16_t h);

}  // namespace qm::test
