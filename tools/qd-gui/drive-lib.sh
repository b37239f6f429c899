# Shared by the qd-gui drive tests (sourced): QD_GUI and tmp are set by the
# caller, which also keeps HOME and the XDG folders inside tmp.
fail=0

# drive NAME, expected exit code, command line after "qd-gui drive";
# output in $tmp/out, errors in $tmp/err.
drive() {
    name=$1
    want=$2
    shift 2
    "$QD_GUI" drive "$@" >"$tmp/out" 2>"$tmp/err"
    rc=$?
    if [ $rc -ne "$want" ]; then
        echo "FAIL $name: exit $rc, want $want"; cat "$tmp/out" "$tmp/err"; fail=1; return 1
    fi
    return 0
}
has() { # name, line that must be in the output
    grep -qxF -- "$2" "$tmp/out" || { echo "FAIL $1: no line \"$2\""; cat "$tmp/out"; fail=1; }
}
lacks() { # name, pattern that must not be in the output
    ! grep -q -- "$2" "$tmp/out" || { echo "FAIL $1: unexpected \"$2\""; cat "$tmp/out"; fail=1; }
}
err_has() {
    grep -qF -- "$2" "$tmp/err" || { echo "FAIL $1: stderr lacks \"$2\""; cat "$tmp/err"; fail=1; }
}

# set_setting KEY VALUE: writes a value into the preferences file before a run.
set_setting() {
    file="$XDG_CONFIG_HOME/com.oxbelsoftware.quorin.conf"
    [ -f "$file" ] || printf '# Quorin preferences\n' >"$file"
    grep -v "^$1=" "$file" >"$file.new"; printf '%s=%s\n' "$1" "$2" >>"$file.new"; mv "$file.new" "$file"
}
# setting KEY: the stored value.
setting() {
    sed -n "s|^$1=||p" "$XDG_CONFIG_HOME/com.oxbelsoftware.quorin.conf" 2>/dev/null
}
