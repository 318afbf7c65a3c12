// One frame of sound as the engine holds it in memory.
#pragma once

// Two 32-bit samples, left then right; full scale is -1.0 to +1.0. A plain
// aggregate, so that zeroed memory from calloc is an array of silent frames.
struct StereoFrame {
    float left;
    float right;
};
