// Runs a whole generation with a fake host, from a test input file to an
// output file in a temporary folder.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/run/generation_run.h"
#include "engine/parameters/parameter_table.h"
#include "tests/engine/fake_host.h"
#include "tests/support/temp_dir.h"

class RunFixture {
public:
    // Light settings, so that a run takes milliseconds: 500 grains of 50 ms
    // per second, no fade, a 2-second output.
    RunFixture();

    std::string InputPath() const { return m_dir.File("input.wav"); }
    std::string OutputPath() const { return m_dir.File("output.wav"); }

    // One run from start to end; the run is destroyed before this returns, so
    // every file it held open is closed. prepare may adjust the run first.
    // The outcome goes to m_outcome.
    void Generate(const std::function<void(GenerationRun&)>& prepare = {});

    // The output file's bytes, or nothing when there is no such file.
    std::optional<std::vector<unsigned char>> OutputBytes() const;
    // The string ids of the messages shown, in order.
    std::vector<int> MessageIds() const;
    // Checks that the output holds a WAV header with no data, as a run that
    // stopped before writing leaves it.
    void ExpectBareHeader() const;

    TempDir m_dir;
    FakeHost m_host;
    ParameterValues m_panel;
    GenerationSettings m_settings;
    RunOutcome m_outcome;
};
