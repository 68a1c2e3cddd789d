// PNG to texture: a PNG whose name carries the texture's header back into
// its .pvz.
#pragma once

#include <string>

#include "convert/conversion_options.h"
#include "convert/png_name.h"

namespace qm {

// Converts the PNG at path into the .pvz named by its stem, in the same
// folder. Every failure is reported through ShowMessage. A path that does
// not exist stands for the one entry of its folder that differs from it only
// in letter case (platform/name_case.h), and so does the .pvz name: an
// existing "STONE.PVZ" is replaced in place. path may be rewritten in place
// (to that entry, then ".PNG" to ".png"); the picture is loaded under the
// name before that last rewrite. When written is not null it receives the
// .pvz path on success.
bool ConvertPngToPvz(std::string& path, std::string* written = nullptr);
// The same with options (conversion_options.h); the defaults give the above.
bool ConvertPngToPvz(std::string& path, std::string* written, const ConversionOptions& options);

// The same, telling what happened in report (options has nothing for this
// direction yet).
bool ConvertPngToPvz(std::string& path, const ConversionOptions& options, ConversionReport& report);

}  // namespace qm
