// The first sphere scene, over the raster backdrop.
#include "spheres.h"

#include <SDL.h>

#include "glyphs.h"
#include "runtime.h"

void sphere_drop_scene() {
}
