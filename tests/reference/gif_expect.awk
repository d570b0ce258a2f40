# Reads giflib's text dump of a GIF file (`gifbuild -d FILE`) and prints, as a
# plain PPM (P3), what our GIF reading makes of it: the logical screen filled
# with the background index; every image laid into that same plane from its
# first byte with its own width as the row length (its left and top positions
# not applied, pixels past the plane dropped), so the last image wins; each
# local colour table replacing the palette entries it supplies; a file without
# a global table starting from a grey ramp. giflib supplies the decoding; this
# only arranges the result the way our reader does.
#
# Pixels come as two hex digits each, or, for small tables, as one symbol each
# (the map lines end "is SYMBOL"); rows come in display order, interlaced or
# not.
function flush_rows(    r, x, target, base) {
    if (rows_seen == 0) return
    for (r = 0; r < rows_seen; ++r) {
        base = r * image_width
        for (x = 0; x < image_width; ++x) {
            target = base + x
            if (target >= screen_width * screen_height) break
            if (hex_rows) plane[target] = hex_value(substr(rows[r], 2 * x + 1, 2))
            else plane[target] = symbol[substr(rows[r], x + 1, 1)]
        }
    }
    rows_seen = 0
}

function hex_value(h,    c1, c2) {
    c1 = index("0123456789abcdef", tolower(substr(h, 1, 1))) - 1
    c2 = index("0123456789abcdef", tolower(substr(h, 2, 1))) - 1
    return c1 * 16 + c2
}

BEGIN {
    for (i = 0; i < 256; ++i) { red[i] = i; green[i] = i; blue[i] = i }
    in_map = 0; in_bits = 0; rows_seen = 0
}

/^screen width / { screen_width = $3 }
/^screen height / { screen_height = $3 }
/^screen background / { background = $3 }
/^screen map/ { in_map = 1; map_entry = 0; next }
/^image map/ { in_map = 1; map_entry = 0; next }
/^image # / {
    flush_rows()
    in_bits = 0
    if (!filled) {
        for (i = 0; i < screen_width * screen_height; ++i) plane[i] = background
        filled = 1
    }
}
/^image bits / {
    image_width = $3; image_height = $5
    hex_rows = $6 == "hex"
    in_bits = 1; rows_seen = 0
    next
}
in_map && /^[ \t]*rgb / {
    red[map_entry] = $2 + 0; green[map_entry] = $3 + 0; blue[map_entry] = $4 + 0
    if ($5 == "is") symbol[$6] = map_entry
    ++map_entry
    next
}
in_map && /^end/ { in_map = 0; next }
in_bits && NF == 1 && !/^(image|end|graphics|extension|comment|screen)/ {
    rows[rows_seen++] = $0
    if (rows_seen == image_height) { flush_rows(); in_bits = 0 }
    next
}
in_bits { flush_rows(); in_bits = 0 }

END {
    flush_rows()
    if (!filled)
        for (i = 0; i < screen_width * screen_height; ++i) plane[i] = background
    printf "P3\n%d %d\n255\n", screen_width, screen_height
    for (i = 0; i < screen_width * screen_height; ++i) {
        p = plane[i]
        printf "%d %d %d\n", red[p], green[p], blue[p]
    }
}
