#include "filter/SaturationPageResources.h"

namespace {

using K = DialogItemKind;

// Control id -> help context, ended by a 0 id.
constexpr int kHelpIds[][2] = {{1011, 2}, {1029, 3}, {1014, 3}, {1015, 3}, {1016, 3},
                               {1031, 4}, {1017, 4}, {1013, 4}, {1032, 5}, {0, 0}};

} // namespace

const DialogTemplate& SaturationPageTemplate()
{
    static const DialogTemplate dialog{
        101, 244, 206,
        {
            {1033, K::PushButton, "Default", 19, 16, 50, 14, false},
            {1021, K::Label, "Gain", 11, 37, 26, 10, true},
            {1011, K::Trackbar, "", 11, 47, 30, 126, true},
            {1010, K::Label, "0.0 dB", 10, 173, 30, 9, true},
            {1024, K::Label, "Mix", 55, 37, 25, 10, true},
            {1014, K::Trackbar, "", 54, 47, 30, 126, true},
            {1025, K::Label, "Character", 86, 37, 35, 10, true},
            {1015, K::Trackbar, "", 89, 47, 30, 126, true},
            {1026, K::Label, "Dynamics", 122, 37, 33, 10, true},
            {1016, K::Trackbar, "", 124, 47, 30, 126, true},
            {1027, K::Label, "Knee", 167, 37, 27, 10, true},
            {1017, K::Trackbar, "", 167, 47, 30, 126, true},
            {1022, K::Label, "Limiter", 204, 37, 25, 9, true},
            {1013, K::Trackbar, "", 202, 47, 30, 127, true},
            {1012, K::Label, "0.0 dB", 203, 174, 30, 9, true},
            {1029, K::CheckButton, "Tube", 92, 13, 23, 21, true},
            {1031, K::CheckButton, "Tape", 188, 13, 23, 21, true},
            {1023, K::Picture, "", 3, 188, 189, 15, true},
            {1032, K::CheckButton, "Dither", 205, 190, 33, 10, true},
            {-1, K::GroupBox, "", 1, 1, 243, 205, true},
        }};
    return dialog;
}

int SaturationPageHelpContext(int controlId)
{
    for (int i = 0; kHelpIds[i][0] != 0; ++i)
        if (kHelpIds[i][0] == controlId)
            return kHelpIds[i][1];
    return 0;
}
