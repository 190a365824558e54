// The picture sequence: the still picture and the beam fan with its sprite formation.
#include "pictures.h"

#include <SDL.h>
#include <SDL_image.h>

#include "runtime.h"

void still_picture_scene() {
}

// ---------------------------------------------------------------------------

void beam_fan_scene() {
}
