#include "platform/message_sink.h"

#include <cstdio>
#include <string>

#include "platform/debug_output.h"

namespace qm {

struct ScopedMessageSink::Sink {
    MessageFunction show;
    MessageFunction debug;
};

namespace {

thread_local ScopedMessageSink::Sink* current_sink = nullptr;

void WriteToStderr(std::string_view text) {
    std::string line(text);
    if (line.empty() || line.back() != '\n') {
        line += '\n';
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

void ShowMessage(std::string_view text) {
    if (current_sink == nullptr) {
        WriteToStderr(text);
    } else if (current_sink->show) {
        current_sink->show(text);
    }
}

void WriteDebugLine(std::string_view text) {
    if (current_sink == nullptr) {
        WriteToDebugger(text);
    } else if (current_sink->debug) {
        current_sink->debug(text);
    }
}

ScopedMessageSink::ScopedMessageSink(MessageFunction show, MessageFunction debug)
    : previous_(current_sink), own_(new Sink{std::move(show), std::move(debug)}) {
    current_sink = own_;
}

ScopedMessageSink::~ScopedMessageSink() {
    current_sink = previous_;
    delete own_;
}

}  // namespace qm
