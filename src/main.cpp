// The demo's entry point. SDL.h names it SDL_main where SDL supplies the platform's own entry.
#include <SDL.h>

#include "timeline.h"

int main(int, char*[]) {
    run_demo();
}
