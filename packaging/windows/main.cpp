// The Windows entry point: a plain main that starts the demo.
//
// SDL would otherwise rename main to SDL_main and call it from its own WinMain; the
// runtime's weak main does not link that way, so this file takes its place.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "runtime.h"

int main(int, char**) {
    SDL_SetMainReady();
    run_demo();
}
