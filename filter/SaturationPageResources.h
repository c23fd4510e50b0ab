#pragma once

#include "filter/framework/DialogTemplate.h"

// The property page's dialog, control ids, images and help contexts.
namespace SaturationPageIds {

constexpr int Dialog = 101;
constexpr int TitleString = 1;
constexpr int BannerBitmap = 106;       // 290 x 24, 256 colours
constexpr int BannerBitmap16 = 107;     // 284 x 24, 16 colours
constexpr int TubeIconAlternate = 108;
constexpr int TapeIconAlternate = 109;
constexpr int TubeIcon = 110;
constexpr int TapeIcon = 111;

constexpr int GainReadout = 1010;
constexpr int GainTrackbar = 1011;
constexpr int LimiterReadout = 1012;
constexpr int LimiterTrackbar = 1013;
constexpr int MixTrackbar = 1014;
constexpr int CharacterTrackbar = 1015;
constexpr int DynamicsTrackbar = 1016;
constexpr int KneeTrackbar = 1017;
constexpr int GainLabel = 1021;
constexpr int LimiterLabel = 1022;
constexpr int Banner = 1023;
constexpr int MixLabel = 1024;
constexpr int CharacterLabel = 1025;
constexpr int DynamicsLabel = 1026;
constexpr int KneeLabel = 1027;
constexpr int TubeButton = 1029;
constexpr int TapeButton = 1031;
constexpr int DitherButton = 1032;
constexpr int FocusButton = 1033;

constexpr int BlinkTimer = 1;
constexpr unsigned BlinkPeriod = 600;

} // namespace SaturationPageIds

// Dialog 101 in dialog units.
const DialogTemplate& SaturationPageTemplate();

// The help context of a control, 0 for a control without one.
int SaturationPageHelpContext(int controlId);
