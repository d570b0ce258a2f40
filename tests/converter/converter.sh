# Sourced by the converter and reference checks: finds a vellumere-convert to
# test, building it first. VELLUMERE_CONVERT names one explicitly; otherwise
# the sanitized native build is used when it is configured (so a reader fault
# on a real picture stops the check), else the Release build.
# Sets CONVERT to the executable's path, or returns 1.
find_converter() {
    local root="$1"
    if [ -n "${VELLUMERE_CONVERT:-}" ]; then
        CONVERT="$VELLUMERE_CONVERT"
        [ -x "$CONVERT" ] || { echo "VELLUMERE_CONVERT=$CONVERT is not executable" >&2; return 1; }
        return 0
    fi
    local preset=native-release
    [ -f "$root/build/native/build.ninja" ] && preset=native
    if [ ! -f "$root/build/$preset/build.ninja" ]; then
        (cd "$root" && cmake --preset "$preset" --log-level=WARNING >/dev/null) || return 1
    fi
    if ! (cd "$root" && cmake --build --preset "$preset" -j "${JOBS:-2}" --target vellumere-convert \
            >"$root/build/$preset/converter-build.log" 2>&1); then
        tail -n 30 "$root/build/$preset/converter-build.log" >&2
        echo "building vellumere-convert ($preset) failed" >&2
        return 1
    fi
    CONVERT="$root/build/$preset/vellumere-convert"
}
