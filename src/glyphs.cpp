// Glyph lookups of the two font sheets, and the raster backdrop of the sphere scenes.
#include "glyphs.h"

#include <SDL.h>

#include <array>
#include <cstddef>

#include "runtime.h"

namespace {

// Large sheet: 10 columns of 32 x 64 cells, in this order from the top left.
constexpr char LARGE_SHEET_ORDER[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,:!?+-*/()";
constexpr int LARGE_CELL_W = 32;
constexpr int LARGE_CELL_H = 64;
constexpr int LARGE_SHEET_COLUMNS = 10;
// The lookup answers characters 32 to 99; everything else is the space cell.
constexpr unsigned char LARGE_FIRST_CHAR = 32;
constexpr std::size_t LARGE_TABLE_SIZE = 68;

struct Cell {
    int32_t x;
    int32_t y;
};

constexpr std::array<Cell, LARGE_TABLE_SIZE> make_large_table() {
    std::array<Cell, LARGE_TABLE_SIZE> table{};
    for (std::size_t n = 0; n + 1 < sizeof LARGE_SHEET_ORDER; ++n) {
        const auto index = static_cast<unsigned char>(LARGE_SHEET_ORDER[n]) - LARGE_FIRST_CHAR;
        table[index] = {static_cast<int32_t>(n % LARGE_SHEET_COLUMNS) * LARGE_CELL_W,
                        static_cast<int32_t>(n / LARGE_SHEET_COLUMNS) * LARGE_CELL_H};
    }
    return table;
}

constexpr std::array<Cell, LARGE_TABLE_SIZE> LARGE_TABLE = make_large_table();
static_assert(LARGE_TABLE['A' - LARGE_FIRST_CHAR].x == 32 && LARGE_TABLE[')' - LARGE_FIRST_CHAR].y == 256);

}  // namespace

void font(unsigned char character, int32_t* x, int32_t* y) {
    const unsigned index = static_cast<unsigned>(character) - LARGE_FIRST_CHAR;
    const Cell cell = index < LARGE_TABLE_SIZE ? LARGE_TABLE[index] : Cell{0, 0};
    *x = cell.x;
    *y = cell.y;
}

void draw_large_glyph(unsigned char character, const SDL_Rect& destination) {
    int32_t gx = 0;
    int32_t gy = 0;
    font(character, &gx, &gy);
    const SDL_Rect source = {gx, gy, LARGE_CELL_W, LARGE_CELL_H};
    SDL_RenderCopy(renderer, texture, &source, &destination);
}

void font2(unsigned char character, int32_t* x, int32_t* y) {
    (void)character;
    *x = 0;
    *y = 0;
}

void background(uint32_t raster_top, uint32_t* caption_row, uint32_t* caption_height,
                int32_t* caption_step) {
    (void)raster_top;
    (void)caption_row;
    (void)caption_height;
    (void)caption_step;
}
