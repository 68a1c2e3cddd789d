// Where messages go. Each conversion step reports a failure once, where it is
// found, through ShowMessage; diagnostics that a user never sees go through
// WriteDebugLine. The front end decides what a message is (a modal box, a
// line on standard error, a captured list in tests) by installing a sink for
// its thread, so a batch can convert files on several threads at once.
#pragma once

#include <functional>
#include <string_view>

namespace qm {

using MessageFunction = std::function<void(std::string_view)>;

// Shows a message to the user and returns when it has been acknowledged.
void ShowMessage(std::string_view text);

// Writes a diagnostic line that is not meant for the user.
void WriteDebugLine(std::string_view text);

// Installs a sink for the calling thread for the lifetime of the object and
// restores the previous one afterwards. Without one, both kinds of text go
// to standard error. An empty function discards that kind of text.
class ScopedMessageSink {
  public:
    ScopedMessageSink(MessageFunction show, MessageFunction debug);
    ~ScopedMessageSink();
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

    struct Sink;

  private:
    Sink* previous_;
    Sink* own_;
};

}  // namespace qm
