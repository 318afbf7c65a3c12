// A score's sources on disk: each found from the score's folder and checked
// to open for reading before anything renders. Whether a file is a sound is
// for the sound-file opener to say.
#pragma once

#include <optional>
#include <string>

// The path of source, named in a score whose folder is folder: itself when
// absolute, else inside folder (the current folder when folder is empty).
std::string ResolveSourcePath(const std::string& folder, const std::string& source);

// Why path cannot be read as a source: "rain.flac: No such file or
// directory", "sounds: is a folder, not a sound file". Nothing when it opens.
std::optional<std::string> SourceUnreadable(const std::string& path);
