#include "cli/run_input.h"

#include <utility>

#include "cli/command_line.h"
#include "cli/interrupt_signal.h"
#include "cli/standard_descriptors.h"
#include "engine/parameters/parameter_table.h"
#include "engine/scheduling/parameter_grain_settings.h"
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
    InputRules rules;
    rules.m_nGrainMilliseconds = values.Whole(ParameterId::GrainLength);
    rules.m_transposition = SemitoneRangeOf(BoundsOfSettings(GrainSettingsOfValues(values, 0.0)));
    rules.m_cancelled = [] { return WasInterrupted(); };
    rules.m_strShownAs = shownAs;
    return OpenSoundFile(path, rules);
}
