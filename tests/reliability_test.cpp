// Whole cycles with missing, broken or silent data, many cycles in a row, and quitting at any poll.
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "runtime.h"
#include "timeline.h"

using harness::Op;

namespace {

// Every file the demo reads, relative to its directory.
constexpr const char* DATA_FILES[] = {
    "gfx/fonts.bmp",     "gfx/fonts2.bmp",     "gfx/rabbit.bmp", "gfx/butterfly.bmp",
    "gfx/bisounours.jpg", "gfx/veltronaquis.bmp", "gfx/sphere.bmp", "gfx/sphere2.bmp",
    "sfx/3.mp3",         "sfx/2.mp3",          "sfx/1.mp3",      "sfx/0.mp3",
    "sfx/Quorvintabe.mp3",
};
static_assert(std::size(DATA_FILES) == 13);

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// What one pass of the timeline did, on the virtual clock.
struct CycleRun {
    int status = 0;  // -1: the cycle returned
    size_t frames = 0;
    uint32_t duration_ms = 0;
    uint64_t polls = 0;
    std::vector<std::string> misuse;
};

CycleRun play_cycle() {
    const size_t frames_before = harness::frames().size();
    const uint32_t start_ms = harness::now_ms();
    const uint64_t polls_before = harness::poll_count();
    const size_t misuse_before = harness::misuse().size();
    CycleRun r;
    r.status = harness::run(timeline_cycle);
    r.frames = harness::frames().size() - frames_before;
    r.duration_ms = harness::now_ms() - start_ms;
    r.polls = harness::poll_count() - polls_before;
    r.misuse.assign(harness::misuse().begin() + static_cast<long>(misuse_before), harness::misuse().end());
    return r;
}

std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& t : texts) {
        out += t + "; ";
    }
    return out;
}

// The started demo, set up for whole cycles: nothing drawn for real, no draws kept.
class CycleTest : public DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        harness::keep_draws(false);
        harness::draw_for_real(false);
        harness::stand_in_textures(true);
    }
};

// --- Small fixture files, made here so no test depends on the real artwork or music.

// A 64 x 64 24-bit bitmap.
std::string small_bmp() {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 24, SDL_PIXELFORMAT_BGR24);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 200, 40, 90));
    const std::string path = "reliability_fixture.bmp";
    SDL_SaveBMP(s, path.c_str());
    SDL_FreeSurface(s);
    std::string bytes = read_file(path);
    std::remove(path.c_str());
    return bytes;
}

std::string small_jpeg() {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 24, SDL_PIXELFORMAT_RGB24);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 30, 160, 220));
    const std::string path = "reliability_fixture.jpg";
    IMG_SaveJPG(s, path.c_str(), 90);
    SDL_FreeSurface(s);
    std::string bytes = read_file(path);
    std::remove(path.c_str());
    return bytes;
}

// About a second of silent MPEG-1 layer III: 128 kbit/s, 44.1 kHz frames of 417 bytes
// whose side information and main data are all zero.
std::string silent_mp3() {
    constexpr size_t FRAME_BYTES = 417;
    constexpr int FRAMES = 40;
    std::string frame(FRAME_BYTES, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\x00';
    std::string out;
    for (int i = 0; i < FRAMES; ++i) {
        out += frame;
    }
    return out;
}

std::string random_bytes(size_t n) {
    std::mt19937 rng(20240611);
    std::string out(n, '\0');
    for (char& c : out) {
        c = static_cast<char>(rng() & 0xFF);
    }
    out[0] = 'x';  // no format's magic number by chance
    return out;
}

void put_le32(std::string& bytes, size_t at, int32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
    }
}

enum class Loads { No, Yes, EitherWay };

struct BadContent {
    const char* kind;  // the extension it is given to
    const char* what;
    std::string bytes;
    Loads loads;       // what the library's loader makes of it
};

std::vector<BadContent> bad_contents() {
    const std::string bmp = small_bmp();
    std::string huge_bmp = bmp;
    put_le32(huge_bmp, 18, 100000);  // width
    put_le32(huge_bmp, 22, 100000);  // height
    const std::string jpeg = small_jpeg();
    const std::string mp3 = silent_mp3();
    return {
        {".bmp", "truncated in the pixels", bmp.substr(0, bmp.size() / 2), Loads::No},
        {".bmp", "truncated in the header", bmp.substr(0, 20), Loads::No},
        {".bmp", "claiming 100000 x 100000 pixels", huge_bmp, Loads::No},
        {".jpg", "random bytes", random_bytes(4096), Loads::No},
        {".jpg", "truncated", jpeg.substr(0, jpeg.size() / 2), Loads::EitherWay},
        {".mp3", "empty", "", Loads::No},
        {".mp3", "truncated in a frame", mp3.substr(0, mp3.size() - 200), Loads::Yes},
        {".mp3", "random bytes", random_bytes(4096), Loads::No},
    };
}

}  // namespace

TEST_F(CycleTest, EachMissingFileKeepsTheCycleLength) {
    const CycleRun full = play_cycle();
    ASSERT_EQ(full.status, -1);
    ASSERT_TRUE(full.misuse.empty()) << joined(full.misuse);
    for (const char* file : DATA_FILES) {
        CycleRun r;
        {
            ScopedDataDir data({file});
            r = play_cycle();
        }
        EXPECT_EQ(r.status, -1) << "without " << file;
        EXPECT_EQ(r.frames, full.frames) << "without " << file;
        EXPECT_EQ(r.duration_ms, full.duration_ms) << "without " << file;
        EXPECT_EQ(r.polls, full.polls) << "without " << file;
        EXPECT_TRUE(r.misuse.empty()) << "without " << file << ": " << joined(r.misuse);
    }
}

TEST_F(CycleTest, BrokenFilesPlayLikeMissingOnes) {
    const auto contents = bad_contents();
    const CycleRun full = play_cycle();
    ASSERT_EQ(full.status, -1);
    for (const char* file : DATA_FILES) {
        for (const BadContent& bad : contents) {
            if (!ends_with(file, bad.kind)) {
                continue;
            }
            CycleRun r;
            {
                ScopedDataDir data({}, {{file, bad.bytes}});
                r = play_cycle();
            }
            const std::string label = std::string(file) + " " + bad.what;
            EXPECT_EQ(r.status, -1) << label;
            EXPECT_EQ(r.frames, full.frames) << label;
            EXPECT_EQ(r.duration_ms, full.duration_ms) << label;
            EXPECT_TRUE(r.misuse.empty()) << label << ": " << joined(r.misuse);
        }
    }
}

TEST_F(CycleTest, WithoutAnAudioDeviceTheCyclePlaysSilentlyAtFullLength) {
    const CycleRun with_audio = play_cycle();
    ASSERT_EQ(with_audio.status, -1);
    struct Case {
        const char* what;
        const char* driver;
        const char* disk_file;  // where the disk driver would write, or null
    };
    const Case cases[] = {
        {"an audio driver that does not exist", "no-such-audio-driver", nullptr},
        {"a device that cannot be opened", "disk", "/nonexistent-directory/audio.raw"},
    };
    for (const Case& c : cases) {
        // The mixer starts the audio subsystem again when it opens the device.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        setenv("SDL_AUDIODRIVER", c.driver, 1);
        if (c.disk_file != nullptr) {
            setenv("SDL_DISKAUDIOFILE", c.disk_file, 1);
        }
        ASSERT_LT(Mix_OpenAudio(44100, AUDIO_S16MSB, 2, 1024), 0) << c.what << ": a device opened";
        harness::clear_logs();
        const CycleRun silent = play_cycle();
        EXPECT_EQ(silent.status, -1) << c.what;
        EXPECT_EQ(silent.frames, with_audio.frames) << c.what;
        EXPECT_EQ(silent.duration_ms, with_audio.duration_ms) << c.what;
        EXPECT_TRUE(silent.misuse.empty()) << c.what << ": " << joined(silent.misuse);
        for (const auto& open : harness::calls(Op::OpenAudio)) {
            EXPECT_LT(open.v[4], 0) << c.what << ": the device opened after all";
        }
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_DISKAUDIOFILE");
    }
}

TEST_F(CycleTest, ThreeCyclesReleaseEverythingTheyMakeExactlyOnce) {
    struct Alive {
        int surfaces, textures, music;
        bool operator==(const Alive& o) const {
            return surfaces == o.surfaces && textures == o.textures && music == o.music;
        }
    };
    auto alive = [] {
        return Alive{harness::alive_surfaces(), harness::alive_textures(), harness::alive_music()};
    };
    std::vector<Alive> at_start;
    std::vector<CycleRun> runs;
    for (int cycle = 0; cycle < 3; ++cycle) {
        at_start.push_back(alive());
        runs.push_back(play_cycle());
        ASSERT_EQ(runs.back().status, -1) << "cycle " << cycle;
        EXPECT_TRUE(runs.back().misuse.empty()) << "cycle " << cycle << ": " << joined(runs.back().misuse);
    }
    at_start.push_back(alive());
    // The first cycle starts with nothing; from then on each one hands the next the same.
    EXPECT_EQ(at_start[0].surfaces + at_start[0].textures + at_start[0].music, 0);
    for (int cycle = 2; cycle <= 3; ++cycle) {
        EXPECT_TRUE(at_start[cycle] == at_start[1])
            << "cycle " << cycle << " starts with " << at_start[cycle].surfaces << " surfaces, "
            << at_start[cycle].textures << " textures, " << at_start[cycle].music << " music; cycle 1 with "
            << at_start[1].surfaces << ", " << at_start[1].textures << ", " << at_start[1].music;
    }
    // The shared handles hold at most one surface each for fonts and image, one texture, one tune.
    EXPECT_LE(at_start[1].surfaces, 2);
    EXPECT_LE(at_start[1].textures, 1);
    EXPECT_LE(at_start[1].music, 1);
    for (int cycle = 1; cycle < 3; ++cycle) {
        EXPECT_EQ(runs[cycle].frames, runs[0].frames) << "cycle " << cycle;
        EXPECT_EQ(runs[cycle].duration_ms, runs[0].duration_ms) << "cycle " << cycle;
    }

    // Quitting releases the rest: nothing alive, nothing released twice or used after release.
    EXPECT_EQ(harness::run(end), 0);
    EXPECT_GT(harness::made_surfaces(), 0);
    EXPECT_EQ(harness::alive_surfaces(), 0) << "of " << harness::made_surfaces() << " made";
    EXPECT_EQ(harness::alive_textures(), 0) << "of " << harness::made_textures() << " made";
    EXPECT_EQ(harness::alive_music(), 0) << "of " << harness::made_music() << " made";
    EXPECT_TRUE(harness::misuse().empty()) << joined(harness::misuse());
    EXPECT_EQ(fonts, nullptr);
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(music, nullptr);
}

namespace {

void start_for_quit_test() {
    harness::reset();
    harness::keep_draws(false);
    harness::draw_for_real(false);
    harness::stand_in_textures(true);
    ASSERT_EQ(harness::run(startup), -1);
}

// Where a quit is tried: a poll of a scene, counted from the first poll after start-up.
struct QuitPoint {
    std::string scene;
    uint64_t poll;
    bool by_click;
};

// The first, middle and last poll of every scene that polls, the middle one by a click.
std::vector<QuitPoint> quit_points() {
    start_for_quit_test();
    std::vector<QuitPoint> points;
    for (const TimelineStep& step : TIMELINE) {
        const uint64_t first = harness::poll_count();
        EXPECT_EQ(harness::run(step.play), -1) << step.name;
        const uint64_t polls = harness::poll_count() - first;
        if (polls == 0) {
            continue;
        }
        points.push_back({step.name, first, false});
        if (polls > 2) {
            points.push_back({step.name, first + polls / 2, true});
        }
        if (polls > 1) {
            points.push_back({step.name, first + polls - 1, false});
        }
    }
    harness::run(end);
    return points;
}

}  // namespace

TEST_F(DemoTest, QuitAtAnyPollReleasesEverythingAndClosesTheAudio) {
    harness::run(end);
    const auto points = quit_points();
    ASSERT_FALSE(points.empty());
    for (const QuitPoint& p : points) {
        const std::string label = p.scene + ", poll " + std::to_string(p.poll) + (p.by_click ? ", click" : ", Escape");
        start_for_quit_test();
        harness::queue_event_at_poll(p.poll, p.by_click ? harness::mouse_down(SDL_BUTTON_LEFT)
                                                        : harness::key_down(SDLK_ESCAPE));
        EXPECT_EQ(harness::run(timeline_cycle), 0) << label;
        EXPECT_EQ(harness::poll_count(), p.poll + 1) << label << ": ended at another poll";

        // After the quit poll: the audio closed, the renderer and window gone, SDL quit, exit 0.
        const auto& log = harness::log();
        size_t quit_poll = log.size();
        while (quit_poll > 0 && log[quit_poll - 1].op != Op::Poll) {
            --quit_poll;
        }
        std::vector<Op> after;
        for (size_t i = quit_poll; i < log.size(); ++i) {
            if (log[i].op == Op::CloseAudio || log[i].op == Op::DestroyRenderer ||
                log[i].op == Op::DestroyWindow || log[i].op == Op::Quit || log[i].op == Op::Exit) {
                after.push_back(log[i].op);
            }
        }
        EXPECT_EQ(after, (std::vector<Op>{Op::CloseAudio, Op::DestroyRenderer, Op::DestroyWindow, Op::Quit,
                                          Op::Exit}))
            << label;
        int frequency = 0;
        EXPECT_EQ(Mix_QuerySpec(&frequency, nullptr, nullptr), 0) << label << ": the audio device is still open";
        EXPECT_EQ(harness::alive_surfaces(), 0) << label;
        EXPECT_EQ(harness::alive_textures(), 0) << label;
        EXPECT_EQ(harness::alive_music(), 0) << label;
        EXPECT_TRUE(harness::misuse().empty()) << label << ": " << joined(harness::misuse());
    }
}

TEST_F(DemoTest, FixturesLoadWhenWholeAndTheBrokenOnesAsFarAsTheyGo) {
    // The unbroken fixtures load, so the broken ones differ from them only by the damage.
    auto load_bmp = [](const std::string& bytes) {
        return SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
    };
    const std::string whole_bmp = small_bmp();
    const std::string whole_jpeg = small_jpeg();
    SDL_Surface* bmp = load_bmp(whole_bmp);
    ASSERT_NE(bmp, nullptr) << SDL_GetError();
    SDL_FreeSurface(bmp);
    SDL_Surface* jpeg = IMG_Load_RW(SDL_RWFromConstMem(whole_jpeg.data(), static_cast<int>(whole_jpeg.size())), 1);
    ASSERT_NE(jpeg, nullptr) << IMG_GetError();
    SDL_FreeSurface(jpeg);
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16MSB, 2, 1024), 0) << Mix_GetError();
    const std::string mp3 = silent_mp3();
    Mix_Music* tune = Mix_LoadMUS_RW(SDL_RWFromConstMem(mp3.data(), static_cast<int>(mp3.size())), 1);
    ASSERT_NE(tune, nullptr) << Mix_GetError();
    EXPECT_EQ(Mix_GetMusicType(tune), MUS_MP3);
    Mix_FreeMusic(tune);

    for (const BadContent& bad : bad_contents()) {
        const std::string kind = bad.kind;
        SDL_RWops* rw = SDL_RWFromConstMem(bad.bytes.data(), static_cast<int>(bad.bytes.size()));
        bool loaded = false;
        if (kind == ".mp3") {
            // An empty stream cannot even be opened: a file of 0 bytes still goes to the loader.
            Mix_Music* m = rw != nullptr ? Mix_LoadMUS_RW(rw, 1) : nullptr;
            loaded = m != nullptr;
            Mix_FreeMusic(m);
        } else {
            SDL_Surface* s = kind == ".bmp" ? SDL_LoadBMP_RW(rw, 1) : IMG_Load_RW(rw, 1);
            loaded = s != nullptr;
            SDL_FreeSurface(s);
        }
        if (bad.loads != Loads::EitherWay) {
            EXPECT_EQ(loaded, bad.loads == Loads::Yes) << kind << " " << bad.what;
        }
    }
    Mix_CloseAudio();
}
