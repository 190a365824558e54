// Frame-cost benchmark: plays the timeline without its waits and reports every scene's frame times.
#include <SDL.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame_clock.h"
#include "frame_stats.h"
#include "runtime.h"
#include "timeline.h"

namespace {

// Bare frames timed before the cycle, as the floor every scene frame stands on.
constexpr int32_t FLOOR_FRAMES = 600;
// Room for the longest scene, so timing a frame never allocates.
constexpr size_t FRAMES_RESERVED = 1 << 15;
constexpr double BUDGET_MS = FRAME_BUDGET_MS;
// What each renderer's frames should keep to, and the memory of the whole run.
constexpr double SOFTWARE_MAX_TARGET_MS = 4.0;
constexpr double OPENGL_P99_TARGET_MS = BUDGET_MS;
constexpr double PEAK_RSS_TARGET_MB = 80.0;
constexpr unsigned GL_RENDERER_NAME = 0x1F01;

struct Options {
    const char* renderer = nullptr;  // "software", "opengl", or whatever the environment picks
    int32_t smoke_frames = 0;        // frames per scene in a smoke run; 0 plays everything
    int32_t cycles = 1;
};

// One row of the report: a step of the run and the times of its frames. Every cycle
// draws the same frames, so over several cycles each frame keeps its fastest time,
// which leaves out the moments another process had the CPU.
struct StepRecord {
    const char* name = "";
    std::vector<double> frame_ms;  // fastest time of each frame so far
    std::vector<double> cycle_ms;  // this cycle's times
    bool uneven = false;           // a cycle drew a different number of frames
    // C++ heap allocations inside its frames, in the cycle with the fewest: the OpenGL
    // driver's shader compiler allocates only the first time round.
    uint64_t allocations = 0;
};

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: veltronaquis_bench [--renderer software|opengl] [--cycles N] [--smoke FRAMES]\n"
                 "  software: SDL's software renderer on the dummy video driver\n"
                 "  opengl:   SDL's OpenGL renderer on the display in DISPLAY, vsync off\n"
                 "  --cycles: play the timeline N times and keep each frame's fastest time\n"
                 "  --smoke:  stop every scene after FRAMES presents\n");
    std::exit(2);
}

Options parse_options(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const bool has_value = i + 1 < argc;
        if (std::strcmp(argv[i], "--renderer") == 0 && has_value) {
            o.renderer = argv[++i];
            if (std::strcmp(o.renderer, "software") != 0 && std::strcmp(o.renderer, "opengl") != 0) {
                usage();
            }
        } else if (std::strcmp(argv[i], "--cycles") == 0 && has_value) {
            o.cycles = std::atoi(argv[++i]);
            if (o.cycles <= 0) {
                usage();
            }
        } else if (std::strcmp(argv[i], "--smoke") == 0 && has_value) {
            o.smoke_frames = std::atoi(argv[++i]);
            if (o.smoke_frames <= 0) {
                usage();
            }
        } else {
            usage();
        }
    }
    return o;
}

// Drivers are picked through SDL's environment, before SDL starts.
void choose_drivers(const Options& o) {
    // Silent, and the same on every machine; the music still decodes on its thread.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (o.renderer != nullptr && std::strcmp(o.renderer, "software") == 0) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_RENDER_DRIVER", "software", 1);
    } else if (o.renderer != nullptr) {
        setenv("SDL_RENDER_DRIVER", o.renderer, 1);
    }
    // The demo asks for vsync; a frame waiting for the display would measure the display.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
}

// The renderer the demo got, so a table can't pass for another renderer's.
bool describe_renderer(const Options& o, const char*& renderer_name) {
    SDL_RendererInfo info = {};
    if (renderer == nullptr || SDL_GetRendererInfo(renderer, &info) != 0) {
        std::fprintf(stderr, "veltronaquis_bench: no renderer: %s\n", SDL_GetError());
        return false;
    }
    // SDL's software renderer keeps the demo's vsync request whatever the hint says.
    if ((info.flags & SDL_RENDERER_PRESENTVSYNC) != 0 && SDL_RenderSetVSync(renderer, 0) == 0) {
        SDL_GetRendererInfo(renderer, &info);
    }
    renderer_name = info.name;
    int w = 0;
    int h = 0;
    SDL_GetRendererOutputSize(renderer, &w, &h);
    std::printf("renderer %s on the %s video driver, output %d x %d, vsync %s\n", info.name,
                SDL_GetCurrentVideoDriver(), w, h,
                (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0 ? "ON" : "off");
    if (std::strcmp(info.name, "opengl") == 0) {
        using GetString = const unsigned char* (*)(unsigned);
        const auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
        const unsigned char* gl_name = get_string != nullptr ? get_string(GL_RENDERER_NAME) : nullptr;
        std::printf("OpenGL renderer: %s\n", gl_name != nullptr ? reinterpret_cast<const char*>(gl_name) : "?");
    }
    if (o.renderer != nullptr && std::strcmp(o.renderer, info.name) != 0) {
        std::fprintf(stderr, "veltronaquis_bench: asked for the %s renderer, SDL gave %s\n",
                     o.renderer, info.name);
        return false;
    }
    return true;
}

// A frame with nothing of a scene in it: time stamp, clear, letterbox, present.
void bare_frames() {
    for (int32_t i = 0; i < FLOOR_FRAMES; ++i) {
        (void)SDL_GetTicks();
        SDL_RenderClear(renderer);
        black_rectangles();
        SDL_RenderPresent(renderer);
    }
}

void play_step(StepRecord& record, void (*play)(), int32_t frame_cap, bool first_cycle) {
    record.cycle_ms.clear();
    record.cycle_ms.reserve(FRAMES_RESERVED);
    bench::begin_step(&record.cycle_ms, frame_cap);
    try {
        play();
    } catch (const bench::StepCut&) {
        // A smoke run's cap: the rest of the scene is skipped. A cut countdown leaves its
        // digit's sample open, which the next load would leak; close what is playing.
        stop_music();
    }
    bench::end_step(record.name);
    record.allocations = first_cycle ? bench::step_allocations()
                                     : std::min(record.allocations, bench::step_allocations());
    if (first_cycle) {
        record.frame_ms = record.cycle_ms;
        return;
    }
    record.uneven = record.uneven || record.cycle_ms.size() != record.frame_ms.size();
    const size_t common = std::min(record.cycle_ms.size(), record.frame_ms.size());
    for (size_t i = 0; i < common; ++i) {
        record.frame_ms[i] = std::min(record.frame_ms[i], record.cycle_ms[i]);
    }
}

double peak_rss_mb() {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// What is resident now, split into the heap and stacks and the mapped libraries.
void print_resident_split() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return;
    }
    char line[256];
    long anon_kb = -1;
    long file_kb = -1;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        std::sscanf(line, "RssAnon: %ld", &anon_kb);
        std::sscanf(line, "RssFile: %ld", &file_kb);
    }
    std::fclose(status);
    if (anon_kb >= 0 && file_kb >= 0) {
        std::printf("resident at the end: %.1f MB heap and stacks, %.1f MB mapped files (libraries)\n",
                    static_cast<double>(anon_kb) / 1024.0, static_cast<double>(file_kb) / 1024.0);
    }
}

// The scenes (not the floor) that miss the renderer's target, listed; none for other renderers.
void print_target(const char* renderer_name, const std::vector<StepRecord>& steps) {
    const bool software = std::strcmp(renderer_name, "software") == 0;
    if (!software && std::strcmp(renderer_name, "opengl") != 0) {
        return;
    }
    const double limit_ms = software ? SOFTWARE_MAX_TARGET_MS : OPENGL_P99_TARGET_MS;
    std::printf("target: every scene's %s under %.0f ms:", software ? "maximum" : "99th percentile",
                limit_ms);
    int missed = 0;
    for (size_t i = 1; i < steps.size(); ++i) {
        const bench::FrameSummary s = bench::summarise(steps[i].frame_ms);
        const double value_ms = software ? s.max_ms : s.p99_ms;
        if (s.frames > 0 && value_ms >= limit_ms) {
            std::printf("%s %s (%.2f ms)", missed == 0 ? " missed by" : ",", steps[i].name, value_ms);
            ++missed;
        }
    }
    std::printf("%s\n", missed == 0 ? " met" : "");
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse_options(argc, argv);
    choose_drivers(options);
    enter_program_directory();
    startup();
    const char* renderer_name = "";
    if (!describe_renderer(options, renderer_name)) {
        return 1;
    }
    if (options.smoke_frames > 0) {
        std::printf("smoke run: at most %d frames per scene\n", options.smoke_frames);
    }
    if (options.cycles > 1) {
        std::printf("frame times: the fastest of %d cycles, frame by frame\n", options.cycles);
    }

    std::vector<StepRecord> steps;
    steps.resize(TIMELINE_STEPS + 1);
    steps[0].name = "bare frame (floor)";
    for (int i = 0; i < TIMELINE_STEPS; ++i) {
        steps[i + 1].name = TIMELINE[i].name;
    }
    const Uint64 run_start = bench::real_counter();
    double first_cycle_rss_mb = 0.0;
    for (int32_t cycle = 0; cycle < options.cycles; ++cycle) {
        play_step(steps[0], bare_frames, options.smoke_frames, cycle == 0);
        for (int i = 0; i < TIMELINE_STEPS; ++i) {
            play_step(steps[i + 1], TIMELINE[i].play, options.smoke_frames, cycle == 0);
        }
        if (cycle == 0) {
            first_cycle_rss_mb = peak_rss_mb();
        }
    }
    const double run_s = static_cast<double>(bench::real_counter() - run_start) /
                         static_cast<double>(SDL_GetPerformanceFrequency());
    const double rss_mb = peak_rss_mb();

    bench::print_table_head(stdout);
    for (const StepRecord& step : steps) {
        bench::print_table_row(stdout, step.name, bench::summarise(step.frame_ms), BUDGET_MS);
    }
    uint64_t allocations = 0;
    for (const StepRecord& step : steps) {
        if (step.uneven) {
            std::printf("note: %s drew a different number of frames in another cycle\n", step.name);
        }
        if (step.allocations > 0) {
            std::printf("note: %s allocated %llu times from the C++ heap inside its frames%s\n", step.name,
                        static_cast<unsigned long long>(step.allocations),
                        options.cycles > 1 ? " (in its cycle with the fewest)" : "");
        }
        allocations += step.allocations;
    }
    print_target(renderer_name, steps);
    if (allocations == 0) {
        std::printf("C++ heap allocations inside frames: none\n");
    }
    if (options.cycles > 1) {
        std::printf("peak resident memory: %.1f MB, %.1f MB after the first cycle (target under %.0f MB)\n",
                    rss_mb, first_cycle_rss_mb, PEAK_RSS_TARGET_MB);
    } else {
        std::printf("peak resident memory: %.1f MB (target under %.0f MB)\n", rss_mb, PEAK_RSS_TARGET_MB);
    }
    print_resident_split();
    std::printf("run: %.2f s, with %llu waits of %.1f s in all skipped\n", run_s,
                static_cast<unsigned long long>(bench::skipped_delays()),
                static_cast<double>(bench::skipped_delay_ms()) / 1000.0);
    std::fflush(stdout);
    end();
}
