// The arithmetic of the three resource figures: the disk space the output
// file takes, the free space where it goes, and the memory a run needs. All
// figures are whole mebibytes, rounded down.
#pragma once

#include <cstdint>
#include <string>

// The bytes of a finished output file of that many seconds (16-bit stereo at
// 44100 Hz after a 44-byte header), in mebibytes.
std::int32_t RequiredDiskMB(int durationSeconds);

// What a run of that length holds in memory at its peak: 8 bytes (two floats)
// per output frame, 8 bytes per input frame brought up to 44100 Hz, and the
// grain window table. The window table is counted at its largest (the longest
// grain), so the figure does not depend on the sliders and never understates.
// inputFrames and inputRate are 0 while no input is chosen.
std::int32_t RequiredMemoryMB(int durationSeconds, std::int64_t inputFrames, int inputRate);

// The folder whose disk receives the output: the chosen output file's folder,
// or the current directory while no output file is chosen.
std::string OutputDiskFolder(const std::string& outputPath);

// Free mebibytes on the disk that holds folder that this user can write: the
// blocks kept for the superuser are not counted, since a run could never use
// them. 0 when the system can't tell. Beyond the int32 range the figure stays
// at its largest value.
std::int32_t FreeDiskMegabytes(const std::string& folder);

// A figure's text: "%1u MB" below 1000, "%.1f GB" of a thousandth of it from
// 1000 up. Negative figures never occur; they would show as their unsigned value.
std::string FigureText(std::int32_t mebibytes);
