// Random modding workflows: seeded sequences of what users do in one folder
// of textures (extract, edit the PNG, put it back, rename a file to another
// letter case, interrupt a batch, fill the disk), played through
// quillmere-cli, with the folder's invariants checked after every step.
//
//   QM_WORKFLOWS=N        runs N workflows instead of the few of `make test`
//                         (`make fuzz` runs many);
//   QM_WORKFLOW_SEED=S    replays the one workflow of seed S, as a failure
//                         prints it with its steps.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "convert/pvz_to_png.h"
#include "platform/png_file.h"
#include "support/png_bytes.h"
#include "support/texture_bytes.h"
#include "texture/color_format.h"
#include "texture/palette.h"
#include "texture/pvz_header.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

constexpr int kWorkflowsInMakeTest = 12;
constexpr int kStepsPerWorkflow = 16;

// name -> bytes of every entry of a folder.
using Snapshot = std::map<std::string, Bytes>;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// What a user's copy from another system may call a file: each letter of the
// stem in either case, the extension all lower or all upper case.
std::string CaseVariant(Random& random, const std::string& name) {
    const std::size_t dot = std::min(name.rfind('.'), name.size());
    std::string stem = name.substr(0, dot);
    for (char& c : stem) {
        if (std::isalpha(static_cast<unsigned char>(c)) && random.Below(2) == 0) {
            c = static_cast<char>(std::isupper(static_cast<unsigned char>(c))
                                      ? std::tolower(static_cast<unsigned char>(c))
                                      : std::toupper(static_cast<unsigned char>(c)));
        }
    }
    const std::string extension = name.substr(dot);
    return stem + (random.Below(2) == 0 ? Lower(extension) : Upper(extension));
}

struct Run {
    int status = -1;  // exit status, or 128 + the signal that ended it
    std::string out, err;
};

// quillmere-cli ARGS in folder; with a file-size limit (SIGXFSZ ignored, so
// that writes fail as on a full disk), and with SIGINT after interruptAfter
// microseconds when that is not negative.
Run Cli(const TempDir& folder, const Texts& args, rlim_t fileSizeLimit = 0,
        int interruptAfter = -1) {
    static const TempDir outputs;
    const std::string outPath = outputs / "out", errPath = outputs / "err";
    std::vector<std::string> argv = {QM_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.path().c_str()) != 0) ::_exit(126);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (fileSizeLimit != 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execv(QM_CLI_PATH, pointers.data());
        ::_exit(127);
    }
    if (interruptAfter >= 0) {
        ::usleep(static_cast<useconds_t>(interruptAfter));
        ::kill(pid, SIGINT);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    Run run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const Bytes out = ReadFile(outPath), err = ReadFile(errPath);
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
}

Snapshot Take(const TempDir& folder) {
    Snapshot files;
    for (const std::string& name : folder.List()) files[name] = ReadFile(folder / name);
    return files;
}

// The entry of folder whose name is lowerName in any case ("" when none).
std::string Find(const TempDir& folder, const std::string& lowerName) {
    for (const std::string& name : folder.List()) {
        if (Lower(name) == lowerName) return name;
    }
    return "";
}

fs::file_time_type Modified(const TempDir& folder, const std::string& name) {
    return fs::last_write_time(folder.path() / PathOf(name));
}

// The picture a texture holds as pvz2png decodes it, or why it does not.
bool Decode(const std::string& path, std::vector<ArgbColor>& pixels, std::string& why) {
    CapturedMessages messages;
    std::string name = path;
    TextureInfo info;
    ImageSurface surface;
    if (!ReadPvzPicture(name, info, surface)) {
        for (const std::string& text : messages.shown) why += text + "; ";
        return false;
    }
    pixels = PixelsOf(surface);
    return true;
}

// A colour that the pixel format holds exactly.
ArgbColor FittingColor(Random& random, std::uint8_t pixelFormat) {
    ArgbColor color;
    ColorDecode(pixelFormat, random.Below(0x10000), color);
    return color;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<ArgbColor> pixels;
};

Picture LoadPicture(const std::string& path) {
    Picture picture;
    ImageSurface surface;
    if (LoadPngFile(path, surface) == kPngLoaded) {
        picture.width = surface.GetWidth();
        picture.height = surface.GetHeight();
        picture.pixels = PixelsOf(surface);
    }
    return picture;
}

std::size_t DistinctColors(const std::vector<ArgbColor>& pixels) {
    std::set<std::uint32_t> seen;
    for (const ArgbColor& c : pixels) {
        seen.insert(c.alpha << 24 | c.red << 16 | c.green << 8 | c.blue);
    }
    return seen.size();
}

bool IsPalettePng(const Bytes& png) {
    constexpr std::size_t kColorTypeOffset = 25;
    constexpr std::uint8_t kPaletteColorType = 3;
    return png.size() > kColorTypeOffset && png[kColorTypeOffset] == kPaletteColorType;
}

// The 2-byte codes at the end of a header-carrying PNG name.
std::uint8_t DataFormatOfPng(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return static_cast<std::uint8_t>(std::stoi(name.substr(dot - 2, 2), nullptr, 16));
}

std::string Hex2(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%.2x", value);
    return text;
}

// One workflow: the folder, what the user did, and what the test knows.
class Workflow {
  public:
    explicit Workflow(std::uint64_t seed) : seed_(seed), random_(seed) {}

    // Empty when every invariant held; else the first broken one.
    std::string Play(int steps) {
        if (std::string made = Populate(); !made.empty()) return made;
        for (int i = 0; i < steps; ++i) {
            std::string problem = Step();
            if (problem.empty()) problem = CheckFolder();
            if (!problem.empty()) return problem;
        }
        return "";
    }

    std::string Journal() const {
        std::ostringstream text;
        text << "seed " << seed_ << " (QM_WORKFLOW_SEED=" << seed_ << " replays it):\n";
        for (std::size_t i = 0; i < journal_.size(); ++i)
            text << "  " << i << ". " << journal_[i] << "\n";
        return text.str();
    }

  private:
    struct Item {
        std::string stem;  // lowercase
        std::uint8_t pixelFormat = 0;
    };
    // What an extraction wrote: the texture and palette it came from.
    struct Extracted {
        Bytes texture, palette;
    };

    Run Do(const Texts& args, rlim_t fileSizeLimit = 0, int interruptAfter = -1) {
        std::string line;
        for (const std::string& arg : args) line += arg + " ";
        if (fileSizeLimit != 0) line += "(file size limit " + std::to_string(fileSizeLimit) + ")";
        if (interruptAfter >= 0) line += "(SIGINT after " + std::to_string(interruptAfter) + " us)";
        const Run run = Cli(dir_, args, fileSizeLimit, interruptAfter);
        journal_.push_back(line + "-> " + std::to_string(run.status));
        return run;
    }

    std::string Populate() {
        const char* const stems[] = {"s7", "wall", "stone", "sky"};
        const int count = 1 + static_cast<int>(random_.Below(3));
        for (int i = 0; i < count; ++i) {
            Item item{stems[i], static_cast<std::uint8_t>(random_.Below(3))};
            const std::uint8_t dataFormat = std::array<std::uint8_t, 3>{7, 9, 1}[random_.Below(3)];
            constexpr int kTwiddled[][2] = {{8, 8}, {16, 8}, {8, 16}, {4, 4}};
            const auto* shape = kTwiddled[random_.Below(4)];
            const int w = dataFormat == 9 ? 1 + static_cast<int>(random_.Below(12)) : shape[0];
            const int h = dataFormat == 9 ? 1 + static_cast<int>(random_.Below(12)) : shape[1];
            std::vector<ArgbColor> colors;
            for (int c = 1 + static_cast<int>(random_.Below(6)); c > 0; --c)
                colors.push_back(FittingColor(random_, item.pixelFormat));
            std::vector<ArgbColor> pixels;
            for (int p = 0; p < w * h; ++p) {
                pixels.push_back(
                    dataFormat == 7 || random_.Below(3) != 0
                        ? colors[random_.Below(static_cast<std::uint32_t>(colors.size()))]
                        : FittingColor(random_, item.pixelFormat));
            }
            const std::string png = CaseVariant(random_, item.stem) + "_" + kHeaderText +
                                    Hex2(item.pixelFormat) + Hex2(dataFormat) + ".png";
            WriteFile(dir_ / png, PngOfPixels(w, h, pixels));
            const Run made = Do(dataFormat == 7 ? Texts{"png2pvz", "--keep-palette", png}
                                                : Texts{"png2pvz", png});
            if (made.status != 0) return "could not make " + png + ": " + made.err;
            fs::remove(dir_.path() / PathOf(png));
            items_.push_back(item);
        }
        // Copied from a disc: some names in other letter cases.
        for (const std::string& name : dir_.List()) {
            if (random_.Below(2) == 0) Rename(name, CaseVariant(random_, name));
        }
        return CheckFolder();
    }

    void Rename(const std::string& from, const std::string& to) {
        if (from == to) return;
        fs::rename(dir_.path() / PathOf(from), dir_.path() / PathOf(to));
        journal_.push_back("rename " + from + " " + to);
    }

    const Item& AnyItem() {
        return items_[random_.Below(static_cast<std::uint32_t>(items_.size()))];
    }

    // The PNGs of an item, whatever their codes.
    Texts PngsOf(const Item& item) const {
        Texts pngs;
        for (const std::string& name : dir_.List()) {
            const std::string lower = Lower(name);
            if (lower.rfind(item.stem + "_", 0) == 0 && lower.ends_with(".png"))
                pngs.push_back(name);
        }
        return pngs;
    }

    std::string Step() {
        switch (random_.Below(10)) {
            case 0:
            case 1:
            case 2:
                return Extract(AnyItem());
            case 3:
            case 4:
                return Edit(AnyItem());
            case 5:
            case 6:
                return PutBack(AnyItem());
            case 7:
                return RenameSomething();
            case 8:
                return InterruptBatch();
            default:
                return FillTheDisk();
        }
    }

    std::string Extract(const Item& item, rlim_t fileSizeLimit = 0) {
        const std::string texture = Find(dir_, item.stem + ".pvz");
        const std::string typed = random_.Below(2) == 0 ? texture : CaseVariant(random_, texture);
        const bool indexed = random_.Below(2) == 0, force = random_.Below(4) == 0;
        Texts args = {"pvz2png"};
        if (indexed) args.push_back("--indexed");
        if (force) args.push_back("--force");
        args.push_back(typed);
        // The PNG it leads to, if one is there already, in any case.
        const Bytes header = ReadFile(dir_ / texture);
        std::string suffix;
        for (std::size_t i = kHeaderBytesOffset; i < kPvrtOffset; ++i) suffix += Hex2(header[i]);
        suffix += Hex2(header[kPixelFormatOffset]) + Hex2(header[kDataFormatOffset]) + ".png";
        const std::string pngLower = item.stem + "_" + suffix;
        const std::string existing = Find(dir_, pngLower);
        const bool edited = !existing.empty() && Modified(dir_, existing) > Modified(dir_, texture);
        const Snapshot before = Take(dir_);

        const Run run = Do(args, fileSizeLimit);
        if (fileSizeLimit != 0) return run.status == 0 && !edited ? "wrote past the limit" : "";
        if (run.status != 0) return "extraction failed: " + run.err;
        const std::string png = Find(dir_, pngLower);
        if (png.empty()) return "no " + pngLower + " after extraction";
        if (!existing.empty() && png != existing) return "PNG renamed from " + existing;
        if (edited && !force) {
            return ReadFile(dir_ / png) == before.at(existing) ? "" : "an edited PNG was replaced";
        }
        std::vector<ArgbColor> pixels;
        std::string why;
        if (!Decode(dir_ / texture, pixels, why)) return why;
        if (LoadPicture(dir_ / png).pixels != pixels) return "PNG differs from its texture";
        const std::string palette = Find(dir_, item.stem + ".pvp");
        extracted_[Lower(png)] = {ReadFile(dir_ / texture),
                                  palette.empty() ? Bytes{} : ReadFile(dir_ / palette)};
        return Unchanged(before, {Lower(png)});
    }

    std::string Edit(const Item& item) {
        const Texts pngs = PngsOf(item);
        if (pngs.empty()) return Extract(item);
        const std::string png = pngs[random_.Below(static_cast<std::uint32_t>(pngs.size()))];
        Picture picture = LoadPicture(dir_ / png);
        if (picture.pixels.empty()) return "cannot load " + png;
        std::string what;
        if (DataFormatOfPng(png) == 9 && random_.Below(3) == 0) {
            picture.width = 1 + static_cast<int>(random_.Below(12));
            picture.height = 1 + static_cast<int>(random_.Below(12));
            picture.pixels.assign(static_cast<std::size_t>(picture.width * picture.height),
                                  FittingColor(random_, item.pixelFormat));
            what =
                "resize to " + std::to_string(picture.width) + "x" + std::to_string(picture.height);
        }
        // Repaint a block: with a colour of the picture, or a new one.
        const ArgbColor color =
            random_.Below(2) == 0
                ? picture.pixels[random_.Below(static_cast<std::uint32_t>(picture.pixels.size()))]
                : FittingColor(random_, item.pixelFormat);
        const int x0 = static_cast<int>(random_.Below(static_cast<std::uint32_t>(picture.width)));
        const int y0 = static_cast<int>(random_.Below(static_cast<std::uint32_t>(picture.height)));
        const int x1 =
            x0 + 1 +
            static_cast<int>(random_.Below(static_cast<std::uint32_t>(picture.width - x0)));
        const int y1 =
            y0 + 1 +
            static_cast<int>(random_.Below(static_cast<std::uint32_t>(picture.height - y0)));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                picture.pixels[static_cast<std::size_t>(y * picture.width + x)] = color;
        WriteFile(dir_ / png, PngOfPixels(picture.width, picture.height, picture.pixels));
        extracted_.erase(Lower(png));
        journal_.push_back("edit " + png + ": " + (what.empty() ? "" : what + ", ") + "repaint " +
                           std::to_string(x0) + "," + std::to_string(y0) + " to " +
                           std::to_string(x1) + "," + std::to_string(y1));
        return "";
    }

    std::string PutBack(const Item& item, rlim_t fileSizeLimit = 0) {
        const Texts pngs = PngsOf(item);
        if (pngs.empty()) return Extract(item, fileSizeLimit);
        const std::string png = pngs[random_.Below(static_cast<std::uint32_t>(pngs.size()))];
        const bool keep = random_.Below(2) == 0, dither = random_.Below(3) == 0;
        Texts args = {"png2pvz"};
        if (keep) args.push_back("--keep-palette");
        if (dither) args.push_back("--dither");
        args.push_back(random_.Below(2) == 0 ? png : CaseVariant(random_, png));
        const bool palette = keep && DataFormatOfPng(png) == 7;
        const std::string texture = Find(dir_, item.stem + ".pvz");
        const std::string oldPalette = Find(dir_, item.stem + ".pvp");
        const Bytes oldPaletteBytes = oldPalette.empty() ? Bytes{} : ReadFile(dir_ / oldPalette);
        const Bytes pngBytes = ReadFile(dir_ / png);
        const Snapshot before = Take(dir_);

        const Run run = Do(args, fileSizeLimit);
        if (fileSizeLimit != 0) return run.status == 0 ? "wrote past the limit" : "";
        if (run.status != 0) return "putting back failed: " + run.err;
        const std::string written = Find(dir_, item.stem + ".pvz");
        if (!texture.empty() && written != texture) return "texture renamed from " + texture;
        const std::string paletteNow = Find(dir_, item.stem + ".pvp");
        if (!oldPalette.empty() && paletteNow != oldPalette)
            return "palette renamed from " + oldPalette;

        // What was put back reads as the picture, when its colours fit the
        // format and the palette.
        const Picture picture = LoadPicture(dir_ / png);
        const std::vector<std::uint16_t> old = PaletteEntriesOf(oldPaletteBytes);
        const std::size_t room = !old.empty()
                                     ? std::min<std::size_t>(old.size(), kMaxIndexedEntries)
                                     : kMaxIndexedEntries;
        const auto found = extracted_.find(Lower(png));
        const bool unedited = found != extracted_.end();
        const bool exact = !palette || DistinctColors(picture.pixels) <= room ||
                           (unedited && IsPalettePng(pngBytes));
        std::vector<ArgbColor> pixels;
        std::string why;
        if (!Decode(dir_ / written, pixels, why)) return why;
        if (exact && pixels != picture.pixels) return "the texture does not read as " + png;

        // An unedited round trip gives back the very bytes.
        const bool sameSource = unedited && found->second.texture == before.at(texture) &&
                                found->second.palette == oldPaletteBytes;
        const bool roundTrip = DataFormatOfPng(png) != 7 || palette;
        const std::vector<std::uint16_t> entries = PaletteEntriesOf(oldPaletteBytes);
        const bool plainEntries =
            std::set<std::uint16_t>(entries.begin(), entries.end()).size() == entries.size();
        if (sameSource && roundTrip && (IsPalettePng(pngBytes) || plainEntries || !palette)) {
            if (ReadFile(dir_ / written) != found->second.texture)
                return "round trip changed the texture";
            if (palette && ReadFile(dir_ / paletteNow) != oldPaletteBytes)
                return "round trip changed the palette";
        }
        Texts changed = {item.stem + ".pvz"};
        if (palette) changed.push_back(item.stem + ".pvp");
        return Unchanged(before, changed);
    }

    std::string RenameSomething() {
        const Texts names = dir_.List();
        if (names.empty()) return "";
        const std::string from = names[random_.Below(static_cast<std::uint32_t>(names.size()))];
        Rename(from, CaseVariant(random_, from));
        return "";
    }

    // A batch stopped by Ctrl-C: each texture's files are as they were, or as
    // the whole batch leaves them (played first in a copy of the folder).
    std::string InterruptBatch() {
        const Texts commands[] = {{"pvz2png", "-j", "1", "-r", "."},
                                  {"png2pvz", "-j", "1", "-r", "."},
                                  {"png2pvz", "-j", "1", "--keep-palette", "-r", "."}};
        const Texts& args = commands[random_.Below(3)];
        TempDir whole;
        for (const std::string& name : dir_.List()) {
            fs::copy_file(dir_.path() / PathOf(name), whole.path() / PathOf(name));
            fs::last_write_time(whole.path() / PathOf(name), Modified(dir_, name));
        }
        Cli(whole, args);
        const Snapshot before = Take(dir_), after = Take(whole);
        Do(args, 0, static_cast<int>(random_.Below(20000)));
        const Snapshot now = Take(dir_);
        for (const Item& item : items_) {
            const auto ofItem = [&item](const Snapshot& files) {
                Snapshot mine;
                for (const auto& [name, bytes] : files) {
                    const std::string lower = Lower(name);
                    if (lower.rfind(item.stem + ".", 0) == 0 ||
                        lower.rfind(item.stem + "_", 0) == 0)
                        mine[name] = bytes;
                }
                return mine;
            };
            if (ofItem(now) != ofItem(before) && ofItem(now) != ofItem(after))
                return "the files of " + item.stem +
                       " are neither as before nor as after the batch";
        }
        // What pvz2png wrote in full is an extraction like any other.
        for (const auto& [name, bytes] : now) {
            const auto was = before.find(name);
            if (Lower(name).ends_with(".png") && (was == before.end() || was->second != bytes)) {
                extracted_.erase(Lower(name));
            }
        }
        return "";
    }

    // A conversion on a full disk fails and changes nothing.
    std::string FillTheDisk() {
        const rlim_t limit = 1 + random_.Below(35);  // less than any texture or PNG
        const Snapshot before = Take(dir_);
        const std::string problem =
            random_.Below(2) == 0 ? Extract(AnyItem(), limit) : PutBack(AnyItem(), limit);
        if (!problem.empty()) return problem;
        return Unchanged(before, {});
    }

    // Every file but those named (in lower case) is as it was.
    std::string Unchanged(const Snapshot& before, const Texts& mayChange) const {
        Snapshot now = Take(dir_);
        Snapshot was = before;
        for (Snapshot* files : {&now, &was}) {
            std::erase_if(*files, [&](const auto& entry) {
                return std::find(mayChange.begin(), mayChange.end(), Lower(entry.first)) !=
                       mayChange.end();
            });
        }
        for (const auto& [name, bytes] : was) {
            const auto found = now.find(name);
            if (found == now.end()) return name + " is gone";
            if (found->second != bytes) return name + " changed";
        }
        for (const auto& entry : now) {
            if (!was.contains(entry.first)) return entry.first + " appeared";
        }
        return "";
    }

    // What holds after every step.
    std::string CheckFolder() const {
        std::set<std::string> lower;
        for (const std::string& name : dir_.List()) {
            if (name.starts_with(".")) return "a temporary is left: " + name;
            if (!lower.insert(Lower(name)).second) return "two names differ only in case: " + name;
            if (Lower(name).ends_with(".pvz")) {
                std::vector<ArgbColor> pixels;
                std::string why;
                if (!Decode(dir_ / name, pixels, why)) return name + " does not decode: " + why;
            }
        }
        return "";
    }

    std::uint64_t seed_;
    Random random_;
    TempDir dir_;
    std::vector<Item> items_;
    std::map<std::string, Extracted> extracted_;  // by the PNG's lowercase name
    std::vector<std::string> journal_;
};

std::uint64_t FromEnvironment(const char* name, std::uint64_t otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::stoull(value) : otherwise;
}

TEST(PosixWorkflows, KeepEveryFileWhole) {
    const std::uint64_t only = FromEnvironment("QM_WORKFLOW_SEED", 0);
    const std::uint64_t first = only != 0 ? only : 1;
    const std::uint64_t count =
        only != 0 ? 1 : FromEnvironment("QM_WORKFLOWS", kWorkflowsInMakeTest);
    for (std::uint64_t seed = first; seed < first + count; ++seed) {
        Workflow workflow(seed);
        const std::string problem = workflow.Play(kStepsPerWorkflow);
        ASSERT_EQ(problem, "") << workflow.Journal();
    }
}

}  // namespace
}  // namespace qm::test
