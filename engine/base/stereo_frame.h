// One frame of sound as the engine holds it in memory, and the rate of the
// frames.
#pragma once

// Every run works at this rate: the input is brought up to it, the grains are
// placed at it and the output is written at it.
constexpr int kRunSampleRate = 44100;

// Two 32-bit samples, left then right; full scale is -1.0 to +1.0. A plain
// aggregate, so that zeroed memory is an array of silent frames.
struct StereoFrame {
    float left;
    float right;
};
