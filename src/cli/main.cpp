// quillmere-cli: batch conversion of .pvz textures to PNG and back, and a
// look inside textures. The one place where errors become exit statuses.
#include <CLI/CLI.hpp>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/console.h"
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

// Arguments that are all names, none an option and the first not one of
// app's commands: files dropped on the program, or named after it on a
// command line.
bool AreDroppedFiles(const CLI::App& app, const std::vector<std::string>& arguments) {
    if (arguments.size() < 2) {
        return false;
    }
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i].empty() || arguments[i].front() == '-') {
            return false;
        }
    }
    const auto commands = app.get_subcommands(
        [&arguments](const CLI::App* command) { return command->check_name(arguments[1]); });
    return commands.empty();
}

ExitCode Main(std::vector<std::string> arguments) {
    KeepFreedMemoryForTheNextFile();
    CLI::App app(std::string(qm::cli::text::kAppDescription), "quillmere-cli");
    app.set_version_flag("--version", std::string("quillmere-cli ") + QM_VERSION);
    app.footer(std::string(qm::cli::text::kFooter));
    app.require_subcommand(1);

    qm::cli::ConvertCommand pvzToPng(qm::cli::ConvertCommand::Direction::kPvzToPng);
    qm::cli::ConvertCommand pngToPvz(qm::cli::ConvertCommand::Direction::kPngToPvz);
    qm::cli::InfoCommand info;
    qm::cli::ThumbnailCommand thumbnail;
    qm::cli::ExplorerCommand registration(qm::cli::ExplorerCommand::Action::kRegister);
    qm::cli::ExplorerCommand unregistration(qm::cli::ExplorerCommand::Action::kUnregister);
    pvzToPng.Register(app);
    pngToPvz.Register(app);
    info.Register(app);
    thumbnail.Register(app);
    registration.Register(app);
    unregistration.Register(app);
    if (AreDroppedFiles(app, arguments)) {
        return qm::cli::ConvertDropped({arguments.begin() + 1, arguments.end()});
    }

    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
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
    if (registration.Chosen()) {
        return registration.Run();
    }
    if (unregistration.Chosen()) {
        return unregistration.Run();
    }
    return ExitCode::kUsage;  // not reached: a command is required
}

int Run(int argc, char** argv) {
    try {
        qm::cli::PrepareConsole();
        return qm::cli::ToInt(Main(qm::cli::Utf8Arguments(argc, argv)));
    } catch (const std::bad_alloc&) {
        qm::cli::WriteAndFlush(stderr, std::string("quillmere-cli: ") +
                                           std::string(qm::cli::text::kOutOfMemory) + "\n");
    } catch (const std::exception& e) {
        qm::cli::WriteAndFlush(stderr, std::string("quillmere-cli: ") +
                                           std::string(qm::cli::text::kInternalError) + e.what() +
                                           "\n");
    }
    return qm::cli::ToInt(ExitCode::kFailure);
}

}  // namespace

int main(int argc, char** argv) {
    const int status = Run(argc, argv);
    // Started for files dropped on it, the program has a console window of
    // its own, which closes when it ends: let the user read it first.
    qm::cli::WaitInOwnWindow(qm::cli::text::kPressEnter);
    return status;
}
