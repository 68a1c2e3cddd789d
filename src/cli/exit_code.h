// The exit status of quillmere-cli. Scripts rely on these values; they are
// listed in the help text and in docs/cli.md.
#pragma once

namespace qm::cli {

enum class ExitCode : int {
    kSuccess = 0,  // every file converted (or read, for info)
    kFailure = 1,  // at least one file failed, or could not be read at all, or a PATH
                   // had nothing to convert
    kUsage = 2,    // unknown option, no PATH, bad -j, no command
    // A batch stopped by a signal: 128 + its number, as shells report it.
    kHangUp = 129,
    kInterrupted = 130,
    kTerminated = 143,
};

inline int ToInt(ExitCode code) {
    return static_cast<int>(code);
}

}  // namespace qm::cli
