// Glyph lookups of the two font sheets.
#include "glyphs.h"

#include <SDL.h>

#include <array>
#include <cstddef>
#include <iterator>

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

namespace {

// Small sheet: 24 x 44 cells in three rows, each row in this order from the left.
constexpr char SMALL_LOWER_ORDER[] = "abcdefghijklmnopqrstuvwxyz";
constexpr char SMALL_UPPER_ORDER[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ ";
constexpr char SMALL_SIGN_ORDER[] = "0123456789,.;:!?'\"_+-*/=()[]%$&#@";
constexpr const char* SMALL_SHEET_ROWS[] = {SMALL_LOWER_ORDER, SMALL_UPPER_ORDER, SMALL_SIGN_ORDER};

// Cells drawn a pixel or two off the grid on the sheet; their x is used as it is.
struct OffGridCell {
    char character;
    int32_t x;
};
constexpr OffGridCell SMALL_OFF_GRID[] = {
    {'v', 502},   // not 504
    {'V', 502},   // not 504
    {'X', 551},   // not 552
    {'"', 407},   // not 408
};
static_assert(std::size(SMALL_OFF_GRID) == 4);

// The blank cell: the space, and every character the sheet has no glyph for.
constexpr Cell SMALL_BLANK = {26 * SMALL_CELL_W, SMALL_CELL_H};
// The lookup answers characters 32 ('space') to 122 ('z').
constexpr unsigned char SMALL_FIRST_CHAR = 32;
constexpr unsigned char SMALL_LAST_CHAR = 'z';
constexpr std::size_t SMALL_TABLE_SIZE = SMALL_LAST_CHAR - SMALL_FIRST_CHAR + 1;
static_assert(SMALL_TABLE_SIZE == 91);

constexpr std::array<Cell, SMALL_TABLE_SIZE> make_small_table() {
    std::array<Cell, SMALL_TABLE_SIZE> table{};
    for (Cell& cell : table) {
        cell = SMALL_BLANK;
    }
    for (std::size_t row = 0; row < std::size(SMALL_SHEET_ROWS); ++row) {
        const char* order = SMALL_SHEET_ROWS[row];
        for (std::size_t n = 0; order[n] != '\0'; ++n) {
            const auto index = static_cast<unsigned char>(order[n]) - SMALL_FIRST_CHAR;
            table[index] = {static_cast<int32_t>(n) * SMALL_CELL_W, static_cast<int32_t>(row) * SMALL_CELL_H};
        }
    }
    for (const OffGridCell& off : SMALL_OFF_GRID) {
        table[static_cast<unsigned char>(off.character) - SMALL_FIRST_CHAR].x = off.x;
    }
    return table;
}

constexpr std::array<Cell, SMALL_TABLE_SIZE> SMALL_TABLE = make_small_table();
static_assert(SMALL_TABLE['@' - SMALL_FIRST_CHAR].x == 768 && SMALL_TABLE['@' - SMALL_FIRST_CHAR].y == 88);
static_assert(SMALL_TABLE['<' - SMALL_FIRST_CHAR].x == SMALL_BLANK.x);

}  // namespace

void font2(unsigned char character, int32_t* x, int32_t* y) {
    const unsigned index = static_cast<unsigned>(character) - SMALL_FIRST_CHAR;
    const Cell cell = index < SMALL_TABLE_SIZE ? SMALL_TABLE[index] : SMALL_BLANK;
    *x = cell.x;
    *y = cell.y;
}
