// The small glyph lookup and the raster backdrop with its flipping caption.
#include <SDL.h>

#include <cstdint>
#include <vector>

#include "glyphs.h"
#include "harness.h"
#include "runtime.h"

using harness::Op;

namespace {

struct GlyphCase {
    int code;
    int32_t x;
    int32_t y;
};

constexpr GlyphCase SMALL_GLYPH_CASES[] = {
    // The blank cell: space, and everything the sheet lacks, in and out of the table.
    {' ', 624, 44}, {0, 624, 44}, {31, 624, 44}, {'~', 624, 44}, {'{', 624, 44}, {127, 624, 44},
    {200, 624, 44}, {255, 624, 44}, {'<', 624, 44}, {'>', 624, 44}, {'\\', 624, 44}, {'^', 624, 44},
    {'`', 624, 44},
    // Cells off the 24-pixel grid, and their neighbours on it.
    {'v', 502, 0}, {'V', 502, 44}, {'X', 551, 44}, {'x', 552, 0}, {'"', 407, 88}, {'*', 504, 88},
    {'\'', 384, 88},
    // First and last of each row, and the signs after the digits.
    {'a', 0, 0}, {'z', 600, 0}, {'A', 0, 44}, {'Z', 600, 44}, {'0', 0, 88}, {'9', 216, 88},
    {',', 240, 88}, {'.', 264, 88}, {';', 288, 88}, {':', 312, 88}, {'!', 336, 88}, {'?', 360, 88},
    {'_', 432, 88}, {'+', 456, 88}, {'-', 480, 88}, {'/', 528, 88}, {'=', 552, 88}, {'(', 576, 88},
    {')', 600, 88}, {'[', 624, 88}, {']', 648, 88}, {'%', 672, 88}, {'$', 696, 88}, {'&', 720, 88},
    {'#', 744, 88}, {'@', 768, 88},
};

// Lengths of the caption's 34 lines, in order.
constexpr int CAPTION_LENGTHS[] = {1,  1,  12, 2,  10, 12, 11, 15, 14, 10, 10, 10, 9,  17, 9,  7,  14,
                                   17, 16, 16, 11, 13, 14, 15, 2,  16, 17, 11, 15, 9,  16, 2,  1,  1};

struct Caption {
    uint32_t row;
    uint32_t height;
    int32_t step;
    bool operator==(const Caption& o) const { return row == o.row && height == o.height && step == o.step; }
};

std::ostream& operator<<(std::ostream& out, const Caption& c) {
    return out << "{row " << c.row << ", height " << c.height << ", step " << c.step << "}";
}

// One call of `background`, from a clean frame; returns the state it leaves.
Caption call_background(uint32_t raster_top, Caption state) {
    harness::clear_logs();
    background(raster_top, &state.row, &state.height, &state.step);
    return state;
}

std::vector<harness::Call> draws_of(Op op) {
    std::vector<harness::Call> out;
    for (const auto& c : harness::current_frame().draws) {
        if (c.op == op) {
            out.push_back(c);
        }
    }
    return out;
}

// A small sheet whose cells are white in their top half and black (keyed out) below.
SDL_Surface* half_white_sheet() {
    SDL_Surface* sheet = SDL_CreateRGBSurfaceWithFormat(0, 792, 132, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(sheet, nullptr, SDL_MapRGB(sheet->format, 0, 0, 0));
    for (int row = 0; row < 3; ++row) {
        const SDL_Rect top_half = {0, 44 * row, 792, 22};
        SDL_FillRect(sheet, &top_half, SDL_MapRGB(sheet->format, 255, 255, 255));
    }
    SDL_SetColorKey(sheet, SDL_TRUE, SDL_MapRGB(sheet->format, 0, 0, 0));
    return sheet;
}

}  // namespace

TEST(SmallGlyphs, EveryCodeGivesItsCellOrTheBlankOne) {
    for (const GlyphCase& c : SMALL_GLYPH_CASES) {
        int32_t x = -1;
        int32_t y = -1;
        font2(static_cast<unsigned char>(c.code), &x, &y);
        EXPECT_EQ(x, c.x) << "code " << c.code;
        EXPECT_EQ(y, c.y) << "code " << c.code;
    }
    // Upper and lower case share their x, except X and x.
    for (int letter = 0; letter < 26; ++letter) {
        int32_t upper_x = 0, lower_x = 0, y = 0;
        font2(static_cast<unsigned char>('A' + letter), &upper_x, &y);
        font2(static_cast<unsigned char>('a' + letter), &lower_x, &y);
        EXPECT_EQ(upper_x + (letter == 'X' - 'A'), lower_x) << char('A' + letter);
    }
}

TEST_F(DemoTest, BackdropGradientRunsFromItsTopToTheBottomEdge) {
    struct Sample {
        uint32_t raster_top;
        size_t lines;
        uint32_t y;
        int level;
    };
    const Sample samples[] = {
        {720, 0, 0, 0},     {719, 1, 719, 0},   {400, 320, 400, 0}, {400, 320, 500, 79},
        {400, 320, 652, 200}, {400, 320, 719, 253}, {669, 51, 719, 39},
    };
    for (const Sample& s : samples) {
        call_background(s.raster_top, {0, 0, 2});
        const auto lines = draws_of(Op::Line);
        ASSERT_EQ(lines.size(), s.lines) << "raster_top " << s.raster_top;
        for (size_t n = 0; n < lines.size(); ++n) {
            const auto& line = lines[n];
            ASSERT_EQ(line.v[1], int32_t(s.raster_top + n));
            ASSERT_EQ(line.v[3], line.v[1]);
            ASSERT_EQ(line.v[0], 0);
            ASSERT_EQ(line.v[2], 1280);
            ASSERT_EQ(line.draw_colour.a, 0);
            if (uint32_t(line.v[1]) == s.y) {
                EXPECT_EQ(line.draw_colour.r, s.level) << "raster_top " << s.raster_top << " row " << s.y;
                EXPECT_EQ(line.draw_colour.g, s.level);
                EXPECT_EQ(line.draw_colour.b, s.level);
            }
        }
    }
}

TEST_F(DemoTest, BackdropCaptionStepsOpensClosesAndFreezesWhileLow) {
    struct Step {
        uint32_t raster_top;
        Caption before;
        Caption after;
        uint32_t drawn_height;
    };
    const Step steps[] = {
        {720, {5, 40, -2}, {5, 0, -2}, 40},    // gradient off screen: shut, row and step kept
        {670, {5, 0, 2}, {5, 0, 2}, 0},        // still low: frozen at height 0
        {719, {5, 0, 2}, {5, 0, 2}, 0},
        {669, {0, 0, 2}, {0, 2, 2}, 0},        // the first call from the start state
        {400, {3, 130, 2}, {3, 132, -2}, 130}, // fully open: turns back
        {400, {3, 132, -2}, {3, 130, -2}, 132},
        {400, {7, 2, -2}, {8, 0, 2}, 2},       // shut: the next line
        {400, {33, 2, -2}, {0, 0, 2}, 2},      // after the last line, the first
    };
    for (const Step& s : steps) {
        EXPECT_EQ(call_background(s.raster_top, s.before), s.after) << "raster_top " << s.raster_top;
        const auto upright = draws_of(Op::Copy);
        ASSERT_EQ(upright.size(), size_t(CAPTION_LENGTHS[s.before.row]));
        EXPECT_EQ(upright[0].dst.h, int32_t(s.drawn_height));
    }
    for (uint32_t top = 670; top <= 719; ++top) {
        EXPECT_EQ(call_background(top, {12, 0, 2}), (Caption{12, 0, 2})) << "raster_top " << top;
    }

    // The whole table, 132 calls a line, comes back to the start.
    harness::draw_for_real(false);
    harness::keep_draws(false);
    Caption state = {0, 0, 2};
    for (int line = 0; line < 34; ++line) {
        for (int call = 0; call < 132; ++call) {
            ASSERT_EQ(state.row, uint32_t(line)) << "call " << call;
            state = call_background(669, state);
        }
    }
    EXPECT_EQ(state, (Caption{0, 0, 2}));
}

TEST_F(DemoTest, BackdropCaptionRectanglesUprightAndReflected) {
    fonts = half_white_sheet();
    struct Shape {
        uint32_t row;
        uint32_t height;
        int32_t first_x;
        int32_t upright_y, upright_h, reflection_y, reflection_h;
    };
    const Shape shapes[] = {
        {13, 132, 28, 50, 132, 633, 66},  // 17 characters, fully open: x 28 to 1251
        {13, 2, 28, 115, 2, 666, 1},
        {0, 132, 604, 50, 132, 633, 66},  // a single space: x 604 to 675
        {2, 64, 208, 84, 64, 650, 32},
    };
    for (const Shape& s : shapes) {
        call_background(400, {s.row, s.height, 2});
        const auto creates = harness::calls(Op::CreateTexture);
        const auto destroys = harness::calls(Op::DestroyTexture);
        ASSERT_EQ(creates.size(), 1u);
        ASSERT_EQ(destroys.size(), 1u);
        ASSERT_NE(creates[0].handle, nullptr);
        EXPECT_EQ(destroys[0].handle, creates[0].handle);

        // Each glyph: white mod, upright copy, black mod, flipped copy, left to right.
        std::vector<harness::Call> caption;
        for (const auto& c : harness::current_frame().draws) {
            if (c.op == Op::Copy || c.op == Op::CopyEx || c.op == Op::ColorMod) {
                caption.push_back(c);
            }
        }
        const size_t length = size_t(CAPTION_LENGTHS[s.row]);
        ASSERT_EQ(caption.size(), 4 * length);
        for (size_t k = 0; k < length; ++k) {
            const auto& white = caption[4 * k];
            const auto& upright = caption[4 * k + 1];
            const auto& black = caption[4 * k + 2];
            const auto& reflection = caption[4 * k + 3];
            ASSERT_EQ(white.op, Op::ColorMod);
            EXPECT_EQ(white.colour_mod.r + white.colour_mod.g + white.colour_mod.b, 3 * 255);
            ASSERT_EQ(upright.op, Op::Copy);
            EXPECT_EQ(upright.handle, creates[0].handle);
            const int32_t x = s.first_x + 72 * int32_t(k);
            EXPECT_EQ(upright.dst.x, x);
            EXPECT_EQ(upright.dst.y, s.upright_y);
            EXPECT_EQ(upright.dst.w, 72);
            EXPECT_EQ(upright.dst.h, s.upright_h);
            EXPECT_EQ(upright.src.w, 24);
            EXPECT_EQ(upright.src.h, 44);
            ASSERT_EQ(black.op, Op::ColorMod);
            EXPECT_EQ(black.colour_mod.r + black.colour_mod.g + black.colour_mod.b, 0);
            ASSERT_EQ(reflection.op, Op::CopyEx);
            EXPECT_EQ(reflection.colour_mod.r, 0);
            EXPECT_EQ(reflection.dst.x, x);
            EXPECT_EQ(reflection.dst.y, s.reflection_y);
            EXPECT_EQ(reflection.dst.w, 72);
            EXPECT_EQ(reflection.dst.h, s.reflection_h);
            EXPECT_EQ(reflection.src.x, upright.src.x);
            EXPECT_EQ(reflection.src.y, upright.src.y);
            EXPECT_EQ(reflection.flip, SDL_FLIP_VERTICAL);
            EXPECT_EQ(reflection.angle, 0.0);
            EXPECT_EQ(reflection.v[0], 0) << "no centre point";
        }
        EXPECT_EQ(caption.back().dst.x + 71, 1280 - s.first_x - 1);
    }
}

TEST_F(DemoTest, BackdropCaptionReadsEveryLineOfItsTable) {
    for (uint32_t row = 0; row < 34; ++row) {
        call_background(400, {row, 2, 2});
        EXPECT_EQ(draws_of(Op::CopyEx).size(), size_t(CAPTION_LENGTHS[row])) << "line " << row;
    }
    // Line 13 opens with V, off the grid; line 30 is wrapped in double quotes.
    call_background(400, {13, 2, 2});
    EXPECT_EQ(draws_of(Op::Copy)[0].src.x, 502);
    EXPECT_EQ(draws_of(Op::Copy)[0].src.y, 44);
    call_background(400, {30, 2, 2});
    for (const auto& c : {draws_of(Op::Copy).front(), draws_of(Op::Copy).back()}) {
        EXPECT_EQ(c.src.x, 407);
        EXPECT_EQ(c.src.y, 88);
    }
    // Blank lines draw the blank cell.
    call_background(400, {0, 2, 2});
    EXPECT_EQ(draws_of(Op::Copy)[0].src.x, 624);
    EXPECT_EQ(draws_of(Op::Copy)[0].src.y, 44);
}

TEST_F(DemoTest, BackdropPixelsGlyphInItsColoursReflectionBlackOnTheGrey) {
    fonts = half_white_sheet();
    ScreenCapture screen;
    SDL_RenderClear(renderer);
    // "VELTRONAQUIS": 12 glyphs from x 208; the fifth spans 496 to 567.
    uint32_t row = 2;
    uint32_t height = 132;
    int32_t step = -2;
    background(400, &row, &height, &step);
    struct Probe {
        int x, y, grey;
    };
    const Probe probes[] = {
        {530, 60, 255},   // upright, top half of the cell: white
        {530, 170, 0},    // upright, bottom half keyed out: the black clear
        {530, 690, 0},    // reflection of the top half, flipped to the bottom: black
        {530, 640, 190},  // reflection of the keyed half: the gradient shows, (640 - 400) / 1.26
        {100, 640, 190},  // beside the caption
        {100, 500, 79},
        {100, 399, 0},    // above the gradient
    };
    for (const Probe& p : probes) {
        const SDL_Color c = screen.pixel(p.x, p.y);
        EXPECT_EQ(c.r, p.grey) << p.x << "," << p.y;
        EXPECT_EQ(c.g, p.grey) << p.x << "," << p.y;
        EXPECT_EQ(c.b, p.grey) << p.x << "," << p.y;
    }
}

TEST_F(DemoTest, BackdropWithoutItsSheetStillDrawsTheGradientAndSteps) {
    ASSERT_EQ(fonts, nullptr);
    EXPECT_EQ(call_background(400, {4, 10, 2}), (Caption{4, 12, 2}));
    EXPECT_EQ(draws_of(Op::Line).size(), 320u);
    EXPECT_TRUE(harness::calls(Op::DestroyTexture).empty()) << "nothing was made to destroy";
    EXPECT_TRUE(harness::misuse().empty());
}
