// The demo's runtime: start-up, shared handles, quit poll, shutdown and frame pacing.
#include "runtime.h"

#include <cstdlib>
#include <string>

#include <unistd.h>

SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Surface* fonts = nullptr;
SDL_Surface* image = nullptr;
SDL_Texture* texture = nullptr;
Mix_Music* music = nullptr;
SDL_Event event;

namespace {

constexpr Uint32 SDL_SUBSYSTEMS = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO;
constexpr Uint32 STARTUP_WAIT_MS = 3000;
// Accelerated, tied to the display refresh.
constexpr Uint32 RENDERER_FLAGS = SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC;

constexpr int AUDIO_FREQUENCY_HZ = 44100;
constexpr Uint16 AUDIO_SAMPLE_FORMAT = AUDIO_S16MSB;
constexpr int AUDIO_CHANNELS = 2;
constexpr int AUDIO_CHUNK_FRAMES = 1024;

// The letterbox: right of the 1280 x 720 area, and below it including the corner.
constexpr SDL_Rect RIGHT_BAND = {SCREEN_WIDTH, 0, 4000, SCREEN_HEIGHT};
constexpr SDL_Rect BOTTOM_BAND = {0, SCREEN_HEIGHT, 5280, 4000};

// The current directory the demo was started in, put back at exit.
std::string starting_directory;

void restore_starting_directory() {
    if (!starting_directory.empty() && chdir(starting_directory.c_str()) != 0) {
        starting_directory.clear();
    }
}

}  // namespace

void enter_program_directory() {
    char* base = SDL_GetBasePath();
    if (base == nullptr) {
        return;
    }
    char* here = getcwd(nullptr, 0);
    if (here != nullptr && chdir(base) == 0) {
        starting_directory = here;
        std::atexit(restore_starting_directory);
    }
    std::free(here);
    SDL_free(base);
}

void quit_event() {
    if (SDL_PollEvent(&event) == 0) {
        return;
    }
    if (event.type == SDL_KEYDOWN) {
        if (event.key.keysym.sym == SDLK_ESCAPE) {
            end();
        }
        return;
    }
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        end();
    }
}

void end() {
    if (music != nullptr) {
        Mix_FreeMusic(music);
        music = nullptr;
    }
    Mix_CloseAudio();
    if (texture != nullptr) {
        SDL_DestroyTexture(texture);
        texture = nullptr;
    }
    if (image != nullptr) {
        SDL_FreeSurface(image);
        image = nullptr;
    }
    if (fonts != nullptr) {
        SDL_FreeSurface(fonts);
        fonts = nullptr;
    }
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    SDL_Quit();
    std::exit(0);
}

void black_rectangles() {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0);
    SDL_RenderFillRect(renderer, &RIGHT_BAND);
    SDL_RenderFillRect(renderer, &BOTTOM_BAND);
}

void pace_frame(uint32_t t0) {
    const uint32_t elapsed_ms = SDL_GetTicks() - t0;
    if (elapsed_ms <= PACE_THRESHOLD_MS) {
        SDL_Delay(FRAME_BUDGET_MS - elapsed_ms);
    }
}

uint32_t begin_frame() {
    const uint32_t t0 = SDL_GetTicks();
    quit_event();
    SDL_RenderClear(renderer);
    return t0;
}

void show_frame() {
    black_rectangles();
    SDL_RenderPresent(renderer);
}

void end_frame(uint32_t t0) {
    show_frame();
    pace_frame(t0);
}

void replace_surface(SDL_Surface*& handle, const char* bmp_path) {
    if (handle != nullptr) {
        SDL_FreeSurface(handle);
    }
    handle = SDL_LoadBMP_RW(SDL_RWFromFile(bmp_path, "rb"), 1);
}

void replace_texture(SDL_Surface* source) {
    if (texture != nullptr) {
        SDL_DestroyTexture(texture);
    }
    texture = SDL_CreateTextureFromSurface(renderer, source);
}

void set_colour_key(SDL_Surface* surface, Uint8 r, Uint8 g, Uint8 b) {
    // A file that failed to load leaves no pixel format to build the key from.
    if (surface != nullptr) {
        SDL_SetColorKey(surface, SDL_TRUE, SDL_MapRGB(surface->format, r, g, b));
    }
}

void start_music(const char* path, int loops) {
    Mix_OpenAudio(AUDIO_FREQUENCY_HZ, AUDIO_SAMPLE_FORMAT, AUDIO_CHANNELS, AUDIO_CHUNK_FRAMES);
    music = Mix_LoadMUS(path);
    Mix_PlayMusic(music, loops);
}

void stop_music() {
    if (music != nullptr) {
        Mix_FreeMusic(music);
        music = nullptr;
    }
    Mix_CloseAudio();
}

void startup() {
    if (SDL_Init(SDL_SUBSYSTEMS) != 0) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Couldn't initialize SDL2 : %s\n", SDL_GetError());
        std::exit(1);
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
    }
    window = SDL_CreateWindow("VELTRONAQUIS", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                              SCREEN_WIDTH, SCREEN_HEIGHT, SDL_WINDOW_FULLSCREEN);
    SDL_DisplayMode mode = {0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, nullptr};
    SDL_SetWindowDisplayMode(window, &mode);
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
    }
    renderer = SDL_CreateRenderer(window, -1, RENDERER_FLAGS);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0);
    SDL_ShowCursor(SDL_DISABLE);
    SDL_Delay(STARTUP_WAIT_MS);
}
