#!/usr/bin/env bash
# Runs the layer check on small trees: an upward include, a sideways one, a toolkit include
# below the windows and a folder with no layer must each fail and be named; includes that
# point down must pass. Usage: CheckLayersTest.sh path/to/check-layers.sh
set -uo pipefail
checker=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# Writes a file with the given include lines into a fresh copy of a tree that passes.
tree() {
  rm -rf "$work/t" && mkdir -p "$work/t"/{engine,pcm,platform/base,program/audio,filter/host}
  echo '#pragma once' >"$work/t/engine/Engine.h"
  echo '#pragma once' >"$work/t/platform/base/Types.h"
  printf '#include "platform/base/Types.h"\n' >"$work/t/pcm/Convert.h"
  printf '#include "engine/Engine.h"\n#include "pcm/Convert.h"\n#include <vector>\n' \
    >"$work/t/program/audio/Reader.h"
  printf '#include "pcm/Convert.h"\n#include "Local.h"\n' >"$work/t/filter/host/Source.cpp"
  if (($# > 0)); then
    mkdir -p "$work/t/$(dirname "$1")"
    printf '%s\n' "${@:2}" >>"$work/t/$1"
  fi
}

# expect STATUS TEXT CASE: the check exits with STATUS and, on failure, prints TEXT.
expect() {
  local status=$1 text=$2 name=$3 out rc
  out=$(bash "$checker" "$work/t" 2>&1)
  rc=$?
  if [[ $rc -ne $status || ( -n $text && $out != *"$text"* ) ]]; then
    echo "FAIL: $name (exit $rc)"
    echo "$out"
    failed=1
  else
    echo "ok: $name"
  fi
}

tree
expect 0 "" "includes that point down pass"

tree engine/Engine.cpp '#include "program/audio/Reader.h"'
expect 1 'engine/Engine.cpp:1: includes program/audio/Reader.h' "the engine including the program fails"

tree filter/host/Source.cpp '#include "program/audio/Reader.h"'
expect 1 'filter/host/Source.cpp:3: includes program/audio/Reader.h' "the filter including the program fails"

tree pcm/Convert.cpp '  #  include "engine/Engine.h"'
expect 1 'pcm/Convert.cpp:1: includes engine/Engine.h' "an indented include beside the layer fails"

tree program/audio/Player.cpp '#include <QWidget>'
expect 1 'program/audio/Player.cpp:1: includes the toolkit' "the toolkit below the windows fails"

tree misc/Helper.cpp '#include "engine/Engine.h"'
expect 1 'misc/Helper.cpp: folder misc has no layer' "a folder with no layer fails"

tree program/audio/Writer.cpp '#include "platform/base/Missing.h"' '// #include "program/ui/Gone.h"'
expect 0 "" "headers that are not in the tree and commented includes are passed over"

exit $failed
