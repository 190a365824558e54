// One function per file of data/gfx.
#pragma once

#include "canvas.h"

void draw_fonts(const Output& out);      // fonts.bmp
void draw_fonts2(const Output& out);     // fonts2.bmp
void draw_rabbit(const Output& out);     // rabbit.bmp
void draw_butterfly(const Output& out);  // butterfly.bmp
void draw_picture(const Output& out);    // bisounours.jpg
void draw_sheet(const Output& out);      // veltronaquis.bmp
void draw_spheres(const Output& out);    // sphere.bmp, sphere2.bmp
void draw_icons(const Output& out);      // the desktop icon, one PNG per size

// The butterfly's right wings and its body, in its 640 x 360 frame; the file and the icon
// both mirror them about this axis.
constexpr double BUTTERFLY_AXIS_X = 320;
void paint_butterfly_half(cairo_t* cr);
