// info: what a texture holds, read without converting it.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/input_discovery.h"
#include "cli/json_writer.h"
#include "cli/output_lines.h"
#include "cli/png_report.h"
#include "cli/texture_report.h"
#include "texture/color_format.h"
#include "texture/pvz_header.h"

namespace qm::cli {

namespace {

std::string PixelFormatText(std::uint8_t code) {
    return std::to_string(code) + " " + std::string(PixelFormatName(code));
}

std::string DataFormatText(std::uint8_t code) {
    return std::to_string(code) + " " + std::string(DataFormatLayoutName(code));
}

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

// Appends "  key: value" lines to out.
auto LineWriter(std::string& out) {
    return [&out](std::string_view key, const std::string& value) {
        out += "  ";
        out += key;
        out += ": ";
        out += value;
        out += '\n';
    };
}

std::string FormatText(const TextureReport& report) {
    std::string out = report.path + ":\n";
    const auto line = LineWriter(out);
    line("file", std::to_string(report.fileBytes) + " bytes");
    if (report.hasHeader) {
        line("size", std::to_string(report.width) + " x " + std::to_string(report.height));
        line("pixel format", PixelFormatText(report.pixelFormat));
        line("data format", DataFormatText(report.dataFormat));
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

std::string FormatPngText(const PngReport& report) {
    std::string out = report.path + ":\n";
    const auto line = LineWriter(out);
    line("file", std::to_string(report.fileBytes) + " bytes, PNG");
    if (report.hasHeader) {
        line("size", std::to_string(report.width) + " x " + std::to_string(report.height));
        line("colour type", std::to_string(report.colorType) + " " +
                                std::string(PngColorTypeName(report.colorType)) + ", " +
                                std::to_string(report.bitDepth) + " bits" +
                                (report.interlaced ? ", interlaced" : ""));
    }
    if (report.texture) {
        const PngTextureReport& texture = *report.texture;
        line("header bytes 8-19", texture.headerText);
        line("texture", texture.path);
        line("texture pixel format", PixelFormatText(texture.pixelFormat));
        line("texture data format", DataFormatText(texture.dataFormat));
        if (texture.keepPaletteRoad) {
            line("with --keep-palette",
                 DataFormatText(data_format::kPalette8) + std::string(text::kWithItsPalette));
        }
    }
    for (const std::string& problem : report.problems) {
        line("problem", problem);
    }
    return out;
}

std::string FormatPngJson(const PngReport& report) {
    JsonObject object;
    object.Add("path", report.path);
    if (!report.readError.empty()) {
        return object.Add("error", report.readError).Finish();
    }
    object.Add("kind", "png").Add("file_bytes", report.fileBytes);
    if (report.hasHeader) {
        object.Add("width", std::uint64_t{report.width})
            .Add("height", std::uint64_t{report.height})
            .Add("color_type", std::uint64_t{report.colorType})
            .Add("color_type_name", PngColorTypeName(report.colorType))
            .Add("bit_depth", std::uint64_t{report.bitDepth})
            .AddRaw("interlaced", report.interlaced ? "true" : "false");
    }
    if (report.texture) {
        const PngTextureReport& texture = *report.texture;
        JsonObject written;
        written.Add("path", texture.path)
            .Add("header_bytes", texture.headerText)
            .Add("pixel_format", std::uint64_t{texture.pixelFormat})
            .Add("pixel_format_name", PixelFormatName(texture.pixelFormat))
            .Add("data_format", std::uint64_t{texture.dataFormat})
            .Add("layout", DataFormatLayoutName(texture.dataFormat));
        if (texture.keepPaletteRoad) {
            JsonObject palette;
            palette.Add("data_format", std::uint64_t{data_format::kPalette8})
                .Add("layout", DataFormatLayoutName(data_format::kPalette8));
            written.AddRaw("with_keep_palette", palette.Finish());
        }
        object.AddRaw("texture", written.Finish());
    }
    std::string problems = "[";
    for (const std::string& problem : report.problems) {
        problems += (problems.size() > 1 ? "," : "") + JsonString(problem);
    }
    object.AddRaw("problems", problems + "]");
    return object.Finish();
}

// One file's description (text, or a JSON line with --json) on standard
// output; in text mode a read error goes to standard error instead. False
// when the file could not be read.
bool Describe(const std::string& path, const std::string& description, const std::string& readError,
              bool asJson) {
    if (asJson) {
        WriteAndFlush(stdout, description + "\n");
    } else if (!readError.empty()) {
        std::string lines;
        AppendPrefixedLines(path, readError, lines);
        WriteAndFlush(stderr, lines);
    } else {
        WriteAndFlush(stdout, description);
    }
    return readError.empty();
}

}  // namespace

void InfoCommand::Register(CLI::App& app) {
    command_ = app.add_subcommand("info", std::string(text::kInfoDescription));
    command_->add_flag("--json", json_, "One JSON object per file, one per line");
    command_->add_flag("-r,--recursive", recursive_, "Search folders given as PATH recursively");
    command_
        ->add_option("PATH", paths_,
                     "A .pvz file or a PNG (known by its signature), or a folder: every .pvz in it")
        ->required();
}

bool InfoCommand::Chosen() const {
    return command_ != nullptr && command_->parsed();
}

// Each texture is described on standard output. A file that cannot be read
// at all is a failure: in text mode its message goes to standard error as
// "PATH: message", with --json it is the object's "error" member.
ExitCode InfoCommand::Run() const {
    bool allRead = true;
    for (const InputFile& file : FindInputFiles(paths_, IsPvzName, recursive_)) {
        if (file.error.empty() && HasPngSignature(file.path)) {
            const PngReport png = InspectPng(file.path);
            allRead = Describe(png.path, json_ ? FormatPngJson(png) : FormatPngText(png),
                               png.readError, json_) &&
                      allRead;
            continue;
        }
        TextureReport report;
        if (file.error.empty()) {
            report = InspectTexture(file.path);
        } else {
            report.path = file.path;
            report.readError = file.error;
        }
        allRead = Describe(report.path, json_ ? FormatJson(report) : FormatText(report),
                           report.readError, json_) &&
                  allRead;
    }
    return allRead ? ExitCode::kSuccess : ExitCode::kFailure;
}

}  // namespace qm::cli
