// Glyph lookups of the two font sheets, and the raster backdrop of the sphere scenes.
#include "glyphs.h"

#include <SDL.h>

#include <array>
#include <cstddef>
#include <cstring>
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
constexpr int SMALL_CELL_W = 24;
constexpr int SMALL_CELL_H = 44;
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

// ---------------------------------------------------------------------------

BackdropState backdrop = {};

namespace {

// The caption's lines, shown one after the other as the caption flips shut.
constexpr std::size_t CAPTION_LINE_BYTES = 18;
constexpr char CAPTION_TABLE[][CAPTION_LINE_BYTES] = {
    " ",
    " ",
    "VELTRONAQUIS",
    "BY",
    "GROMFALDEX",
    "A SMALL DEMO",
    "TO DISCOVER",
    "SDL2 ON MORPHOS",
    "WITH OLDSCHOOL",
    "EFFECTS ;)",
    "CODE: VORN",
    "MUSIC: ULM",
    "GRAPHICS:",
    "VORN - TESKBOWARN",
    "TESTINGS:",
    "FELUNDA",
    "KORVIPAX - ULM",
    "SPECIAL THANKS TO",
    "MORPHOS TEAM FOR",
    "ITS WONDERFUL OS",
    "AND FELUNDA",
    "TRAVEN - OMBE",
    "FOR THEIR SDL2",
    "LIBRARIES PORTS",
    ":)",
    "GREETINGS TO ALL",
    "AMIGA FANS AROUND",
    "THE WORLD !",
    "ET COMME ON DIT",
    "CHEZ MOI:",
    "\"SALU BISAMME !\"",
    ";)",
    " ",
    " ",
};
constexpr uint32_t CAPTION_LINES = 34;
static_assert(std::size(CAPTION_TABLE) == CAPTION_LINES);

constexpr bool no_empty_line() {
    for (const auto& line : CAPTION_TABLE) {
        if (line[0] == '\0') {
            return false;
        }
    }
    return true;
}
static_assert(no_empty_line(), "blank caption lines hold one space");

constexpr uint32_t SCREEN_LAST_ROW = SCREEN_HEIGHT - 1;
// Grey level grows by one every 1.26 rows below the gradient's top.
constexpr double GRADIENT_ROWS_PER_LEVEL = 1.26;
// The caption is hidden and frozen while the gradient starts below this row.
constexpr uint32_t CAPTION_LOWEST_RASTER_TOP = 669;
constexpr uint32_t CAPTION_OPEN_HEIGHT = 132;
constexpr int32_t CAPTION_FLIP_STEP = 2;
// On screen each glyph is three cells wide, centred about these points.
constexpr int32_t CAPTION_GLYPH_W = 3 * SMALL_CELL_W;
constexpr int32_t CAPTION_CENTRE_X = SCREEN_WIDTH / 2;
constexpr int32_t CAPTION_CENTRE_Y = 116;
constexpr int32_t REFLECTION_CENTRE_Y = 666;

}  // namespace

void background(uint32_t raster_top, uint32_t* caption_row, uint32_t* caption_height,
                int32_t* caption_step) {
    // Draw the gradient, black at its top, one grey line per row down to the bottom edge.
    for (uint32_t y = raster_top; y <= SCREEN_LAST_ROW; ++y) {
        const auto level = static_cast<uint32_t>((y - raster_top) / GRADIENT_ROWS_PER_LEVEL);
        const auto grey = static_cast<Uint8>(level);
        SDL_SetRenderDrawColor(renderer, grey, grey, grey, 0);
        SDL_RenderDrawLine(renderer, 0, static_cast<int>(y), SCREEN_WIDTH, static_cast<int>(y));
    }

    SDL_Texture* glyphs = SDL_CreateTextureFromSurface(renderer, fonts);

    // Draw the caption line, each glyph upright in its own colours, then its black reflection.
    const char* line = CAPTION_TABLE[*caption_row];
    const auto length = static_cast<int32_t>(std::strlen(line));
    const uint32_t h = *caption_height;
    for (int32_t k = 0; k < length; ++k) {
        int32_t cx = 0;
        int32_t cy = 0;
        font2(static_cast<unsigned char>(line[k]), &cx, &cy);
        const SDL_Rect source = {cx, cy, SMALL_CELL_W, SMALL_CELL_H};
        const int32_t x = CAPTION_CENTRE_X + CAPTION_GLYPH_W * k - (CAPTION_GLYPH_W * length) / 2;
        const SDL_Rect upright = {x, CAPTION_CENTRE_Y - static_cast<int32_t>(h >> 1), CAPTION_GLYPH_W,
                                  static_cast<int32_t>(h)};
        SDL_SetTextureColorMod(glyphs, 255, 255, 255);
        SDL_RenderCopy(renderer, glyphs, &source, &upright);
        const SDL_Rect reflection = {x, REFLECTION_CENTRE_Y - static_cast<int32_t>(h >> 2), CAPTION_GLYPH_W,
                                     static_cast<int32_t>(h >> 1)};
        SDL_SetTextureColorMod(glyphs, 0, 0, 0);
        SDL_RenderCopyEx(renderer, glyphs, &source, &reflection, 0.0, nullptr, SDL_FLIP_VERTICAL);
    }

    // Flip the caption on, or keep it shut while the gradient is low.
    if (raster_top > CAPTION_LOWEST_RASTER_TOP) {
        *caption_height = 0;
    } else {
        *caption_height += *caption_step;
        if (*caption_height == 0) {
            *caption_step = CAPTION_FLIP_STEP;
            *caption_row += 1;
            if (*caption_row == CAPTION_LINES) {
                *caption_row = 0;
            }
        }
        if (*caption_height == CAPTION_OPEN_HEIGHT) {
            *caption_step = -CAPTION_FLIP_STEP;
        }
    }

    if (glyphs != nullptr) {
        SDL_DestroyTexture(glyphs);
    }
}
