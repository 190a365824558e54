// The desktop icon: the butterfly over the grey raster bars of its first scene, on a
// rounded tile, drawn anew at each size of the icon theme rather than scaled down.
#include "pictures.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// The icon theme's sizes, in pixels.
constexpr int ICON_SIZES[] = {48, 64, 128, 256};
// Everything below is laid out on a 256-pixel icon.
constexpr double DESIGN_SIZE = 256;
constexpr double TILE_MARGIN = 16;
constexpr double TILE_RADIUS = 40;
constexpr double TILE_OUTLINE = 6;
// One grey band rises from black to near white and falls again, as in the scene.
constexpr int BANDS_ON_TILE = 4;
constexpr double BAND_PEAK = 250 / 255.0;
// The butterfly reaches past the tile's sides; its frame's middle sits on the tile's.
constexpr double BUTTERFLY_WIDTH = 252;
constexpr double BUTTERFLY_FRAME_W = 640, BUTTERFLY_FRAME_H = 360;
constexpr Rgb TILE_INK = {40, 10, 60};

void tile_path(cairo_t* cr) {
    const double x0 = TILE_MARGIN, x1 = DESIGN_SIZE - TILE_MARGIN;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - TILE_RADIUS, x0 + TILE_RADIUS, TILE_RADIUS, -M_PI / 2, 0);
    cairo_arc(cr, x1 - TILE_RADIUS, x1 - TILE_RADIUS, TILE_RADIUS, 0, M_PI / 2);
    cairo_arc(cr, x0 + TILE_RADIUS, x1 - TILE_RADIUS, TILE_RADIUS, M_PI / 2, M_PI);
    cairo_arc(cr, x0 + TILE_RADIUS, x0 + TILE_RADIUS, TILE_RADIUS, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void paint_bars(cairo_t* cr) {
    const double band = (DESIGN_SIZE - 2 * TILE_MARGIN) / BANDS_ON_TILE;
    cairo_pattern_t* bars = cairo_pattern_create_linear(0, TILE_MARGIN, 0, TILE_MARGIN + band);
    cairo_pattern_add_color_stop_rgb(bars, 0.0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgb(bars, 0.5, BAND_PEAK, BAND_PEAK, BAND_PEAK);
    cairo_pattern_add_color_stop_rgb(bars, 1.0, 0, 0, 0);
    cairo_pattern_set_extend(bars, CAIRO_EXTEND_REPEAT);
    tile_path(cr);
    cairo_set_source(cr, bars);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(bars);
    set_rgb(cr, TILE_INK);
    cairo_set_line_width(cr, TILE_OUTLINE);
    cairo_stroke(cr);
}

// The right half as drawn, then the same mirrored onto the left, each clipped at the axis.
void paint_butterfly(cairo_t* cr) {
    const double scale = BUTTERFLY_WIDTH / BUTTERFLY_FRAME_W;
    for (const double mirror : {1.0, -1.0}) {
        cairo_save(cr);
        cairo_translate(cr, DESIGN_SIZE / 2, DESIGN_SIZE / 2);
        cairo_scale(cr, mirror * scale, scale);
        cairo_translate(cr, -BUTTERFLY_AXIS_X, -BUTTERFLY_FRAME_H / 2);
        cairo_rectangle(cr, BUTTERFLY_AXIS_X, 0, BUTTERFLY_FRAME_W / 2, BUTTERFLY_FRAME_H);
        cairo_clip(cr);
        paint_butterfly_half(cr);
        cairo_restore(cr);
    }
}

}  // namespace

void draw_icons(const Output& out) {
    for (const int size : ICON_SIZES) {
        Canvas canvas(size, size);
        cairo_scale(canvas.cr, size / DESIGN_SIZE, size / DESIGN_SIZE);
        paint_bars(canvas.cr);
        paint_butterfly(canvas.cr);
        const std::string folder = out.icon_dir + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
        const std::string path = folder + "/veltronaquis.png";
        std::filesystem::create_directories(folder);
        cairo_surface_flush(canvas.surface);
        if (cairo_surface_write_to_png(canvas.surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            std::exit(1);
        }
        std::printf("wrote %s (%d x %d)\n", path.c_str(), size, size);
    }
}
