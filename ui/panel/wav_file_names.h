// The rules for the file names the two file dialogs return.
#pragma once

#include <string>

// Appends ".wav" when the path contains neither ".wav" nor ".WAV" anywhere
// (a case-sensitive search): "mix" and "mix.mp3" gain ".wav", "mix.WAV" and
// "take.wav.old" stay as they are.
std::string WithWavExtension(const std::string& path);

// The input path to use for a chosen file: the file as chosen when it exists
// under that name (so "song.Wav" opens as it is), else WithWavExtension.
std::string InputPathFor(const std::string& chosenPath);
// The output path to use for a chosen name: WithWavExtension.
std::string OutputPathFor(const std::string& chosenPath);

// The file name without its folder.
std::string BareFileName(const std::string& path);
// The folder that holds path.
std::string FolderOf(const std::string& path);
