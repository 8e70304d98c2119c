#!/usr/bin/env bash
# The peers of bench/ArtisticBench.cpp on one 6000 x 4000 PPM, best wall
# time of three runs each (/usr/bin/time), in seconds:
#   noise      convert-im6.q16 +noise Random, and the same read and write
#              without it, whose difference is the noise pass alone;
#   artifacts  cjpeg (full-size colour, optimised tables, float transform)
#              then djpeg, at quality 50 (linear scale 100) and 76 (48).
# Usage: bench/artistic-peers.sh PICTURE.ppm
set -uo pipefail
picture=${1:?give a 6000 x 4000 PPM}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

best() {
  local best=""
  for _ in 1 2 3; do
    /usr/bin/time -f %e -o "$work/t" bash -c "$1" > /dev/null 2>&1 || { echo failed; return; }
    local t
    t=$(cat "$work/t")
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

echo "noise (convert +noise Random):  $(best "convert-im6.q16 '$picture' +noise Random '$work/n.ppm'")"
echo "convert read + write alone:     $(best "convert-im6.q16 '$picture' '$work/c.ppm'")"
for quality in 50 76; do
  encode="cjpeg -quality $quality -sample 1x1,1x1,1x1 -optimize -dct float '$picture' > '$work/a.jpg'"
  echo "artifacts q$quality (cjpeg + djpeg): $(best "$encode && djpeg '$work/a.jpg' > '$work/b.ppm'")"
  echo "  cjpeg alone:                  $(best "$encode")"
done
