#include "cli/batch_runner.h"

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
#include "cli/console.h"
#include "cli/interruption.h"
#include "cli/output_lines.h"
#include "platform/message_sink.h"
#include "platform/messages.h"

namespace qm::cli {

namespace {

struct FileOutcome {
    std::string messageLines;  // for standard error, already prefixed
    bool converted = false;
    bool kept = false;
};

// A one-line bar on standard error, redrawn in place, that fits the
// terminal's width: it never reaches the last column, where a terminal may
// wrap, so that the next redraw finds the bar on its own line.
class ProgressBar {
  public:
    explicit ProgressBar(bool enabled) : enabled_(enabled) {}

    void Draw(std::size_t done, std::size_t total) {
        if (!enabled_ || total == 0) {
            return;
        }
        constexpr std::size_t kMaxWidth = 30;
        const std::size_t room = TerminalColumns(stderr) - 1;
        const std::string count = std::to_string(done) + "/" + std::to_string(total);
        std::string line = "\r";
        if (room >= count.size() + 4) {  // "[#] " at least
            const std::size_t width = std::min(kMaxWidth, room - count.size() - 3);
            const std::size_t filled = done * width / total;
            line += '[';
            line.append(filled, '#');
            line.append(width - filled, '-');
            line += "] " + count;
        } else {
            line += count.substr(0, room);
        }
        line += "\033[K";
        WriteAndFlush(stderr, line);
        shown_ = true;
        InterruptionHandlers::SetProgressShown(true);
    }

    void Clear() {
        if (shown_) {
            WriteAndFlush(stderr, "\r\033[K");
            shown_ = false;
            InterruptionHandlers::SetProgressShown(false);
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
          progress_(!options.quiet && files.size() > 1 && IsTerminal(stderr)) {}

    BatchCounts Run() {
        const InterruptionHandlers handlers;
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
        counts_.signal = InterruptionHandlers::Received();
        const std::size_t started = std::min(next_.load(), files_.size());
        counts_.notStarted = files_.size() - started;
        const bool interrupted = counts_.signal != 0;
        if (interrupted || (!options_.quiet && files_.size() > 1 && IsTerminal(stderr))) {
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            WriteAndFlush(stderr, Summary(interrupted, elapsed.count()));
        }
        return counts_;
    }

  private:
    // "3 converted, 1 kept, 0 failed, 0.52 s"; kept only when some were,
    // and after an interruption "interrupted: " first and the files not
    // started.
    std::string Summary(bool interrupted, double seconds) const {
        std::string line(interrupted ? text::kInterrupted : "");
        line += std::to_string(counts_.converted) + std::string(text::kSummaryConverted);
        if (counts_.kept > 0) {
            line += ", " + std::to_string(counts_.kept) + std::string(text::kSummaryKept);
        }
        line += ", " + std::to_string(counts_.failed) + std::string(text::kSummaryFailed);
        if (interrupted) {
            line +=
                ", " + std::to_string(counts_.notStarted) + std::string(text::kSummaryNotStarted);
        }
        char time[32];
        std::snprintf(time, sizeof time, ", %.2f s\n", seconds);
        return line + time;
    }

    void Work() {
        while (InterruptionHandlers::Received() == 0) {
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
        ConversionReport report;
        try {
            outcome.converted = convert_(name, report);
        } catch (const std::bad_alloc&) {
            collect(text::kOutOfMemory);
            outcome.converted = false;
        } catch (const std::exception& e) {
            collect(std::string(text::kInternalError) + e.what());
            outcome.converted = false;
        }
        if (!outcome.converted) {
            return outcome;
        }
        outcome.kept = report.kept;
        if (!options_.quiet && report.paddedTexels > 0) {
            collect(std::string(text::kNotePadded) + std::to_string(report.paddedTexels));
        }
        if (!options_.quiet && report.madeOpaque > 0) {
            collect(std::string(text::kNoteMadeOpaque) + std::to_string(report.madeOpaque));
        }
        if (!options_.quiet && !outcome.kept && !file.note.empty()) {
            collect(file.note);
        }
        if (options_.verbose && !report.written.empty()) {
            collect(std::string(text::kWrote) + report.written);
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
            AppendPrefixedLines(path,
                                outcome.kept        ? text::kKept
                                : outcome.converted ? msg::kDone
                                                    : msg::kFailed,
                                status);
            WriteAndFlush(stdout, status);
        }
        ++(outcome.kept ? counts_.kept : outcome.converted ? counts_.converted : counts_.failed);
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
