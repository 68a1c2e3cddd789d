// thumbnail: a preview of one texture for a file manager's thumbnailer.
#include <CLI/CLI.hpp>

#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/output_lines.h"
#include "convert/pvz_to_png.h"
#include "convert/thumbnail.h"
#include "platform/message_sink.h"
#include "platform/messages.h"
#include "platform/png_file.h"
#include "platform/png_header.h"

namespace qm::cli {

namespace {

// Largest -s: file managers ask for 128 to 1024.
constexpr int kMaxThumbnailSize = 4096;

}  // namespace

void ThumbnailCommand::Register(CLI::App& app) {
    command_ = app.add_subcommand("thumbnail", std::string(text::kThumbnailDescription));
    command_->add_option("-s,--size", size_, "Longest side of the preview (default 256)")
        ->check(CLI::Range(1, kMaxThumbnailSize));
    command_->add_option("IN", input_, "A .pvz texture")->required();
    command_->add_option("OUT", output_, "The PNG to write")->required();
}

bool ThumbnailCommand::Chosen() const {
    return command_ != nullptr && command_->parsed();
}

// Messages go to standard error as "IN: text"; nothing is printed on
// success. A texture that cannot be decoded whole writes no file. An OUT
// not named .png is a usage error, told as "OUT: text".
ExitCode ThumbnailCommand::Run() const {
    if (!HasPngExtension(output_)) {
        std::string line;
        AppendPrefixedLines(output_, text::kThumbnailNotPng, line);
        WriteAndFlush(stderr, line);
        return ExitCode::kUsage;
    }
    auto show = [this](std::string_view text) {
        std::string lines;
        AppendPrefixedLines(input_, text, lines);
        WriteAndFlush(stderr, lines);
    };
    const ScopedMessageSink sink(show, nullptr);
    // Thumbnailers run on every file a user browses: a header that promises
    // more texels than the stream could hold is refused before the picture's
    // memory is taken.
    const PictureCheck streamFits = [](const TextureInfo& info,
                                       std::span<const std::uint8_t> file) {
        if (!StreamCanFill(info, file.size())) {
            ShowMessage(text::kStreamTooShort);
            return false;
        }
        return true;
    };
    std::string path = input_;
    TextureInfo info;
    ImageSurface picture;
    if (!ReadPvzPicture(path, info, picture, streamFits)) {
        return ExitCode::kFailure;
    }
    ImageSurface scaled;
    const ImageSurface* preview = PreviewOf(picture, size_, scaled);
    if (preview == nullptr || !SavePngFile(*preview, output_)) {
        ShowMessage(msg::kCreateFailed);
        return ExitCode::kFailure;
    }
    return ExitCode::kSuccess;
}

}  // namespace qm::cli
