// The still picture: three teddy bears on green hills under a rainbow.
#include "pictures.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int W = 1280, H = 720;
constexpr Rgb INK = {60, 30, 50};

// Fixed-seed generator, so the flowers and stars fall in the same places every time.
struct Random {
    uint32_t state = 20221u;
    double next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / double(1u << 24);
    }
};

void fill_and_ink(cairo_t* cr, Rgb fill, double width = 5) {
    fill_and_stroke(cr, fill, INK, width);
}

void sky(cairo_t* cr) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 480);
    add_stop(p, 0.0, {70, 150, 255});
    add_stop(p, 0.6, {150, 210, 255});
    add_stop(p, 1.0, {255, 210, 230});
    cairo_rectangle(cr, 0, 0, W, H);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void sun(cairo_t* cr) {
    const double x = 1110, y = 110;
    for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8;
        cairo_move_to(cr, x + std::cos(a - 0.08) * 70, y + std::sin(a - 0.08) * 70);
        cairo_line_to(cr, x + std::cos(a) * 120, y + std::sin(a) * 120);
        cairo_line_to(cr, x + std::cos(a + 0.08) * 70, y + std::sin(a + 0.08) * 70);
        cairo_close_path(cr);
    }
    set_rgb(cr, {255, 230, 80});
    cairo_fill(cr);
    cairo_arc(cr, x, y, 66, 0, 2 * M_PI);
    cairo_pattern_t* p = cairo_pattern_create_radial(x - 20, y - 20, 5, x, y, 66);
    add_stop(p, 0, {255, 255, 220});
    add_stop(p, 1, {255, 190, 30});
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    set_rgb(cr, {240, 150, 20});
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
}

void rainbow(cairo_t* cr) {
    const Rgb bands[] = {{240, 40, 60},  {255, 140, 30}, {255, 225, 40}, {70, 200, 80},
                         {40, 150, 240}, {90, 70, 200},  {170, 80, 210}};
    const double x = 600, y = 640;
    double r = 560;
    for (const Rgb& band : bands) {
        cairo_new_path(cr);
        cairo_arc(cr, x, y, r, M_PI, 2 * M_PI);
        cairo_set_line_width(cr, 34);
        set_rgb(cr, band);
        cairo_stroke(cr);
        r -= 33;
    }
}

void cloud(cairo_t* cr, double x, double y, double s) {
    const double puffs[][3] = {{0, 0, 40}, {45, -18, 48}, {95, -4, 40}, {130, 10, 30}, {-35, 12, 28}, {60, 18, 36}};
    for (const auto& p : puffs) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, x + p[0] * s, y + p[1] * s, p[2] * s, 0, 2 * M_PI);
    }
    set_rgb(cr, {200, 215, 245});
    cairo_set_line_width(cr, 8 * s);
    cairo_stroke_preserve(cr);
    set_rgb(cr, {255, 255, 255});
    cairo_fill(cr);
}

void hill(cairo_t* cr, double top, double wave, double phase, Rgb light, Rgb dark) {
    cairo_move_to(cr, 0, H);
    for (int x = 0; x <= W; x += 8) {
        cairo_line_to(cr, x, top + wave * std::sin(x / 190.0 + phase) + wave * 0.5 * std::sin(x / 83.0 + phase * 2));
    }
    cairo_line_to(cr, W, H);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, top - wave, 0, H);
    add_stop(p, 0, light);
    add_stop(p, 1, dark);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    set_rgb(cr, mix(dark, {0, 0, 0}, 0.3));
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
}

void flowers(cairo_t* cr, Random& random) {
    const Rgb petals[] = {{255, 80, 120}, {255, 240, 90}, {255, 255, 255}, {180, 110, 255}, {255, 150, 40}};
    for (int i = 0; i < 70; ++i) {
        const double x = random.next() * W, y = 560 + random.next() * 150, r = 5 + random.next() * 5;
        const Rgb c = petals[int(random.next() * 5) % 5];
        for (int k = 0; k < 5; ++k) {
            const double a = k * 2 * M_PI / 5;
            cairo_new_sub_path(cr);
            cairo_arc(cr, x + std::cos(a) * r, y + std::sin(a) * r, r * 0.75, 0, 2 * M_PI);
        }
        set_rgb(cr, c);
        cairo_fill(cr);
        cairo_arc(cr, x, y, r * 0.55, 0, 2 * M_PI);
        set_rgb(cr, {255, 200, 30});
        cairo_fill(cr);
    }
}

struct BearLook {
    double x, feet_y, scale, tilt;
    Rgb fur, light;
    bool waving;
};

void bear(cairo_t* cr, const BearLook& b) {
    cairo_save(cr);
    cairo_translate(cr, b.x, b.feet_y);
    cairo_rotate(cr, b.tilt);
    cairo_scale(cr, b.scale, b.scale);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    const Rgb shade = mix(b.fur, {40, 20, 60}, 0.25);
    // Legs and feet with their pads.
    for (const double side : {-1.0, 1.0}) {
        ellipse(cr, side * 38, -30, 34, 32);
        fill_and_ink(cr, b.fur);
        ellipse(cr, side * 40, -14, 22, 14);
        fill_and_ink(cr, b.light, 4);
    }
    // Body with its light tummy.
    ellipse(cr, 0, -100, 78, 82);
    fill_and_ink(cr, b.fur);
    ellipse(cr, 0, -92, 46, 52);
    set_rgb(cr, b.light);
    cairo_fill(cr);
    // Arms: one down, the other waving when asked.
    ellipse(cr, -78, -110, 22, 44, 0.5);
    fill_and_ink(cr, shade);
    if (b.waving) {
        ellipse(cr, 100, -168, 22, 44, 2.2);
    } else {
        ellipse(cr, 78, -110, 22, 44, -0.5);
    }
    fill_and_ink(cr, shade);
    // Head, ears, muzzle and face.
    for (const double side : {-1.0, 1.0}) {
        cairo_arc(cr, side * 62, -282, 30, 0, 2 * M_PI);
        fill_and_ink(cr, b.fur);
        cairo_arc(cr, side * 62, -282, 16, 0, 2 * M_PI);
        set_rgb(cr, b.light);
        cairo_fill(cr);
    }
    ellipse(cr, 0, -230, 88, 76);
    cairo_pattern_t* head = cairo_pattern_create_radial(-30, -270, 10, 0, -230, 100);
    add_stop(head, 0, mix(b.fur, {255, 255, 255}, 0.35));
    add_stop(head, 1, b.fur);
    cairo_set_source(cr, head);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(head);
    set_rgb(cr, INK);
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
    ellipse(cr, 0, -200, 40, 30);
    fill_and_ink(cr, b.light, 4);
    ellipse(cr, 0, -214, 15, 10);
    set_rgb(cr, {50, 25, 40});
    cairo_fill(cr);
    for (const double side : {-1.0, 1.0}) {
        ellipse(cr, side * 32, -250, 10, 13);
        set_rgb(cr, {40, 20, 40});
        cairo_fill(cr);
        cairo_arc(cr, side * 32 - 3, -255, 4, 0, 2 * M_PI);
        set_rgb(cr, {255, 255, 255});
        cairo_fill(cr);
        ellipse(cr, side * 56, -212, 14, 9);
        set_rgb(cr, {255, 140, 170});
        cairo_fill(cr);
    }
    cairo_move_to(cr, -18, -196);
    cairo_curve_to(cr, -10, -182, 10, -182, 18, -196);
    cairo_move_to(cr, 0, -204);
    cairo_line_to(cr, 0, -190);
    set_rgb(cr, INK);
    cairo_set_line_width(cr, 4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void sparkles(cairo_t* cr, Random& random) {
    for (int i = 0; i < 24; ++i) {
        const double x = random.next() * W, y = 20 + random.next() * 280, r = 6 + random.next() * 8;
        cairo_move_to(cr, x, y - r);
        cairo_curve_to(cr, x, y, x, y, x + r, y);
        cairo_curve_to(cr, x, y, x, y, x, y + r);
        cairo_curve_to(cr, x, y, x, y, x - r, y);
        cairo_curve_to(cr, x, y, x, y, x, y - r);
        cairo_close_path(cr);
    }
    set_rgb(cr, {255, 255, 230});
    cairo_fill(cr);
}

}  // namespace

void draw_picture(const Output& out) {
    Canvas canvas(W, H);
    cairo_t* cr = canvas.cr;
    Random random;
    sky(cr);
    sun(cr);
    sparkles(cr, random);
    rainbow(cr);
    cloud(cr, 110, 130, 1.0);
    cloud(cr, 700, 70, 0.8);
    cloud(cr, 930, 290, 0.9);
    cloud(cr, 90, 420, 1.1);
    cloud(cr, 1080, 470, 1.0);
    hill(cr, 470, 26, 0.0, {150, 230, 110}, {60, 170, 70});
    hill(cr, 560, 30, 2.0, {120, 220, 90}, {40, 150, 60});
    flowers(cr, random);
    const BearLook bears[] = {
        {300, 680, 0.95, -0.08, {255, 150, 190}, {255, 225, 235}, false},
        {640, 700, 1.1, 0.0, {255, 200, 60}, {255, 245, 200}, true},
        {980, 680, 0.95, 0.08, {110, 180, 255}, {215, 240, 255}, false},
    };
    for (const BearLook& b : bears) {
        bear(cr, b);
    }
    save(flattened(canvas, {0, 0, 0}), out, "bisounours.jpg");
}
