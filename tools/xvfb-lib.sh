# Shared by the tests that work windows on a private X server with real
# input (XTEST through xdotool). Source it after setting `work`, the test's
# temporary folder; `xvfb_pid` is for the caller's clean-up.

skip() {
  echo "SKIPPED: $*"
  exit 77
}
fail() {
  echo "FAIL: $*"
  [[ -f ${work:-}/out ]] && cat "$work/out" "$work/err"
  exit 1
}

# start_xvfb WxHxD: a server on a display number it picks and reports;
# DISPLAY is exported. Skips the test only when no server can start.
start_xvfb() {
  xvfb_pid=
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s $work/display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  [[ -s $work/display ]] || skip "Xvfb could not start: $(tail -3 "$work/xvfb.log")"
  export DISPLAY=:$(head -1 "$work/display")
}

# private_home: `home` under $work and a private runtime folder beside it.
private_home() {
  home=$work/home
  mkdir -p "$home" "$work/runtime"
  chmod 700 "$work/runtime"
}
