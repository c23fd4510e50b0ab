#pragma once

// Resource identifiers of the fader module: bitmaps, cursor and strings.
namespace TarvelRes {

constexpr int IDB_TOOLBOX = 1;          // 16 x 15 toolbox image
constexpr int IDB_TRACK_SMALL_DITHER = 207;
constexpr int IDB_KNOB_SMALL = 208;
constexpr int IDC_OPEN_HAND = 209;      // 32 x 32, hot spot (0, 0)
constexpr int IDB_LOGO = 211;           // 87 x 20, shown on the property page
constexpr int IDB_TRACK_LARGE_DITHER = 212;
constexpr int IDB_KNOB_LARGE = 213;
constexpr int IDB_TRACK_LARGE_SMOOTH = 214;
constexpr int IDB_TRACK_SMALL_SMOOTH = 215;

constexpr int IDS_TARVEL = 1;
constexpr int IDS_TARVEL_PPG = 2;
constexpr int IDS_TARVEL_PPG_CAPTION = 200;

constexpr const char* kTypeName = "Tarvel Control";
constexpr const char* kPageTypeName = "Tarvel Property Page";
constexpr const char* kPageCaption = "General";

}  // namespace TarvelRes
