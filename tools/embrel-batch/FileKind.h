#pragma once

#include <string>

// Which reader an input goes to, judged from its first bytes (and its name, for FLAC).
class FileKind {
public:
    enum Kind {
        DesignedWav,   // PCM WAV of 8 or 16 bits, or anything unknown: the designed reader judges it
        OtherWav,      // a RIFF WAVE of another sample format: libsndfile's, if it reads it
        Sndfile,       // RF64, W64, AIFF, FLAC, Ogg, CAF, AU: read through libsndfile
        FlacNamedWav,  // FLAC data under a .wav name
        Mp3,           // MP3 data, which neither reader takes
    };

    // nameIsWav: the file's name ends in .wav (any case).
    static Kind Sniff(int fd, bool nameIsWav);
    static bool HasWavExtension(const std::string& path);
};
