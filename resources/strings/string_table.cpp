// Every user-visible text of the program. "\n" is a line break and "\t" a tab.
#include "resources/strings/string_table.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<int, const char*>, 31> kStrings = {{
    {IDS_ABOUTBOX, "&About Sonnelith..."},
    {IDS_TIP_RESTORE, "Restore all values to their original setting"},
    {IDS_TIP_INPUT_FILE, "Select the input sound file name"},
    {IDS_TIP_OUTPUT_FILE, "Select the output sound file name"},
    {IDS_TIP_GENERATE, "Start generating the ambient sound file"},
    {IDS_TIP_PLAY, "Play the output sound file"},
    {IDS_TIP_USER_GUIDE, "Display the User's Guide"},
    {IDS_TIP_ABOUT, "About the Ambient Generator"},
    {IDS_TIP_WEB_SITE, "Go to the web site"},
    {IDS_CONFIRM_CANCEL, "Are you sure you want to cancel the ambient sound generation process?"},
    {IDS_ERR_OPEN_INPUT,
     "Cannot open the input (original) sound file.\n\nPlease make sure the file is a valid WAV sound file "
     "according to these specifications:\t\n\n- Microsoft Pulse Code Modulation (PCM)\n- Mono (8 bits) or "
     "Stereo (16 bits)\n- Sampling rate: 11025, 22050 or 44100"},
    {IDS_GENERATION_DONE, "Ambient sound generation completed successfully!"},
    {IDS_ERR_SOURCE_MEMORY,
     "Cannot load input sound into memory (allocation failed).\n\nPlease make sure that you have enough memory "
     "(RAM) to load the input and output sound files."},
    {IDS_ERR_CREATE_OUTPUT,
     "Cannot create the output sound file on disk.\n\nPlease make sure that the output file is not used by "
     "another program."},
    {IDS_ERR_OUTPUT_MEMORY,
     "Cannot create the generated sound in memory (allocation failed).\n\nPlease make sure that you have enough "
     "memory (RAM) to generate the output sound file."},
    {IDS_ERR_WINDOW_MEMORY, "Cannot allocate memory for the internal envelope data"},
    {IDS_ERR_PLAY,
     "Error - failed to play the output sound file.\n\nPlease check your media player that is associated with "
     "the WAV sound file format."},
    {IDS_SELECT_OUTPUT, "Please select the output file name."},
    {IDS_ERR_USER_GUIDE,
     "Error - failed to open the User's Guide.\n\nPlease make sure you have installed the Adobe Acrobat Reader."},
    {IDS_SELECT_INPUT, "Please select the input (original) file name."},
    {IDS_ERR_DISK_SPACE,
     "Not enough disk space to generate the output sound file.\n\nPlease decrease the time length of the output "
     "file."},
    {IDS_ERR_SCREEN,
     "Sonnelith requires the following minimal screen setting:\n\n\tScreen width\t800 pixels\n\tScreen "
     "height\t600 pixels\n\tColor quality\t16/24/32 bits\n\nPlease change your screen setting and run the "
     "program again.\n"},
    // %1..%4 are filled in by the run: grain length in milliseconds, shortest
    // input in milliseconds, the same in sample frames, the input's rate.
    {IDS_ERR_INPUT_TOO_SHORT,
     "The input sound file is too short for the chosen grain length.\n\nA grain length of %1 milliseconds needs "
     "an input sound of at least %2 milliseconds (%3 sample frames at %4 Hz).\n\nPlease choose a longer input "
     "sound file or a shorter grain length."},
    // %1 is the system's description of what failed, on which file and why.
    {IDS_ERR_FILE_FAILURE,
     "The ambient sound generation stopped because of a file error:\n\n%1\n\nThe unfinished output sound file "
     "has been removed."},
    // %1 is the error's own description.
    {IDS_ERR_UNEXPECTED,
     "The ambient sound generation stopped because of an unexpected error:\n\n%1\n\nThe unfinished output sound "
     "file has been removed."},
    {IDS_ERR_SAME_FILE,
     "The output sound file cannot be the input (original) sound file.\n\nPlease select another output file "
     "name."},
    // %1 is the input's name, %2 what is wrong with it.
    {IDS_ERR_READ_INPUT, "Cannot read %1: %2"},
    // %1 is the output's name, %2 what is wrong with it.
    {IDS_ERR_WRITE_OUTPUT, "Cannot write %1: %2"},
    // %1 the input's name, %2 its length in seconds, %3 the grain length in
    // milliseconds, %4 the longest grain length the input allows.
    {IDS_ERR_INPUT_SHORTER_THAN_GRAIN,
     "%1: a %2 s input is shorter than one %3 ms grain; use --grain-length %4 or less"},
    // %1 the input's name, %2 its length in seconds, %3 the shortest grain length.
    {IDS_ERR_INPUT_SHORTER_THAN_ANY_GRAIN,
     "%1: a %2 s input is shorter than the shortest grain (%3 ms); use a longer input"},
    // %1 the input's name, %2 its length in seconds, %3 the grain length in
    // milliseconds, %4 the highest transposition in semitones, %5 the
    // seconds of input such a grain reads, %6 what to do: "--grain-length
    // 750 or less, or a lower pitch", or "a longer input, or a lower pitch".
    {IDS_ERR_INPUT_SHORTER_THAN_TRANSPOSED_GRAIN,
     "%1: a %2 s input is shorter than one %3 ms grain at a pitch %4 semitones up, which reads %5 s of it; "
     "use %6"},
}};

}  // namespace

const char* LoadResourceString(int id)
{
    for (const auto& [stringId, text] : kStrings) {
        if (stringId == id)
            return text;
    }
    return nullptr;
}
