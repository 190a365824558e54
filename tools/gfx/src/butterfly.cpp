// The butterfly, on the white key: one half drawn, the other its mirror image, so the
// scenes can squeeze it about its middle.
#include "pictures.h"

#include <cmath>
#include <iterator>

namespace {

constexpr int W = 640, H = 360;
constexpr double AXIS_X = BUTTERFLY_AXIS_X;
constexpr Rgb INK = {40, 10, 60};

void forewing_path(cairo_t* cr) {
    cairo_move_to(cr, 326, 150);
    cairo_curve_to(cr, 380, 70, 480, 16, 612, 22);
    cairo_curve_to(cr, 634, 60, 628, 120, 596, 160);
    cairo_curve_to(cr, 540, 186, 430, 196, 332, 184);
    cairo_close_path(cr);
}

void hindwing_path(cairo_t* cr) {
    cairo_move_to(cr, 330, 182);
    cairo_curve_to(cr, 420, 180, 540, 190, 566, 236);
    cairo_curve_to(cr, 584, 272, 548, 314, 500, 322);
    cairo_curve_to(cr, 488, 340, 470, 354, 448, 354);
    cairo_curve_to(cr, 444, 336, 446, 326, 440, 318);
    cairo_curve_to(cr, 390, 300, 350, 260, 328, 210);
    cairo_close_path(cr);
}

// A wing: its gradient, a dark margin with light spots, veins, then the outline.
void wing(cairo_t* cr, void (*path)(cairo_t*), cairo_pattern_t* fill, const double (*spots)[3], int spot_count,
          const double (*veins)[4], int vein_count) {
    path(cr);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_save(cr);
    path(cr);
    cairo_clip(cr);
    path(cr);
    cairo_set_line_width(cr, 30);
    set_rgb(cr, {60, 20, 90});
    cairo_stroke(cr);
    cairo_set_line_width(cr, 4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < vein_count; ++i) {
        cairo_move_to(cr, veins[i][0], veins[i][1]);
        cairo_curve_to(cr, (veins[i][0] * 2 + veins[i][2]) / 3, veins[i][1] + 6,
                       veins[i][2] - 10, (veins[i][1] + veins[i][3] * 2) / 3, veins[i][2], veins[i][3]);
    }
    set_rgb(cr, {60, 20, 90});
    cairo_stroke(cr);
    for (int i = 0; i < spot_count; ++i) {
        cairo_arc(cr, spots[i][0], spots[i][1], spots[i][2], 0, 2 * M_PI);
        cairo_close_path(cr);
    }
    set_rgb(cr, {255, 248, 215});
    cairo_fill(cr);
    cairo_restore(cr);
    path(cr);
    cairo_set_line_width(cr, 5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    set_rgb(cr, INK);
    cairo_stroke(cr);
}

constexpr double FORE_SPOTS[][3] = {{600, 40, 6},  {590, 70, 5}, {604, 100, 6}, {588, 130, 5},
                                    {560, 160, 5}, {520, 172, 5}, {570, 34, 5},  {540, 30, 4}};
constexpr double FORE_VEINS[][4] = {{330, 160, 560, 40}, {332, 168, 600, 90}, {334, 176, 590, 150},
                                    {336, 182, 500, 182}};
constexpr double HIND_SPOTS[][3] = {{556, 230, 5}, {560, 260, 5}, {540, 290, 5}, {508, 308, 5}, {460, 340, 4}};
constexpr double HIND_VEINS[][4] = {{336, 192, 540, 220}, {336, 200, 540, 280}, {334, 208, 470, 320}};

}  // namespace

void paint_butterfly_half(cairo_t* cr) {
    // Hind wing: cool blues, an eye spot.
    cairo_pattern_t* hind = cairo_pattern_create_radial(340, 200, 10, 340, 200, 260);
    add_stop(hind, 0.0, {120, 20, 160});
    add_stop(hind, 0.35, {30, 110, 240});
    add_stop(hind, 0.7, {40, 220, 230});
    add_stop(hind, 1.0, {120, 255, 170});
    wing(cr, hindwing_path, hind, HIND_SPOTS, std::size(HIND_SPOTS), HIND_VEINS, std::size(HIND_VEINS));
    cairo_pattern_destroy(hind);
    cairo_arc(cr, 470, 262, 22, 0, 2 * M_PI);
    set_rgb(cr, {255, 200, 30});
    cairo_fill_preserve(cr);
    set_rgb(cr, INK);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    cairo_arc(cr, 470, 262, 10, 0, 2 * M_PI);
    set_rgb(cr, {200, 20, 90});
    cairo_fill(cr);
    // Fore wing: warm, from magenta at the body to yellow at the tip.
    cairo_pattern_t* fore = cairo_pattern_create_radial(330, 170, 10, 330, 170, 320);
    add_stop(fore, 0.0, {200, 0, 120});
    add_stop(fore, 0.3, {255, 60, 60});
    add_stop(fore, 0.65, {255, 150, 0});
    add_stop(fore, 1.0, {255, 240, 60});
    wing(cr, forewing_path, fore, FORE_SPOTS, std::size(FORE_SPOTS), FORE_VEINS, std::size(FORE_VEINS));
    cairo_pattern_destroy(fore);
    // Antenna with its club.
    cairo_move_to(cr, 326, 112);
    cairo_curve_to(cr, 340, 80, 356, 50, 384, 30);
    cairo_set_line_width(cr, 5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    set_rgb(cr, INK);
    cairo_stroke(cr);
    cairo_arc(cr, 386, 28, 8, 0, 2 * M_PI);
    set_rgb(cr, {255, 200, 30});
    cairo_fill_preserve(cr);
    set_rgb(cr, INK);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    // Body: head, thorax, striped abdomen, on the axis.
    cairo_save(cr);
    cairo_translate(cr, AXIS_X, 210);
    cairo_scale(cr, 14, 100);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(AXIS_X - 14, 0, AXIS_X + 14, 0);
    add_stop(body, 0.0, {70, 30, 110});
    add_stop(body, 0.5, {150, 80, 200});
    add_stop(body, 1.0, {70, 30, 110});
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    set_rgb(cr, INK);
    cairo_stroke(cr);
    for (int i = 0; i < 6; ++i) {
        const double y = 200 + i * 14;
        cairo_move_to(cr, AXIS_X - 12, y);
        cairo_curve_to(cr, AXIS_X - 4, y + 4, AXIS_X + 4, y + 4, AXIS_X + 12, y);
    }
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_arc(cr, AXIS_X, 124, 17, 0, 2 * M_PI);
    set_rgb(cr, {120, 60, 170});
    cairo_fill_preserve(cr);
    set_rgb(cr, INK);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    cairo_arc(cr, AXIS_X + 8, 120, 5, 0, 2 * M_PI);
    set_rgb(cr, {255, 250, 230});
    cairo_fill(cr);
}

void draw_butterfly(const Output& out) {
    Canvas canvas(W, H);
    paint_butterfly_half(canvas.cr);
    SDL_Surface* s = hard_edged(canvas, {255, 255, 255});
    // The left half is the right half seen in a mirror: column x matches column 639 - x.
    for (int y = 0; y < H; ++y) {
        for (int x = W / 2; x < W; ++x) {
            put_pixel(s, W - 1 - x, y, get_pixel(s, x, y));
        }
    }
    save(s, out, "butterfly.bmp");
}
