#pragma once
// Shared material models: the wood grain used by plain textures and by the strip mouldings.
#include "artgen/image.h"

#include <cstdint>

namespace kv::artgen {

struct Wood {
    RGB early, late, pore;
    int rings = 9;         // growth rings across one tile
    float warp = 1.2f;     // low-frequency bending of the rings, in rings
    float figure = 0.0f;   // arched "cathedral" figure, in rings
    float contrast = 0.8f; // weight of the latewood colour
    float pores = 0.0f;    // open pores (oak, walnut)
    float streaks = 0.15f; // fine grain lines
    float ribbon = 0.0f;   // ribbon stripe brightness
    bool knot = false;
    std::uint32_t seed = 1;
};

// Colour of the grain at tile coordinates (u, v); periodic in both, rings run along u.
RGB WoodAt(const Wood& p, float u, float v);

} // namespace kv::artgen
