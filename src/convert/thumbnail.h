// Previews of textures for file managers: the decoded picture scaled down to
// fit a square, its aspect kept.
#pragma once

#include <cstddef>

#include "platform/image_surface.h"
#include "texture/pvz_header.h"

namespace qm {

struct PictureSize {
    int width = 0;
    int height = 0;
};

// The size of a preview of a width x height picture that fits within
// size x size: the longer side becomes size and the shorter one is rounded,
// but at least 1. A picture that fits already keeps its size (a preview is
// never scaled up).
PictureSize ThumbnailSize(int width, int height, int size);

// True when the stream behind the header could fill width x height texels
// at all (each record stands for at most 256); true for a size of no texels,
// which the converter refuses itself. A stream that cannot is damaged or cut
// short; a preview refuses it before taking pixel memory.
bool StreamCanFill(const TextureInfo& info, std::size_t fileBytes);

// A 32-bit copy of source (32 bits, with alpha) scaled down to size, each
// side no larger than the source's: every preview pixel is the average of
// the source pixels in its box, colours weighted by their alpha. False when
// the sizes do not fit or the surface cannot be made.
bool ScaleDown(const ImageSurface& source, PictureSize size, ImageSurface& out);

// The preview of picture (32 bits, with alpha) that fits within
// size x size: picture itself when it fits already, else its ScaleDown to
// ThumbnailSize, made in scaled. Null when the preview cannot be made.
const ImageSurface* PreviewOf(const ImageSurface& picture, int size, ImageSurface& scaled);

}  // namespace qm
