// pvz2png and png2pvz.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <thread>

#include "cli/batch_plan.h"
#include "cli/batch_runner.h"
#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/input_discovery.h"
#include "cli/output_lines.h"
#include "convert/png_to_pvz.h"
#include "convert/pvz_to_png.h"
#include "platform/name_case.h"
#include "platform/png_header.h"

namespace qm::cli {

namespace {

// Most threads -j accepts; more would only cost memory.
constexpr unsigned kMaxJobs = 1024;

unsigned DefaultJobs() {
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

void ConvertCommand::Register(CLI::App& app) {
    const bool toPng = direction_ == Direction::kPvzToPng;
    command_ = app.add_subcommand(
        toPng ? "pvz2png" : "png2pvz",
        std::string(toPng ? text::kPvzToPngDescription : text::kPngToPvzDescription));
    command_->add_option("-j,--jobs", jobs_, "Files converted at once (default: one per core)")
        ->check(CLI::Range(1u, kMaxJobs));
    command_->add_flag("-q,--quiet", quiet_, "No status lines, progress bar or summary");
    command_->add_flag("-v,--verbose", verbose_,
                       "Also print diagnostic lines and the name of each file written");
    command_->add_flag("-r,--recursive", recursive_, "Search folders given as PATH recursively");
    if (toPng) {
        command_->add_flag("-f,--force", force_, std::string(text::kForceDescription));
        command_->add_flag("--indexed", options_.indexed,
                           "Write palette textures (code 07) as 8-bit palette PNGs");
    } else {
        command_->add_flag("--keep-palette", options_.keepPalette,
                           "Write PNGs named with code 07 as palette textures and their .pvp");
        command_->add_option("--colors", options_.colors, "Palette entries with --keep-palette")
            ->check(CLI::Range(2, 256));
        command_->add_flag("--dither", options_.dither,
                           "Floyd-Steinberg dithering when colours are narrowed or mapped");
        command_
            ->add_option("--alpha-threshold", options_.alphaThreshold,
                         "ARGB1555: alpha from N up is opaque (default: only 255)")
            ->check(CLI::Range(0, 255));
    }
    command_
        ->add_option("PATH", paths_,
                     toPng ? "A .pvz file, or a folder: every .pvz in it"
                           : "A PNG file, or a folder: every PNG whose name carries a header")
        ->required();
}

bool ConvertCommand::Chosen() const {
    return command_ != nullptr && command_->parsed();
}

namespace {

// The batch of both commands and of dropped files: the files PATHs stand
// for, converted, and the exit status. Inputs that would write one file are
// held back (batch_plan.h).
ExitCode ConvertAll(const std::vector<std::string>& paths, const NameFilter& accept, bool recursive,
                    const BatchOptions& options, const RoadFunction& roadOf,
                    const ConversionOptions& conversion) {
    std::vector<InputFile> files;
    bool nothingSomewhere = false;
    for (const std::string& path : paths) {
        std::vector<InputFile> found = FindInputFiles({path}, accept, recursive);
        if (found.empty()) {
            std::string line;
            AppendPrefixedLines(path, text::kNothingToConvert, line);
            WriteAndFlush(stderr, line);
            nothingSomewhere = true;
        }
        files.insert(files.end(), std::make_move_iterator(found.begin()),
                     std::make_move_iterator(found.end()));
    }
    // Names in another letter case are looked up in one listing per folder,
    // taken before any output is written.
    const ScopedFolderListings listings;
    PlanBatch(files, roadOf, conversion);
    const ConvertFunction convert = [&roadOf, conversion](std::string& path,
                                                          ConversionReport& report) {
        return roadOf(path) == Road::kPngToPvz ? ConvertPngToPvz(path, conversion, report)
                                               : ConvertPvzToPng(path, conversion, report);
    };
    const BatchCounts counts = RunBatch(files, options, convert);
    if (counts.signal != 0) {
        return static_cast<ExitCode>(128 + counts.signal);
    }
    return counts.failed == 0 && !nothingSomewhere ? ExitCode::kSuccess : ExitCode::kFailure;
}

}  // namespace

ExitCode ConvertCommand::Run() const {
    const bool toPng = direction_ == Direction::kPvzToPng;
    const NameFilter accept = toPng ? NameFilter(IsPvzName) : NameFilter(IsPngNameWithHeader);
    BatchOptions options;
    options.jobs = jobs_ == 0 ? DefaultJobs() : jobs_;
    options.quiet = quiet_;
    options.verbose = verbose_;
    ConversionOptions conversion = options_;
    conversion.keepNewerPng = toPng && !force_;
    const Road road = toPng ? Road::kPvzToPng : Road::kPngToPvz;
    return ConvertAll(
        paths_, accept, recursive_, options, [road](const std::string&) { return road; },
        conversion);
}

ExitCode ConvertDropped(const std::vector<std::string>& paths) {
    const NameFilter accept = [](const std::string& name) {
        return IsPvzName(name) || IsPngNameWithHeader(name);
    };
    BatchOptions options;
    options.jobs = DefaultJobs();
    ConversionOptions conversion;
    conversion.keepNewerPng = true;  // an edited PNG is never replaced unasked
    const RoadFunction byExtension = [](const std::string& path) {
        return HasPngExtension(path) ? Road::kPngToPvz : Road::kPvzToPng;
    };
    return ConvertAll(paths, accept, false, options, byExtension, conversion);
}

}  // namespace qm::cli
