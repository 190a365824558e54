// The three line scenes: bar bands, their colours and curtain, the butterflies, and their frames.
#include <SDL.h>

#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "harness.h"
#include "line_effects.h"
#include "runtime.h"

using harness::Frame;
using harness::Op;

// The harness tracks only surfaces the demo's own calls made; fixtures are freed around it.

namespace {

using Scene = void (*)();

// Runs `scene` keeping the draws of the listed frames (1-based) only, and drawing
// for real only those frames when `real`; `sample` runs at each of their presents.
std::map<int, Frame> run_keeping(Scene scene, const std::set<int>& wanted, bool real = false,
                                 const std::function<void(int)>& sample = {}) {
    std::map<int, Frame> kept;
    const auto select = [&](int n) {
        harness::keep_draws(wanted.count(n) != 0);
        harness::draw_for_real(real && wanted.count(n) != 0);
    };
    const size_t before = harness::frames().size();
    select(1);
    harness::on_present([&](const Frame& f) {
        const int n = static_cast<int>(harness::frames().size() - before);
        if (wanted.count(n) != 0) {
            kept[n] = f;
            if (sample) {
                sample(n);
            }
        }
        select(n + 1);
    });
    harness::run(scene);
    harness::on_present(nullptr);
    harness::draw_for_real(true);
    return kept;
}

struct Line {
    int x1, x2, y, r, g, b;
    bool operator==(const Line& o) const {
        return x1 == o.x1 && x2 == o.x2 && y == o.y && r == o.r && g == o.g && b == o.b;
    }
};

std::ostream& operator<<(std::ostream& out, const Line& l) {
    return out << "{" << l.x1 << ".." << l.x2 << " y " << l.y << " (" << l.r << "," << l.g << "," << l.b << ")}";
}

std::vector<Line> lines_of(const Frame& f) {
    std::vector<Line> out;
    for (const auto& c : f.draws) {
        if (c.op == Op::Line) {
            EXPECT_EQ(c.v[1], c.v[3]) << "lines are horizontal";
            out.push_back({c.v[0], c.v[2], c.v[1], c.draw_colour.r, c.draw_colour.g, c.draw_colour.b});
        }
    }
    return out;
}

// The on-screen rows of a frame, each drawn once.
std::map<int, Line> rows_of(const Frame& f) {
    std::map<int, Line> rows;
    for (const Line& l : lines_of(f)) {
        EXPECT_TRUE(rows.emplace(l.y, l).second) << "row " << l.y << " drawn twice";
    }
    return rows;
}

bool lit(const Line& l) { return l.r + l.g + l.b != 0; }

std::vector<SDL_Rect> copies_of(const Frame& f) {
    std::vector<SDL_Rect> out;
    for (const auto& c : f.draws) {
        if (c.op == Op::Copy) {
            EXPECT_TRUE(c.has_src && c.src.x == 0 && c.src.y == 0 && c.src.w == 640 && c.src.h == 360);
            out.push_back(c.dst);
        }
    }
    return out;
}

std::string text(const std::vector<SDL_Rect>& rects) {
    std::string out;
    for (const SDL_Rect& r : rects) {
        out += "{" + std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) + "," +
               std::to_string(r.h) + "}";
    }
    return out;
}

// A white picture with a red block at (200, 100), 240 x 160 when it is large enough.
void save_fixture(const char* path, int w, int h) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_RGB24);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 255, 255, 255));
    const SDL_Rect block = {200, 100, 240, 160};
    SDL_FillRect(s, &block, SDL_MapRGB(s->format, 200, 40, 40));
    SDL_SaveBMP(s, path);
    SDL_FreeSurface(s);
}

struct SceneRun {
    const char* name;
    Scene scene;
    int frames;
    int band_lines;
    uint32_t copies;
    std::map<int, uint32_t> polls;  // frame -> bands begun, hence polls
};

const SceneRun SCENES[] = {
    {"butterfly", butterfly_scene, 630, 100, 1, {{1, 0}, {2, 1}, {205, 9}, {206, 8}, {226, 8}, {227, 9}}},
    {"turning butterfly", turning_butterfly_scene, 725, 200, 1, {{1, 4}, {21, 4}, {22, 5}, {725, 5}}},
    {"five butterflies", five_butterflies_scene, 755, 200, 5, {{1, 0}, {2, 1}, {206, 4}, {226, 4}, {227, 5}}},
};

}  // namespace

TEST_F(DemoTest, LineScenesPlayTheirLengthAndPollOncePerBand) {
    for (const SceneRun& run : SCENES) {
        harness::clear_logs();
        const uint32_t start = harness::now_ms();
        harness::draw_for_real(false);
        harness::keep_draws(false);
        harness::run(run.scene);
        const auto& frames = harness::frames();
        ASSERT_EQ(frames.size(), size_t(run.frames)) << run.name;
        EXPECT_EQ(harness::now_ms() - start, 17u * run.frames) << run.name << ": every frame paced";
        for (const auto& [n, polls] : run.polls) {
            EXPECT_EQ(frames[n - 1].polls, polls) << run.name << " frame " << n;
        }
        for (size_t n = 0; n < frames.size(); ++n) {
            // Every band is drawn whole, and begins with a poll.
            EXPECT_EQ(frames[n].lines, frames[n].polls * run.band_lines) << run.name << " frame " << n + 1;
            EXPECT_EQ(frames[n].clears, 1u);
            EXPECT_EQ(frames[n].copies, run.copies);
        }
    }
}

TEST_F(DemoTest, LineFramesClearFirstAndPollAtEachBand) {
    const struct {
        Scene scene;
        int frame;
        int bands;
        int band_lines;
        int copies;
    } cases[] = {
        {butterfly_scene, 1, 0, 100, 1},
        {butterfly_scene, 227, 9, 100, 1},
        {turning_butterfly_scene, 22, 5, 200, 1},
        {five_butterflies_scene, 1, 0, 200, 5},
    };
    for (const auto& c : cases) {
        harness::clear_logs();
        const Frame f = run_keeping(c.scene, {c.frame})[c.frame];
        std::map<uint64_t, Op> by_seq;
        for (const auto& call : f.draws) {
            by_seq[call.seq] = call.op;
        }
        for (const auto& call : harness::log()) {
            if (call.frame == uint64_t(c.frame - 1) && call.op == Op::Poll) {
                by_seq[call.seq] = call.op;
            }
        }
        std::vector<Op> ops;
        for (const auto& [seq, op] : by_seq) {
            ops.push_back(op);
        }
        std::vector<Op> expected = {Op::DrawColor, Op::Clear};
        for (int b = 0; b < c.bands; ++b) {
            expected.push_back(Op::Poll);
            for (int l = 0; l < c.band_lines; ++l) {
                expected.insert(expected.end(), {Op::DrawColor, Op::Line});
            }
        }
        expected.insert(expected.end(), c.copies, Op::Copy);
        expected.insert(expected.end(), {Op::DrawColor, Op::FillRect, Op::FillRect});
        EXPECT_EQ(ops, expected) << "frame " << c.frame;
        ASSERT_GE(f.draws.size(), 2u);
        const SDL_Color black = f.draws[0].draw_colour;
        EXPECT_EQ(black.r + black.g + black.b + black.a, 0) << "the clear is black";
    }
}

TEST_F(DemoTest, GreyBarsRiseUnderTheButterflyAndTheCurtainCloses) {
    auto frames = run_keeping(butterfly_scene, {1, 2, 205, 450, 451, 630});
    for (auto& [n, f] : frames) {
        EXPECT_EQ(text(copies_of(f)), "{320,180,640,360}") << "frame " << n;
        for (const Line& l : lines_of(f)) {
            EXPECT_TRUE(l.x1 == 0 && l.x2 == 1280 && l.r == l.g && l.g == l.b) << l;
        }
    }
    EXPECT_TRUE(lines_of(frames[1]).empty());

    // Each case: frame, row, its grey (-1: black).
    const struct {
        int frame, y, grey;
    } rows[] = {
        {2, 716, 0}, {2, 717, 5}, {2, 718, 10}, {2, 719, 15},  // the first band peeks in
        {2, 720, 20}, {2, 721, -1}, {2, 815, -1},              // row 720 lit, below it black
        {205, -1, -1}, {205, 0, 20}, {205, 53, 245}, {205, 54, 250},  // rows above the screen black
        {450, 719, 25}, {450, 720, 20}, {450, 721, -1},        // last frame without the curtain
        {451, 716, 20}, {451, 717, -1}, {451, 719, -1},        // the curtain's first frame: c = 4
    };
    for (const auto& r : rows) {
        const auto found = rows_of(frames[r.frame]);
        ASSERT_EQ(found.count(r.y), 1u) << "frame " << r.frame << " row " << r.y;
        EXPECT_EQ(found.at(r.y).r, r.grey < 0 ? 0 : r.grey) << "frame " << r.frame << " row " << r.y;
    }
    // Last frame, c = 720: row 0 alone is lit.
    for (const auto& [y, l] : rows_of(frames[630])) {
        EXPECT_EQ(l.r, y == 0 ? 20 : 0) << "row " << y;
    }
}

TEST_F(DemoTest, ColourBarsGrowShiftTheirBlueAndPullOut) {
    auto frames = run_keeping(turning_butterfly_scene, {1, 2, 25, 80, 160, 320, 682, 721, 725});
    const struct {
        int frame, x1, x2;
        const char* butterfly;
    } ends[] = {
        {1, 1276, 1280, "{324,180,632,360}"}, {80, 960, 1280, "{640,180,0,360}"},
        {160, 640, 1280, "{320,180,640,360}"}, {320, 0, 1280, "{320,180,640,360}"},
        {682, -1448, 1277, "{488,180,304,360}"}, {721, -1604, -64, "{636,180,8,360}"},
        {725, -1620, -340, "{620,180,40,360}"},
    };
    for (const auto& e : ends) {
        const auto lines = lines_of(frames[e.frame]);
        ASSERT_FALSE(lines.empty());
        for (const Line& l : lines) {
            ASSERT_TRUE(l.x1 == e.x1 && l.x2 == e.x2) << "frame " << e.frame << ": " << l;
        }
        EXPECT_EQ(text(copies_of(frames[e.frame])), e.butterfly) << "frame " << e.frame;
    }
    // Line n of the first band: (grey, grey, blue) at k = -4 and k = -96.
    const struct {
        int frame, n;
        Line colour;
    } shifts[] = {
        {1, 100, {0, 0, 0, 0, 0, 0}},         // k = 0: plain grey
        {2, 0, {0, 0, 0, 0, 0, 10}},          // 0 + 10.4
        {2, 100, {0, 0, 0, 0, 0, 246}},       // -10.4 -> -10
        {25, 50, {0, 0, 0, 250, 250, 243}},   // 499.6 -> 499
        {25, 100, {0, 0, 0, 0, 0, 7}},        // -249.6 -> -249
    };
    for (const auto& s : shifts) {
        const Line l = lines_of(frames[s.frame]).at(s.n);
        EXPECT_EQ((Line{0, 0, 0, l.r, l.g, l.b}), s.colour) << "frame " << s.frame << " line " << s.n;
    }
}

TEST_F(DemoTest, BarsSwingUnderFiveTurningButterflies) {
    auto frames = run_keeping(five_butterflies_scene, {1, 80, 111, 112, 223, 224, 575, 576, 755});
    EXPECT_EQ(text(copies_of(frames[1])),
              "{232,20,316,180}{732,20,316,180}{482,270,316,180}{232,520,316,180}{732,520,316,180}");
    EXPECT_EQ(text(copies_of(frames[80])), "{390,20,0,180}{890,20,0,180}{640,270,0,180}{390,520,0,180}{890,520,0,180}");
    EXPECT_EQ(text(copies_of(frames[755])),
              "{320,20,140,180}{820,20,140,180}{570,270,140,180}{320,520,140,180}{820,520,140,180}");
    for (const auto& [n, x] : std::map<int, int>{{111, 544}, {112, 540}, {223, 96}, {224, 100}, {755, 432}}) {
        for (const Line& l : lines_of(frames[n])) {
            ASSERT_TRUE(l.x1 == x && l.x2 == x + 640) << "frame " << n << ": " << l;
        }
    }
    // The curtain starts at frame 576; at the last frame only row 0 is lit.
    auto before = rows_of(frames[575]);
    auto first = rows_of(frames[576]);
    EXPECT_TRUE(lit(before.at(719)) && lit(first.at(716)));
    EXPECT_FALSE(lit(first.at(717)) || lit(first.at(719)));
    for (const auto& [y, l] : rows_of(frames[755])) {
        EXPECT_EQ(l, (y == 0 ? Line{432, 1072, 0, 13, 20, 20} : Line{432, 1072, y, 0, 0, 0}));
    }
}

TEST_F(DemoTest, ButterflyWhiteIsTransparentOverTheBars) {
    ScopedDataDir data({});
    save_fixture("gfx/butterfly.bmp", 640, 360);
    ScreenCapture screen;
    std::vector<SDL_Color> seen;
    const auto sample = [&](const std::vector<SDL_Point>& points) {
        return [&, points](int) {
            for (const SDL_Point& p : points) {
                seen.push_back(screen.pixel(p.x, p.y));
            }
        };
    };
    // Frame 206: k = 0, so row 230 is grey 150; the red block covers 520..759 x 280..439.
    run_keeping(butterfly_scene, {206}, true, sample({{400, 230}, {100, 230}, {640, 330}}));
    // Frame 160 of the next scene: the bars span 640..1280; row 230 is (170, 170, 7) there.
    run_keeping(turning_butterfly_scene, {160}, true, sample({{700, 230}, {400, 230}, {700, 330}}));
    const std::vector<SDL_Color> expected = {{150, 150, 150, 255}, {150, 150, 150, 255}, {200, 40, 40, 255},
                                             {170, 170, 7, 255},   {0, 0, 0, 255},      {200, 40, 40, 255}};
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t p = 0; p < seen.size(); ++p) {
        EXPECT_TRUE(seen[p].r == expected[p].r && seen[p].g == expected[p].g && seen[p].b == expected[p].b)
            << "sample " << p << ": (" << int(seen[p].r) << "," << int(seen[p].g) << "," << int(seen[p].b) << ")";
    }
}

TEST_F(DemoTest, MissingOrBrokenButterflyLeavesTheBarsWhole) {
    std::vector<uint32_t> fixture_lines;
    std::vector<Line> fixture_curtain;
    for (const char* file : {"fixture", "missing", "broken"}) {
        const std::string which = file;
        ScopedDataDir data({"gfx/butterfly.bmp"});
        if (which == "fixture") {
            save_fixture("gfx/butterfly.bmp", 640, 360);
        } else if (which == "broken") {
            std::ofstream("gfx/butterfly.bmp") << "BM not a bitmap";
        }
        // The caption card before leaves its own texture, which must not stand in for the butterfly.
        save_fixture("gfx/atlas.bmp", 8, 8);
        harness::clear_logs();
        SDL_Surface* atlas = SDL_LoadBMP("gfx/atlas.bmp");
        replace_texture(atlas);
        SDL_FreeSurface(atlas);
        const Frame curtain = run_keeping(butterfly_scene, {451})[451];
        run_keeping(turning_butterfly_scene, {});
        run_keeping(five_butterflies_scene, {});
        std::vector<uint32_t> lines;
        for (const Frame& f : harness::frames()) {
            lines.push_back(f.lines);
        }
        ASSERT_EQ(lines.size(), 630u + 725 + 755) << file;
        EXPECT_EQ(harness::misuse(), std::vector<std::string>{}) << file;
        const auto keys = harness::calls(Op::ColorKey);
        const auto textures = harness::calls(Op::CreateTexture);
        ASSERT_EQ(textures.size(), 4u) << file << ": one texture per scene";
        if (which == "fixture") {
            fixture_lines = lines;
            fixture_curtain = lines_of(curtain);
            ASSERT_EQ(keys.size(), 1u);
            EXPECT_TRUE(keys[0].v[0] == 1 && keys[0].v[2] == 255 && keys[0].v[3] == 255 && keys[0].v[4] == 255);
            EXPECT_NE(image, nullptr);
            for (size_t t = 1; t < textures.size(); ++t) {
                EXPECT_STREQ(textures[t].name, "gfx/butterfly.bmp");
            }
        } else {
            EXPECT_TRUE(keys.empty()) << file;
            EXPECT_EQ(image, nullptr) << file;
            EXPECT_EQ(texture, nullptr) << file;
            EXPECT_EQ(curtain.draws.at(curtain.draws.size() - 4).handle, nullptr) << "no stale texture copied";
            EXPECT_EQ(lines, fixture_lines) << file;
            EXPECT_EQ(lines_of(curtain), fixture_curtain) << file;
        }
        EXPECT_EQ(harness::alive_textures(), which == "fixture" ? 1 : 0) << file;
    }
}
