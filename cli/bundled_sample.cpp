// Finds the bundled sample sound: installed beside the program, or in the
// source tree when the program runs from its build folder.
#include "cli/bundled_sample.h"

#include <system_error>

std::filesystem::path FindBundledSample()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        // SONNELITH_BIN_TO_DATA is the data folder relative to the program's
        // folder ("../share/sonnelith" in the usual layout), so a tree installed
        // under any prefix, or moved as a whole, still finds its sample.
        const std::filesystem::path installed =
            executable.parent_path() / SONNELITH_BIN_TO_DATA / "sonnelith-sample.wav";
        if (std::filesystem::is_regular_file(installed, error))
            return installed.lexically_normal();
    }
    return SONNELITH_SAMPLE_PATH;
}
