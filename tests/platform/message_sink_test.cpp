// The per-thread message sink.
#include "platform/message_sink.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace qm {
namespace {

using Lines = std::vector<std::string>;

TEST(MessageSink, SendsEachKindToItsFunction) {
    Lines shown, debug;
    ScopedMessageSink sink([&](std::string_view t) { shown.emplace_back(t); },
                           [&](std::string_view t) { debug.emplace_back(t); });
    ShowMessage("a");
    WriteDebugLine("b\n");
    ShowMessage("");
    EXPECT_EQ(shown, (Lines{"a", ""}));
    EXPECT_EQ(debug, Lines{"b\n"});
}

TEST(MessageSink, NestedSinksRestoreTheOuterOne) {
    Lines outer, inner;
    ScopedMessageSink first([&](std::string_view t) { outer.emplace_back(t); }, {});
    ShowMessage("1");
    {
        ScopedMessageSink second([&](std::string_view t) { inner.emplace_back(t); }, {});
        ShowMessage("2");
        WriteDebugLine("discarded");
    }
    ShowMessage("3");
    EXPECT_EQ(outer, (Lines{"1", "3"}));
    EXPECT_EQ(inner, Lines{"2"});
}

TEST(MessageSink, EachThreadHasItsOwn) {
    Lines main, other;
    ScopedMessageSink sink([&](std::string_view t) { main.emplace_back(t); }, {});
    std::thread worker([&] {
        ScopedMessageSink own([&](std::string_view t) { other.emplace_back(t); }, {});
        ShowMessage("worker");
    });
    worker.join();
    ShowMessage("main");
    EXPECT_EQ(main, Lines{"main"});
    EXPECT_EQ(other, Lines{"worker"});
}

}  // namespace
}  // namespace qm
