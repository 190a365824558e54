#!/bin/sh
# The built program ends at once on Ctrl-C (SIGINT, status 130) and SIGTERM (status 143),
# both during a wait (the 3 s start-up pause) and during paced frames (the countdown).
program="$1"
fail=0
# stop SIGNAL AFTER_S STATUS: starts the demo, sends the signal after AFTER_S seconds and
# expects it gone within half a second, with the status.
stop() {
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software "$program" &
    pid=$!
    sleep "$2"
    sent=$(date +%s%N)
    kill -"$1" "$pid"
    wait "$pid"
    status=$?
    took_ms=$(( ($(date +%s%N) - sent) / 1000000 ))
    if [ "$status" -ne "$3" ] || [ "$took_ms" -gt 500 ]; then
        echo "FAIL: SIG$1 after $2 s: status $status after $took_ms ms, expected $3 at once"
        fail=1
    else
        echo "ok: SIG$1 after $2 s: status $status after $took_ms ms"
    fi
}
stop INT 1 130
stop TERM 1 143
stop INT 3.8 130
stop TERM 3.8 143
exit $fail
