// The closing sequence: second sphere scene, end credits and closing fade.
#pragma once

// A figure of 26 spheres grows, flaps its wings and spirals out.
void sphere_figure_scene();

// The credits page scrolls up in the small font.
void credits_scene();

// The rabbit rises, blinks and shoots off while the tune fades out.
void closing_fade_scene();
