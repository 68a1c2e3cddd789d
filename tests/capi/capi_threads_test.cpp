// Several threads decoding and encoding at once, each with its own inputs
// and some shared ones, give what one thread alone gives (the sanitizer
// build runs this too).
#include <gtest/gtest.h>

#include <thread>

#include "capi/capi_support.h"

namespace qm::test {
namespace {

struct Work {
    Bytes pvz, pvp;  // read
    Bytes rgba;      // written
    int width = 0, height = 0;
    qm_write_options options{};
};

// The pixels read and the bytes written, one after the other.
Bytes Result(const Work& work) {
    Bytes out;
    qm_texture* texture = nullptr;
    const qm_status read =
        qm_texture_read(work.pvz.data(), work.pvz.size(),
                        work.pvp.empty() ? nullptr : work.pvp.data(), work.pvp.size(), &texture);
    out.push_back(static_cast<std::uint8_t>(read));
    if (texture != nullptr) {
        const std::size_t size = 4u * static_cast<std::size_t>(qm_texture_width(texture)) *
                                 static_cast<std::size_t>(qm_texture_height(texture));
        out.insert(out.end(), qm_texture_rgba(texture), qm_texture_rgba(texture) + size);
        qm_texture_free(texture);
    }
    Buffer pvz, pvp;
    const qm_status written =
        qm_texture_write(work.rgba.data(), work.width, work.height,
                         4u * static_cast<std::size_t>(work.width), &work.options, &pvz.b, &pvp.b);
    out.push_back(static_cast<std::uint8_t>(written));
    const Bytes a = pvz.bytes(), b = pvp.bytes();
    out.insert(out.end(), a.begin(), a.end());
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

TEST(CApiThreads, ConcurrentCallsGiveTheSameResults) {
    Random random(3);
    std::vector<Work> works;
    for (int i = 0; i < 8; ++i) {
        Work w;
        const auto pf = static_cast<std::uint8_t>(i % 3);
        const std::uint8_t df = i % 4 == 3 ? 7 : i % 2 == 0 ? 1 : 9;
        w.width = 32;
        w.height = i % 2 == 0 ? 16 : 32;
        if (df == 7) {
            w.pvp = Palette({0x1234, 0x8000, 0xffff}, 3);
            Bytes stream;
            for (int t = 0; t < w.width * w.height; ++t) {
                AppendRecord1(stream, static_cast<std::uint8_t>(random.Below(3)), 0);
            }
            w.pvz = Pvz(pf, 7, 32, static_cast<std::int16_t>(w.height), stream);
        } else {
            w.pvz = RandomTexture(random, pf, df, 32, static_cast<std::int16_t>(w.height));
        }
        w.rgba = RandomRgba(random, w.width, w.height, 6);
        qm_write_options_init(&w.options);
        w.options.pixel_format = pf;
        w.options.data_format = df;
        w.options.keep_palette = df == 7;
        w.options.colors = df == 7 ? 16 : 0;
        w.options.dither = i % 3 == 0;
        works.push_back(w);
    }
    std::vector<Bytes> expected;
    for (const Work& w : works) expected.push_back(Result(w));

    constexpr int kThreads = 4;
    constexpr int kRounds = 6;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                for (std::size_t i = 0; i < works.size(); ++i) {
                    const std::size_t k = (i + static_cast<std::size_t>(t)) % works.size();
                    mismatches[static_cast<std::size_t>(t)] += Result(works[k]) != expected[k];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(kThreads, 0));
}

}  // namespace
}  // namespace qm::test
