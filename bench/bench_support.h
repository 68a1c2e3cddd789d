// Shared inputs of the stage benchmarks: texture-like pictures (see
// synthetic_textures.h) at 256, 1024 and 4096 square, made once per process
// and kept, and the helpers that name and count a run.
//
// Every stage benchmark takes the arguments {side, content} (ContentArgs)
// and reports pixels per second as items_per_second.
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "synthetic_textures.h"
#include "texture/texel_decode.h"

namespace qm::bench {

inline constexpr int kSides[] = {256, 1024, 4096};

// The pixel format of every stage input: ARGB4444 has alpha levels as well
// as colour levels, the most telling of the three.
inline constexpr std::uint8_t kBenchPixelFormat = pixel_format::kArgb4444;

enum class Layout { kRectangle, kTwiddled };

inline std::uint8_t DataFormatOf(Layout layout) {
    return layout == Layout::kRectangle ? data_format::kRectangle : kTwiddledDataFormat;
}

// {side, content} for every side and content.
inline void ContentArgs(benchmark::internal::Benchmark* b) {
    for (const int side : kSides) {
        for (const Content content : kAllContents) {
            b->Args({side, static_cast<int>(content)});
        }
    }
    b->Unit(benchmark::kMillisecond)->MinTime(0.2);
}

struct Case {
    int side;
    Content content;
};

inline Case CaseOf(const benchmark::State& state) {
    return {static_cast<int>(state.range(0)), static_cast<Content>(state.range(1))};
}

inline std::int64_t PixelsOf(const Case& c) {
    return static_cast<std::int64_t>(c.side) * c.side;
}

// Labels the result and reports pixels per second.
inline void Report(benchmark::State& state, const Case& c, std::string_view extra = {}) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * PixelsOf(c));
    std::string label(ContentName(c.content));
    if (!extra.empty()) {
        label += " ";
        label += extra;
    }
    state.SetLabel(label);
}

inline const ImageSurface& Picture(const Case& c) {
    static std::map<std::pair<int, Content>, ImageSurface> pictures;
    auto [it, added] = pictures.try_emplace({c.side, c.content});
    if (added) {
        it->second = MakePicture(c.side, c.side, kBenchPixelFormat, c.content);
    }
    return it->second;
}

inline TextureInfo Info(const Case& c, Layout layout, std::string path = "bench.pvz") {
    return MakeInfo(std::move(path), c.side, c.side, kBenchPixelFormat, DataFormatOf(layout));
}

// The picture's .pvz file in the layout.
inline const std::vector<std::uint8_t>& PvzFile(const Case& c, Layout layout) {
    static std::map<std::tuple<int, Content, Layout>, std::vector<std::uint8_t>> files;
    auto [it, added] = files.try_emplace({c.side, c.content, layout});
    if (added) {
        it->second = MakePvzBytes(Picture(c), Info(c, layout));
    }
    return it->second;
}

// The picture's runs in the layout.
inline const std::vector<ColorRun>& Runs(const Case& c, Layout layout) {
    static std::map<std::tuple<int, Content, Layout>, std::vector<ColorRun>> runs;
    auto [it, added] = runs.try_emplace({c.side, c.content, layout});
    if (added) {
        it->second = GatherRuns(Picture(c), Info(c, layout));
    }
    return it->second;
}

// The picture's decoded colours in stream order of the layout.
inline const std::vector<ArgbColor>& StreamColors(const Case& c, Layout layout) {
    static std::map<std::tuple<int, Content, Layout>, std::vector<ArgbColor>> colors;
    auto [it, added] = colors.try_emplace({c.side, c.content, layout});
    if (added) {
        ReadColorData2Byte(PvzFile(c, layout), Info(c, layout), it->second);
    }
    return it->second;
}

// Cases over both layouts: args are side, content, layout.
inline Layout LayoutArg(const benchmark::State& state) {
    return static_cast<Layout>(state.range(2));
}

inline const char* LayoutName(Layout layout) {
    return layout == Layout::kRectangle ? "row-major" : "twiddled";
}

inline void LayoutArgs(benchmark::internal::Benchmark* b) {
    for (const Layout layout : {Layout::kRectangle, Layout::kTwiddled}) {
        for (const int side : kSides) {
            for (const Content content : kAllContents) {
                b->Args({side, static_cast<int>(content), static_cast<int>(layout)});
            }
        }
    }
    b->Unit(benchmark::kMillisecond)->MinTime(0.2);
}

// A scratch folder for files the benchmarks write, removed at exit.
inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "qm-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        return pattern;
    }();
    static const struct Cleanup {
        ~Cleanup() {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    } cleanup;
    return folder;
}

}  // namespace qm::bench
