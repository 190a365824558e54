// The rabbit sheet: a walking pose seen from the side, a standing pose seen from the
// front, and the standing pose blinking, each in a 300 x 320 cell on black.
#include "pictures.h"

#include <cmath>

namespace {

constexpr int SHEET_W = 680, SHEET_H = 700;
constexpr Rgb INK = {50, 30, 70};
constexpr Rgb FUR = {245, 242, 250};
constexpr Rgb FUR_SHADE = {190, 185, 215};
constexpr Rgb PINK = {255, 150, 185};
constexpr Rgb BOW = {230, 30, 60};
// The standing pose sits 71 pixels further right in its cell than the walking pose in
// its own, so the two line up where the walk stops for the pose.
constexpr double WALK_CENTRE_X = 118, STAND_CENTRE_X = WALK_CENTRE_X + 71;

void fill_and_ink(cairo_t* cr, Rgb fill, double width = 4) {
    fill_and_stroke(cr, fill, INK, width);
}

// Fur lit from the upper left.
void fur(cairo_t* cr, double cx, double cy, double r) {
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.3, cy - r * 0.4, r * 0.1, cx, cy, r * 1.2);
    add_stop(p, 0.0, {255, 255, 255});
    add_stop(p, 0.6, FUR);
    add_stop(p, 1.0, FUR_SHADE);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    set_rgb(cr, INK);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
}

void bow_tie(cairo_t* cr, double x, double y, double scale) {
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x - 22 * scale, y - 13 * scale);
    cairo_line_to(cr, x - 22 * scale, y + 13 * scale);
    cairo_close_path(cr);
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + 22 * scale, y - 13 * scale);
    cairo_line_to(cr, x + 22 * scale, y + 13 * scale);
    cairo_close_path(cr);
    fill_and_ink(cr, BOW, 3);
    ellipse(cr, x, y, 6 * scale, 7 * scale);
    fill_and_ink(cr, {255, 210, 40}, 3);
}

void standing(cairo_t* cr, bool eyes_closed) {
    const double cx = STAND_CENTRE_X;
    // Ears, leaning a little apart.
    for (const double side : {-1.0, 1.0}) {
        ellipse(cr, cx + side * 34, 78, 22, 70, side * 0.16);
        fur(cr, cx + side * 34, 78, 70);
        ellipse(cr, cx + side * 34, 84, 11, 54, side * 0.16);
        set_rgb(cr, PINK);
        cairo_fill(cr);
    }
    // Feet, then body, arms and the belly.
    for (const double side : {-1.0, 1.0}) {
        ellipse(cr, cx + side * 30, 298, 32, 14);
        fur(cr, cx + side * 30, 298, 32);
    }
    ellipse(cr, cx, 248, 60, 58);
    fur(cr, cx, 248, 60);
    ellipse(cr, cx, 258, 36, 40);
    set_rgb(cr, {255, 250, 240});
    cairo_fill(cr);
    for (const double side : {-1.0, 1.0}) {
        ellipse(cr, cx + side * 50, 250, 14, 28, -side * 0.35);
        fur(cr, cx + side * 50, 250, 28);
    }
    // Head with blushing cheeks.
    ellipse(cr, cx, 160, 64, 54);
    fur(cr, cx, 160, 64);
    for (const double side : {-1.0, 1.0}) {
        ellipse(cr, cx + side * 40, 180, 12, 8);
        set_rgb(cr, {255, 170, 190});
        cairo_fill(cr);
    }
    // Eyes: big and bright, or shut as two happy arcs.
    for (const double side : {-1.0, 1.0}) {
        const double ex = cx + side * 22, ey = 150;
        if (eyes_closed) {
            cairo_new_path(cr);
            cairo_arc_negative(cr, ex, ey + 8, 12, -0.2, -M_PI + 0.2);
            set_rgb(cr, INK);
            cairo_set_line_width(cr, 5);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_stroke(cr);
        } else {
            ellipse(cr, ex, ey, 13, 17);
            fill_and_ink(cr, {255, 255, 255}, 3);
            ellipse(cr, ex + side * 1, ey + 3, 8, 11);
            set_rgb(cr, {60, 110, 220});
            cairo_fill(cr);
            ellipse(cr, ex + side * 1, ey + 4, 4.5, 6.5);
            set_rgb(cr, {20, 10, 40});
            cairo_fill(cr);
            ellipse(cr, ex - 3, ey - 4, 3, 3.5);
            set_rgb(cr, {255, 255, 255});
            cairo_fill(cr);
        }
    }
    // Nose, mouth, teeth, whiskers.
    cairo_move_to(cr, cx - 8, 172);
    cairo_line_to(cr, cx + 8, 172);
    cairo_line_to(cr, cx, 181);
    cairo_close_path(cr);
    fill_and_ink(cr, PINK, 3);
    cairo_rectangle(cr, cx - 7, 190, 14, 12);
    fill_and_ink(cr, {255, 255, 250}, 2.5);
    cairo_move_to(cr, cx, 181);
    cairo_line_to(cr, cx, 189);
    cairo_move_to(cr, cx - 14, 186);
    cairo_curve_to(cr, cx - 10, 192, cx - 3, 192, cx, 189);
    cairo_curve_to(cr, cx + 3, 192, cx + 10, 192, cx + 14, 186);
    set_rgb(cr, INK);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    for (const double side : {-1.0, 1.0}) {
        for (int i = -1; i <= 1; ++i) {
            cairo_move_to(cr, cx + side * 24, 182 + i * 5);
            cairo_line_to(cr, cx + side * 60, 178 + i * 11);
        }
    }
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    bow_tie(cr, cx, 212, 1.0);
}

void walking(cairo_t* cr) {
    const double cx = WALK_CENTRE_X;
    // Far ear and far legs first, a shade darker.
    ellipse(cr, cx + 10, 66, 17, 60, 0.42);
    fur(cr, cx + 10, 66, 60);
    ellipse(cr, cx + 50, 292, 34, 12, 0.15);
    fur(cr, cx + 50, 292, 34);
    ellipse(cr, cx - 52, 262, 12, 26, 0.6);
    fur(cr, cx - 52, 262, 26);
    // Tail, body, the near haunch and its long foot stretched back.
    ellipse(cr, cx + 92, 218, 24, 22);
    fur(cr, cx + 92, 218, 24);
    ellipse(cr, cx + 18, 232, 78, 54, -0.12);
    fur(cr, cx + 18, 232, 78);
    ellipse(cr, cx + 52, 246, 40, 40);
    fur(cr, cx + 52, 246, 40);
    ellipse(cr, cx + 82, 294, 40, 13, -0.25);
    fur(cr, cx + 82, 294, 40);
    // Near front leg reaching forward, in mid-stride.
    ellipse(cr, cx - 46, 278, 14, 30, 0.9);
    fur(cr, cx - 46, 278, 30);
    ellipse(cr, cx - 76, 298, 26, 11);
    fur(cr, cx - 76, 298, 26);
    // Head, cheek and the near ear swept back.
    ellipse(cr, cx - 48, 160, 54, 46, -0.1);
    fur(cr, cx - 48, 160, 54);
    ellipse(cr, cx - 12, 72, 20, 64, 0.32);
    fur(cr, cx - 12, 72, 64);
    ellipse(cr, cx - 12, 78, 10, 50, 0.32);
    set_rgb(cr, PINK);
    cairo_fill(cr);
    ellipse(cr, cx - 58, 182, 12, 8);
    set_rgb(cr, {255, 170, 190});
    cairo_fill(cr);
    // Eye looking ahead.
    ellipse(cr, cx - 66, 148, 12, 16);
    fill_and_ink(cr, {255, 255, 255}, 3);
    ellipse(cr, cx - 71, 151, 7, 10);
    set_rgb(cr, {60, 110, 220});
    cairo_fill(cr);
    ellipse(cr, cx - 72, 152, 4, 6);
    set_rgb(cr, {20, 10, 40});
    cairo_fill(cr);
    ellipse(cr, cx - 74, 145, 2.5, 3);
    set_rgb(cr, {255, 255, 255});
    cairo_fill(cr);
    // Nose at the tip of the muzzle, tooth, smile and whiskers.
    ellipse(cr, cx - 100, 166, 7, 6);
    fill_and_ink(cr, PINK, 3);
    cairo_rectangle(cr, cx - 96, 184, 8, 10);
    fill_and_ink(cr, {255, 255, 250}, 2.5);
    cairo_move_to(cr, cx - 98, 174);
    cairo_curve_to(cr, cx - 96, 184, cx - 86, 186, cx - 78, 180);
    set_rgb(cr, INK);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    for (int i = -1; i <= 1; ++i) {
        cairo_move_to(cr, cx - 92, 172 + i * 4);
        cairo_line_to(cr, cx - 110, 166 + i * 9);
    }
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    bow_tie(cr, cx - 20, 204, 0.8);
}

}  // namespace

void draw_rabbit(const Output& out) {
    Canvas canvas(SHEET_W, SHEET_H);
    cairo_t* cr = canvas.cr;
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    struct Cell {
        double x, y;
        int pose;  // 0 walking, 1 standing, 2 blinking
    };
    constexpr Cell CELLS[] = {{30, 20, 0}, {350, 20, 1}, {350, 370, 2}};
    for (const Cell& cell : CELLS) {
        cairo_save(cr);
        cairo_translate(cr, cell.x, cell.y);
        cairo_rectangle(cr, 0, 0, 300, 320);
        cairo_clip(cr);
        cairo_new_path(cr);
        if (cell.pose == 0) {
            walking(cr);
        } else {
            standing(cr, cell.pose == 2);
        }
        cairo_restore(cr);
    }
    save(flattened(canvas, {0, 0, 0}), out, "rabbit.bmp");
}
