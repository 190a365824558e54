// Caption cards and the scenes drawn from raster lines and the butterfly.
#include "line_effects.h"

#include <SDL.h>

#include "glyphs.h"
#include "runtime.h"

void caption_card(const char* text) {
    (void)text;
}

// ---------------------------------------------------------------------------

void butterfly_scene() {
}

// ---------------------------------------------------------------------------

void turning_butterfly_scene() {
}

// ---------------------------------------------------------------------------

void five_butterflies_scene() {
}
