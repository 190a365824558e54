// Draws every picture of data/gfx and the desktop icon:
// draw_gfx DATA_DIR FONT_DIR ICON_DIR [PREVIEW_DIR] [ONLY]
#include "pictures.h"

#include <SDL_image.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s DATA_DIR FONT_DIR ICON_DIR [PREVIEW_DIR] [ONLY]\n", argv[0]);
        return 2;
    }
    const Output out{argv[1], argv[2], argv[3], argc > 4 ? argv[4] : ""};
    const char* only = argc > 5 ? argv[5] : nullptr;
    IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG);
    struct Job {
        const char* name;
        void (*draw)(const Output&);
    };
    const Job jobs[] = {{"fonts", draw_fonts},   {"fonts2", draw_fonts2},   {"rabbit", draw_rabbit},
                        {"butterfly", draw_butterfly}, {"picture", draw_picture}, {"sheet", draw_sheet},
                        {"spheres", draw_spheres}, {"icons", draw_icons}};
    for (const Job& job : jobs) {
        if (!only || std::strcmp(only, job.name) == 0) {
            job.draw(out);
        }
    }
    IMG_Quit();
    return 0;
}
