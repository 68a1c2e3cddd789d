// The Qt image plugin as programs meet it: QImageReader in a QCoreApplication
// finds it through QT_PLUGIN_PATH (a temporary install), and every texture
// of the table gives the pixels of the PNG quillmere-cli pvz2png writes for
// the same file, or is refused where the command refuses it. Built once per
// Qt version.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QIODevice>
#include <QImage>
#include <QImageIOHandler>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPluginLoader>
#include <QSize>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/child_process.h"
#include "support/run_program.h"
#include "support/test_support.h"
#include "support/texture_bytes.h"

namespace qm::test {
namespace {

QString QtName(const std::string& utf8) {
    return QString::fromUtf8(utf8.c_str());
}

QByteArray QtBytes(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}

struct Row {
    std::string texture;  // file name; its stem is unique among the rows
    Bytes pvz;
    std::vector<std::pair<std::string, Bytes>> palettes;  // files beside it
    bool converts;                                        // pvz2png writes a PNG
};

Bytes IndexStream(Random& random, std::size_t texels, std::uint32_t count) {
    Bytes stream;
    for (std::size_t i = 0; i < texels;) {
        const auto run =
            std::min<std::size_t>({texels - i, 256, 1 + random.Below(4) * random.Below(90)});
        AppendRecord1(stream, static_cast<std::uint8_t>(random.Below(count)),
                      static_cast<std::uint8_t>(run - 1));
        i += run;
    }
    return stream;
}

// The stream of a whole texture cut after about half its records.
Bytes CutShort(Bytes pvz, std::size_t recordSize) {
    pvz.resize(36 + recordSize * ((pvz.size() - 36) / (2 * recordSize)));
    return pvz;
}

std::vector<Row> Rows() {
    std::vector<Row> rows;
    Random random(21);
    const Bytes header = {0xa1, 0xb2, 0xc3, 0xd4, 0, 1, 2, 3, 0xfe, 0xdc, 0xba, 0x98};
    struct Shape {
        std::uint8_t df;
        std::int16_t w, h;
    };
    // Row by row (9), twiddled squares and two squares side by side and
    // stacked (every other code).
    const Shape shapes[] = {{9, 7, 5},   {9, 1, 33},  {1, 1, 1},
                            {1, 16, 16}, {2, 32, 16}, {13, 8, 16}};
    for (std::uint8_t pf = 0; pf < 3; ++pf) {
        for (const Shape& s : shapes) {
            const std::string stem = "c" + std::to_string(pf) + "-" + std::to_string(s.df) + "-" +
                                     std::to_string(s.w) + "x" + std::to_string(s.h);
            const Bytes pvz = RandomTexture(random, pf, s.df, s.w, s.h, header);
            rows.push_back({stem + ".pvz", pvz, {}, true});
            if (pvz.size() > 36 + 6) {
                rows.push_back({stem + "-short.pvz", CutShort(pvz, 3), {}, true});
            }
        }
        // Palette textures, their .pvp named in another letter case too.
        std::vector<std::uint16_t> entries;
        for (int i = 0; i < 30; ++i) entries.push_back(static_cast<std::uint16_t>(random.Next()));
        const Bytes pvp = Palette(entries, 30);
        const std::string p = "p" + std::to_string(pf);
        const Bytes square = Pvz(pf, 7, 16, 16, IndexStream(random, 256, 30), header);
        rows.push_back({p + "-square.pvz", square, {{p + "-square.pvp", pvp}}, true});
        rows.push_back({p + "-short.pvz", CutShort(square, 2), {{p + "-short.pvp", pvp}}, true});
        rows.push_back({p + "-wide.pvz",
                        Pvz(pf, 7, 16, 8, IndexStream(random, 128, 30), header),
                        {{p + "-wide.pvp", pvp}},
                        true});
        rows.push_back({p + "-UPPER.PVZ", square, {{p + "-upper.pvp", pvp}}, true});
        rows.push_back({p + "-lower.pvz", square, {{p + "-LOWER.PVP", pvp}}, true});
    }
    // Refused by both: damaged textures and palettes.
    Bytes one2, one1, many, beyond;
    AppendRecord2(one2, 0x1234, 0);
    AppendRecord1(one1, 0, 3);
    AppendRecord2(many, 0x1234, 255);
    AppendRecord1(beyond, 1, 3);
    const Bytes onePalette = Palette({0x8000}, 1);
    const Bytes two = Pvz(1, 7, 2, 2, one1);
    Bytes cutHeader = Pvz(1, 9, 4, 4, one2);
    cutHeader.resize(30);
    rows.push_back({"x-cut-header.pvz", cutHeader, {}, false});
    rows.push_back({"x-too-large.pvz", Pvz(1, 9, 32767, 32767, one2), {}, false});
    rows.push_back({"x-pixel-format.pvz", Pvz(3, 9, 2, 2, one2), {}, false});
    rows.push_back({"x-too-many.pvz", Pvz(1, 9, 2, 2, many), {}, false});
    rows.push_back({"x-not-placeable.pvz", Pvz(1, 1, 6, 6, one2), {}, false});
    rows.push_back({"x-negative.pvz", Pvz(1, 9, -4, 4, {}), {}, false});
    rows.push_back({"x-no-palette.pvz", two, {}, false});
    rows.push_back({"x-palette-short.pvz", two, {{"x-palette-short.pvp", Bytes(15, 0)}}, false});
    rows.push_back(
        {"x-palette-count.pvz", two, {{"x-palette-count.pvp", Palette({1, 2}, 3)}}, false});
    rows.push_back(
        {"x-palette-long.pvz", two, {{"x-palette-long.pvp", Bytes(16 + 2 * 0x10000, 0)}}, false});
    rows.push_back({"x-index.pvz", Pvz(1, 7, 2, 2, beyond), {{"x-index.pvp", onePalette}}, false});
    // Two names differ from the derived one only in case: neither is it.
    rows.push_back(
        {"x-two.pvz", two, {{"X-TWO.pvp", onePalette}, {"x-Two.pvp", onePalette}}, false});
    return rows;
}

// The PNG pvz2png wrote for texture in dir, or "".
std::string PngOf(const TempDir& dir, const std::string& texture) {
    const std::string prefix = texture.substr(0, texture.rfind('.')) + "_";
    for (const std::string& name : dir.List()) {
        if (name.starts_with(prefix) && name.ends_with(".png")) return dir / name;
    }
    return "";
}

TEST(QtPlugin, FoundThroughThePluginPath) {
    ASSERT_EQ(qgetenv("QT_PLUGIN_PATH"), QM_QT_PLUGIN_PATH);
    EXPECT_TRUE(QImageReader::supportedImageFormats().contains("pvz"));
    EXPECT_TRUE(QImageReader::supportedMimeTypes().contains("image/x-quillmere-pvz"));
}

// pvz2png run on the textures in dir, then each read through QImageReader:
// an image exactly where the command wrote a PNG, with its pixels. Gives
// the textures that converted.
Texts ExpectPvz2pngPixels(const TempDir& dir, const Texts& textures) {
    Texts args = {"pvz2png", "-q"};
    args.insert(args.end(), textures.begin(), textures.end());
    const ProgramRun cli = RunProgram(QM_CLI_PATH, args, Utf8(dir.path()));
    EXPECT_TRUE(cli.status == 0 || cli.status == 1) << cli.err;
    Texts converted;
    for (const std::string& texture : textures) {
        SCOPED_TRACE(texture);
        const std::string png = PngOf(dir, texture);
        QImageReader reader(QtName(dir / texture));
        const QImage image = reader.read();
        if (png.empty()) {
            EXPECT_TRUE(image.isNull());
            EXPECT_FALSE(reader.errorString().isEmpty());
            continue;
        }
        converted.push_back(texture);
        EXPECT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.format(), QImage::Format_ARGB32);
        const QImage expected = QImage(QtName(png)).convertToFormat(QImage::Format_ARGB32);
        EXPECT_FALSE(expected.isNull());
        EXPECT_TRUE(image == expected);
    }
    return converted;
}

TEST(QtPlugin, GivesThePixelsAndRefusalsOfPvz2png) {
    const std::vector<Row> rows = Rows();
    const TempDir dir;
    Texts textures, converting;
    for (const Row& row : rows) {
        WriteFile(dir / row.texture, row.pvz);
        for (const auto& [name, bytes] : row.palettes) WriteFile(dir / name, bytes);
        textures.push_back(row.texture);
        if (row.converts) converting.push_back(row.texture);
    }
    EXPECT_EQ(ExpectPvz2pngPixels(dir, textures), converting);
}

// A stream (a pipe, a socket) handing out its bytes a few at a time: the
// first piece holds the header, as Qt's readers need to sniff it.
class StreamDevice : public QIODevice {
  public:
    explicit StreamDevice(QByteArray bytes) : bytes_(std::move(bytes)) {}
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = std::min<qint64>({maxSize, 40, bytes_.size() - at_});
        std::copy_n(bytes_.constData() + at_, n, data);
        at_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray bytes_;
    qint64 at_ = 0;
};

TEST(QtPlugin, FindsTexturesByTheirHeader) {
    Random random(7);
    const Bytes pvz = RandomTexture(random, 2, 9, 3, 5);
    const TempDir dir;
    WriteFile(dir / "texture.bin", pvz);
    QImageReader reader(QtName(dir / "texture.bin"));
    EXPECT_TRUE(reader.canRead());
    EXPECT_EQ(reader.format(), "pvz");
    EXPECT_EQ(reader.read().size(), QSize(3, 5));

    QByteArray bytes = QtBytes(pvz);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader fromMemory(&buffer);
    EXPECT_TRUE(fromMemory.canRead());
    const QImage image = fromMemory.read();
    EXPECT_EQ(image.size(), QSize(3, 5));

    Bytes texels;  // one record per texel
    for (int i = 0; i < 300 * 200; ++i) {
        AppendRecord2(texels, static_cast<std::uint16_t>(random.Next()), 0);
    }
    const Bytes longer = Pvz(1, 9, 300, 200, texels);
    ASSERT_GT(longer.size(), 2u * 64 * 1024);  // more than one read of the plugin's
    WriteFile(dir / "longer.pvz", longer);
    StreamDevice stream(QtBytes(longer));
    stream.open(QIODevice::ReadOnly);
    QImageReader fromStream(&stream);
    EXPECT_EQ(fromStream.size(), QSize(300, 200));
    const QImage streamed = fromStream.read();
    EXPECT_FALSE(streamed.isNull());
    EXPECT_TRUE(streamed == QImage(QtName(dir / "longer.pvz")));
}

// The texture type (QtPlugin.MimeDatabase builds it) knows a texture by
// its content, whatever its name.
TEST(QtPlugin, TheMimeTypeKnowsTexturesByTheirHeader) {
    Bytes stream;
    AppendRecord2(stream, 0x1234, 15);
    const TempDir dir;
    WriteFile(dir / "texture", Pvz(1, 9, 4, 4, stream));
    WriteFile(dir / "other", Bytes(40, 'a'));
    const QMimeDatabase mime;
    EXPECT_EQ(mime.mimeTypeForFile(QtName(dir / "texture")).name(), "image/x-quillmere-pvz");
    EXPECT_NE(mime.mimeTypeForFile(QtName(dir / "other")).name(), "image/x-quillmere-pvz");
}

TEST(QtPlugin, CanReadOnlyWhatCarriesTheHeader) {
    Random random(8);
    const Bytes pvz = RandomTexture(random, 0, 1, 4, 4);
    Bytes noGbix = pvz, noPvrt = pvz;
    noGbix[5] = 'b';
    noPvrt[23] = 'X';
    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H',
                       'D',  'R', 0,   0,   0,    1,    0,    0,    0, 1, 8, 6,  0,   0};
    const std::pair<const char*, Bytes> cases[] = {
        {"texture", pvz},
        {"header only", Bytes(pvz.begin(), pvz.begin() + 36)},
        {"no GBIX", noGbix},
        {"no PVRT", noPvrt},
        {"cut before PVRT", Bytes(pvz.begin(), pvz.begin() + 23)},
        {"PNG", png},
        {"text", Bytes(40, 'a')},
        {"empty", {}},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        QByteArray data = QtBytes(bytes);
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "pvz");
        const bool texture = std::string(name) == "texture" || std::string(name) == "header only";
        EXPECT_EQ(reader.canRead(), texture);
        EXPECT_EQ(buffer.pos(), 0);  // sniffing consumes nothing
    }
}

TEST(QtPlugin, SizeAndFormatFromTheHeaderAlone) {
    Bytes many;
    AppendRecord2(many, 0x1234, 255);
    // A stream that cannot be decoded and a palette texture without its
    // palette: the header still tells their sizes.
    const std::pair<Bytes, QSize> cases[] = {
        {Pvz(1, 9, 64, 32, many), QSize(64, 32)},
        {Pvz(0, 7, 8, 16, {}), QSize(8, 16)},
        {Pvz(2, 1, 16384, 16384, {}), QSize(16384, 16384)},
        {Pvz(1, 9, 32767, 32767, {}), QSize()},  // beyond the largest picture
        {Pvz(1, 9, 0, 5, {}), QSize()},
        {Bytes(35, 0), QSize()},
    };
    for (const auto& [pvz, size] : cases) {
        const TempDir dir;
        WriteFile(dir / "t.pvz", pvz);
        QImageReader reader(QtName(dir / "t.pvz"));
        EXPECT_EQ(reader.size(), size);
        if (size.isValid()) {
            EXPECT_EQ(reader.imageFormat(), QImage::Format_ARGB32);
        }
    }
}

// A device that says it holds more than any texture, serving a header and
// then zeros, and counting what it served.
class HugeDevice : public QIODevice {
  public:
    HugeDevice(QByteArray head, qint64 size) : head_(std::move(head)), size_(size) {}
    bool isSequential() const override { return false; }
    qint64 size() const override { return size_; }
    qint64 served = 0;

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = std::min(maxSize, size_ - pos());
        for (qint64 i = 0; i < n; ++i) {
            const qint64 at = pos() + i;
            data[i] = at < head_.size() ? head_[static_cast<int>(at)] : '\0';
        }
        served += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray head_;
    qint64 size_;
};

TEST(QtPlugin, RefusesADeviceLongerThanAnyTextureUnread) {
    // The largest texture: the header and a 3-byte record per texel of the
    // largest picture.
    const qint64 longest = 36 + 3 * qint64{16384} * 16384;
    HugeDevice device(QtBytes(Pvz(1, 9, 16, 16, {})), longest + 1);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, "pvz");
    EXPECT_FALSE(reader.size().isValid());
    EXPECT_TRUE(reader.read().isNull());
    EXPECT_LT(device.served, 1 << 20);
}

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
// The plugin's handler as a program may use it without QImageReader, which
// checks the size the handler reports on its own.
bool ReadsWithTheHandlerAlone(const std::string& path) {
    QPluginLoader loader(QString::fromLocal8Bit(qgetenv("QT_PLUGIN_PATH")) +
                         "/imageformats/libquillmere_pvz.so");
    auto* plugin = qobject_cast<QImageIOPlugin*>(loader.instance());
    QFile file(QtName(path));
    if (plugin == nullptr || !file.open(QIODevice::ReadOnly)) return true;
    const std::unique_ptr<QImageIOHandler> handler(plugin->create(&file, "pvz"));
    QImage image;
    return handler->read(&image);
}

// Qt 6's allocation limit holds for textures too, before any decoding.
TEST(QtPlugin, RefusesPicturesBeyondQtsAllocationLimit) {
    const TempDir dir;
    WriteFile(dir / "big.pvz", Pvz(1, 9, 16384, 16384, {}));
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(64);
    const ChildResult child = RunInChild({}, [&] {
        const std::uint64_t before = PeakMemoryKiB();
        QImageReader reader(QtName(dir / "big.pvz"));
        const bool null = reader.read().isNull();
        const bool handlerRead = ReadsWithTheHandlerAlone(dir / "big.pvz");
        return std::string(null ? "null" : "image") + (handlerRead ? " read" : " refused") +
               (PeakMemoryKiB() - before < 32 * 1024 ? " small" : " big");
    });
    QImageReader::setAllocationLimit(limit);
    ASSERT_TRUE(child.finished) << child.problem << " signal " << child.signal;
    EXPECT_EQ(child.report, "null refused small");
}
#endif

}  // namespace
}  // namespace qm::test

int main(int argc, char** argv) {
    qputenv("QT_PLUGIN_PATH", QM_QT_PLUGIN_PATH);
    qputenv("XDG_DATA_HOME", QM_XDG_DATA_HOME);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
