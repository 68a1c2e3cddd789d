// What the dialog's buttons do, whatever draws the dialog: a view that
// records every call in order and drivers that record the name they got and
// the status line as it was painted when they ran.
#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

#include "app/converter_controller.h"
#include "platform/message_sink.h"
#include "support/test_support.h"

namespace qm::test {
namespace {

using namespace std::string_literals;

class FakeView final : public ConverterView {
  public:
    std::string FileNameText() const override { return field; }
    void SetStatus(std::string_view text) override { Log("status ", text); }
    void ShowStatusNow(std::string_view text) override { Log("painted ", painted = text); }
    void ShowModalMessage(std::string_view text) override { Log("box ", text); }
    void WriteDiagnostic(std::string_view text) override { Log("debug ", text); }
    void Log(const char* what, std::string_view text) { log.push_back(what + std::string(text)); }

    std::string field;
    std::string painted;  // the status line as last painted
    Texts log;
};

// What a driver does once it has logged its call; empty: there is no driver.
using Action = std::function<bool(std::string& name)>;

Action Returns(bool ok) {
    return [ok](std::string&) { return ok; };
}

struct Row {
    std::string name;
    const char* button;  // "pvz→png" or "png→pvz"
    std::string field;
    Action action;
    Texts expected;  // the view's log, with the driver's calls in it
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

std::vector<Row> Rows() {
    const std::string toPng = "painted pvzからpngへ変換中 しばらくお待ちください";
    const std::string toPvz = "painted pngからpvzへ変換中 しばらくお待ちください";
    const std::string underPng = " under pvzからpngへ変換中 しばらくお待ちください";
    const std::string underPvz = " under pngからpvzへ変換中 しばらくお待ちください";
    const std::string done = "status 変換終了", failed = "status 失敗しました";
    const std::string refused = "box 絶対パスは使えません";
    const std::string unexpected = "box 予期しないエラーが発生しました";
    return {
        {"PvzToPngSucceeds",
         "pvz→png",
         "石.pvz",
         Returns(true),
         {toPng, "pvz→png got 石.pvz" + underPng, done}},
        {"PvzToPngFails",
         "pvz→png",
         "石.pvz",
         Returns(false),
         {toPng, "pvz→png got 石.pvz" + underPng, failed}},
        {"PngToPvzSucceeds",
         "png→pvz",
         "石.png",
         Returns(true),
         {toPvz, "png→pvz got 石.png" + underPvz, done}},
        {"PngToPvzFails",
         "png→pvz",
         "石.png",
         Returns(false),
         {toPvz, "png→pvz got 石.png" + underPvz, failed}},
        {"NoDriverFails", "pvz→png", "石.pvz", {}, {toPng, failed}},
        // Files are converted in the current folder only.
        {"RefusesAFolder", "pvz→png", "sub/a.pvz", Returns(true), {toPng, refused, failed}},
        {"RefusesAnAbsolutePath", "png→pvz", "/tmp/a.png", Returns(true), {toPvz, refused, failed}},
        {"RefusesABackslash", "pvz→png", "C:\\a.pvz", Returns(true), {toPng, refused, failed}},
        {"RefusesATrailingBackslash", "png→pvz", "a\\", Returns(true), {toPvz, refused, failed}},
        // The name ends at its first NUL, before the check for folders.
        {"CutsTheNameAtANul",
         "pvz→png",
         "石.pvz\0/x"s,
         Returns(true),
         {toPng, "pvz→png got 石.pvz" + underPng, done}},
        {"ANulFirstLeavesNoName",
         "png→pvz",
         "\0a.png"s,
         Returns(false),
         {toPvz, "png→pvz got " + underPvz, failed}},
        {"ShowsWhatADriverThrows",
         "png→pvz",
         "a.png",
         [](std::string&) -> bool { throw std::runtime_error("broken"); },
         {toPvz, "png→pvz got a.png" + underPvz, unexpected + "\r\nbroken", failed}},
        {"SurvivesADriverThrowingANonException",
         "pvz→png",
         "a.pvz",
         [](std::string&) -> bool { throw 42; },
         {toPng, "pvz→png got a.pvz" + underPng, unexpected, failed}},
        {"ShowsADriversMessagesInOrderBeforeTheEnd",
         "pvz→png",
         "a.pvz",
         [](std::string&) {
             ShowMessage("一行目\r\n二行目");
             WriteDebugLine("詳細");
             ShowMessage("二つ目");
             return false;
         },
         {toPng, "pvz→png got a.pvz" + underPng, "box 一行目\r\n二行目", "debug 詳細", "box 二つ目",
          failed}},
        {"ADriverRewritingItsNameLeavesTheField",
         "pvz→png",
         "石.pvz",
         [](std::string& name) {
             name = "石_0109.png";
             return true;
         },
         {toPng, "pvz→png got 石.pvz" + underPng, done}},
    };
}

class ConverterControllerRow : public ::testing::TestWithParam<Row> {};

TEST_P(ConverterControllerRow, Click) {
    const Row& row = GetParam();
    FakeView view;
    view.field = row.field;
    ConversionDriver driver;
    if (row.action) {
        driver = [&view, &row](std::string& name) {
            view.log.push_back(row.button + " got "s + name + " under " + view.painted);
            return row.action(name);
        };
    }
    const ConversionDriver other = [&view](std::string&) {
        view.log.push_back("the other button's driver");
        return true;
    };
    const bool toPng = row.button == "pvz→png"s;
    ConverterController controller(view, toPng ? driver : other, toPng ? other : driver);
    const CapturedMessages outside;
    toPng ? controller.OnPvzToPng() : controller.OnPngToPvz();
    EXPECT_EQ(view.log, row.expected);
    EXPECT_EQ(view.field, row.field);
    // The conversion's messages went to the view alone, and only while it ran.
    ShowMessage("後で");
    EXPECT_EQ(outside.shown, Texts{"後で"});
}

INSTANTIATE_TEST_SUITE_P(Rows, ConverterControllerRow, ::testing::ValuesIn(Rows()),
                         ::testing::PrintToStringParamName());

}  // namespace
}  // namespace qm::test
