// The first sphere scene, over the raster backdrop.
#pragma once

// A sphere drops, splits into a column and spins open and shut as a V.
void sphere_drop_scene();
