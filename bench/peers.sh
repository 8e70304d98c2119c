#!/usr/bin/env bash
# Times zelvan-tool against its peers on the same 6000 x 4000 pictures, in
# one run, and prints one line per goal: our figure, the peer's, their
# ratio, the bound and PASS or FAIL. Times are the best of RUNS runs of each
# whole command (reading and writing files included), except for the 3x3
# sharpen, which compares the passes alone (see there); memory is the peak
# resident size that /usr/bin/time reports. A report, not a test: the exit
# status is 0 whatever the figures, and figures from a busy machine mean
# little, so the load average is printed beside them.
#
# The pictures are made here from vips's generators: smooth colour
# gradients, soft waves, hard edges and grain, as a photograph has, saved as
# PPM and from it as BMP (ppmtobmp), JPEG (cjpeg) and vips's own .v.
#
# Usage: bench/peers.sh [build folder] [runs]
set -uo pipefail
build=$(realpath "${1:-build}")
runs=${2:-3}
tool="$build/tools/zelvan-tool/zelvan-tool"

if [ ! -x "$tool" ]; then
  echo "peers.sh: $tool not found; build the zelvan-tool target first." >&2
  exit 0
fi
for program in vips djpeg cjpeg pnmtopng ppmtobmp; do
  if ! command -v "$program" > /dev/null; then
    echo "peers.sh: $program is not installed (see scripts/install-deps); skipped."
    exit 0
  fi
done
if [ ! -x /usr/bin/time ]; then
  echo "peers.sh: /usr/bin/time is not installed (Debian package time); skipped."
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
w=6000
h=4000

# ---- The pictures ----
make_pictures() {
  cd "$work" || return 1
  vips xyz xy.v $w $h &&
    vips extract_band xy.v x.v 0 && vips extract_band xy.v y.v 1 &&
    vips sines s1.v $w $h --hfreq 1.5 --vfreq 1 &&
    vips sines s2.v $w $h --hfreq 0.7 --vfreq 2.3 &&
    vips sines s3.v $w $h --hfreq 6 --vfreq 4 &&
    vips relational_const s3.v edge.v more 0 && vips linear edge.v edge40.v 0.16 0 &&
    vips gaussnoise noise.v $w $h --sigma 5 --mean 0 &&
    vips linear x.v xr.v 0.025 20 && vips linear y.v yg.v 0.03 40 &&
    vips linear s1.v s1r.v 50 0 && vips linear s2.v s2g.v 40 0 && vips linear -- s2.v s2b.v -45 180 &&
    vips add xr.v s1r.v r1.v && vips add r1.v edge40.v r2.v && vips add r2.v noise.v r.v &&
    vips add yg.v s2g.v g1.v && vips add g1.v edge40.v g2.v && vips add g2.v noise.v g.v &&
    vips subtract s2b.v edge40.v b1.v && vips add b1.v noise.v b2.v &&
    vips linear -- y.v yb.v -0.015 0 && vips add b2.v yb.v b.v &&
    vips bandjoin "r.v g.v b.v" rgbf.v && vips cast rgbf.v a.v uchar &&
    vips copy a.v a.ppm &&
    ppmtobmp -bpp 24 a.ppm > a.bmp 2> /dev/null &&
    cjpeg -quality 90 -outfile a.jpg a.ppm &&
    rm -f xy.v x.v y.v s?.v s??.v s???.v edge*.v noise.v xr.v yg.v yb.v ?1.v ?2.v r.v g.v b.v rgbf.v
}
if ! (make_pictures); then
  echo "peers.sh: could not make the test pictures" >&2
  exit 0
fi
cd "$work" || exit 0
# A copy of the tool, so that a build running meanwhile cannot replace it
# under the measurements.
cp "$tool" zelvan-tool && tool="$work/zelvan-tool"

# The mean-removal kernel of strength 8 (MEANREMOVAL=8) as a vips mask.
printf '3 3 1 0\n-1 -1 -1\n-1 9 -1\n-1 -1 -1\n' > sharpen.mat
# Gamma 2 (GAMMA=200,200,200) as a vips lookup table.
vips identity lut1.v && vips linear lut1.v lut2.v 0.003921569 0 &&
  vips math2_const lut2.v lut3.v pow 0.5 && vips linear lut3.v lut4.v 255 0.5 &&
  vips cast lut4.v lut5.v uchar && vips bandjoin "lut5.v lut5.v lut5.v" lut.v

# ---- Measuring ----
# Best wall time of $runs runs, in milliseconds; "failed" when the command
# fails.
best_ms() {
  local best=0 start end took
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    if ! "$@" > /dev/null 2>&1; then
      echo failed
      return
    fi
    end=$(date +%s%N)
    took=$(((end - start) / 1000000))
    if ((i == 0 || took < best)); then best=$took; fi
  done
  echo "$best"
}
# A file's size in KB; "failed" when it is missing.
size_kb() {
  if [ -f "$1" ]; then echo $(($(stat -c %s "$1") / 1024)); else echo failed; fi
}
# Peak resident size in MB; "failed" when the command fails.
peak_mb() {
  if /usr/bin/time -f %M -o peak.txt "$@" > /dev/null 2>&1; then
    echo $(($(tail -1 peak.txt) / 1024))
  else
    echo failed
  fi
}

printf 'machine: %s cores, load average %s\n' "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-34s %9s %9s %7s %7s  %s\n' goal ours peer ratio bound verdict
# One line: goal, ours, the peer's, the bound on ours / peer's, unit.
report() {
  local goal=$1 ours=$2 peer=$3 bound=$4 unit=$5
  awk -v g="$goal" -v o="$ours" -v p="$peer" -v b="$bound" -v u="$unit" 'BEGIN {
    if (o !~ /^[0-9]+$/ || p !~ /^[0-9]+$/ || p == 0) {
      printf "%-34s %9s %9s %7s %7.2f  %s\n", g, o, p, "-", b, "FAIL"
      exit
    }
    r = o / p
    printf "%-34s %7s%s %7s%s %7.2f %7.2f  %s\n", g, o, u, p, u, r, b, r <= b ? "PASS" : "FAIL"
  }'
}
# A memory goal: ours against a fixed limit; the peer's figure for scale.
report_limit() {
  local goal=$1 ours=$2 peer=$3 limit=$4
  awk -v g="$goal" -v o="$ours" -v p="$peer" -v l="$limit" 'BEGIN {
    printf "%-34s %7sMB %7sMB %7s %6sMB  %s\n", g, o, p, "-", l, (o ~ /^[0-9]+$/ && o <= l) ? "PASS" : "FAIL"
  }'
}

# BMP read + write against vips copy PPM to PPM.
ours=$(best_ms "$tool" convert a.bmp out.bmp)
peer=$(best_ms vips copy a.ppm out.ppm)
report "BMP read+write / vips copy ppm" "$ours" "$peer" 1.2 ms

ours=$(best_ms "$tool" histogram a.bmp)
peer=$(best_ms vips hist_find a.ppm hist.v)
report "histogram BMP / vips hist_find" "$ours" "$peer" 1.5 ms

ours=$(best_ms "$tool" apply a.bmp out.bmp GAMMA=200,200,200)
peer=$(best_ms vips maplut a.ppm out.ppm lut.v)
report "apply GAMMA / vips maplut" "$ours" "$peer" 1.2 ms

ours=$(best_ms "$tool" convert --scale 8 a.jpg small.bmp)
peer=$(best_ms djpeg -scale 1/8 -bmp -outfile small-djpeg.bmp a.jpg)
report "JPEG decode 1/8 / djpeg -scale" "$ours" "$peer" 1.2 ms

# `info` reads the whole picture; djpeg writes its PPM to a file of its own.
ours=$(best_ms "$tool" info a.jpg)
peer=$(best_ms djpeg -outfile full-djpeg.ppm a.jpg)
report "JPEG decode full / djpeg" "$ours" "$peer" 1.1 ms

# The same pixels as a FlashPix picture of JPEG tiles at cjpeg's quality and
# colour sampling: our decode of its largest resolution beside djpeg's of the
# baseline JPEG.
# (The maker reads PPM without comments, as netpbm writes it.)
if ppmtoppm < a.ppm > a-plain.ppm 2> /dev/null &&
  "$build/bench/zvmake_flashpix" a-plain.ppm a.fpx 90 > /dev/null 2>&1; then
  ours=$(best_ms "$tool" info a.fpx)
  report "FlashPix decode full / djpeg" "$ours" "$peer" 1.5 ms
else
  echo "peers.sh: no FlashPix picture (build the zvmake_flashpix target); skipped."
fi

# The program's JPEG: quality 50 on its linear scale is cjpeg's quality 75.
ours=$(best_ms "$tool" convert a.bmp out.jpg)
peer=$(best_ms cjpeg -quality 75 -sample 1x1 -optimize -dct float -outfile out-cjpeg.jpg a.bmp)
report "JPEG encode / cjpeg 1x1 opt float" "$ours" "$peer" 1.2 ms

ours=$(best_ms "$tool" convert a.bmp out.png)
peer=$(best_ms vips copy a.v out-vips.png)
report "PNG encode / vips copy v png" "$ours" "$peer" 1.0 ms
pnmtopng a.ppm > out-pnmtopng.png 2> /dev/null
report "PNG size / pnmtopng" "$(size_kb out.png)" "$(size_kb out-pnmtopng.png)" 1.05 KB

# The pass alone. Ours: the filter benchmark's mean-removal pass on the same
# size of picture, in the program (zvbench, when it was built); otherwise
# the tool's time less that of copying the picture through the same BMP
# files. The peer's: vips conv less vips copy, both on vips's own format.
pass_ms() {
  local with=$1 without=$2
  if [[ $with =~ ^[0-9]+$ && $without =~ ^[0-9]+$ ]]; then
    echo $((with > without ? with - without : 1))
  else
    echo failed
  fi
}
if [ -x "$build/bench/zvbench" ] && cp "$build/bench/zvbench" zvbench; then
  ours=$(./zvbench --benchmark_filter='^BM_MeanRemoval$' --benchmark_min_time=0.5 \
    --benchmark_format=csv 2> /dev/null | awk -F, '$1 ~ /BM_MeanRemoval/ && $5 == "ms" { printf "%d", $3 + 0.5 }')
  [ -n "$ours" ] || ours=failed
else
  ours=$(pass_ms "$(best_ms "$tool" apply a.bmp out.bmp MEANREMOVAL=8)" \
    "$(best_ms "$tool" convert a.bmp out.bmp)")
fi
peer=$(pass_ms "$(best_ms vips conv a.v out.v sharpen.mat --precision integer)" \
  "$(best_ms vips copy a.v out.v)")
report "3x3 sharpen pass / vips conv" "$ours" "$peer" 0.6 ms

copy=$(peak_mb vips copy a.ppm out.ppm)
djpeg=$(peak_mb djpeg -bmp -outfile full-djpeg.bmp a.jpg)
report_limit "memory histogram a.bmp" "$(peak_mb "$tool" histogram a.bmp)" "$copy" 100
report_limit "memory info a.bmp" "$(peak_mb "$tool" info a.bmp)" "$copy" 100
report_limit "memory convert a.bmp b.bmp" "$(peak_mb "$tool" convert a.bmp out.bmp)" "$copy" 160
report_limit "memory convert a.jpg b.bmp" "$(peak_mb "$tool" convert a.jpg out.bmp)" "$djpeg" 160
printf 'load average after: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
exit 0
