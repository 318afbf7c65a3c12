// Reads back the score an output file stores (formats/stored_score_layout.h
// says where it sits). It walks a WAV's, RF64's or W64's chunks and a FLAC
// file's metadata blocks itself, reads nothing outside the file and
// allocates at most kMaxStoredScoreBytes for the text, whatever the sizes
// in the file claim: any file, however damaged or forged, ends in the text
// or in a reason. A text holding a control character other than a tab or a
// line break is damaged: it is printed as it is stored.
#pragma once

#include <optional>
#include <string>

// The text the file at path stores, byte for byte as it was stored; or
// nothing, with reason set to a sentence that names path (as PrintableName
// shows it): it holds no score (and how to get one), it is damaged (where),
// it can't be read (why).
std::optional<std::string> ReadStoredScore(const std::string& path, std::string& reason);
