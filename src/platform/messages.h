// Every text the user can see, in one place. Front ends and tests compare
// against these constants; nothing else in the program spells a message.
// All texts are UTF-8.
#pragma once

#include <string_view>

namespace qm::msg {

// Texture to PNG: the driver.
inline constexpr std::string_view kNotPvzExtension = "拡張子がpvzではない";
inline constexpr std::string_view kReadFailed = "ファイルの読み込みに失敗";
inline constexpr std::string_view kError = "エラー";
inline constexpr std::string_view kTooLarge = "画像が大きすぎます";

// Texture to PNG: texel decoding.
inline constexpr std::string_view kBadColor2Byte = "カラー情報がおかしい";
inline constexpr std::string_view kBadColor1Byte = "ReadColorData1Byte カラー情報がおかしい";
inline constexpr std::string_view kTooManyTexels1Byte = "ReadColorData1Byte 展開できません";
inline constexpr std::string_view kTooManyTexels2Byte = "ReadColorData2Byte 展開できません";
inline constexpr std::string_view kBadPaletteIndex = "ReadColorData1Byte パレット番号がおかしい";

// Palette file.
inline constexpr std::string_view kPaletteOpenFailed =
    "ReadColorPalette pvpファイルの読み込みに失敗";
inline constexpr std::string_view kPaletteError = "ReadColorPalette エラー";
inline constexpr std::string_view kPaletteCount = "ReadColorPalette パレット数がおかしい";

// PNG output.
inline constexpr std::string_view kCreatePngUnsupported = "CreatePng サポートしてません";

// PNG to texture: the driver.
inline constexpr std::string_view kBadPngName =
    "拡張子がpngではない or\r\n '_' 以下の文字列がおかしい";
inline constexpr std::string_view kNeed24Or32Bit = "32ビットor24ビットのpngを使ってください";
inline constexpr std::string_view kPaletteModeNotice = "暫定:2バイト長方形モードとして変換します";

// Writing files, both directions.
inline constexpr std::string_view kCreateFailed = "ファイルの作成に失敗";
inline constexpr std::string_view kColorEncodeError = "ColorEncode エラー";

// The gatherers.
inline constexpr std::string_view kRectError = "GetPngColor_Rect エラー";
inline constexpr std::string_view kNotSquare = "正方形じゃない";
inline constexpr std::string_view kSquareNotPowerOfTwo = "2^n乗の正方形じゃない";
inline constexpr std::string_view kSquError = "GetPngColor_Squ エラー";
inline constexpr std::string_view kWidthNotPowerOfTwo = "画像の幅が2^n乗ではない";
inline constexpr std::string_view kHeightNotPowerOfTwo = "画像の高さが2^n乗ではない";
inline constexpr std::string_view kBadRatio = "GetPngColor_SquEX 幅と高さの比が1:2 or 2:1ではない";
inline constexpr std::string_view kSquExError = "GetPngColor_SquEX エラー";

// Diagnostic lines (debugger output, never shown in a box).
inline constexpr std::string_view kDebugPadding = "ピクセルが足りないため、足りない分を埋める\n";

// The dialog.
inline constexpr std::string_view kAppTitle = "Quillmere";
inline constexpr std::string_view kPathNotAllowed = "絶対パスは使えません";
inline constexpr std::string_view kDone = "変換終了";
inline constexpr std::string_view kFailed = "失敗しました";
inline constexpr std::string_view kPvzToPngBusy = "pvzからpngへ変換中 しばらくお待ちください";
inline constexpr std::string_view kPngToPvzBusy = "pngからpvzへ変換中 しばらくお待ちください";
inline constexpr std::string_view kButtonPvzToPng = "pvz→png";
inline constexpr std::string_view kButtonPngToPvz = "png→pvz";
inline constexpr std::string_view kButtonCancel = "キャンセル";
inline constexpr std::string_view kLabelFileName = "ファイル名：";
inline constexpr std::string_view kLabelStatus = "状態：";
inline constexpr std::string_view kAboutMenuItem = "バージョン情報 Quillmere(&A)...";
inline constexpr std::string_view kAboutTitle = "バージョン情報 Quillmere";
inline constexpr std::string_view kAboutVersion = "Quillmere Version 1.0";
inline constexpr std::string_view kAboutCopyright = "Copyright (C) 2026 the Quillmere developers";
inline constexpr std::string_view kButtonOk = "OK";
inline constexpr std::string_view kUnexpectedError = "予期しないエラーが発生しました";
inline constexpr std::string_view kOrganization =
    "アプリケーション ウィザードで生成されたローカル アプリケーション";

}  // namespace qm::msg
