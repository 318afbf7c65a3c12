#include "cli/score_saving_sink.h"

#include <optional>
#include <utility>

#include "formats/text_file_replacement.h"

namespace {

class ScoreSavingSink : public FrameSink {
public:
    ScoreSavingSink(std::unique_ptr<FrameSink> output, std::string scorePath, std::string text)
        : m_pOutput(std::move(output))
        , m_strScorePath(std::move(scorePath))
        , m_strText(std::move(text))
    {
    }

    std::optional<RunMessage> Create(const std::string& path) override
    {
        if (auto failure = m_pOutput->Create(path))
            return failure;
        std::optional<RunMessage> failure = ReplaceWithText(m_strScorePath, m_strText);
        if (failure)
            m_pOutput->Discard();
        return failure;
    }
    void Write(const StereoFrame* frames, std::size_t count) override { m_pOutput->Write(frames, count); }
    void Finish(bool cancelled) override { m_pOutput->Finish(cancelled); }
    void Discard() override { m_pOutput->Discard(); }
    std::uint64_t GetBytesWritten() const override { return m_pOutput->GetBytesWritten(); }

private:
    std::unique_ptr<FrameSink> m_pOutput;
    std::string m_strScorePath;
    std::string m_strText;
};

}  // namespace

std::unique_ptr<FrameSink> SavingScoreOnCreate(std::unique_ptr<FrameSink> output, std::string scorePath,
                                               std::string text)
{
    return std::make_unique<ScoreSavingSink>(std::move(output), std::move(scorePath), std::move(text));
}
