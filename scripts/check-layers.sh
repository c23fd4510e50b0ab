#!/usr/bin/env bash
# Fails when a source file includes a header of a layer it may not use: every arrow
# points down. Usage: check-layers.sh [source root]   (default: this repository)
# Prints one line per offending include, "file:line: includes header (module may use ...)".
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

# A module is a folder with the folders below it, unless they are modules of their own
# (so the files directly in filter/ are the module "filter", apart from filter/host).
# Each module may include itself and what it lists; "platform" stands for every
# module below platform/.
declare -A uses=(
  [engine]=""
  [platform/base]=""
  [platform/mmio]="platform/base"
  [platform/waveout]="platform/base"
  [platform/fs]="platform/base"
  [platform/registry]="platform/base platform/fs"
  [platform/com]="platform/base platform/registry"
  [platform/help]="platform/base"
  [pcm]="platform/base"
  [program/audio]="pcm engine platform"
  [program/ui]="program/audio slider pcm engine platform"
  [filter/framework]="platform"
  [filter]="filter/framework pcm engine platform"
  [filter/host]="filter/framework pcm engine platform"
  [filter/gstreamer]="filter filter/host filter/framework pcm engine platform"
  [slider]="platform"
  [tools]="program filter slider pcm engine platform"
  [bench]="tools program filter slider pcm engine platform"
  [tests]="tests tools program filter slider pcm engine platform"
)
# Only these modules (windows, the fader, property pages, tools, benchmarks, tests) may
# include the toolkit's (Qt's) headers.
toolkit_modules="program/ui slider filter filter/framework tools bench tests"

# The longest module name that is the folder or a folder above it; empty when none is.
module_of() {
  local dir=$1 best="" m
  for m in "${!uses[@]}"; do
    if [[ $dir == "$m" || $dir == "$m"/* ]] && ((${#m} > ${#best})); then
      best=$m
    fi
  done
  printf '%s' "$best"
}

# True when module $1 may use module $2.
may_use() {
  local from=$1 to=$2 m
  [[ $from == "$to" ]] && return 0
  for m in ${uses[$from]}; do
    [[ $to == "$m" || $to == "$m"/* ]] && return 0
  done
  return 1
}

failures=0
fail() {
  echo "$1"
  failures=$((failures + 1))
}

check_file() {
  local file=$1 dir module lineno text header target
  dir=$(dirname "$file")
  module=$(module_of "$dir")
  if [[ -z $module ]]; then
    fail "$file: folder $dir has no layer in scripts/check-layers.sh"
    return
  fi
  while IFS=: read -r lineno text; do
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
      header=${BASH_REMATCH[1]}
      # Headers beside the file, or made by the build, are not layer paths.
      [[ -f $root/$header ]] || continue
      target=$(module_of "$(dirname "$header")")
      [[ -n $target ]] || continue
      may_use "$module" "$target" ||
        fail "$file:$lineno: includes $header ($module may use: ${uses[$module]:-nothing else})"
    elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]*)[/\>] ]]; then
      [[ " $toolkit_modules " == *" $module "* ]] ||
        fail "$file:$lineno: includes the toolkit (<${BASH_REMATCH[1]}...>); only $toolkit_modules may"
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$root/$file" || true)
}

# Every top-level folder but hidden ones and build trees.
sources() {
  local top
  for top in */; do
    top=${top%/}
    [[ -f $top/CMakeCache.txt ]] && continue
    find "$top" \( -name '*.h' -o -name '*.cpp' \) -type f
  done | sort
}

cd "$root"
count=0
while IFS= read -r file; do
  check_file "$file"
  count=$((count + 1))
done < <(sources)

if ((failures > 0)); then
  echo "$failures include(s) against the layers in $count files"
  exit 1
fi
echo "layers: $count files, every include points down"
