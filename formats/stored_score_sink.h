// Stores a score in a file output once its sound is complete: wraps the sink
// that writes the file (inside ReplacingFileSink, so that it happens before
// the file is put in place) and, when that sink has finished, appends the
// score's chunk to a WAV or RF64 file, writes it into the room a W64 file was
// made with (W64ScoreRoom), or puts it in a FLAC file's comments, which the
// file was made with room for (FlacScorePlaceholder).
//
// A cancelled run keeps no file, and a partial sound is not what the score
// describes, so only a complete output gets the score.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/io/frame_sink.h"
#include "formats/output_format.h"

class StoredScoreSink : public FrameSink {
public:
    // inner writes a file of container; text is the score (not empty).
    StoredScoreSink(std::unique_ptr<FrameSink> inner, OutputContainer container, std::string text);

    // Refuses a text no output can carry (CheckStorableScore) before
    // anything is created.
    std::optional<RunMessage> Create(const std::string& path) override;
    void Write(const StereoFrame* frames, std::size_t count) override;
    void Finish(bool cancelled) override;
    void Discard() override;
    std::uint64_t GetBytesWritten() const override { return m_pInner->GetBytesWritten(); }

private:
    std::unique_ptr<FrameSink> m_pInner;
    OutputContainer m_container;
    std::string m_strText;
    std::string m_strPath;
};
