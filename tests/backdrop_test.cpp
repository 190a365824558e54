// The raster backdrop of the sphere scenes: the grey gradient and the flipping caption.
#include <SDL.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "harness.h"
#include "runtime.h"
#include "spheres.h"

using harness::Op;

namespace {

// Lengths of the caption's 34 lines, in order.
constexpr int CAPTION_LENGTHS[] = {1,  1,  12, 2,  10, 12, 11, 15, 14, 10, 10, 10, 9,  17, 9,  7,  14,
                                   17, 16, 16, 11, 13, 14, 15, 2,  16, 17, 11, 15, 9,  16, 2,  1,  1};

using Caption = std::tuple<uint32_t, uint32_t, int32_t>;  // row, height, step

// One call of `background`, from a clean frame; returns the state it leaves.
Caption call_background(uint32_t raster_top, Caption state) {
    harness::clear_logs();
    auto& [row, height, step] = state;
    background(raster_top, &row, &height, &step);
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

TEST_F(DemoTest, BackdropGradientRunsFromItsTopToTheBottomEdge) {
    struct Sample {
        uint32_t raster_top;
        size_t lines;
        int32_t y;
        int level;
    };
    const Sample samples[] = {{720, 0, 0, 0},      {719, 1, 719, 0},     {400, 320, 400, 0},
                              {400, 320, 500, 79}, {400, 320, 652, 200}, {400, 320, 719, 253}};
    for (const Sample& s : samples) {
        call_background(s.raster_top, {0, 0, 2});
        const auto lines = draws_of(Op::Line);
        ASSERT_EQ(lines.size(), s.lines) << "raster_top " << s.raster_top;
        for (size_t n = 0; n < lines.size(); ++n) {
            const auto& l = lines[n];
            ASSERT_EQ(std::make_tuple(l.v[0], l.v[1], l.v[2], l.v[3], l.draw_colour.a),
                      std::make_tuple(0, int32_t(s.raster_top + n), 1280, int32_t(s.raster_top + n), 0));
            if (l.v[1] == s.y) {
                EXPECT_EQ(std::make_tuple(l.draw_colour.r, l.draw_colour.g, l.draw_colour.b),
                          std::make_tuple(s.level, s.level, s.level)) << "row " << s.y;
            }
        }
    }
}

TEST_F(DemoTest, BackdropCaptionStepsOpensClosesAndFreezesWhileLow) {
    struct Step {
        uint32_t raster_top;
        Caption before, after;
        int32_t drawn_height;
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
        ASSERT_EQ(upright.size(), size_t(CAPTION_LENGTHS[std::get<0>(s.before)]));
        EXPECT_EQ(upright[0].dst.h, s.drawn_height);
    }
    for (uint32_t top = 670; top <= 719; ++top) {
        EXPECT_EQ(call_background(top, {12, 0, 2}), Caption(12, 0, 2)) << "raster_top " << top;
    }
    // Every line in turn, 132 calls each, then back to the start; each line draws all its glyphs.
    harness::draw_for_real(false);
    Caption state = {0, 0, 2};
    for (int call = 0; call < 34 * 132; ++call) {
        ASSERT_EQ(std::get<0>(state), uint32_t(call / 132)) << "call " << call;
        state = call_background(669, state);
        ASSERT_EQ(draws_of(Op::CopyEx).size(), size_t(CAPTION_LENGTHS[call / 132])) << "call " << call;
    }
    EXPECT_EQ(state, Caption(0, 0, 2));
}

TEST_F(DemoTest, BackdropCaptionRectanglesUprightAndReflected) {
    fonts = half_white_sheet();
    struct Shape {
        uint32_t row, height;
        int32_t first_x, upright_y, upright_h, reflection_y, reflection_h;
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
        EXPECT_EQ(destroys[0].handle, creates[0].handle) << "the glyph texture lives within the call";

        // Each glyph: white mod, upright copy, black mod, flipped copy, left to right.
        std::vector<harness::Call> caption;
        for (const auto& c : harness::current_frame().draws) {
            if (c.op == Op::Copy || c.op == Op::CopyEx || c.op == Op::ColorMod) {
                caption.push_back(c);
            }
        }
        const auto length = size_t(CAPTION_LENGTHS[s.row]);
        ASSERT_EQ(caption.size(), 4 * length);
        for (size_t k = 0; k < length; ++k) {
            const harness::Call* g = &caption[4 * k];
            ASSERT_EQ(std::make_tuple(g[0].op, g[1].op, g[2].op, g[3].op),
                      std::make_tuple(Op::ColorMod, Op::Copy, Op::ColorMod, Op::CopyEx));
            EXPECT_EQ(g[1].colour_mod.r + g[1].colour_mod.g + g[1].colour_mod.b, 3 * 255);
            EXPECT_EQ(g[3].colour_mod.r + g[3].colour_mod.g + g[3].colour_mod.b, 0);
            EXPECT_EQ(g[1].handle, creates[0].handle);
            const int32_t x = s.first_x + 72 * int32_t(k);
            EXPECT_EQ(std::make_tuple(g[1].dst.x, g[1].dst.y, g[1].dst.w, g[1].dst.h, g[1].src.w, g[1].src.h),
                      std::make_tuple(x, s.upright_y, 72, s.upright_h, 24, 44));
            EXPECT_EQ(std::make_tuple(g[3].dst.x, g[3].dst.y, g[3].dst.w, g[3].dst.h, g[3].src.x, g[3].src.y),
                      std::make_tuple(x, s.reflection_y, 72, s.reflection_h, g[1].src.x, g[1].src.y));
            EXPECT_EQ(std::make_tuple(g[3].flip, g[3].angle, g[3].v[0]),
                      std::make_tuple(int(SDL_FLIP_VERTICAL), 0.0, 0)) << "flipped, unturned, no centre";
        }
        EXPECT_EQ(caption.back().dst.x + 71, 1280 - s.first_x - 1) << "centred";
    }
    // Line 13 runs from the off-grid V to N; line 30 is wrapped in double quotes; blanks use the blank cell.
    const std::tuple<uint32_t, int32_t, int32_t> ends[] = {{13, 502, 312}, {30, 407, 407}, {0, 624, 624}};
    for (const auto& [row, first_x, last_x] : ends) {
        call_background(400, {row, 2, 2});
        EXPECT_EQ(draws_of(Op::Copy).front().src.x, first_x) << "line " << row;
        EXPECT_EQ(draws_of(Op::Copy).back().src.x, last_x) << "line " << row;
    }
}

TEST_F(DemoTest, BackdropPixelsGlyphInItsColoursReflectionBlackOnTheGrey) {
    fonts = half_white_sheet();
    ScreenCapture screen;
    SDL_RenderClear(renderer);
    // "VELTRONAQUIS", fully open: 12 glyphs from x 208; the fifth spans 496 to 567.
    call_background(400, {2, 132, -2});
    struct Probe {
        int x, y, grey;
    };
    const Probe probes[] = {
        {530, 60, 255},   // upright, top half of the cell: white
        {530, 170, 0},    // upright, bottom half keyed out: the black clear
        {530, 690, 0},    // reflection of the top half, flipped to the bottom: black
        {530, 640, 190},  // reflection of the keyed half: the gradient, (640 - 400) / 1.26
        {100, 500, 79},   // gradient beside the caption
        {100, 399, 0},    // above the gradient
    };
    for (const Probe& p : probes) {
        const SDL_Color c = screen.pixel(p.x, p.y);
        EXPECT_EQ(std::make_tuple(c.r, c.g, c.b), std::make_tuple(p.grey, p.grey, p.grey)) << p.x << "," << p.y;
    }
}

TEST_F(DemoTest, BackdropWithoutItsSheetStillDrawsTheGradientAndSteps) {
    ASSERT_EQ(fonts, nullptr);
    EXPECT_EQ(call_background(400, {4, 10, 2}), Caption(4, 12, 2));
    EXPECT_EQ(draws_of(Op::Line).size(), 320u);
    EXPECT_TRUE(harness::calls(Op::DestroyTexture).empty()) << "nothing was made to destroy";
    EXPECT_TRUE(harness::misuse().empty());
}
