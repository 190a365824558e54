// Drawing surfaces for the picture generator.
#include "canvas.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

Canvas::Canvas(int w, int h)
    : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), cr(cairo_create(surface)),
      width(w), height(h) {}

Canvas::~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

namespace {

SDL_Surface* new_surface(int w, int h) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGB888);
    if (!s) {
        std::fprintf(stderr, "SDL_CreateRGBSurfaceWithFormat: %s\n", SDL_GetError());
        std::exit(1);
    }
    return s;
}

uint32_t pack(Rgb c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

// Cairo keeps colours premultiplied by coverage.
uint8_t unpremultiply(uint32_t channel, uint32_t alpha) {
    return uint8_t(std::min<uint32_t>(255, (channel * 255 + alpha / 2) / alpha));
}

}  // namespace

uint32_t get_pixel(SDL_Surface* s, int x, int y) {
    return static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] & 0xFFFFFF;
}

void put_pixel(SDL_Surface* s, int x, int y, uint32_t p) {
    static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = p;
}

SDL_Surface* hard_edged(const Canvas& canvas, Rgb key) {
    cairo_surface_flush(canvas.surface);
    const uint8_t* data = cairo_image_surface_get_data(canvas.surface);
    const int stride = cairo_image_surface_get_stride(canvas.surface);
    SDL_Surface* s = new_surface(canvas.width, canvas.height);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const uint32_t p = reinterpret_cast<const uint32_t*>(data + y * stride)[x];
            const uint32_t a = p >> 24;
            uint32_t out = pack(key);
            if (a >= 128) {
                Rgb c{unpremultiply(p >> 16 & 255, a), unpremultiply(p >> 8 & 255, a),
                      unpremultiply(p & 255, a)};
                if (c.r == key.r && c.g == key.g && c.b == key.b) {
                    c.g = key.g > 127 ? key.g - 1 : key.g + 1;
                }
                out = pack(c);
            }
            put_pixel(s, x, y, out);
        }
    }
    return s;
}

SDL_Surface* flattened(const Canvas& canvas, Rgb bg) {
    cairo_surface_flush(canvas.surface);
    const uint8_t* data = cairo_image_surface_get_data(canvas.surface);
    const int stride = cairo_image_surface_get_stride(canvas.surface);
    SDL_Surface* s = new_surface(canvas.width, canvas.height);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const uint32_t p = reinterpret_cast<const uint32_t*>(data + y * stride)[x];
            const uint32_t a = p >> 24;
            auto over = [&](uint32_t premultiplied, uint8_t back) {
                return uint8_t(premultiplied + (back * (255 - a) + 127) / 255);
            };
            put_pixel(s, x, y, pack({over(p >> 16 & 255, bg.r), over(p >> 8 & 255, bg.g), over(p & 255, bg.b)}));
        }
    }
    return s;
}

void save(SDL_Surface* surface, const Output& out, const std::string& name) {
    const std::string path = out.data_dir + "/" + name;
    const bool jpeg = name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0;
    const int result = jpeg ? IMG_SaveJPG(surface, path.c_str(), 92) : SDL_SaveBMP(surface, path.c_str());
    if (result != 0) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), SDL_GetError());
        std::exit(1);
    }
    std::printf("wrote %s (%d x %d)\n", path.c_str(), surface->w, surface->h);
    if (!out.preview_dir.empty()) {
        const std::string preview = out.preview_dir + "/" + name.substr(0, name.rfind('.')) + ".png";
        IMG_SavePNG(surface, preview.c_str());
        // Small sheets also at three times their size, as the scenes zoom them.
        if (surface->w <= 800) {
            SDL_Surface* big = new_surface(surface->w * 3, surface->h * 3);
            SDL_BlitScaled(surface, nullptr, big, nullptr);
            IMG_SavePNG(big, (preview.substr(0, preview.size() - 4) + "_x3.png").c_str());
            SDL_FreeSurface(big);
        }
    }
    SDL_FreeSurface(surface);
}

namespace {
FT_Library freetype() {
    static FT_Library library = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) {
            std::fprintf(stderr, "FreeType does not start\n");
            std::exit(1);
        }
        return l;
    }();
    return library;
}
}  // namespace

Face::Face(const std::string& path) {
    FT_Face f = nullptr;
    if (FT_New_Face(freetype(), path.c_str(), 0, &f) != 0) {
        std::fprintf(stderr, "cannot open font %s\n", path.c_str());
        std::exit(1);
    }
    ft_face = f;
    // Outlines only: no hinting, so the shapes depend on the font file alone.
    cairo_face = cairo_ft_font_face_create_for_ft_face(f, FT_LOAD_NO_HINTING);
}

Face::~Face() {
    cairo_font_face_destroy(cairo_face);
    FT_Done_Face(static_cast<FT_Face>(ft_face));
}

Box glyph_outline(cairo_t* cr, const Face& face, unsigned long character, double sx, double sy,
                  double centre_x, double baseline, double max_width) {
    cairo_glyph_t glyph{FT_Get_Char_Index(static_cast<FT_Face>(face.ft_face), character), 0, 0};
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    cairo_set_font_face(cr, face.cairo_face);
    for (int attempt = 0; attempt < 2; ++attempt) {
        cairo_matrix_t m;
        cairo_matrix_init_scale(&m, sx, sy);
        cairo_set_font_matrix(cr, &m);
        cairo_text_extents_t e;
        cairo_glyph_extents(cr, &glyph, 1, &e);
        if (e.width > max_width && attempt == 0) {
            sx *= max_width / e.width;
            continue;
        }
        glyph.x = centre_x - (e.x_bearing + e.width / 2);
        glyph.y = baseline;
        cairo_glyph_path(cr, &glyph, 1);
        return {glyph.x + e.x_bearing, baseline + e.y_bearing, glyph.x + e.x_bearing + e.width,
                baseline + e.y_bearing + e.height};
    }
    return {};
}

void set_rgb(cairo_t* cr, Rgb c) { cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0); }

void add_stop(cairo_pattern_t* p, double offset, Rgb c) {
    cairo_pattern_add_color_stop_rgb(p, offset, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

Rgb mix(Rgb a, Rgb b, double t) {
    auto m = [t](uint8_t x, uint8_t y) { return uint8_t(std::lround(x + (y - x) * t)); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

void ellipse(cairo_t* cr, double cx, double cy, double rx, double ry, double angle) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

void fill_and_stroke(cairo_t* cr, Rgb fill, Rgb ink, double width) {
    set_rgb(cr, fill);
    cairo_fill_preserve(cr);
    set_rgb(cr, ink);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}
