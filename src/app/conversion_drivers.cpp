// The real drivers, kept apart so that code which injects its own never
// links the conversion library's drivers.
#include "app/converter_controller.h"
#include "convert/png_to_pvz.h"
#include "convert/pvz_to_png.h"

namespace qm {

ConversionDriver PvzToPngDriver() {
    return [](std::string& name) { return ConvertPvzToPng(name); };
}

ConversionDriver PngToPvzDriver() {
    return [](std::string& name) { return ConvertPngToPvz(name); };
}

}  // namespace qm
