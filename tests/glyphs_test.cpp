// The small glyph lookup: every code gives its cell, or the blank one.
#include <SDL.h>

#include <cstdint>
#include <utility>

#include "glyphs.h"
#include "harness.h"

namespace {

struct GlyphCase {
    int code;
    int32_t x, y;
};

constexpr GlyphCase SMALL_GLYPH_CASES[] = {
    // The blank cell: space, and everything the sheet lacks, in and out of the table.
    {' ', 624, 44}, {0, 624, 44}, {31, 624, 44}, {'~', 624, 44}, {'{', 624, 44}, {127, 624, 44},
    {200, 624, 44}, {255, 624, 44}, {'<', 624, 44}, {'>', 624, 44}, {'\\', 624, 44}, {'^', 624, 44},
    {'`', 624, 44},
    // Off the 24-pixel grid, and neighbours on it.
    {'v', 502, 0}, {'V', 502, 44}, {'X', 551, 44}, {'x', 552, 0}, {'"', 407, 88}, {'*', 504, 88},
    {'\'', 384, 88},
    // First and last of each row, and the signs after the digits.
    {'a', 0, 0}, {'z', 600, 0}, {'A', 0, 44}, {'Z', 600, 44}, {'0', 0, 88}, {'9', 216, 88},
    {',', 240, 88}, {'.', 264, 88}, {';', 288, 88}, {':', 312, 88}, {'!', 336, 88}, {'?', 360, 88},
    {'_', 432, 88}, {'+', 456, 88}, {'-', 480, 88}, {'/', 528, 88}, {'=', 552, 88}, {'(', 576, 88},
    {')', 600, 88}, {'[', 624, 88}, {']', 648, 88}, {'%', 672, 88}, {'$', 696, 88}, {'&', 720, 88},
    {'#', 744, 88}, {'@', 768, 88},
};

}  // namespace

TEST(SmallGlyphs, EveryCodeGivesItsCellOrTheBlankOne) {
    for (const GlyphCase& c : SMALL_GLYPH_CASES) {
        int32_t x = -1;
        int32_t y = -1;
        font2(static_cast<unsigned char>(c.code), &x, &y);
        EXPECT_EQ(std::make_pair(x, y), std::make_pair(c.x, c.y)) << "code " << c.code;
    }
}
