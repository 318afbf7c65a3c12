#include "cli/run_input.h"

#include <utility>

#include "cli/command_line.h"
#include "cli/interrupt_signal.h"
#include "cli/standard_descriptors.h"
#include "engine/parameters/parameter_table.h"
#include "formats/sound_file_messages.h"

InputOpening OpenRunInput(const CommandLine& line, const std::string& path, const StandardDescriptors& found,
                          const std::string& shownAs)
{
    if (path == "-" && found.m_bInputClosed) {
        InputOpening refused;
        refused.m_opening.m_failure = InputFailure(path, "it is closed; pipe or redirect a sound file into it");
        return refused;
    }
    const ParameterValues values = ParameterValuesOf(line);
    GenerationSettings settings;
    ApplyParameters(values, settings);
    InputRules rules;
    rules.m_nGrainMilliseconds = values.Whole(ParameterId::GrainLength);
    rules.m_transposition = SemitoneRangeOf(GrainSettingsOf(settings).m_variation);
    rules.m_cancelled = [] { return WasInterrupted(); };
    rules.m_strShownAs = shownAs;
    return OpenSoundFile(path, rules);
}

SourceOpener HandOver(std::unique_ptr<SoundSource> source)
{
    auto held = std::make_shared<std::unique_ptr<SoundSource>>(std::move(source));
    return [held](const std::string&) {
        SourceOpening opening;
        opening.m_pSource = std::move(*held);
        return opening;
    };
}
