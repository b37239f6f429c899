#!/usr/bin/env bash
# Soak test of the recorder (not part of make test): records a null sink's
# monitor for a long time (default 600 s) through a private PulseAudio server
# while every core is kept busy by other processes, then reports the frames
# the recorder lost, the length it wrote against the length played, and the
# recorder's CPU use as a share of one core.
#
#   tools/soak-record.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
build=${2:-build}
tool="$PWD/$build/tools/qd-audio/qd-audio"
[[ -x $tool ]] || { echo "soak-record: build qd-audio first ($tool)" >&2; exit 2; }

if [[ -z ${QUORIN_SOAK_INNER:-} ]]; then
  export QUORIN_SOAK_INNER=1
  exec tools/with-pulse.sh "$0" "$@"
fi
[[ ${QUORIN_TEST_PULSE:-0} == 1 ]] || { echo "soak-record: no PulseAudio server" >&2; exit 2; }

work=$(mktemp -d /tmp/quorin-soak.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [[ -n ${module:-} ]] && pactl unload-module "$module" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# A sink of our own, fed in real time by pacat; its monitor is the input.
module=$(pactl load-module module-null-sink sink_name=quorin_soak rate=44100 channels=2 \
  sink_properties=device.description=QuorinSoak)
sox -n -r 44100 -c 2 -b 16 -e signed -t raw - synth $((seconds + 30)) sine 440 sine 660 vol 0.5 |
  pacat --device=quorin_soak --format=s16le --rate=44100 --channels=2 &
pids+=($!)
sleep 1

index=$("$tool" devices | sed -n 's/^in \([0-9]*\): QuorinSoak$//;s/^in \([0-9]*\): Monitor of QuorinSoak$/\1/p')
[[ -n $index ]] || { echo "soak-record: the monitor input was not found" >&2; exit 2; }

# Every core busy with ordinary processes.
for _ in $(seq "$(nproc)"); do
  (while :; do :; done) &
  pids+=($!)
done

echo "soak-record: recording ${seconds} s from input $index with $(nproc) busy loops..."
start=$(date +%s.%N)
/usr/bin/time -f "%U %S %e" -o "$work/time" \
  "$tool" record "$work/soak.wav" --device "$index" --seconds "$seconds" --stats >"$work/stats" || true
end=$(date +%s.%N)

read -r user sys elapsed <"$work/time"
frames=$(soxi -s "$work/soak.wav")
expected=$((seconds * 44100))
lost=$(sed -n 's/.*lost_frames=\([0-9]*\).*/\1/p' "$work/stats")
overruns=$(sed -n 's/.*overruns=\([0-9]*\).*/\1/p' "$work/stats")
share=$(awk -v u="$user" -v s="$sys" -v e="$elapsed" 'BEGIN { printf "%.2f", 100 * (u + s) / e }')
echo "soak-record: seconds=$seconds recorded_frames=$frames expected_frames>=$expected"
echo "soak-record: lost_frames=${lost:-?} overruns=${overruns:-?} lost_blocks=$(( ${lost:-0} / 4410 ))"
echo "soak-record: recorder cpu user=${user}s sys=${sys}s wall=${elapsed}s share_of_one_core=${share}%"
if [[ ${lost:-1} != 0 || $frames -lt $expected ]]; then
  echo "soak-record: FAILED: frames were lost" >&2
  exit 1
fi
echo "soak-record: no block lost"
