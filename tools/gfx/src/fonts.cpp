// The two font sheets: big gradient capitals for the opening texts and caption cards,
// small light glyphs for the backdrop caption and the credits.
// Glyph outlines come from DejaVu Sans Bold (Debian's fonts-dejavu-core: Bitstream Vera
// licence, DejaVu changes in the public domain), free to redistribute in these pictures.
#include "pictures.h"

#include <cstring>

namespace {

// Big sheet: 10 columns of 32 x 64 cells, in this order, space first.
constexpr char BIG_ORDER[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,:!?+-*/()";
constexpr int BIG_CELL_W = 32, BIG_CELL_H = 64, BIG_COLUMNS = 10;
constexpr double BIG_CAP_TOP = 6, BIG_BASELINE = 56;

// The metal: a sky-lit upper half above a bright horizon line, a warm lower half.
void big_metal(cairo_pattern_t* p) {
    add_stop(p, 0.00, {255, 255, 255});
    add_stop(p, 0.18, {150, 225, 255});
    add_stop(p, 0.47, {30, 70, 200});
    add_stop(p, 0.50, {255, 250, 210});
    add_stop(p, 0.56, {255, 210, 40});
    add_stop(p, 0.80, {255, 110, 0});
    add_stop(p, 1.00, {200, 20, 60});
}

}  // namespace

void draw_fonts(const Output& out) {
    const Face face(out.font_dir + "/DejaVuSans-Bold.ttf");
    Canvas canvas(BIG_COLUMNS * BIG_CELL_W, 5 * BIG_CELL_H);
    cairo_t* cr = canvas.cr;
    for (int i = 1; BIG_ORDER[i]; ++i) {
        const double x = (i % BIG_COLUMNS) * BIG_CELL_W, y = (i / BIG_COLUMNS) * BIG_CELL_H;
        cairo_save(cr);
        cairo_rectangle(cr, x, y, BIG_CELL_W, BIG_CELL_H);
        cairo_clip(cr);
        cairo_new_path(cr);
        const double cap = BIG_BASELINE - BIG_CAP_TOP;
        glyph_outline(cr, face, static_cast<unsigned char>(BIG_ORDER[i]), 38, cap / 0.729, x + 16,
                      y + BIG_BASELINE, 25);
        // A dark rim first, so the letters keep their shape when shrunk to a few pixels.
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_width(cr, 5.0);
        set_rgb(cr, {40, 0, 90});
        cairo_stroke_preserve(cr);
        // The metal, a pixel bolder than the outline: heavy strokes survive the shrinking.
        cairo_pattern_t* metal = cairo_pattern_create_linear(0, y + BIG_CAP_TOP, 0, y + BIG_BASELINE);
        big_metal(metal);
        cairo_set_source(cr, metal);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 2.0);
        cairo_stroke(cr);
        cairo_pattern_destroy(metal);
        cairo_restore(cr);
    }
    save(flattened(canvas, {0, 0, 0}), out, "fonts.bmp");
}

namespace {

constexpr int SMALL_CELL_W = 24, SMALL_CELL_H = 44;
constexpr double SMALL_CAP_TOP = 7, SMALL_BASELINE = 33;

struct SmallRow {
    int y;
    const char* characters;  // at x = 24 * position, unless moved below
};
constexpr SmallRow SMALL_ROWS[] = {
    {0, "abcdefghijklmnopqrstuvwxyz"},
    {44, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
    {88, "0123456789,.;:!?'\"_+-*/=()[]%$&#@"},
};

struct Moved {
    int y;
    char character;
    int x;
};
// Cells off the 24-pixel grid.
constexpr Moved SMALL_MOVED[] = {{0, 'v', 502}, {44, 'V', 502}, {44, 'X', 551}, {88, '"', 407}};

int small_x(int row_y, char c, int position) {
    for (const Moved& m : SMALL_MOVED) {
        if (m.y == row_y && m.character == c) {
            return m.x;
        }
    }
    return SMALL_CELL_W * position;
}

}  // namespace

void draw_fonts2(const Output& out) {
    const Face face(out.font_dir + "/DejaVuSans-Bold.ttf");
    Canvas canvas(792, 132);
    cairo_t* cr = canvas.cr;
    for (const SmallRow& row : SMALL_ROWS) {
        for (int i = 0; row.characters[i]; ++i) {
            const char c = row.characters[i];
            const double x = small_x(row.y, c, i), y = row.y;
            cairo_save(cr);
            // Two blank columns each side: the off-grid cells overlap their neighbours.
            cairo_rectangle(cr, x + 2, y, SMALL_CELL_W - 4, SMALL_CELL_H);
            cairo_clip(cr);
            cairo_new_path(cr);
            const double cap = SMALL_BASELINE - SMALL_CAP_TOP;
            glyph_outline(cr, face, static_cast<unsigned char>(c), 25, cap / 0.729, x + 12, y + SMALL_BASELINE,
                          19);
            cairo_pattern_t* light = cairo_pattern_create_linear(0, y + SMALL_CAP_TOP - 4, 0, y + SMALL_CELL_H);
            add_stop(light, 0.0, {255, 255, 255});
            add_stop(light, 0.55, {200, 235, 255});
            add_stop(light, 1.0, {150, 190, 255});
            cairo_set_source(cr, light);
            // Half a pixel bolder all round: thin stems break up when thresholded.
            cairo_fill_preserve(cr);
            cairo_set_line_width(cr, 1.0);
            cairo_stroke(cr);
            cairo_pattern_destroy(light);
            cairo_restore(cr);
        }
    }
    save(hard_edged(canvas, {0, 0, 0}), out, "fonts2.bmp");
}
