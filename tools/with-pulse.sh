#!/usr/bin/env bash
# Runs a command with a private PulseAudio server: a null sink "test_sink"
# (paced in real time, its monitor records what is played) and the native
# protocol on a socket of its own. Tests find it through PULSE_SERVER and
# QUORIN_TEST_PULSE=1. Without the pulseaudio program the command runs as is
# and the tests that need a server skip.
set -uo pipefail

if ! command -v pulseaudio >/dev/null 2>&1 || [[ ${QUORIN_NO_PULSE:-0} == 1 ]]; then
  exec "$@"
fi

RUN=$(mktemp -d /tmp/quorin-pa.XXXXXX)
chmod 700 "$RUN"
mkdir -p "$RUN/state"
export XDG_RUNTIME_DIR="$RUN" PULSE_RUNTIME_PATH="$RUN" PULSE_STATE_PATH="$RUN/state"
export PULSE_SERVER="unix:$RUN/native"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-target=file:"$RUN/pulse.log" \
  -L "module-native-protocol-unix socket=$RUN/native auth-anonymous=1" \
  -L "module-null-sink sink_name=test_sink rate=44100 channels=2 sink_properties=device.description=TestSink" \
  </dev/null >"$RUN/pulse.out" 2>&1 &
PA_PID=$!
cleanup() {
  kill -TERM "$PA_PID" 2>/dev/null
  # A server that does not go within five seconds is killed: the run must end.
  for _ in $(seq 50); do
    kill -0 "$PA_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$PA_PID" 2>/dev/null
  wait "$PA_PID" 2>/dev/null
  rm -rf "$RUN"
}
trap cleanup EXIT

ready=0
for _ in $(seq 100); do
  if timeout 5 pactl info >/dev/null 2>&1; then ready=1; break; fi
  sleep 0.1
done
if [[ $ready == 1 ]]; then
  export QUORIN_TEST_PULSE=1
else
  echo "with-pulse: the private PulseAudio server did not start; sound-server tests will skip" >&2
  cat "$RUN/pulse.log" >&2 2>/dev/null || true
fi

"$@"
status=$?
exit $status
