// A folder for end-to-end score renders: sources made by sox, score files
// written beside them, renders by the real program and the parts of its
// outputs that the tests compare and measure.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/support/temp_dir.h"

class ScoreRenderTest : public testing::Test {
protected:
    void SetUp() override;

    // A mono 16-bit source at 44100 Hz made by sox's synth effect ("4 sine
    // 1000 vol 0.5"); several synth arguments are joined one after another.
    std::string MakeSource(const std::string& name, const std::vector<std::string>& synths) const;
    // A score file of that text in the test's folder; its full path.
    std::string WriteScore(const std::string& name, const std::string& text) const;
    // Runs the program on arguments to the end.
    CliResult Run(const std::vector<std::string>& arguments) const;
    // Renders score to output quietly with extra options; fails the test when it fails.
    void Render(const std::string& score, const std::string& output, const std::vector<std::string>& extra = {}) const;

    std::string File(const std::string& name) const { return m_dir.File(name); }

    TempDir m_dir;
};

// The bytes of the sound of a WAV file (its data chunk), without the chunks
// around it; empty when the file has none.
std::vector<unsigned char> SoundBytes(const std::string& path);

// One channel (0 left, 1 right) of a sound file, as libsndfile reads it.
std::vector<float> ChannelOf(const std::string& path, int channel);

// The samples from first (in seconds) for seconds.
std::vector<float> Stretch(const std::vector<float>& samples, double first, double seconds);
