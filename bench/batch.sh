#!/usr/bin/env bash
# Times zelvan-tool batch-convert against vips on the same large JPEGs, in
# one run: JPEG to PNG, and JPEG to JPEG halved (DOWNSAMPLE against vips
# resize 0.5), one worker against a vips loop, two workers against
# xargs -P2. Prints per-file and whole-batch seconds, peak memory, and the
# ratios the goals name. A report, not a test: the exit status is 0 whatever
# the figures; the load average is printed beside them.
#
# Usage: bench/batch.sh [build folder] [pictures] [width] [height]
set -uo pipefail
build=$(realpath "${1:-build}")
count=${2:-8}
w=${3:-4000}
h=${4:-3000}
tool="$build/tools/zelvan-tool/zelvan-tool"

if [ ! -x "$tool" ]; then
  echo "batch.sh: $tool not found; build the zelvan-tool target first." >&2
  exit 0
fi
for program in vips cjpeg; do
  if ! command -v "$program" > /dev/null; then
    echo "batch.sh: $program is not installed (see scripts/install-deps); skipped."
    exit 0
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 0

# Different pictures: waves of a different frequency in each, with grain.
vips gaussnoise noise.v "$w" "$h" --sigma 6 --mean 128 > /dev/null
for i in $(seq 1 "$count"); do
  vips sines s.v "$w" "$h" --hfreq "$i" --vfreq 2 &&
    vips linear s.v s8.v 90 0 && vips add s8.v noise.v g.v &&
    vips bandjoin "g.v noise.v s8.v" rgb.v && vips cast rgb.v c.v uchar &&
    vips copy c.v "p$i.ppm" && cjpeg -quality 90 -outfile "src$i.jpg" "p$i.ppm" || exit 0
  rm -f "p$i.ppm"
done
rm -f ./*.v
printf 'DOWNSAMPLE=%d,%d\n' $((w / 2)) $((h / 2)) > half.bip

# Seconds of the command, and its peak memory in MB when /usr/bin/time is
# there; "n/a" when the command failed (a script word not built yet).
timed() {
  local start end status
  start=$(date +%s.%N)
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f '%M' -o mem.txt "$@" > /dev/null 2>&1
  else
    "$@" > /dev/null 2>&1
    echo 0 > mem.txt
  fi
  status=$?
  end=$(date +%s.%N)
  if [ "$status" -ne 0 ]; then echo "n/a 0"; return; fi
  echo "$start $end $(tail -1 mem.txt)" | awk '{printf "%.2f %d", $2 - $1, $3 / 1024}'
}
# The one-worker runs, ours and the peer's, on one core.
one_core=()
command -v taskset > /dev/null && one_core=(taskset -c 0)

fresh() { rm -rf out && mkdir out; }
sources=$(ls src*.jpg)

fresh; read -r z1 m1 < <(timed "${one_core[@]}" "$tool" batch-convert --to png --jobs 1 --log log.txt --out out $sources)
fresh; read -r z2 m2 < <(timed "$tool" batch-convert --to png --jobs 2 --log log.txt --out out $sources)
fresh; read -r v1 _ < <(timed "${one_core[@]}" sh -c 'for f in src*.jpg; do vips copy "$f" "out/${f%.jpg}.png"; done')
fresh; read -r v2 _ < <(timed sh -c 'ls src*.jpg | xargs -P2 -I{} sh -c '\''vips copy "$1" "out/$(basename "$1" .jpg).png"'\'' _ {}')
fresh; read -r zh1 _ < <(timed "${one_core[@]}" "$tool" batch-convert --to jpg --script half.bip --jobs 1 --log log.txt --out out $sources)
fresh; read -r zh2 _ < <(timed "$tool" batch-convert --to jpg --script half.bip --jobs 2 --log log.txt --out out $sources)
fresh; read -r vh1 _ < <(timed "${one_core[@]}" sh -c 'for f in src*.jpg; do vips resize "$f" "out/$f" 0.5; done')
fresh; read -r vh2 _ < <(timed sh -c 'ls src*.jpg | xargs -P2 -I{} vips resize {} out/{} 0.5')

per() { awk -v t="$1" -v n="$count" 'BEGIN { printf (t == "n/a" ? "n/a" : "%.3f"), t / n }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "n/a" || b == "n/a" || b <= 0) print "n/a"; else printf "%.2f", a / b }'; }
echo "batch: $count JPEGs of ${w}x$h, $(nproc) cores (1-job runs on ${one_core[*]:-any core}), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "JPEG->PNG  1 job: zelvan $z1 s ($(per "$z1") s/file, ${m1} MB)  vips loop $v1 s ($(per "$v1") s/file)  zelvan/vips $(ratio "$z1" "$v1") (goal <= 1)"
echo "JPEG->PNG  2 jobs: zelvan $z2 s (${m2} MB)  vips xargs -P2 $v2 s  zelvan/vips $(ratio "$z2" "$v2") (goal <= 1)  speed-up $(ratio "$z1" "$z2") (goal >= 1.8)"
echo "JPEG->JPEG half 1 job: zelvan $zh1 s  vips resize loop $vh1 s  zelvan/vips $(ratio "$zh1" "$vh1")"
echo "JPEG->JPEG half 2 jobs: zelvan $zh2 s  vips resize xargs -P2 $vh2 s  zelvan/vips $(ratio "$zh2" "$vh2")  speed-up $(ratio "$zh1" "$zh2")"
exit 0
