// The beam-fan sheet: a 30-pixel beam strip stretched across the beams and scrolled
// down them, and a parrot in two wing beats, facing left then right, on the black key.
#include "pictures.h"

#include <cmath>

namespace {

constexpr int STRIP_W = 30, STRIP_H = 721;
constexpr int STRIP_PERIOD_ROWS = 720;  // the scroll wraps row 719 onto row 0
constexpr int PULSE_PERIOD_ROWS = 48;   // a bright band every 48 rows, 15 in a period
constexpr int HUE_CYCLES = 3;
constexpr int FRAME = 160, SHEET_W = STRIP_W + FRAME, SHEET_H = 721;

Rgb hsv(double h, double s, double v) {
    h = std::fmod(h, 1.0) * 6;
    const int i = int(h);
    const double f = h - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    double r, g, b;
    switch (i) {
        case 0: r = v, g = t, b = p; break;
        case 1: r = q, g = v, b = p; break;
        case 2: r = p, g = v, b = t; break;
        case 3: r = p, g = q, b = v; break;
        case 4: r = t, g = p, b = v; break;
        default: r = v, g = p, b = q; break;
    }
    return {uint8_t(std::lround(r * 255)), uint8_t(std::lround(g * 255)), uint8_t(std::lround(b * 255))};
}

void draw_strip(SDL_Surface* sheet) {
    for (int y = 0; y < STRIP_H; ++y) {
        const double row = double(y % STRIP_PERIOD_ROWS);
        const double hue = row * HUE_CYCLES / STRIP_PERIOD_ROWS;
        // A pulse: sharp leading edge at the bottom, fading tail upward, so it reads as
        // moving down the beam.
        const double phase = std::fmod(row, PULSE_PERIOD_ROWS) / PULSE_PERIOD_ROWS;
        const double pulse = std::pow(phase, 6.0);
        for (int x = 0; x < STRIP_W; ++x) {
            // Across the beam: a lit tube, dim at its sides, a hot line left of centre.
            const double u = (x + 0.5) / STRIP_W * 2 - 1;
            const double body = 0.3 + 0.7 * std::sqrt(std::max(0.0, 1 - u * u));
            const double hot = std::exp(-std::pow((u + 0.25) / 0.18, 2));
            const double v = std::min(1.0, body * (0.75 + 0.25 * pulse) + 0.2 * hot);
            const double s = std::max(0.0, 0.85 - 0.6 * hot - 0.7 * pulse);
            const Rgb c = hsv(hue, s, v);
            put_pixel(sheet, x, y, uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
        }
    }
}

constexpr Rgb INK = {30, 16, 70};

void outline_and_fill(cairo_t* cr, Rgb fill) {
    set_rgb(cr, fill);
    cairo_fill_preserve(cr);
    set_rgb(cr, INK);
    cairo_stroke(cr);
}

// The parrot facing left; `wings_up` picks the beat.
void draw_parrot(cairo_t* cr, bool wings_up) {
    // A little inside the frame, so the wing tips keep clear of the neighbouring frames.
    cairo_translate(cr, 80, 80);
    cairo_scale(cr, 0.92, 0.92);
    cairo_translate(cr, -80, -80);
    cairo_set_line_width(cr, 3.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    // Tail feathers, fanned out behind.
    const Rgb tail[] = {{40, 200, 90}, {30, 120, 230}, {250, 210, 30}};
    for (int i = 0; i < 3; ++i) {
        const double dy = (i - 1) * 14;
        cairo_move_to(cr, 110, 96 + dy * 0.3);
        cairo_curve_to(cr, 130, 92 + dy, 145, 98 + dy * 1.4, 156, 104 + dy * 1.8);
        cairo_curve_to(cr, 146, 114 + dy * 1.2, 128, 112 + dy * 0.6, 110, 108 + dy * 0.3);
        cairo_close_path(cr);
        outline_and_fill(cr, tail[i]);
    }
    // Far wing, behind the body.
    cairo_move_to(cr, 92, 88);
    if (wings_up) {
        cairo_curve_to(cr, 100, 50, 118, 20, 142, 8);
        cairo_curve_to(cr, 136, 40, 124, 70, 108, 92);
    } else {
        cairo_curve_to(cr, 108, 112, 122, 136, 140, 154);
        cairo_curve_to(cr, 112, 150, 96, 128, 86, 104);
    }
    cairo_close_path(cr);
    outline_and_fill(cr, {20, 110, 200});
    // Body.
    cairo_save(cr);
    cairo_translate(cr, 82, 96);
    cairo_rotate(cr, 0.2);
    cairo_scale(cr, 40, 25);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_pattern_t* belly = cairo_pattern_create_linear(0, 72, 0, 122);
    add_stop(belly, 0, {255, 70, 50});
    add_stop(belly, 1, {200, 20, 60});
    cairo_set_source(cr, belly);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(belly);
    set_rgb(cr, INK);
    cairo_stroke(cr);
    // Head.
    cairo_arc(cr, 46, 74, 24, 0, 2 * M_PI);
    outline_and_fill(cr, {255, 80, 50});
    // Hooked beak.
    cairo_move_to(cr, 28, 64);
    cairo_curve_to(cr, 14, 62, 6, 72, 10, 86);
    cairo_curve_to(cr, 16, 80, 22, 80, 30, 84);
    cairo_close_path(cr);
    outline_and_fill(cr, {255, 200, 40});
    // Eye with a white patch around it.
    cairo_save(cr);
    cairo_translate(cr, 46, 68);
    cairo_scale(cr, 11, 9);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    outline_and_fill(cr, {250, 250, 240});
    cairo_arc(cr, 44, 68, 4.5, 0, 2 * M_PI);
    set_rgb(cr, INK);
    cairo_fill(cr);
    cairo_arc(cr, 42.5, 66.5, 1.6, 0, 2 * M_PI);
    set_rgb(cr, {255, 255, 255});
    cairo_fill(cr);
    // Feet tucked under.
    cairo_move_to(cr, 78, 120);
    cairo_line_to(cr, 72, 130);
    cairo_move_to(cr, 90, 120);
    cairo_line_to(cr, 86, 131);
    set_rgb(cr, {120, 120, 140});
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 3.5);
    // Near wing, yellow tipped with green.
    cairo_move_to(cr, 70, 86);
    if (wings_up) {
        cairo_curve_to(cr, 76, 50, 96, 16, 124, 2);
        cairo_curve_to(cr, 122, 36, 110, 72, 96, 96);
    } else {
        cairo_curve_to(cr, 88, 118, 104, 142, 124, 158);
        cairo_curve_to(cr, 94, 156, 74, 132, 64, 102);
    }
    cairo_close_path(cr);
    cairo_pattern_t* wing = wings_up ? cairo_pattern_create_linear(0, 96, 0, 2) : cairo_pattern_create_linear(0, 90, 0, 158);
    add_stop(wing, 0.0, {255, 220, 40});
    add_stop(wing, 0.55, {60, 210, 80});
    add_stop(wing, 1.0, {20, 110, 220});
    cairo_set_source(cr, wing);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(wing);
    set_rgb(cr, INK);
    cairo_stroke(cr);
}

}  // namespace

void draw_sheet(const Output& out) {
    SDL_Surface* sheet = SDL_CreateRGBSurfaceWithFormat(0, SHEET_W, SHEET_H, 32, SDL_PIXELFORMAT_RGB888);
    SDL_FillRect(sheet, nullptr, 0);
    draw_strip(sheet);
    for (int beat = 0; beat < 2; ++beat) {
        Canvas canvas(FRAME, FRAME);
        draw_parrot(canvas.cr, beat == 0);
        SDL_Surface* frame = hard_edged(canvas, {0, 0, 0});
        // Facing left at y 0 and 160, the same mirrored, facing right, at 320 and 480.
        for (int y = 0; y < FRAME; ++y) {
            for (int x = 0; x < FRAME; ++x) {
                const uint32_t p = get_pixel(frame, x, y);
                put_pixel(sheet, STRIP_W + x, beat * FRAME + y, p);
                put_pixel(sheet, STRIP_W + FRAME - 1 - x, (2 + beat) * FRAME + y, p);
            }
        }
        SDL_FreeSurface(frame);
    }
    save(sheet, out, "veltronaquis.bmp");
}
