// PNG to texture: a PNG whose name carries the texture's header back into
// its .pvz.
#pragma once

#include <string>

#include "convert/conversion_options.h"
#include "convert/png_name.h"

namespace qm {

// Converts the PNG at path into the .pvz named by its stem, in the same
// folder. Every failure is reported through ShowMessage. path may be
// rewritten in place (".PNG" to ".png"); the picture is still loaded under
// the name as given. When written is not null it receives the .pvz path on
// success.
bool ConvertPngToPvz(std::string& path, std::string* written = nullptr);

// The same, telling what happened in report (options has nothing for this
// direction yet).
bool ConvertPngToPvz(std::string& path, const ConversionOptions& options, ConversionReport& report);

}  // namespace qm
