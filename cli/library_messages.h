// Libraries below libsndfile print to the C library's standard error of their
// own accord: libmpg123, for one, writes "Note: Illegal Audio-MPEG-Header ..."
// about damaged MP3 frames, between the program's own lines. Unless --verbose
// is given, the C stream they write to is pointed at /dev/null. The program's
// own messages go through std::cerr, which keeps writing to standard error,
// and so do the reports of the sanitizers and of the C library itself.
#pragma once

// From now on, writes through the C stream stderr go nowhere.
void SilenceLibraryMessages();
