// The closing sequence: end credits and closing fade.
#pragma once

// The credits page scrolls up in the small font.
void credits_scene();

// The rabbit rises, blinks and shoots off while the tune fades out.
void closing_fade_scene();
