// Drawing surfaces for the picture generator: cairo canvases, glyph outlines, and the
// conversion to the demo's 24-bit files.
#pragma once

#include <cairo.h>
#include <SDL.h>

#include <cstdint>
#include <string>

struct Rgb {
    uint8_t r, g, b;
};

// A transparent cairo canvas of the given size.
struct Canvas {
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    cairo_surface_t* surface;
    cairo_t* cr;
    int width, height;
};

// Where the files go, where the fonts are read, where the icon theme's files go, and where
// the PNG previews go (empty: none).
struct Output {
    std::string data_dir;
    std::string font_dir;
    std::string icon_dir;
    std::string preview_dir;
};

// Colour-keyed sprites: a pixel at least half covered is drawn fully in its own colour,
// any other is exactly `key`. A drawn pixel that happens to equal the key is nudged by one
// step so it does not turn transparent.
SDL_Surface* hard_edged(const Canvas& canvas, Rgb key);
// Opaque pictures: the canvas composited over `background`.
SDL_Surface* flattened(const Canvas& canvas, Rgb background);

// Writes `surface` as data_dir/name (a BMP, or a JPEG when name ends in .jpg) and a PNG
// preview beside it when previews are asked for; frees the surface.
void save(SDL_Surface* surface, const Output& out, const std::string& name);

// Pixel access on the 32-bit surfaces the two functions above make.
uint32_t get_pixel(SDL_Surface* surface, int x, int y);
void put_pixel(SDL_Surface* surface, int x, int y, uint32_t pixel);

// A FreeType face usable by cairo.
struct Face {
    Face(const std::string& path);
    ~Face();
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;
    void* ft_face;
    cairo_font_face_t* cairo_face;
};

// Appends the outline of `character` to the current path, the font scaled by sx across and
// sy up, its ink box centred on x = centre_x and its baseline on y = baseline; a glyph
// wider than max_width is narrowed to fit. Returns the ink box as {x0, y0, x1, y1}.
struct Box {
    double x0, y0, x1, y1;
};
Box glyph_outline(cairo_t* cr, const Face& face, unsigned long character, double sx, double sy,
                  double centre_x, double baseline, double max_width);

// Appends an ellipse centred on (cx, cy), turned by `angle` radians, to the current path.
void ellipse(cairo_t* cr, double cx, double cy, double rx, double ry, double angle = 0);
// Fills the current path with `fill`, then outlines it `width` wide in `ink`.
void fill_and_stroke(cairo_t* cr, Rgb fill, Rgb ink, double width);

// Colour helpers for cairo.
void set_rgb(cairo_t* cr, Rgb c);
void add_stop(cairo_pattern_t* pattern, double offset, Rgb c);
Rgb mix(Rgb a, Rgb b, double t);
