// Names for the numeric identifiers in qarvelo.rc. Control ids are local to their template,
// hence one namespace per template.
#pragma once

namespace resid {

// Dialog templates.
constexpr int kBackdropDialog = 102;
constexpr int kGameDialog = 131;
constexpr int kOverlayDialog = 132;
constexpr int kConfirmDialog = 172;
constexpr int kCleanCacheDialog = 173;

// Pictures of the custom type "PNG": the backdrop and the four-frame button strips.
constexpr wchar_t kPngType[] = L"PNG";
constexpr int kPngBackdrop = 155;
constexpr int kPngOverlayClose = 160;
constexpr int kPngOverlayMinimise = 162;
constexpr int kPngBossKey = 164;
constexpr int kPngClose = 166;
constexpr int kPngFullScreen = 167;
constexpr int kPngMaximise = 168;
constexpr int kPngMinimise = 169;
constexpr int kPngRefresh = 170;
constexpr int kPngChooseServer = 171;
constexpr int kPngOk = 175;
constexpr int kPngCancel = 176;
constexpr int kPngRestore = 189;
constexpr int kPngCleanCache = 1000;

// Bitmaps and the icon.
constexpr int kBmpCaption = 136;
constexpr int kBmpTitleLogo = 141;
constexpr int kBmpConfirmBackground = 177;
constexpr int kBmpVeil = 187;
constexpr int kIconApp = 128;

namespace game {
constexpr int kBrowser = 1000;
constexpr int kClose = 1001;
constexpr int kTitle = 1002;
constexpr int kMinimise = 1003;
constexpr int kFullScreen = 1004;
constexpr int kBossKey = 1005;
constexpr int kCleanCache = 1006;
constexpr int kRefresh = 1007;
constexpr int kChooseServer = 1008;
constexpr int kMaximise = 1009;
constexpr int kRestore = 1011;
} // namespace game

namespace overlay {
constexpr int kBrowser = 1000;
constexpr int kClose = 1005;
constexpr int kMinimise = 1006;
} // namespace overlay

namespace confirm {
constexpr int kTitle = 1002;
constexpr int kPrompt = 1003;
constexpr int kOk = 1008;
constexpr int kCancel = 1009;
} // namespace confirm

namespace cleancache {
constexpr int kStatus = 1002;
constexpr int kFrame = 1009;
} // namespace cleancache

} // namespace resid
