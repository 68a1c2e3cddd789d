// quillmere-cli: batch conversion of .pvz textures to PNG and back, and a
// look inside textures. The one place where errors become exit statuses.
#include <CLI/CLI.hpp>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <cstdio>
#include <exception>
#include <new>

#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/exit_code.h"

namespace {

using qm::cli::ExitCode;

// A batch frees and takes the same few megabytes once per file. By default
// glibc hands them back to the kernel each time, and faulting fresh pages in
// again costs more than converting a small texture; keep them instead.
void KeepFreedMemoryForTheNextFile() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
#endif
}

ExitCode Main(int argc, char** argv) {
    KeepFreedMemoryForTheNextFile();
    CLI::App app(std::string(qm::cli::text::kAppDescription), "quillmere-cli");
    app.set_version_flag("--version", std::string("quillmere-cli ") + QM_VERSION);
    app.footer(std::string(qm::cli::text::kFooter));
    app.require_subcommand(1);

    qm::cli::ConvertCommand pvzToPng(qm::cli::ConvertCommand::Direction::kPvzToPng);
    qm::cli::ConvertCommand pngToPvz(qm::cli::ConvertCommand::Direction::kPngToPvz);
    qm::cli::InfoCommand info;
    qm::cli::ThumbnailCommand thumbnail;
    pvzToPng.Register(app);
    pngToPvz.Register(app);
    info.Register(app);
    thumbnail.Register(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here too, with status 0.
        return app.exit(e) == 0 ? ExitCode::kSuccess : ExitCode::kUsage;
    }
    if (pvzToPng.Chosen()) {
        return pvzToPng.Run();
    }
    if (pngToPvz.Chosen()) {
        return pngToPvz.Run();
    }
    if (info.Chosen()) {
        return info.Run();
    }
    if (thumbnail.Chosen()) {
        return thumbnail.Run();
    }
    return ExitCode::kUsage;  // not reached: a command is required
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return qm::cli::ToInt(Main(argc, argv));
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "quillmere-cli: %s\n", qm::cli::text::kOutOfMemory.data());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillmere-cli: %s%s\n", qm::cli::text::kInternalError.data(),
                     e.what());
    }
    return qm::cli::ToInt(ExitCode::kFailure);
}
