# Screenshots of a standing slide, for the demo and the README's pictures (sourced, not run).
# A grab is kept once two grabs 0.4 s apart are the same and not all black, so no shot catches
# a fade half way. Needs ImageMagick and the X display in DISPLAY.

# orv_still_shot out.png [crop] [unlike.png]: waits (about 30 s at most) for a standing screen,
# or a part of it (an ImageMagick -crop geometry), that also differs from unlike.png when one is
# given (the next slide, not the last one again); returns 1 with the last grab kept otherwise.
orv_still_shot() {
    local out=$1 crop=${2:-} unlike=${3:-} dir a b diff mean
    dir=$(mktemp -d /tmp/orvanta-grab.XXXXXX)
    a="$dir/a.png" b="$dir/b.png"
    for _ in $(seq 60); do
        import -window root ${crop:+-crop "$crop" +repage} "$a" 2>/dev/null || true
        sleep 0.4
        import -window root ${crop:+-crop "$crop" +repage} "$b" 2>/dev/null || true
        diff=$(compare -metric AE "$a" "$b" null: 2>&1 || true)
        mean=$(convert "$b" -format '%[fx:mean]' info: 2>/dev/null || echo 0)
        if [ "${diff%% *}" = 0 ] && awk -v m="$mean" 'BEGIN { exit !(m > 0.02) }'; then
            if [ -z "$unlike" ] || [ "$(compare -metric AE "$b" "$unlike" null: 2>&1 | cut -d' ' -f1)" != 0 ]; then
                mv "$b" "$out"; rm -rf "$dir"; return 0
            fi
        fi
    done
    mv "$b" "$out" 2>/dev/null || true
    rm -rf "$dir"
    return 1
}
