// The thumbnail provider as Explorer meets it: registered by quillmere-cli,
// created through COM by its class, initialised with a shell item (or only a
// stream) and asked for a bitmap, whose pixels must be those of
// `quillmere-cli thumbnail` for the same file and size (which gives the
// Linux build's pixels: scripts/compare-windows). Damaged and hostile files
// give no bitmap, without taking the memory they announce.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h:
#include <propsys.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <thumbcache.h>

#include <memory>

#include "explorer_support.h"
#include "platform/image_surface.h"
#include "platform/png_file.h"
#include "support/child_process.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

// A bitmap's pixels, top row first, four bytes each as the DIB holds them.
struct Bitmap {
    HRESULT result = E_FAIL;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    COLORREF drawnTop = 0;  // the pixels (0, 0) and (0, height - 1) as GDI draws them
    COLORREF drawnBottom = 0;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    Bytes pixels;
};

template <class T>
struct Releaser {
    void operator()(T* object) const { object->Release(); }
};
template <class T>
using ComPtr = std::unique_ptr<T, Releaser<T>>;

Bitmap Read(HRESULT result, HBITMAP handle, WTS_ALPHATYPE alpha) {
    Bitmap bitmap;
    bitmap.result = result;
    bitmap.alpha = alpha;
    DIBSECTION dib{};
    if (handle == nullptr || ::GetObjectW(handle, sizeof dib, &dib) != sizeof dib) {
        return bitmap;
    }
    bitmap.width = dib.dsBm.bmWidth;
    bitmap.height = dib.dsBm.bmHeight;
    bitmap.bitsPerPixel = dib.dsBm.bmBitsPixel;
    // GetObject reports a top-down DIB's height as positive: which row
    // comes first shows when the bitmap is drawn.
    const HDC dc = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, handle);
    bitmap.drawnTop = ::GetPixel(dc, 0, 0);
    bitmap.drawnBottom = ::GetPixel(dc, 0, bitmap.height - 1);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    const auto* bits = static_cast<const std::uint8_t*>(dib.dsBm.bmBits);
    bitmap.pixels.assign(bits, bits + dib.dsBm.bmWidthBytes * dib.dsBm.bmHeight);
    ::DeleteObject(handle);
    return bitmap;
}

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

// An entry point of dll, through void*: GetProcAddress's type matches none.
template <class Function>
Function EntryPoint(HMODULE dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
}

// A provider made as Explorer makes the thumbnail handler of a .pvz, by
// following the registration: the extension's handler for
// IThumbnailProvider names the class, whose InprocServer32 names the DLL
// (apartment-threaded), whose class factory makes the object. Wine's COM
// reads only the machine's classes, not HKCU\Software\Classes, so that
// lookup is CoCreateInstance's work done here.
ComPtr<IThumbnailProvider> CreateProvider() {
    const std::optional<std::wstring> handler =
        ClassesText(L".pvz\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}", L"");
    EXPECT_EQ(handler, kProviderClsid);
    const std::wstring server = L"CLSID\\" + handler.value_or(L"") + L"\\InprocServer32";
    EXPECT_EQ(ClassesText(server, L"ThreadingModel"), L"Apartment");
    const HMODULE dll = ::LoadLibraryW(ClassesText(server, L"").value_or(L"").c_str());
    EXPECT_NE(dll, nullptr);
    const auto getClassObject = EntryPoint<GetClassObject>(dll, "DllGetClassObject");
    if (dll == nullptr || getClassObject == nullptr) return {};
    CLSID clsid{};
    EXPECT_EQ(::CLSIDFromString(handler.value_or(L"").c_str(), &clsid), S_OK);
    IClassFactory* raw = nullptr;
    EXPECT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&raw)), S_OK);
    const ComPtr<IClassFactory> factory(raw);
    IThumbnailProvider* provider = nullptr;
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(IThumbnailProvider),
                                          reinterpret_cast<void**>(&provider)),
                  S_OK);
    }
    // The DLL stays loaded, as COM keeps it until it may unload.
    return ComPtr<IThumbnailProvider>(provider);
}

Bitmap Thumbnail(IThumbnailProvider* provider, UINT size) {
    HBITMAP handle = nullptr;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    const HRESULT result = provider->GetThumbnail(size, &handle, &alpha);
    return Read(result, handle, alpha);
}

// The provider initialised with the shell item of path (UTF-8).
Bitmap ThumbnailOfItem(const std::string& path, UINT size) {
    const ComPtr<IThumbnailProvider> provider = CreateProvider();
    if (!provider) return {};
    IShellItem* raw = nullptr;
    EXPECT_EQ(
        ::SHCreateItemFromParsingName(PathOf(path).make_preferred().wstring().c_str(), nullptr,
                                      IID_IShellItem, reinterpret_cast<void**>(&raw)),
        S_OK);
    const ComPtr<IShellItem> item(raw);
    IInitializeWithItem* init = nullptr;
    EXPECT_EQ(provider->QueryInterface(IID_IInitializeWithItem, reinterpret_cast<void**>(&init)),
              S_OK);
    const ComPtr<IInitializeWithItem> initialise(init);
    EXPECT_EQ(initialise->Initialize(item.get(), STGM_READ), S_OK);
    return Thumbnail(provider.get(), size);
}

// The provider initialised with a stream over bytes that names no file.
Bitmap ThumbnailOfBytes(const Bytes& bytes, UINT size) {
    const ComPtr<IThumbnailProvider> provider = CreateProvider();
    if (!provider) return {};
    const ComPtr<IStream> stream(
        ::SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
    IInitializeWithStream* init = nullptr;
    EXPECT_EQ(provider->QueryInterface(IID_IInitializeWithStream, reinterpret_cast<void**>(&init)),
              S_OK);
    const ComPtr<IInitializeWithStream> initialise(init);
    EXPECT_EQ(initialise->Initialize(stream.get(), STGM_READ), S_OK);
    return Thumbnail(provider.get(), size);
}

// What a successful thumbnail must be: a 32-bit top-down bitmap, alpha not
// premultiplied, holding the pixels of picture.
void ExpectPicture(const Bitmap& bitmap, const ImageSurface& picture) {
    ASSERT_EQ(bitmap.result, S_OK);
    EXPECT_EQ(bitmap.alpha, WTSAT_ARGB);
    EXPECT_EQ(bitmap.bitsPerPixel, 32);
    ASSERT_EQ(std::pair(bitmap.width, bitmap.height),
              std::pair(picture.GetWidth(), picture.GetHeight()));
    ASSERT_EQ(picture.GetBPP(), 32);
    Bytes expected;
    for (int y = 0; y < picture.GetHeight(); ++y) {
        const std::uint8_t* row = picture.GetBits() + y * picture.GetPitch();
        expected.insert(expected.end(), row, row + picture.GetWidth() * 4);
    }
    EXPECT_EQ(bitmap.pixels, expected);
    // The rows in memory are drawn top row first.
    const auto drawn = [&](int y) {
        const std::uint8_t* pixel = picture.GetBits() + y * picture.GetPitch();
        return RGB(pixel[2], pixel[1], pixel[0]);
    };
    EXPECT_EQ(bitmap.drawnTop, drawn(0));
    EXPECT_EQ(bitmap.drawnBottom, drawn(picture.GetHeight() - 1));
}

// quillmere-cli thumbnail's PNG of path at size.
ImageSurface CliThumbnail(const ProgramsFolder& programs, const TempDir& dir,
                          const std::string& path, UINT size) {
    const std::string out = dir / "expected.png";
    const ProgramRun run =
        programs.Cli("thumbnail -s " + std::to_string(size) + " " + path + " " + out);
    EXPECT_EQ(run.status, 0) << run.err;
    ImageSurface picture;
    EXPECT_EQ(LoadPngFile(out, picture), kPngLoaded);
    return picture;
}

Bytes Stream1(std::initializer_list<std::pair<std::uint8_t, int>> runs) {
    Bytes stream;
    for (const auto& [index, count] : runs) {
        for (int left = count; left > 0; left -= 256) {
            AppendRecord1(stream, index, static_cast<std::uint8_t>(std::min(left, 256) - 1));
        }
    }
    return stream;
}

Bytes RandomIndices(Random& random, int texels, std::uint8_t entries) {
    Bytes stream;
    for (int i = 0; i < texels; ++i) {
        AppendRecord1(stream, static_cast<std::uint8_t>(random.Below(entries)), 0);
    }
    return stream;
}

std::vector<std::uint16_t> RandomPalette(Random& random, int entries) {
    std::vector<std::uint16_t> palette;
    for (int i = 0; i < entries; ++i) palette.push_back(static_cast<std::uint16_t>(random.Next()));
    return palette;
}

class Provider : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        programs_ = new ProgramsFolder();
        const ProgramRun run = programs_->Cli("register");
        ASSERT_EQ(run.status, 0) << run.err;
    }
    static void TearDownTestSuite() {
        programs_->Cli("unregister");
        ::CoFreeUnusedLibraries();
        delete programs_;
        programs_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override { ::CoUninitialize(); }

    static ProgramsFolder* programs_;
    TempDir dir_;
};

ProgramsFolder* Provider::programs_ = nullptr;

struct FileCase {
    const char* name;
    std::string texture;                               // UTF-8, under the folder
    std::vector<std::pair<std::string, Bytes>> files;  // the texture and what lies beside it
    UINT size;
};

void PrintTo(const FileCase& c, std::ostream* out) {
    *out << c.name;
}

class ProviderFiles : public Provider, public testing::WithParamInterface<FileCase> {};

// Each texture gives the thumbnail quillmere-cli gives for the same size.
TEST_P(ProviderFiles, DrawsWhatTheCliDraws) {
    const FileCase& c = GetParam();
    for (const auto& [name, bytes] : c.files) WriteFile(dir_ / name, bytes);
    const ImageSurface expected = CliThumbnail(*programs_, dir_, dir_ / c.texture, c.size);
    ExpectPicture(ThumbnailOfItem(dir_ / c.texture, c.size), expected);
}

Random random(2207);
const std::vector<std::uint16_t> kPalette = RandomPalette(random, 40);
const Bytes kIndexed64 = Pvz(2, 7, 64, 64, RandomIndices(random, 64 * 64, 40));
const Bytes kIndexed8 = Pvz(0, 7, 8, 8, RandomIndices(random, 64, 40));

INSTANTIATE_TEST_SUITE_P(
    Rows, ProviderFiles,
    testing::Values(FileCase{"PaletteTextureScaled",
                             "石.pvz",
                             {{"石.pvz", kIndexed64}, {"石.pvp", Palette(kPalette, 40)}},
                             48},
                    FileCase{"PaletteTextureInAJapaneseFolder",
                             "テクスチャ/色.pvz",
                             {{"テクスチャ/色.pvz", kIndexed8},
                              {"テクスチャ/色.pvp", Palette(kPalette, 40)}},
                             256},
                    FileCase{"RectangleArgb1555Scaled",
                             "wide.pvz",
                             {{"wide.pvz", RandomTexture(random, 0, 9, 300, 200)}},
                             128},
                    FileCase{"TwiddledArgb4444Scaled",
                             "sq.pvz",
                             {{"sq.pvz", RandomTexture(random, 2, 1, 64, 64)}},
                             40},
                    FileCase{"Rgb565InAJapaneseFolderKeptWhole",
                             "画像/テクスチャ.pvz",
                             {{"画像/テクスチャ.pvz", RandomTexture(random, 1, 9, 37, 23)}},
                             256},
                    FileCase{"UpperCaseName",
                             "STONE.PVZ",
                             {{"STONE.PVZ", RandomTexture(random, 1, 13, 64, 32)}},
                             32},
                    FileCase{"ShortStreamPaddedClear",
                             "short.pvz",
                             {{"short.pvz", Pvz(2, 9, 16, 16, {0x34, 0xf2, 99})}},
                             8}));

// Files the converter refuses (and those larger than a preview decodes)
// give no bitmap: an error, and Explorer keeps the file's icon.
TEST_F(Provider, RefusesDamagedFiles) {
    Bytes full;  // 4096 x 4097: one texel beyond what a preview decodes
    for (int i = 0; i < 4096 * 4097 / 256; ++i) AppendRecord2(full, 0x7fff, 255);
    const std::pair<const char*, Bytes> rows[] = {
        {"cut.pvz", Bytes(20, 0)},
        {"huge-but-short.pvz", Pvz(1, 9, 16384, 16384, {0, 0, 5})},
        {"too-many.pvz", Pvz(1, 9, 2, 2, {0, 0, 3, 0, 0, 3})},
        {"no-palette.pvz", Pvz(1, 7, 8, 8, Stream1({{1, 64}}))},
        {"bad-pixel-format.pvz", Pvz(9, 9, 2, 2, {0, 0, 3})},
        {"no-texels.pvz", Pvz(1, 9, 0, 0, {})},
        {"negative.pvz", Pvz(1, 9, -4, 4, {0, 0, 3})},
        {"beyond-previews.pvz", Pvz(1, 9, 4096, 4097, full)},
        {"texture.png", Pvz(1, 9, 2, 2, {0, 0, 3})},
    };
    for (const auto& [name, bytes] : rows) {
        WriteFile(dir_ / name, bytes);
        const Bitmap bitmap = ThumbnailOfItem(dir_ / name, 256);
        EXPECT_EQ(bitmap.result, E_FAIL) << name;
        EXPECT_TRUE(bitmap.pixels.empty()) << name;
    }
    // An index beyond the palette beside it.
    WriteFile(dir_ / "idx.pvz", Pvz(1, 7, 8, 8, Stream1({{3, 64}})));
    WriteFile(dir_ / "idx.pvp", Palette({1, 2}, 2));
    EXPECT_EQ(ThumbnailOfItem(dir_ / "idx.pvz", 256).result, E_FAIL);
}

// A picture's memory is taken only once its size is within the previews'
// limit and the stream could fill it: none of these may cost more than a
// few megabytes (any of them, decoded, would take 64 MB or far more). Run
// alone in its process (tests/explorer/CMakeLists.txt): the peak is the
// process's.
TEST_F(Provider, RefusesHostileFilesWithoutTakingTheirMemory) {
    Bytes nearly;  // 4096 x 4097 with a stream that fills it
    for (int i = 0; i < 4096 * 4097 / 256; ++i) AppendRecord2(nearly, 0x7fff, 255);
    const Bytes rows[] = {Pvz(1, 9, 4096, 4096, {0, 0, 5}),
                          Pvz(2, 7, 4096, 4096, Stream1({{0, 300}})),
                          Pvz(1, 9, 16384, 16384, {0, 0, 5}),
                          Pvz(1, 1, 16384, 16384, nearly),
                          Pvz(2, 7, 16384, 16384, Stream1({{0, 256 * 1000}})),
                          Pvz(1, 9, 4096, 4097, nearly)};
    // The first thumbnail loads the DLL and its libraries.
    WriteFile(dir_ / "small.pvz", Pvz(1, 9, 2, 2, {0, 0, 3}));
    EXPECT_EQ(ThumbnailOfItem(dir_ / "small.pvz", 256).result, S_OK);
    const std::uint64_t before = PeakMemoryKiB();
    for (const Bytes& bytes : rows) {
        WriteFile(dir_ / "hostile.pvz", bytes);
        EXPECT_EQ(ThumbnailOfItem(dir_ / "hostile.pvz", 256).result, E_FAIL);
        EXPECT_EQ(ThumbnailOfBytes(bytes, 256).result, E_FAIL);
    }
    EXPECT_LT(PeakMemoryKiB() - before, 16u * 1024);
}

// Every cut and every flipped bit of small textures, through a stream:
// a bitmap no larger than asked, or E_FAIL; never anything else.
TEST_F(Provider, SurvivesEveryCutAndFlippedBit) {
    Random seeds(31);
    const Bytes textures[] = {RandomTexture(seeds, 1, 9, 9, 7), RandomTexture(seeds, 2, 1, 8, 8),
                              Pvz(0, 7, 8, 8, RandomIndices(seeds, 20, 255))};
    for (const Bytes& texture : textures) {
        std::vector<Bytes> damaged;
        for (std::size_t cut = 0; cut < texture.size(); ++cut) {
            damaged.emplace_back(texture.begin(), texture.begin() + static_cast<long>(cut));
        }
        for (std::size_t at = 0; at < texture.size(); ++at) {
            for (int bit = 0; bit < 8; ++bit) {
                damaged.push_back(texture);
                damaged.back()[at] ^= static_cast<std::uint8_t>(1u << bit);
            }
        }
        for (const Bytes& bytes : damaged) {
            const Bitmap bitmap = ThumbnailOfBytes(bytes, 6);
            ASSERT_TRUE(bitmap.result == S_OK || bitmap.result == E_FAIL) << bitmap.result;
            if (bitmap.result == S_OK) {
                EXPECT_TRUE(bitmap.width <= 6 && bitmap.height <= 6);
                EXPECT_EQ(bitmap.pixels.size(), std::size_t(bitmap.width) * bitmap.height * 4);
            }
        }
    }
}

// A stream without a name: a 2-byte texture as from its file; a palette
// texture as a grey ramp of its indices (index i: grey i, opaque).
TEST_F(Provider, DrawsStreamsWithoutAName) {
    const Bytes rect = RandomTexture(random, 2, 9, 50, 30);
    WriteFile(dir_ / "rect.pvz", rect);
    ExpectPicture(ThumbnailOfBytes(rect, 20),
                  CliThumbnail(*programs_, dir_, dir_ / "rect.pvz", 20));

    // 8 x 8, twiddled: the first quarter of the stream is the top-left 4 x 4.
    const Bitmap grey = ThumbnailOfBytes(Pvz(1, 7, 8, 8, Stream1({{10, 16}, {200, 48}})), 256);
    std::vector<ArgbColor> pixels;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const std::uint32_t v = x < 4 && y < 4 ? 10 : 200;
            pixels.push_back(ArgbColor{255, v, v, v});
        }
    }
    ExpectPicture(grey, SurfaceOf(8, 8, 32, pixels));

    EXPECT_EQ(ThumbnailOfBytes(Bytes(30, 0), 256).result, E_FAIL);
}

// A stream that names its file by a full path (as a file's own stream
// does) is read as that file: a palette texture gets its .pvp's colours.
TEST_F(Provider, ReadsTheFileAStreamNames) {
    WriteFile(dir_ / "名前/石.pvz", kIndexed8);
    WriteFile(dir_ / "名前/石.pvp", Palette(kPalette, 40));
    const std::string path = dir_ / "名前/石.pvz";
    IStream* raw = nullptr;
    ASSERT_EQ(::SHCreateStreamOnFileEx(PathOf(path).make_preferred().wstring().c_str(),
                                       STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL,
                                       FALSE, nullptr, &raw),
              S_OK);
    const ComPtr<IStream> stream(raw);
    const ComPtr<IThumbnailProvider> provider = CreateProvider();
    ASSERT_TRUE(provider);
    IInitializeWithStream* init = nullptr;
    ASSERT_EQ(provider->QueryInterface(IID_IInitializeWithStream, reinterpret_cast<void**>(&init)),
              S_OK);
    const ComPtr<IInitializeWithStream> initialise(init);
    EXPECT_EQ(initialise->Initialize(stream.get(), STGM_READ), S_OK);
    ExpectPicture(Thumbnail(provider.get(), 256), CliThumbnail(*programs_, dir_, path, 256));
}

TEST_F(Provider, AnswersCallsOutOfOrder) {
    const ComPtr<IThumbnailProvider> provider = CreateProvider();
    ASSERT_TRUE(provider);
    EXPECT_EQ(Thumbnail(provider.get(), 256).result, E_UNEXPECTED);
    HBITMAP handle = nullptr;
    EXPECT_EQ(provider->GetThumbnail(256, &handle, nullptr), E_POINTER);

    WriteFile(dir_ / "a.pvz", Pvz(1, 9, 2, 2, {0, 0, 3}));
    IShellItem* raw = nullptr;
    ASSERT_EQ(
        ::SHCreateItemFromParsingName(PathOf(dir_ / "a.pvz").make_preferred().wstring().c_str(),
                                      nullptr, IID_IShellItem, reinterpret_cast<void**>(&raw)),
        S_OK);
    const ComPtr<IShellItem> item(raw);
    IInitializeWithItem* init = nullptr;
    ASSERT_EQ(provider->QueryInterface(IID_IInitializeWithItem, reinterpret_cast<void**>(&init)),
              S_OK);
    const ComPtr<IInitializeWithItem> initialise(init);
    EXPECT_EQ(initialise->Initialize(item.get(), STGM_READ), S_OK);
    EXPECT_EQ(initialise->Initialize(item.get(), STGM_READ),
              HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
    EXPECT_EQ(Thumbnail(provider.get(), 0).result, E_INVALIDARG);
    EXPECT_EQ(Thumbnail(provider.get(), 1).result, S_OK);

    // The path comes from a shell item; a bare path is not taken.
    void* file = nullptr;
    EXPECT_EQ(provider->QueryInterface(IID_IInitializeWithFile, &file), E_NOINTERFACE);
}

// The DLL by itself: its class factory only for its own class, and free to
// unload once nothing of it is held.
TEST_F(Provider, ServesOnlyItsClassAndUnloadsWhenFree) {
    const HMODULE dll = ::LoadLibraryW((programs_->Path() + L"\\quillmere-thumbnails.dll").c_str());
    ASSERT_NE(dll, nullptr);
    const auto getClassObject = EntryPoint<GetClassObject>(dll, "DllGetClassObject");
    const auto canUnloadNow = EntryPoint<CanUnloadNow>(dll, "DllCanUnloadNow");
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);

    void* object = nullptr;
    EXPECT_EQ(getClassObject(IID_IUnknown, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    CLSID clsid{};
    ASSERT_EQ(::CLSIDFromString(kProviderClsid.c_str(), &clsid), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IThumbnailProvider* provider = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IThumbnailProvider),
                                      reinterpret_cast<void**>(&provider)),
              S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    provider->Release();
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow(), S_OK);
    ::FreeLibrary(dll);
}

}  // namespace
}  // namespace qm::test
