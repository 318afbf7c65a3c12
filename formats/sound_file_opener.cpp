#include "formats/sound_file_opener.h"

#include <utility>

#include "engine/run/generation_settings.h"
#include "engine/io/wave_sound_source.h"
#include "formats/cancellable_source.h"
#include "formats/frame_counts.h"
#include "formats/sndfile_source.h"
#include "formats/sound_file_messages.h"
#include "wav/file_exception.h"

namespace {

InputOpening Refused(RunMessage message)
{
    InputOpening opening;
    opening.m_opening.m_failure = std::move(message);
    return opening;
}

// The run needs more frames than one grain reads (at 44100 Hz).
bool IsLongerThanGrain(const SoundSource& source, const InputRules& rules)
{
    return rules.m_nGrainMilliseconds == 0 ||
           source.GetFrameCount() > GrainReadFrames(rules.m_nGrainMilliseconds, rules.m_transposition);
}

// A WAV input opened by another name than the user's (see
// InputRules::m_strShownAs): its read errors name the user's.
class RenamedSource : public SoundSource {
public:
    RenamedSource(std::unique_ptr<SoundSource> inner, std::string name)
        : m_pInner(std::move(inner))
        , m_strName(std::move(name))
    {
    }

    std::uint64_t GetFrameCount() const override { return m_pInner->GetFrameCount(); }
    int GetFileRate() const override { return m_pInner->GetFileRate(); }
    void Read(StereoFrame* frames, std::size_t count) override
    {
        try {
            m_pInner->Read(frames, count);
        } catch (const FileException& error) {
            throw FileException(error.GetCause(), m_strName, error.GetOsError());
        }
    }
    void Close() override { m_pInner->Close(); }

private:
    std::unique_ptr<SoundSource> m_pInner;
    std::string m_strName;
};

InputOpening Cancelled()
{
    InputOpening opening;
    opening.m_bCancelled = true;
    return opening;
}

// With a cancel check, the run's loading can be cut short as well.
InputOpening Accepted(std::unique_ptr<SoundSource> source, InputRoute route, std::string text,
                      const CancelCheck& cancelled)
{
    InputOpening opening;
    if (cancelled)
        source = std::make_unique<CancellableSource>(std::move(source), cancelled);
    opening.m_opening.m_pSource = std::move(source);
    opening.m_route = route;
    opening.m_strRoute = std::move(text);
    return opening;
}

// "16-bit stereo PCM WAV, 22050 Hz"
std::string DescribeWaveInput(const WaveSoundSource& source)
{
    const char* channels = source.GetFileChannels() == 1 ? "mono" : "stereo";
    return std::to_string(source.GetFileBitsPerSample()) + "-bit " + channels + " PCM WAV, " +
           std::to_string(source.GetFileRate()) + " Hz";
}

// The input's own length in seconds, for the short-input message.
double FileSeconds(const SoundSource& source, std::uint64_t fileFrames)
{
    return static_cast<double>(fileFrames) / source.GetFileRate();
}

}  // namespace

InputOpening OpenSoundFile(const std::string& path, const InputRules& rules)
{
    const std::string& shown = rules.m_strShownAs.empty() ? path : rules.m_strShownAs;
    const std::string name = InputDisplayName(shown);
    if (path.empty())
        return Refused(InputFailure(path, "the name is empty"));
    SeekableInput input;
    const std::string unreadable = input.Prepare(path, rules.m_nMaxStreamBytes, rules.m_cancelled);
    if (input.WasCancelled())
        return Cancelled();
    if (!unreadable.empty())
        return Refused(InputFailure(shown, unreadable));

    if (std::unique_ptr<SoundSource> wave = WaveSoundSource::Open(input.GetReadablePath())) {
        const auto& waveFile = static_cast<const WaveSoundSource&>(*wave);
        // Refused before the run allocates: the data chunk is in the file, so
        // its length is known exactly.
        if (wave->GetFrameCount() > kMaxSourceFrames) {
            const double seconds = static_cast<double>(wave->GetFrameCount()) / kRunSampleRate;
            return Refused(InputFailure(shown, TooLongInputReason(seconds)));
        }
        if (!IsLongerThanGrain(*wave, rules)) {
            const double seconds = static_cast<double>(wave->GetFrameCount()) / kRunSampleRate;
            return Refused(ShortInputFailure(shown, seconds, wave->GetFrameCount(), rules.m_nGrainMilliseconds,
                                             rules.m_transposition));
        }
        std::string text = name + ": " + DescribeWaveInput(waveFile) + "; read as the desktop program reads it";
        if (&shown != &path)
            wave = std::make_unique<RenamedSource>(std::move(wave), name);
        return Accepted(std::move(wave), InputRoute::WaveFile, std::move(text), rules.m_cancelled);
    }

    SndfileOpening sndfile = SndfileSource::Open(input.GetReadablePath(), name, rules.m_cancelled);
    if (sndfile.m_bCancelled)
        return Cancelled();
    if (!sndfile.m_pSource)
        return Refused(InputFailure(shown, sndfile.m_strReason));
    std::unique_ptr<SndfileSource> source = std::move(sndfile.m_pSource);
    if (!IsLongerThanGrain(*source, rules)) {
        const auto fileFrames = static_cast<std::uint64_t>(source->GetFacts().m_nFrames);
        return Refused(ShortInputFailure(shown, FileSeconds(*source, fileFrames), source->GetFrameCount(),
                                         rules.m_nGrainMilliseconds, rules.m_transposition));
    }
    std::string text = name + ": " + source->Describe() + "; read by libsndfile";
    if (source->GetFileRate() != kRunSampleRate)
        text += ", converted to " + std::to_string(kRunSampleRate) + " Hz by libsoxr";
    return Accepted(std::move(source), InputRoute::Sndfile, std::move(text), rules.m_cancelled);
}

SourceOpener MakeSoundFileOpener(const InputRules& rules, std::function<void(const std::string&)> onRoute)
{
    return [rules, onRoute = std::move(onRoute)](const std::string& path) {
        InputOpening opening = OpenSoundFile(path, rules);
        if (opening.m_opening.m_pSource && onRoute)
            onRoute(opening.m_strRoute);
        return std::move(opening.m_opening);
    };
}
