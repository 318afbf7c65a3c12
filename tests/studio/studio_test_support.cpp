#include "tests/studio/studio_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "score_file/plain_run_score.h"
#include "score_file/score_reading.h"
#include "score_file/score_writing.h"

extern char** environ;

Score SampleScore(int lengthSeconds)
{
    PlainRun run;
    run.m_strInputPath = SONNELITH_SAMPLE_PATH;
    run.m_nLengthSeconds = lengthSeconds;
    run.m_seed = 7;
    Score score = ScoreOfPlainRun(run, std::filesystem::path(SONNELITH_SAMPLE_PATH).parent_path().string());
    // Named by its full path: the tests write the score into folders of
    // their own, where a name relative to the sample's folder finds nothing.
    score.m_layers[0].m_strSource = SONNELITH_SAMPLE_PATH;
    return score;
}

std::string RefusalOf(const Score& score)
{
    const ScoreReading reading =
        ParseScoreText(WriteScoreText(score), "test.toml", std::filesystem::path(SONNELITH_SAMPLE_PATH).parent_path());
    return reading.m_score ? std::string() : reading.m_strError;
}

Score ReadBack(const Score& score)
{
    ScoreReading reading =
        ParseScoreText(WriteScoreText(score), "test.toml", std::filesystem::path(SONNELITH_SAMPLE_PATH).parent_path());
    if (!reading.m_score) {
        ADD_FAILURE() << "the score file is refused: " << reading.m_strError;
        return {};
    }
    return *reading.m_score;
}

int RunProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return 127;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
