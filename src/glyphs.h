// Glyph lookups of the two font sheets.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

// Top-left corner of `character`'s 32 x 64 cell on the large font sheet.
void font(unsigned char character, int32_t* x, int32_t* y);

// Copies the whole large-font cell of `character` from `texture` to `destination`.
void draw_large_glyph(unsigned char character, const SDL_Rect& destination);

// Draws `text` with the large font, glyph i at `place(i)`, in string order: one
// copy per character, the length taken before each glyph.
template <typename Place>
void draw_large_text(const char* text, Place place) {
    for (std::size_t i = 0; i < std::strlen(text); ++i) {
        draw_large_glyph(static_cast<unsigned char>(text[i]), place(static_cast<int32_t>(i)));
    }
}

// The eased slide of text lines: 45 pixels the first frame, one less for every 30 travelled.
constexpr int32_t eased_slide(int32_t p) {
    return p + 45 - p / 30;
}

// The small font sheet's cells, in pixels.
constexpr int32_t SMALL_CELL_W = 24;
constexpr int32_t SMALL_CELL_H = 44;
// Top-left corner of `character`'s 24 x 44 cell on the small font sheet.
void font2(unsigned char character, int32_t* x, int32_t* y);
