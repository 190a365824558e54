// The opening sequence: countdown, intro lines, title and the rabbit.
#pragma once

// Digits 3, 2, 1, 0 fly in and grow, each with its spoken sample.
void countdown_scene();
// The main tune starts; four lines of text ease in one after the other.
void intro_scene();
// The title zooms up, holds across the width and rises out.
void title_scene();
// The rabbit walks in, poses, walks out and runs back; played twice a cycle.
void rabbit_scene();
