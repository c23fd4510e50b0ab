#!/usr/bin/env python3
"""Writes damaged and impossible WAV files into DIR, with DIR/manifest.tsv naming each file
and the exact message embrel-batch must give for it ("{}" stands for the file's path).

The reader runs every step of the header even after one failed and keeps the last
failure's message, so a file damaged early often ends on the missing data chunk."""

import os
import struct
import sys

HEADER = "Input file, {}, is not a valid WAV file (RIFF/WAVE header error).\n"
FORMAT = "Input file, {}, is not a valid WAV file (format error).\n"
NO_DATA = "Input file, {}, is not a valid WAV file (descend error).\n"
BITS = "Input file, {}, is not 8 or 16 bit format.\n"
RATE = "Input file, {}, is not a valid WAV file (its sample rate is 0).\n"
LAYOUT = ("Input file, {}, is not a valid WAV file (its block alignment or byte rate does not match "
          "its channels and bits).\n")
CHANNELS = ("You have selected a wave file which is neither mono nor stereo.\n"
            "At this time, you can only use mono or stereo wave files.\nSorry.\n")
DATA_READ = "Cannot read from {}.\n"


def chunk(tag, body, size=None):
    size = len(body) if size is None else size
    pad = b"\0" if len(body) % 2 else b""
    return tag + struct.pack("<I", size) + body + pad


def fmt(tag=1, channels=2, rate=44100, bits=16, align=None, byte_rate=None, extra=b""):
    align = channels * bits // 8 if align is None else align
    byte_rate = rate * align if byte_rate is None else byte_rate
    return struct.pack("<HHIIHH", tag, channels, rate, byte_rate, align, bits) + extra


def riff(*chunks, form=b"WAVE", tag=b"RIFF", size=None):
    body = form + b"".join(chunks)
    return tag + struct.pack("<I", len(body) if size is None else size) + body


DATA = bytes(range(256)) * 8


def wav(data=DATA, **format_fields):
    return riff(chunk(b"fmt ", fmt(**format_fields)), chunk(b"data", data))


def cases():
    yield "empty", b"", NO_DATA
    yield "riff-only", b"RIFF", NO_DATA
    yield "eleven-bytes", b"RIFF\x04\0\0\0WAV", NO_DATA
    yield "rifx", wav().replace(b"RIFF", b"RIFX", 1), NO_DATA
    yield "avi-form", riff(chunk(b"fmt ", fmt()), chunk(b"data", DATA), form=b"AVI "), HEADER
    yield "junk-first", b"JUNK" + wav()[4:], NO_DATA
    yield "text", b"This is not a sound file at all, just some words.\n" * 4, NO_DATA
    yield "no-format", riff(chunk(b"data", DATA)), NO_DATA
    yield "format-size-0", riff(chunk(b"fmt ", b""), chunk(b"data", DATA)), BITS
    yield "format-size-12", riff(chunk(b"fmt ", fmt()[:12]), chunk(b"data", DATA)), BITS
    yield "format-size-14", riff(chunk(b"fmt ", fmt()[:14]), chunk(b"data", DATA)), BITS
    yield "format-cut-by-eof", riff(size=4 + 8 + 16)[:12] + b"fmt " + struct.pack("<I", 16) + fmt()[:10], NO_DATA
    yield "format-claims-too-much", riff(chunk(b"fmt ", fmt(), size=1000)), NO_DATA
    for tag in (0, 2, 3, 6, 7, 0x55, 0xFFFE):
        yield "tag-%04x" % tag, wav(tag=tag), FORMAT
    for bits in (0, 1, 4, 12, 20, 24, 32, 64):
        yield "bits-%d" % bits, wav(bits=bits, align=4, byte_rate=176400), BITS
    # 65535 channels of 16 bits need a block alignment beyond its 16-bit field.
    yield "channels-65535", wav(channels=65535, align=65534, byte_rate=44100 * 65534), LAYOUT
    for channels in (3, 4, 6, 8, 255, 32767):
        yield "channels-%d" % channels, wav(channels=channels, align=(channels * 2) & 0xFFFF,
                                             byte_rate=44100 * ((channels * 2) & 0xFFFF)), CHANNELS
    yield "rate-0", wav(rate=0), RATE
    yield "rate-0-mono-8", wav(rate=0, channels=1, bits=8), RATE
    for align in (0, 1, 2, 3, 5, 8, 0xFFFF):
        yield "align-%d" % align, wav(align=align, byte_rate=44100 * 4), LAYOUT
    for byte_rate in (0, 1, 44100, 176399, 176401, 352800, 0xFFFFFFFF):
        yield "byte-rate-%d" % byte_rate, wav(byte_rate=byte_rate), LAYOUT
    yield "mono-8-align-2", wav(channels=1, bits=8, align=2, byte_rate=88200), LAYOUT
    yield "stereo-8-byte-rate-mono", wav(channels=2, bits=8, byte_rate=44100), LAYOUT
    yield "no-data", riff(chunk(b"fmt ", fmt())), NO_DATA
    yield "no-data-list-after", riff(chunk(b"fmt ", fmt()), chunk(b"LIST", b"INFOISFT\x02\0\0\0x\0")), NO_DATA
    yield "chunk-claims-beyond-eof", riff(chunk(b"fmt ", fmt()), chunk(b"JUNK", b"abcd", size=0x10000),
                                           chunk(b"data", DATA)), NO_DATA
    yield "data-claims-more", riff(chunk(b"fmt ", fmt()), chunk(b"data", DATA, size=len(DATA) + 4000)), DATA_READ
    yield "data-claims-2gb", riff(chunk(b"fmt ", fmt()), chunk(b"data", DATA, size=0x80000000)), DATA_READ
    yield "data-cut-mono-8", riff(chunk(b"fmt ", fmt(channels=1, bits=8)),
                                  chunk(b"data", DATA, size=len(DATA) * 3)), DATA_READ
    yield "format-after-data", riff(chunk(b"data", DATA), chunk(b"fmt ", fmt())), NO_DATA
    yield "float-32-align-4", wav(tag=3, bits=32, align=4, byte_rate=176400), BITS
    yield "extensible-16", wav(tag=0xFFFE, extra=struct.pack("<HHI", 22, 16, 3) + b"\x01\0" + b"\0" * 14), FORMAT
    yield "bits-and-rate", wav(bits=24, rate=0), BITS
    yield "channels-0", wav(channels=0, align=0, byte_rate=0), CHANNELS
    yield "channels-0-align-4", wav(channels=0, align=4), LAYOUT


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "manifest.tsv"), "w") as manifest:
        for number, (name, data, message) in enumerate(cases()):
            file_name = "%02d-%s.wav" % (number, name)
            with open(os.path.join(out, file_name), "wb") as f:
                f.write(data)
            manifest.write(file_name + "\t" + message.replace("\n", "\\n") + "\n")


if __name__ == "__main__":
    main()
