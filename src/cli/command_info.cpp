// info: what a texture holds, read without converting it.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/input_discovery.h"
#include "cli/json_writer.h"
#include "cli/output_lines.h"
#include "cli/texture_report.h"
#include "texture/color_format.h"
#include "texture/pvz_header.h"

namespace qm::cli {

namespace {

// Texel bytes per stream byte, "5.33"; nothing when the stream is empty.
std::optional<std::string> Ratio(const TextureReport& report) {
    if (report.streamBytes == 0) {
        return std::nullopt;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2f",
                  static_cast<double>(report.rawBytes) / static_cast<double>(report.streamBytes));
    return std::string(text);
}

std::string PaletteEntriesText(const PaletteReport& palette) {
    if (!palette.readable) {
        return "cannot be read";
    }
    if (!palette.announced) {
        return "no entry count";
    }
    return std::to_string(palette.entries) + " entries";
}

// "3 used, 1 unused, 0 duplicate, no index beyond the count".
std::string PaletteUseText(const PaletteReport& palette) {
    return std::to_string(palette.used) + " used, " + std::to_string(palette.unused) + " unused, " +
           std::to_string(palette.duplicates) + " duplicate, " +
           (palette.indexBeyond ? "some" : "no") + " index beyond the count";
}

std::string FormatText(const TextureReport& report) {
    std::string out = report.path + ":\n";
    const auto line = [&out](std::string_view key, const std::string& value) {
        out += "  ";
        out += key;
        out += ": ";
        out += value;
        out += '\n';
    };
    line("file", std::to_string(report.fileBytes) + " bytes");
    if (report.hasHeader) {
        line("size", std::to_string(report.width) + " x " + std::to_string(report.height));
        line("pixel format", std::to_string(report.pixelFormat) + " " +
                                 std::string(PixelFormatName(report.pixelFormat)));
        line("data format", std::to_string(report.dataFormat) + " " +
                                std::string(DataFormatLayoutName(report.dataFormat)));
        line("header bytes 8-19", report.headerText);
        line("records", std::to_string(report.records));
        line("texels", std::to_string(report.texels) +
                           " (width x height: " + std::to_string(report.expectedTexels) + ")");
        const std::optional<std::string> ratio = Ratio(report);
        line("compression", std::to_string(report.rawBytes) + " texel bytes in " +
                                std::to_string(report.streamBytes) + " stream bytes, ratio " +
                                (ratio ? *ratio + ":1" : std::string("n/a")));
        if (report.palette) {
            line("palette", report.palette->path + ", " + PaletteEntriesText(*report.palette));
            if (report.palette->announced) {
                line("palette use", PaletteUseText(*report.palette));
            }
        }
    }
    for (const std::string& problem : report.problems) {
        line("problem", problem);
    }
    return out;
}

std::string FormatJson(const TextureReport& report) {
    JsonObject object;
    object.Add("path", report.path);
    if (!report.readError.empty()) {
        return object.Add("error", report.readError).Finish();
    }
    object.Add("file_bytes", report.fileBytes);
    if (report.hasHeader) {
        object.Add("width", std::int64_t{report.width})
            .Add("height", std::int64_t{report.height})
            .Add("pixel_format", std::uint64_t{report.pixelFormat})
            .Add("pixel_format_name", PixelFormatName(report.pixelFormat))
            .Add("data_format", std::uint64_t{report.dataFormat})
            .Add("layout", DataFormatLayoutName(report.dataFormat))
            .Add("header_bytes", report.headerText)
            .Add("records", report.records)
            .Add("texels", report.texels)
            .Add("expected_texels", report.expectedTexels)
            .Add("raw_bytes", report.rawBytes)
            .Add("stream_bytes", report.streamBytes)
            .AddRaw("ratio", Ratio(report).value_or("null"));
        if (report.palette) {
            JsonObject palette;
            palette.Add("path", report.palette->path)
                .AddRaw("readable", report.palette->readable ? "true" : "false");
            if (report.palette->announced) {
                palette.Add("count", std::uint64_t{*report.palette->announced})
                    .Add("entries", report.palette->entries)
                    .Add("used", report.palette->used)
                    .Add("unused", report.palette->unused)
                    .Add("duplicates", report.palette->duplicates)
                    .AddRaw("index_beyond_count", report.palette->indexBeyond ? "true" : "false");
            }
            object.AddRaw("palette", palette.Finish());
        }
    }
    std::string problems = "[";
    for (const std::string& problem : report.problems) {
        problems += (problems.size() > 1 ? "," : "") + JsonString(problem);
    }
    object.AddRaw("problems", problems + "]");
    return object.Finish();
}

}  // namespace

void InfoCommand::Register(CLI::App& app) {
    command_ = app.add_subcommand("info", std::string(text::kInfoDescription));
    command_->add_flag("--json", json_, "One JSON object per file, one per line");
    command_->add_option("PATH", paths_, "A .pvz file, or a folder: every .pvz in it")->required();
}

bool InfoCommand::Chosen() const {
    return command_ != nullptr && command_->parsed();
}

// Each texture is described on standard output. A file that cannot be read
// at all is a failure: in text mode its message goes to standard error as
// "PATH: message", with --json it is the object's "error" member.
ExitCode InfoCommand::Run() const {
    bool allRead = true;
    for (const InputFile& file : FindInputFiles(paths_, IsPvzName, false)) {
        TextureReport report;
        if (file.error.empty()) {
            report = InspectTexture(file.path);
        } else {
            report.path = file.path;
            report.readError = file.error;
        }
        allRead = allRead && report.readError.empty();
        if (json_) {
            WriteAndFlush(stdout, FormatJson(report) + "\n");
        } else if (!report.readError.empty()) {
            std::string lines;
            AppendPrefixedLines(report.path, report.readError, lines);
            WriteAndFlush(stderr, lines);
        } else {
            WriteAndFlush(stdout, FormatText(report));
        }
    }
    return allRead ? ExitCode::kSuccess : ExitCode::kFailure;
}

}  // namespace qm::cli
