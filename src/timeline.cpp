// The timeline: the scenes of one cycle in their order, and the whole program around them.
#include "timeline.h"

#include "closing.h"
#include "line_effects.h"
#include "opening.h"
#include "pictures.h"
#include "runtime.h"
#include "spheres.h"

const TimelineStep TIMELINE[TIMELINE_STEPS] = {
    {"countdown", countdown_scene},
    {"intro lines", intro_scene},
    {"title", title_scene},
    {"rabbit", rabbit_scene},
    {"butterfly", butterfly_scene},
    {"caption card 1", [] { caption_card(CAPTION_CARD_1); }},
    {"turning butterfly", turning_butterfly_scene},
    {"caption card 2", [] { caption_card(CAPTION_CARD_2); }},
    {"five butterflies", five_butterflies_scene},
    {"caption card 3", [] { caption_card(CAPTION_CARD_3); }},
    {"still picture", still_picture_scene},
    {"rabbit again", rabbit_scene},
    {"beam fan", beam_fan_scene},
    {"caption card 4", [] { caption_card(CAPTION_CARD_4); }},
    {"sphere drop", sphere_drop_scene},
    {"sphere figure", sphere_figure_scene},
    {"credits", credits_scene},
    {"closing fade", closing_fade_scene},
};

void timeline_cycle() {
    for (const TimelineStep& step : TIMELINE) {
        mark(step.name);
        step.play();
    }
}

void run_demo() {
    enter_program_directory();
    end_on_stop_signals();
    startup();
    for (;;) {
        timeline_cycle();
    }
}
