// The closing sequence: second sphere scene, end credits and closing fade.
#include "closing.h"

#include <SDL.h>

#include "glyphs.h"
#include "runtime.h"

void sphere_figure_scene() {
}

// ---------------------------------------------------------------------------

void credits_scene() {
}

// ---------------------------------------------------------------------------

void closing_fade_scene() {
}
