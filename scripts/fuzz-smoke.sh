#!/usr/bin/env bash
# Runs every libFuzzer harness built in BUILD_DIR on a small seed corpus for a bounded time,
# so the harnesses keep compiling and a regression on the seeds' neighbourhood is caught.
# The mutations start from a fixed seed, so a run that passed here passes again elsewhere
# (a slower machine only stops earlier in the same sequence).
# Usage: fuzz-smoke.sh BUILD_DIR [seconds per harness]   (default 8)
# A failing input is kept in BUILD_DIR/fuzz-artifacts/ and the script exits 1.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-8}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"

# Little-endian integers as raw bytes (the format is an octal escape, made on purpose).
# shellcheck disable=SC2059
le16() { printf "\\$(printf '%03o' $(($1 & 255)))\\$(printf '%03o' $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# wav BITS CHANNELS RATE FRAMES: a PCM WAV file with a ramp of samples.
wav() {
  local bits=$1 channels=$2 rate=$3 frames=$4 align bytes i
  align=$((channels * bits / 8))
  bytes=$((frames * align))
  printf 'RIFF'; le32 $((36 + bytes)); printf 'WAVEfmt '; le32 16
  le16 1; le16 "$channels"; le32 "$rate"; le32 $((rate * align)); le16 "$align"; le16 "$bits"
  printf 'data'; le32 "$bytes"
  # shellcheck disable=SC2059
  for ((i = 0; i < bytes; i++)); do printf "\\$(printf '%03o' $((i * 37 & 255)))"; done
}

# The filter's settings record: size 56, the settings interface's id, nine values.
filter_record() {
  local value
  le32 56; le32 0x5BA39983; le16 0x8430; le16 0x11D1; printf '\237\324\104\105\123\124\000\000'
  for value in "$@"; do le32 "$value"; done
}

seeds() {
  local d=$work/seeds
  mkdir -p "$d"/{wav,registry,filter,tarvel,presets}
  wav 16 2 44100 64 >"$d/wav/stereo16.wav"
  wav 8 1 8000 100 >"$d/wav/mono8.wav"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quorel]\r\n"GainSlider"=dword:fffffc18\r\n"Name"="Warm"\r\n\r\n[HKEY_CLASSES_ROOT\\CLSID]\r\n@="x"\r\n' \
    >"$d/registry/settings.reg"
  filter_record 0 1 500 0 0 1 -500 -100 0 >"$d/filter/default.bin"
  { filter_record -2000 0 1000 -250 -1000 0 -5000 -1 1; le32 0x00010000; le32 44100
    wav 16 1 44100 16; } >"$d/filter/with-samples.bin"
  { le32 0x00010000; le32 2000; le32 5000; le32 7; } >"$d/tarvel/record.bin"
  # One preset, "Soft", at the defaults; then the same with a second record.
  # shellcheck disable=SC2059
  local soft='\004Soft\006-1000 \0021 \004999 \0051000 \005-250 \0021 \0020 \006-1000 \0021 '
  { le16 1; le16 0xFFFF; le16 1; le16 8; printf 'CPresets'; printf "$soft"; } >"$d/presets/one.pre"
  { le16 2; le16 0xFFFF; le16 1; le16 8; printf 'CPresets'; printf "$soft"; le16 0x8001; printf "$soft"; } \
    >"$d/presets/two.pre"
}

# run NAME SEEDS: one harness on a copy of its seeds.
status=0
run() {
  local name=$1 exe=$build/tests/fuzz/$1 corpus=$work/corpus-$1
  if [[ ! -x $exe ]]; then
    echo "=== $name: not built, passed over"
    return
  fi
  mkdir -p "$corpus" && cp "$work/seeds/$2"/* "$corpus/"
  echo "=== $name: ${seconds}s"
  if ! (cd "$work" && "$exe" -seed=1 -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=4096 \
          -print_final_stats=1 -artifact_prefix="$artifacts/$name-" "$corpus" >"$work/$name.log" 2>&1); then
    tail -n 40 "$work/$name.log"
    echo "=== $name FAILED; the input is in $artifacts"
    status=1
  else
    grep -E '^stat::number_of_executed_units' "$work/$name.log" || true
  fi
}

seeds
run fuzz_wav_reader wav
run fuzz_batch_run wav
run fuzz_wav_source wav
run fuzz_registry registry
run fuzz_filter_settings filter
run fuzz_tarvel_record tarvel
run fuzz_presets_file presets
exit "$status"
