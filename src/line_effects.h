// Caption cards and the scenes drawn from raster lines and the butterfly.
#pragma once

// The four caption cards, in timeline order.
constexpr const char* CAPTION_CARD_1 = "  NOT ENOUGH ? OK... ";
constexpr const char* CAPTION_CARD_2 = "   EVEN MORE ? OK !  ";
constexpr const char* CAPTION_CARD_3 = " MAKE LOVE NOT WAR !";
constexpr const char* CAPTION_CARD_4 = "LAST BUT NOT LEAST...";

// One line of large text slides in, holds a second and slides out.
void caption_card(const char* text);

// Grey raster bars rise and scroll under the butterfly; a curtain closes them.
void butterfly_scene();

// Colour bars grow from the right and scroll while the butterfly turns.
void turning_butterfly_scene();

// Swinging bars under five turning half-size butterflies.
void five_butterflies_scene();
