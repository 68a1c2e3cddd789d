#include "cli/batch_runner.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "cli/cli_texts.h"
#include "cli/output_lines.h"
#include "platform/message_sink.h"
#include "platform/messages.h"

namespace qm::cli {

namespace {

struct FileOutcome {
    std::string messageLines;  // for standard error, already prefixed
    bool converted = false;
};

// A one-line bar on standard error, redrawn in place.
class ProgressBar {
  public:
    explicit ProgressBar(bool enabled) : enabled_(enabled) {}

    void Draw(std::size_t done, std::size_t total) {
        if (!enabled_ || total == 0) {
            return;
        }
        constexpr std::size_t kWidth = 30;
        const std::size_t filled = done * kWidth / total;
        std::string line = "\r[";
        line.append(filled, '#');
        line.append(kWidth - filled, '-');
        line += "] " + std::to_string(done) + "/" + std::to_string(total);
        WriteAndFlush(stderr, line);
        shown_ = true;
    }

    void Clear() {
        if (shown_) {
            WriteAndFlush(stderr, "\r\033[K");
            shown_ = false;
        }
    }

  private:
    bool enabled_;
    bool shown_ = false;
};

class BatchRunner {
  public:
    BatchRunner(const std::vector<InputFile>& files, const BatchOptions& options,
                const ConvertFunction& convert)
        : files_(files),
          options_(options),
          convert_(convert),
          finished_(files.size()),
          progress_(!options.quiet && files.size() > 1 && ::isatty(STDERR_FILENO) == 1) {}

    BatchCounts Run() {
        const auto start = std::chrono::steady_clock::now();
        const std::size_t workers =
            std::clamp<std::size_t>(options_.jobs, 1, std::max<std::size_t>(files_.size(), 1));
        {
            std::vector<std::jthread> threads;
            for (std::size_t i = 1; i < workers; ++i) {
                try {
                    threads.emplace_back([this] { Work(); });
                } catch (const std::system_error&) {
                    break;  // fewer threads than asked for; the others share the work
                }
            }
            Work();
        }
        progress_.Clear();
        if (!options_.quiet && files_.size() > 1 && ::isatty(STDERR_FILENO) == 1) {
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            char summary[160];
            std::snprintf(summary, sizeof summary, "%zu converted, %zu failed, %.2f s\n",
                          counts_.converted, counts_.failed, elapsed.count());
            WriteAndFlush(stderr, summary);
        }
        return counts_;
    }

  private:
    void Work() {
        while (true) {
            const std::size_t index = next_.fetch_add(1, std::memory_order_relaxed);
            if (index >= files_.size()) {
                return;
            }
            Deliver(index, ConvertOne(files_[index]));
        }
    }

    // The edge of one file: whatever goes wrong becomes that file's failure.
    FileOutcome ConvertOne(const InputFile& file) const {
        FileOutcome outcome;
        const std::string& path = file.path;
        if (!file.error.empty()) {
            AppendPrefixedLines(path, file.error, outcome.messageLines);
            return outcome;
        }
        auto collect = [&](std::string_view text) {
            AppendPrefixedLines(path, text, outcome.messageLines);
        };
        ScopedMessageSink sink(collect, options_.verbose ? MessageFunction(collect) : nullptr);
        std::string name = path;
        std::string written;
        try {
            outcome.converted = convert_(name, &written);
        } catch (const std::bad_alloc&) {
            collect(text::kOutOfMemory);
            outcome.converted = false;
        } catch (const std::exception& e) {
            collect(std::string(text::kInternalError) + e.what());
            outcome.converted = false;
        }
        if (outcome.converted && options_.verbose && !written.empty()) {
            collect(std::string(text::kWrote) + written);
        }
        return outcome;
    }

    // Stores a finished file and writes every block that is now due, in the
    // order of files.
    void Deliver(std::size_t index, FileOutcome outcome) {
        const std::lock_guard lock(outputMutex_);
        finished_[index] = std::move(outcome);
        ++done_;
        while (nextToWrite_ < finished_.size() && finished_[nextToWrite_].has_value()) {
            Write(files_[nextToWrite_].path, *finished_[nextToWrite_]);
            finished_[nextToWrite_].reset();
            ++nextToWrite_;
        }
        progress_.Draw(done_, files_.size());
    }

    void Write(const std::string& path, const FileOutcome& outcome) {
        progress_.Clear();
        // Standard error first, so that a file's messages precede its status.
        WriteAndFlush(stderr, outcome.messageLines);
        if (!options_.quiet) {
            std::string status;
            AppendPrefixedLines(path, outcome.converted ? msg::kDone : msg::kFailed, status);
            WriteAndFlush(stdout, status);
        }
        ++(outcome.converted ? counts_.converted : counts_.failed);
    }

    const std::vector<InputFile>& files_;
    const BatchOptions& options_;
    const ConvertFunction& convert_;
    std::atomic<std::size_t> next_{0};

    std::mutex outputMutex_;  // guards everything below
    std::vector<std::optional<FileOutcome>> finished_;
    std::size_t nextToWrite_ = 0;
    std::size_t done_ = 0;
    BatchCounts counts_;
    ProgressBar progress_;
};

}  // namespace

BatchCounts RunBatch(const std::vector<InputFile>& files, const BatchOptions& options,
                     const ConvertFunction& convert) {
    return BatchRunner(files, options, convert).Run();
}

}  // namespace qm::cli
