// The commands of quillmere-cli. Each one adds its subcommand and options to
// the application, and runs when that subcommand was chosen. Commands do not
// catch exceptions: main() is the only place that turns one into an exit
// status.
#pragma once

#include <string>
#include <vector>

#include "cli/exit_code.h"
#include "convert/conversion_options.h"

namespace CLI {
class App;
}

namespace qm::cli {

// pvz2png and png2pvz: the same batch, in one direction or the other.
class ConvertCommand {
  public:
    enum class Direction { kPvzToPng, kPngToPvz };

    explicit ConvertCommand(Direction direction) : direction_(direction) {}
    void Register(CLI::App& app);
    bool Chosen() const;
    ExitCode Run() const;

  private:
    Direction direction_;
    CLI::App* command_ = nullptr;
    std::vector<std::string> paths_;
    unsigned jobs_ = 0;  // 0: one per core
    bool quiet_ = false;
    bool verbose_ = false;
    bool recursive_ = false;
    ConversionOptions options_;
    bool force_ = false;  // pvz2png: replace PNGs newer than their texture
};

// Files given without a command (dropped on the program in a file manager):
// each converts by its extension, a .png to its texture and anything else
// as a texture to PNG, with the default options; a folder stands for the
// textures and header-named PNGs directly in it. A PNG newer than its
// texture is kept, as by pvz2png without --force.
ExitCode ConvertDropped(const std::vector<std::string>& paths);

// info: what a texture (or a PNG) holds, as text or as JSON lines.
class InfoCommand {
  public:
    void Register(CLI::App& app);
    bool Chosen() const;
    ExitCode Run() const;

  private:
    CLI::App* command_ = nullptr;
    std::vector<std::string> paths_;
    bool json_ = false;
    bool recursive_ = false;
};

// thumbnail: a scaled-down PNG preview of one texture.
class ThumbnailCommand {
  public:
    void Register(CLI::App& app);
    bool Chosen() const;
    ExitCode Run() const;

  private:
    CLI::App* command_ = nullptr;
    std::string input_;
    std::string output_;
    int size_ = 256;
};

// register and unregister: the texture type and the thumbnail provider made
// known to Explorer for this user (Windows; elsewhere they say so and exit
// with 2).
class ExplorerCommand {
  public:
    enum class Action { kRegister, kUnregister };

    explicit ExplorerCommand(Action action) : action_(action) {}
    void Register(CLI::App& app);
    bool Chosen() const;
    ExitCode Run() const;

  private:
    Action action_;
    CLI::App* command_ = nullptr;
};

}  // namespace qm::cli
