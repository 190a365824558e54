// The committed pictures against the layouts the scenes copy from them.
#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
constexpr Rgb BLACK = {0, 0, 0};
constexpr Rgb WHITE = {255, 255, 255};

// A picture read the way the demo reads it, its pixels as plain colours.
class Picture {
public:
    explicit Picture(const std::string& path) {
        const bool jpeg = path.size() > 4 && path.compare(path.size() - 4, 4, ".jpg") == 0;
        SDL_Surface* loaded = jpeg ? IMG_Load(path.c_str()) : SDL_LoadBMP(path.c_str());
        if (loaded == nullptr) {
            return;
        }
        SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
        w = rgb->w;
        h = rgb->h;
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch);
            pixels_.insert(pixels_.end(), row, row + w);
        }
        SDL_FreeSurface(rgb);
        SDL_FreeSurface(loaded);
    }
    bool loaded() const { return w > 0; }
    Rgb at(int x, int y) const {
        const uint32_t p = pixels_[size_t(y) * w + x];
        return {int(p >> 16 & 255), int(p >> 8 & 255), int(p & 255)};
    }
    // Pixels of the rectangle that are not `key`.
    int drawn(const SDL_Rect& r, Rgb key) const {
        int n = 0;
        for (int y = r.y; y < r.y + r.h; ++y) {
            for (int x = r.x; x < r.x + r.w; ++x) {
                n += !(at(x, y) == key);
            }
        }
        return n;
    }
    // Pixels on the outermost ring of the rectangle that are not `key`.
    int drawn_on_border(const SDL_Rect& r, Rgb key) const {
        return drawn(r, key) - drawn({r.x + 1, r.y + 1, r.w - 2, r.h - 2}, key);
    }
    int w = 0, h = 0;

private:
    std::vector<uint32_t> pixels_;
};

// Colour-keyed sprites must be hard-edged: a drawn pixel next to a key pixel that is close
// to the key is a half-covered edge pixel, which shows as a fringe over the backdrop.
int soft_edge_pixels(const Picture& p, const SDL_Rect& r, Rgb key) {
    int n = 0;
    for (int y = r.y; y < r.y + r.h; ++y) {
        for (int x = r.x; x < r.x + r.w; ++x) {
            const Rgb c = p.at(x, y);
            if (c == key) {
                continue;
            }
            bool on_edge = false;
            for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                const int nx = x + dx, ny = y + dy;
                on_edge |= nx >= r.x && ny >= r.y && nx < r.x + r.w && ny < r.y + r.h && p.at(nx, ny) == key;
            }
            const int distance = std::max({std::abs(c.r - key.r), std::abs(c.g - key.g), std::abs(c.b - key.b)});
            n += on_edge && distance < 40;
        }
    }
    return n;
}

// Large sheet: 32 x 64 cells, ten to a row, in this order.
constexpr char BIG_ORDER[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,:!?+-*/()";

SDL_Rect big_cell(char c) {
    const int i = int(std::strchr(BIG_ORDER, c) - BIG_ORDER);
    return {32 * (i % 10), 64 * (i / 10), 32, 64};
}

// Small sheet: 24 x 44 cells on three rows, a few cells off the 24-pixel grid.
struct SmallRow {
    int y;
    const char* characters;
};
constexpr SmallRow SMALL_ROWS[] = {
    {0, "abcdefghijklmnopqrstuvwxyz"},
    {44, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
    {88, "0123456789,.;:!?'\"_+-*/=()[]%$&#@"},
};

SDL_Rect small_cell(char c) {
    for (const SmallRow& row : SMALL_ROWS) {
        if (const char* at = std::strchr(row.characters, c); at != nullptr && c != '\0') {
            int x = 24 * int(at - row.characters);
            if (c == 'v' || c == 'V') x = 502;
            if (c == 'X') x = 551;
            if (c == '"') x = 407;
            return {x, row.y, 24, 44};
        }
    }
    return {624, 44, 24, 44};  // the blank cell
}

// Every text the demo draws with each sheet.
const std::vector<std::string> BIG_TEXTS = {
    "3210", " SOMEWHERE IN 2022 ", "GROMFALDEX ARE BACK", "    WITH A SMALL    ", "MORPHOS DEMO IN SDL2",
    "VELTRONAQUIS", "  NOT ENOUGH ? OK... ", "   EVEN MORE ? OK !  ", " MAKE LOVE NOT WAR !",
    "LAST BUT NOT LEAST...",
};
const std::vector<std::string> SMALL_TEXTS = {
    // The backdrop caption.
    "VELTRONAQUIS", "BY", "GROMFALDEX", "A SMALL DEMO", "TO DISCOVER", "SDL2 ON MORPHOS", "WITH OLDSCHOOL",
    "EFFECTS ;)", "CODE: VORN", "MUSIC: ULM", "GRAPHICS:", "VORN - TESKBOWARN", "TESTINGS:", "FELUNDA",
    "KORVIPAX - ULM", "SPECIAL THANKS TO", "MORPHOS TEAM FOR", "ITS WONDERFUL OS", "AND FELUNDA", "TRAVEN - OMBE",
    "FOR THEIR SDL2", "LIBRARIES PORTS", ":)", "GREETINGS TO ALL", "AMIGA FANS AROUND", "THE WORLD !",
    "ET COMME ON DIT", "CHEZ MOI:", "\"SALU BISAMME !\"", ";)",
    // The credits.
    "\"VELTRONAQUIS\"", "by", "GrOmFaLd3X", "A small demo to discover SDL2 on MorphOS", "with oldschool effects ;)",
    "***", "Code : Vorn", "Music : Ulm", "Graphics : Vorn - Tesk Bo Warn", "Testings : FeLunda - KorviPax - Ulm",
    "Historical GrOmFaLd3X are :", "KorviPax - pernock - DrubelFoss - Vorn",
    "Tesk Bo Warn - SkaMor - Nimbrot - vEEk - Lasrem", "Ulm - TulaQev - Quandrix - Wabe - Firmel Ostrav",
    "Friendly greetings to members of :", "Ystrel - Obrunda - Kelvorra",
    "ZeNDoR PlaxiTh - Vostrellimander - Krevo Talumb", "Plomvi X - 7Q - ZORT - Trevaslund",
    "Skell Marvonix - Vrek OZH - UDDW", "And to all Amiga fans around the world ;)", "Special thanks to :",
    "MorphOS Team for its wonderful OS", "and FeLunda/TRaven/Ombe for their", "SDL2 Libraries ports :)",
    "See you soon...", "2o22 - GrOmFaLd3X",
};

// A glyph worth the name: at least this many lit pixels in its cell.
constexpr int MIN_GLYPH_PIXELS = 12;

}  // namespace

TEST(DataFiles, EveryPictureLoadsWithTheSizeItsSceneCopiesFrom) {
    struct Case {
        const char* path;
        int min_w, min_h;
    };
    const Case cases[] = {
        {"gfx/fonts.bmp", 320, 320},   {"gfx/fonts2.bmp", 792, 132},        {"gfx/rabbit.bmp", 650, 690},
        {"gfx/butterfly.bmp", 640, 360}, {"gfx/bisounours.jpg", 1280, 720}, {"gfx/veltronaquis.bmp", 190, 721},
        {"gfx/sphere.bmp", 80, 80},    {"gfx/sphere2.bmp", 60, 60},
    };
    for (const Case& c : cases) {
        const Picture p(c.path);
        ASSERT_TRUE(p.loaded()) << c.path;
        EXPECT_GE(p.w, c.min_w) << c.path;
        EXPECT_GE(p.h, c.min_h) << c.path;
    }
}

TEST(DataFiles, LargeFontDrawsEveryCharacterOfTheOpeningAndCaptionTexts) {
    const Picture p("gfx/fonts.bmp");
    ASSERT_TRUE(p.loaded());
    // Copied without a key: the space cell must be as black as the cleared screen.
    EXPECT_EQ(p.drawn(big_cell(' '), BLACK), 0);
    for (const std::string& text : BIG_TEXTS) {
        for (const char c : text) {
            if (c == ' ') continue;
            ASSERT_NE(std::strchr(BIG_ORDER, c), nullptr) << "'" << c << "' of \"" << text << "\" has no cell";
            EXPECT_GE(p.drawn(big_cell(c), BLACK), MIN_GLYPH_PIXELS) << "'" << c << "' of \"" << text << "\"";
        }
    }
}

TEST(DataFiles, SmallFontDrawsEveryCharacterOfTheCaptionAndCreditsOnPureBlack) {
    const Picture p("gfx/fonts2.bmp");
    ASSERT_TRUE(p.loaded());
    EXPECT_EQ(p.drawn({624, 44, 24, 44}, BLACK), 0) << "the blank cell";
    for (const std::string& text : SMALL_TEXTS) {
        for (const char c : text) {
            if (c == ' ') continue;
            const SDL_Rect cell = small_cell(c);
            ASSERT_FALSE(cell.x == 624 && cell.y == 44) << "'" << c << "' of \"" << text << "\" has no cell";
            EXPECT_GE(p.drawn(cell, BLACK), MIN_GLYPH_PIXELS) << "'" << c << "' of \"" << text << "\"";
        }
    }
    // Cells overlap where they are off the grid (u at 480 and v at 502, W at 528 and X at
    // 551): each glyph keeps two black columns on either side, so no copy shows a neighbour.
    for (const SmallRow& row : SMALL_ROWS) {
        for (const char* c = row.characters; *c; ++c) {
            const SDL_Rect cell = small_cell(*c);
            EXPECT_EQ(p.drawn({cell.x, cell.y, 2, 44}, BLACK) + p.drawn({cell.x + 22, cell.y, 2, 44}, BLACK), 0)
                << "'" << *c << "'";
        }
    }
    // Light glyphs with hard edges: black is the key over the gradient, and the reflection
    // is the glyph's silhouette.
    EXPECT_EQ(soft_edge_pixels(p, {0, 0, 792, 132}, BLACK), 0);
}

TEST(DataFiles, RabbitCellsHoldThreePosesOnBlack) {
    const Picture p("gfx/rabbit.bmp");
    ASSERT_TRUE(p.loaded());
    const SDL_Rect walking = {30, 20, 300, 320}, standing = {350, 20, 300, 320}, blinking = {350, 370, 300, 320};
    for (const SDL_Rect& cell : {walking, standing, blinking}) {
        // Copied whole over black: the sprite must not be cut at the cell's edge.
        EXPECT_EQ(p.drawn_on_border(cell, BLACK), 0) << cell.x << "," << cell.y;
        EXPECT_GT(p.drawn(cell, BLACK), 300 * 320 / 6) << cell.x << "," << cell.y;
    }
    // The blink changes the eyes and nothing else; the walk is another pose altogether.
    auto differing = [&](const SDL_Rect& a, const SDL_Rect& b) {
        int n = 0;
        for (int y = 0; y < a.h; ++y) {
            for (int x = 0; x < a.w; ++x) {
                n += !(p.at(a.x + x, a.y + y) == p.at(b.x + x, b.y + y));
            }
        }
        return n;
    };
    const int blink = differing(standing, blinking);
    EXPECT_GT(blink, 100);
    EXPECT_LT(blink, 300 * 320 / 30);
    EXPECT_GT(differing(standing, walking), 300 * 320 / 6);
}

TEST(DataFiles, ButterflyIsSymmetricAboutItsMiddleOnPureWhite) {
    const Picture p("gfx/butterfly.bmp");
    ASSERT_TRUE(p.loaded());
    const SDL_Rect area = {0, 0, 640, 360};
    EXPECT_EQ(p.drawn_on_border(area, WHITE), 0);
    const int drawn = p.drawn(area, WHITE);
    EXPECT_GT(drawn, 640 * 360 / 3);
    EXPECT_LT(drawn, 640 * 360 * 9 / 10);
    EXPECT_FALSE(p.at(320, 180) == WHITE) << "the body on the axis";
    // The scenes squeeze it about x = 320: column x must mirror column 639 - x.
    int asymmetric = 0;
    for (int y = 0; y < 360; ++y) {
        for (int x = 0; x < 320; ++x) {
            asymmetric += !(p.at(x, y) == p.at(639 - x, y));
        }
    }
    EXPECT_EQ(asymmetric, 0);
    EXPECT_EQ(soft_edge_pixels(p, area, WHITE), 0);
}

TEST(DataFiles, KeyedSpritesAreHardEdgedInsideABlackBorder) {
    struct Case {
        const char* path;
        SDL_Rect sprite;
    };
    const Case cases[] = {
        {"gfx/sphere.bmp", {0, 0, 80, 80}},           {"gfx/sphere2.bmp", {0, 0, 60, 60}},
        {"gfx/veltronaquis.bmp", {30, 0, 160, 160}},  {"gfx/veltronaquis.bmp", {30, 160, 160, 160}},
        {"gfx/veltronaquis.bmp", {30, 320, 160, 160}}, {"gfx/veltronaquis.bmp", {30, 480, 160, 160}},
    };
    for (const Case& c : cases) {
        const Picture p(c.path);
        ASSERT_TRUE(p.loaded()) << c.path;
        const SDL_Rect& r = c.sprite;
        EXPECT_EQ(p.drawn_on_border(r, BLACK), 0) << c.path << " at " << r.x << "," << r.y;
        EXPECT_GT(p.drawn(r, BLACK), r.w * r.h / 5) << c.path << " at " << r.x << "," << r.y;
        EXPECT_EQ(soft_edge_pixels(p, r, BLACK), 0) << c.path << " at " << r.x << "," << r.y;
    }
}

TEST(DataFiles, BeamSheetFramesFaceRightAsTheMirrorOfLeftAndTheStripHasNoHoles) {
    const Picture p("gfx/veltronaquis.bmp");
    ASSERT_TRUE(p.loaded());
    for (const int beat : {0, 160}) {
        int unmirrored = 0;
        for (int y = 0; y < 160; ++y) {
            for (int x = 0; x < 160; ++x) {
                unmirrored += !(p.at(30 + x, beat + y) == p.at(30 + 159 - x, 320 + beat + y));
            }
        }
        EXPECT_EQ(unmirrored, 0) << "frame at " << beat;
    }
    // The two beats are different pictures, or the formation would not flap.
    int same = 0;
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 160; ++x) {
            same += p.at(30 + x, y) == p.at(30 + x, 160 + y);
        }
    }
    EXPECT_LT(same, 160 * 160 * 9 / 10);
    // Black is the key: a black pixel in the strip would be a hole in every beam row it fills.
    EXPECT_EQ(p.drawn({0, 0, 30, 721}, BLACK), 30 * 721);
}

TEST(DataFiles, StillPictureIsColourful) {
    const Picture p("gfx/bisounours.jpg");
    ASSERT_TRUE(p.loaded());
    EXPECT_EQ(p.w, 1280);
    EXPECT_EQ(p.h, 720);
    // Mostly strong colours, spread over at least five of six hue sectors.
    int saturated = 0;
    int sectors[6] = {};
    for (int y = 0; y < p.h; y += 4) {
        for (int x = 0; x < p.w; x += 4) {
            const Rgb c = p.at(x, y);
            const int hi = std::max({c.r, c.g, c.b}), lo = std::min({c.r, c.g, c.b});
            if (hi - lo < 80) continue;
            ++saturated;
            const double d = hi - lo;
            double hue = hi == c.r ? (c.g - c.b) / d : hi == c.g ? 2 + (c.b - c.r) / d : 4 + (c.r - c.g) / d;
            hue = hue < 0 ? hue + 6 : hue;
            ++sectors[int(hue) % 6];
        }
    }
    const int samples = (p.w / 4) * (p.h / 4);
    EXPECT_GT(saturated, samples / 2);
    EXPECT_GE(std::count_if(std::begin(sectors), std::end(sectors), [&](int n) { return n > samples / 100; }), 5);
}
