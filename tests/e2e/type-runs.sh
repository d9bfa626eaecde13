# Sourced by the end-to-end runs: types runs into a speed log window as a user does.
# type_runs WINDOW "locomotive|step|seconds[|reverse]"...: for each, the locomotive, the
# throttle step, the direction and the time through their shortcut keys, then Enter to
# add the run.
type_runs() {
    local window=$1 run name step seconds direction
    shift
    for run in "$@"; do
        IFS='|' read -r name step seconds direction <<<"$run"
        xdotool windowfocus --sync "$window" key alt+l ctrl+a
        xdotool type --delay 20 "$name"
        xdotool key alt+h ctrl+a
        xdotool type --delay 20 "$step"
        xdotool key alt+d
        xdotool type --delay 20 "${direction:-forward}"
        xdotool key alt+w ctrl+a
        xdotool type --delay 20 "$seconds"
        xdotool key Return
    done
}
