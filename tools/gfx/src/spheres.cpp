// The two sphere sprites, on the black key with hard edges: over the grey gradient a
// half-covered rim pixel would show as a dark ring.
#include "pictures.h"

#include <cmath>

namespace {

struct SphereLook {
    const char* file;
    int size;
    Rgb light, body, shadow, rim;
};
constexpr SphereLook SPHERES[] = {
    {"sphere.bmp", 80, {255, 250, 220}, {255, 120, 30}, {150, 20, 70}, {255, 200, 90}},
    {"sphere2.bmp", 60, {235, 255, 255}, {40, 170, 255}, {40, 20, 140}, {120, 255, 220}},
};

void draw_sphere(const Output& out, const SphereLook& look) {
    Canvas canvas(look.size, look.size);
    cairo_t* cr = canvas.cr;
    const double c = look.size / 2.0, r = look.size / 2.0 - 1.5;  // a black ring all round
    // Lit from the upper left: highlight, body colour, shadow towards the lower right.
    cairo_pattern_t* shade = cairo_pattern_create_radial(c - r * 0.38, c - r * 0.42, r * 0.05, c - r * 0.2, c - r * 0.2, r * 1.25);
    add_stop(shade, 0.0, look.light);
    add_stop(shade, 0.25, look.body);
    add_stop(shade, 0.8, look.shadow);
    add_stop(shade, 1.0, mix(look.shadow, {0, 0, 0}, 0.3));
    cairo_arc(cr, c, c, r, 0, 2 * M_PI);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
    // Light bounced back from below: the rim brightens towards the lower right.
    cairo_arc(cr, c, c, r, 0, 2 * M_PI);
    cairo_clip(cr);
    cairo_pattern_t* rim = cairo_pattern_create_radial(c, c, 0, c, c, r);
    cairo_pattern_add_color_stop_rgba(rim, 0.7, look.rim.r / 255.0, look.rim.g / 255.0, look.rim.b / 255.0, 0);
    cairo_pattern_add_color_stop_rgba(rim, 1.0, look.rim.r / 255.0, look.rim.g / 255.0, look.rim.b / 255.0, 0.9);
    cairo_pattern_t* side = cairo_pattern_create_linear(c - r * 0.2, c - r * 0.2, c + r * 0.8, c + r * 0.8);
    cairo_pattern_add_color_stop_rgba(side, 0, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(side, 1, 0, 0, 0, 1);
    cairo_set_source(cr, rim);
    cairo_mask(cr, side);
    cairo_pattern_destroy(side);
    cairo_pattern_destroy(rim);
    save(hard_edged(canvas, {0, 0, 0}), out, look.file);
}

}  // namespace

void draw_spheres(const Output& out) {
    for (const SphereLook& look : SPHERES) {
        draw_sphere(out, look);
    }
}
