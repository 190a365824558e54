// The end credits: 47 rows scrolling up through the screen in the small font.
#include <SDL.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "closing.h"
#include "frame_sampler.h"
#include "harness.h"
#include "runtime.h"

using harness::Op;

namespace {

constexpr size_t CREDITS_FRAMES = 2788;
// Lengths of the 47 rows, in order; 719 glyphs in all.
constexpr int ROW_LENGTHS[] = {14, 1,  2,  1,  10, 1, 40, 25, 1, 3,  1,  11, 11, 30, 35, 1,
                               3,  1,  27, 1,  38, 47, 47, 1, 3, 1,  34, 1,  27, 47, 33, 32,
                               1,  41, 1,  1,  19, 1,  33, 33, 23, 1, 1,  15, 1,  1,  17};
static_assert(std::size(ROW_LENGTHS) == 47);

// The glyph copies of a frame, grouped by the row their destination's y says they belong to.
std::map<int32_t, std::vector<harness::Call>> rows_of(const std::vector<harness::Call>& draws, int32_t scroll) {
    std::map<int32_t, std::vector<harness::Call>> rows;
    for (const auto& c : draws) {
        if (c.op == Op::Copy) {
            EXPECT_EQ((c.dst.y - scroll) % 44, 0);
            rows[(c.dst.y - scroll) / 44].push_back(c);
        }
    }
    return rows;
}

}  // namespace

TEST_F(DemoTest, CreditsScrollEveryRowUpThroughTheScreen) {
    harness::draw_for_real(false);
    FrameSampler sampler({0, 1, CREDITS_FRAMES - 1});
    EXPECT_EQ(harness::run(credits_scene), -1);
    const auto& frames = sampler.frames();
    ASSERT_EQ(frames.size(), CREDITS_FRAMES);
    for (size_t n = 0; n < frames.size(); ++n) {
        ASSERT_EQ(frames[n].copies, 719u) << "frame " << n;
        ASSERT_EQ(frames[n].polls, 1u) << "frame " << n;
    }

    // Row by row, centred on x = 640, each glyph unscaled from its cell.
    const auto rows = rows_of(sampler.draws(0), 720);
    ASSERT_EQ(rows.size(), 47u);
    for (int32_t r = 0; r < 47; ++r) {
        const auto& row = rows.at(r);
        ASSERT_EQ(row.size(), size_t(ROW_LENGTHS[r])) << "row " << r;
        for (size_t i = 0; i < row.size(); ++i) {
            EXPECT_EQ(row[i].dst.x, 640 - 12 * int32_t(row.size()) + 24 * int32_t(i)) << "row " << r;
            EXPECT_EQ(row[i].dst.w, 24);
            EXPECT_EQ(row[i].dst.h, 44);
            EXPECT_EQ(row[i].src.w, 24);
            EXPECT_EQ(row[i].src.h, 44);
        }
        if (row.size() == 1) {  // a blank row: one blank cell in the middle
            EXPECT_EQ(row[0].dst.x, 628);
            EXPECT_EQ(row[0].src.x, 624);
            EXPECT_EQ(row[0].src.y, 44);
        }
    }
    // "by": lower-case b and y at 616 and 640.
    EXPECT_EQ(rows.at(2)[0].dst.x, 616);
    EXPECT_EQ(rows.at(2)[1].dst.x, 640);
    EXPECT_EQ(rows.at(2)[0].src.x, 24);
    EXPECT_EQ(rows.at(2)[1].src.x, 576);
    EXPECT_EQ(rows.at(2)[0].src.y, 0);
    // The widest rows span x 76 to 1203.
    for (int32_t r : {21, 22, 29}) {
        EXPECT_EQ(rows.at(r).front().dst.x, 76);
        EXPECT_EQ(rows.at(r).back().dst.x + 24 - 1, 1203);
    }
    // The first row opens and closes with a double quote.
    EXPECT_EQ(rows.at(0).front().src.x, 407);
    EXPECT_EQ(rows.at(0).back().src.x, 407);

    // First frame: all below the screen; second: the top pixel row of row 0 at y 719.
    for (const auto& c : sampler.draws(0)) {
        if (c.op == Op::Copy) {
            EXPECT_GE(c.dst.y, 720);
        }
    }
    EXPECT_EQ(rows_of(sampler.draws(1), 719).at(0).front().dst.y, 719);
    // Last frame: only the bottom pixel row of row 46 shows, at y 0.
    const auto last = rows_of(sampler.draws(CREDITS_FRAMES - 1), -2067);
    EXPECT_EQ(last.at(46).front().dst.y, -43);
    EXPECT_LE(last.at(45).front().dst.y + 44, 0) << "row 45 is wholly above the screen";
}

TEST_F(DemoTest, CreditsReloadTheSmallFontUnkeyedAndReplaceTheTexture) {
    ScopedDataDir data({});
    SDL_Surface* sheet = SDL_CreateRGBSurfaceWithFormat(0, 792, 132, 24, SDL_PIXELFORMAT_RGB24);
    ASSERT_EQ(SDL_SaveBMP(sheet, "gfx/fonts2.bmp"), 0);
    SDL_FreeSurface(sheet);
    fonts = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ARGB8888);
    image = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ARGB8888);
    texture = SDL_CreateTextureFromSurface(renderer, image);
    const void* old_fonts = fonts;
    const void* old_texture = texture;
    const void* kept_image = image;
    harness::clear_logs();
    harness::queue_event_at_poll(1, harness::key_down(SDLK_ESCAPE));
    harness::on_present([&](const harness::Frame& f) {
        for (const auto& c : f.draws) {
            if (c.op == Op::Copy) {
                ASSERT_EQ(c.handle, texture);
                ASSERT_STREQ(c.name, "gfx/fonts2.bmp");
            }
        }
        EXPECT_EQ(image, kept_image) << "the sphere picture stays until the closing fade";
    });
    EXPECT_EQ(harness::run(credits_scene), 0);
    harness::on_present(nullptr);

    std::vector<Op> set_up;
    for (const auto& c : harness::log()) {
        if (c.op == Op::Poll) {
            break;
        }
        set_up.push_back(c.op);
    }
    EXPECT_EQ(set_up, (std::vector<Op>{Op::FreeSurface, Op::OpenFile, Op::LoadBmp, Op::DestroyTexture,
                                       Op::CreateTexture}));
    EXPECT_EQ(harness::log()[0].handle, old_fonts);
    EXPECT_STREQ(harness::log()[2].name, "gfx/fonts2.bmp");
    EXPECT_EQ(harness::log()[3].handle, old_texture);
    EXPECT_STREQ(harness::log()[4].name, "gfx/fonts2.bmp");
    EXPECT_TRUE(harness::calls(Op::ColorKey).empty()) << "glyph cells are copied whole";
    EXPECT_EQ(harness::frames().size(), 1u);
    EXPECT_TRUE(harness::misuse().empty());
}

TEST_F(DemoTest, CreditsWithoutTheFontKeepTheirLengthOnBlack) {
    harness::draw_for_real(false);
    harness::keep_draws(false);
    ScopedDataDir data({"gfx/fonts2.bmp"});
    const uint32_t start = harness::now_ms();
    EXPECT_EQ(harness::run(credits_scene), -1);
    EXPECT_EQ(fonts, nullptr);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(harness::frames().size(), CREDITS_FRAMES);
    EXPECT_EQ(harness::now_ms() - start, CREDITS_FRAMES * 17);
}
