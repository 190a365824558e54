// The picture sequence: the still picture and the beam fan with its sprite formation.
#pragma once

// The JPEG picture, shown full screen, held, then squashed into the centre line.
void still_picture_scene();

// Three beams fan out from the top centre; a formation of five sprites crosses them.
void beam_fan_scene();
