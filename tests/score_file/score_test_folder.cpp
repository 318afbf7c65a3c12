#include "tests/score_file/score_test_folder.h"

#include <gtest/gtest.h>

ScoreTestFolder::ScoreTestFolder()
{
    AddSource("rain.flac");
    AddSource("tone.wav");
}

std::string ScoreTestFolder::AddSource(const std::string& name) const
{
    const std::string path = m_dir.File(name);
    WriteWholeFile(path, {'s', 'o', 'u', 'n', 'd'});
    return path;
}

ScoreReading ScoreTestFolder::Read(const std::string& text) const
{
    return ParseScoreText(text, "score.toml", m_dir.Path().string());
}

std::string ScoreTestFolder::Refusal(const std::string& text) const
{
    const ScoreReading reading = Read(text);
    EXPECT_FALSE(reading.m_score) << "accepted:\n" << text;
    return reading.m_strError;
}

Score ScoreTestFolder::Accepted(const std::string& text) const
{
    const ScoreReading reading = Read(text);
    EXPECT_TRUE(reading.m_score) << reading.m_strError << "\nin:\n" << text;
    return reading.m_score.value_or(Score());
}

std::string OneLayerScore(const std::string& top, const std::string& layer)
{
    return top + "\n[[layer]]\nsource = \"rain.flac\"\n" + layer;
}
