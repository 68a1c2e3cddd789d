// What each file of a batch will write, found before any file is converted:
// two inputs that would write one file are both held back (converting both
// would let one silently replace the other's work), and a palette texture on
// the road that turns it into another data format gets a note.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/input_discovery.h"
#include "convert/conversion_options.h"

namespace qm::cli {

enum class Road { kPvzToPng, kPngToPvz };

// The file a conversion of input on road writes, as the drivers name it
// (case resolved), and the data-format code of the texture: from the
// texture's header for pvz2png (only the header is read), from the name for
// png2pvz. Nothing when the input is not a readable file of the road's kind:
// its conversion fails before it writes anything.
struct PlannedOutput {
    std::string path;
    std::uint8_t dataFormat = 0;
};
std::optional<PlannedOutput> PlanOutput(Road road, const std::string& input);

using RoadFunction = std::function<Road(const std::string& path)>;

// Gives every file that shares its output with another input (the same file
// named twice too: two writers of one file may fail on Windows) an error
// naming the output and the others, so that it counts as failed and is not
// converted; and a note to each
// palette texture that options send to data format 9. Deterministic: the
// files' order alone decides the texts.
void PlanBatch(std::vector<InputFile>& files, const RoadFunction& roadOf,
               const ConversionOptions& options);

}  // namespace qm::cli
