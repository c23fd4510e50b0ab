#pragma once

#include "platform/base/Types.h"

// The block sizes of a run and what it tells its user, for the program and the batch tool.
// The texts end without a newline: a message box shows them as they are.

constexpr int MonoBlock = 16384;
constexpr int StereoBlock = 65536;
// More late device buffers than this in a run bring the real-time warning.
constexpr WPARAM LateLimit = 6;

constexpr const char* NoSoundCardsText =
    "Cannot find any Sound cards that support MCI.\n"
    "Thus, you will not be able to listen to the sound.\n"
    "However, the algorithm will still embrel the files,\n"
    "and you can listen to them elswhere.";
constexpr const char* NoPreviewText = "Sorry, no sound cards are available,so you cannot preview the sound.";
constexpr const char* RealTimeWarningText =
    "Your computer is too slow or you are running too\n"
    "many programs for real time processing.\n"
    "This is what is causing the clicks and pauses.\n"
    "These clicks and pauses will NOT be saved to the output file.\n"
    "\nYou may disable this message in the future by de-selecting\n"
    "Real Time Watch in the menu options.\n";
