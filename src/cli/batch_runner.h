// Converts a list of files on several threads and reports each file's
// outcome as one block of lines.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cli/input_discovery.h"
#include "convert/conversion_options.h"

namespace qm::cli {

struct BatchOptions {
    unsigned jobs = 1;     // files converted at once
    bool quiet = false;    // no status lines, notes, progress bar or summary
    bool verbose = false;  // diagnostic lines and the written file's name on standard error
};

// Converts the file at path (a copy the function may change) and reports
// every problem through ShowMessage, and what else happened in report.
using ConvertFunction = std::function<bool(std::string& path, ConversionReport& report)>;

struct BatchCounts {
    std::size_t converted = 0;
    std::size_t kept = 0;  // left as they were (ConversionReport::kept)
    std::size_t failed = 0;
    std::size_t notStarted = 0;  // after an interruption
    int signal = 0;              // the signal that interrupted the batch, or 0
};

// Runs convert for every file. Each file's message lines ("PATH: text", on
// standard error) and then its status line ("PATH: 変換終了" or
// "PATH: 失敗しました", on standard output) are written as one block when the
// file is done; blocks come out in the order of files whatever the number of
// threads. Notes on what a conversion changed ("PATH: note: ...") follow a
// file's messages; a file left as it was gets "PATH: kept (...)" as its
// status. On a terminal, a batch of more than one file shows a progress bar
// on standard error and ends with a summary line. SIGINT, SIGTERM and SIGHUP
// stop the batch (see interruption.h); its summary then counts the files not
// started and is printed whatever standard error is.
BatchCounts RunBatch(const std::vector<InputFile>& files, const BatchOptions& options,
                     const ConvertFunction& convert);

}  // namespace qm::cli
