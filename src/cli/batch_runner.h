// Converts a list of files on several threads and reports each file's
// outcome as one block of lines.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cli/input_discovery.h"

namespace qm::cli {

struct BatchOptions {
    unsigned jobs = 1;     // files converted at once
    bool quiet = false;    // no status lines, no progress bar, no summary
    bool verbose = false;  // diagnostic lines and the written file's name on standard error
};

// Converts the file at path (a copy the function may change) and reports
// every problem through ShowMessage. On success written receives the name
// of the file produced.
using ConvertFunction = std::function<bool(std::string& path, std::string* written)>;

struct BatchCounts {
    std::size_t converted = 0;
    std::size_t failed = 0;
};

// Runs convert for every file. Each file's message lines ("PATH: text", on
// standard error) and then its status line ("PATH: 変換終了" or
// "PATH: 失敗しました", on standard output) are written as one block when the
// file is done; blocks come out in the order of files whatever the number of
// threads. On a terminal, a batch of more than one file shows a progress bar
// on standard error and ends with a summary line.
BatchCounts RunBatch(const std::vector<InputFile>& files, const BatchOptions& options,
                     const ConvertFunction& convert);

}  // namespace qm::cli
