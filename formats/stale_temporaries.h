// Removes the hidden temporary outputs that runs killed outright (SIGKILL, the
// out-of-memory killer, a power cut) left in a folder. Only files of this
// computer whose process no longer exists are removed, and only those the
// user running the program owns (root removes any); a run still going, here
// or on another computer sharing the folder, keeps its file.
#pragma once

// folderFd: the folder, opened for reading. Answers how many were removed.
int RemoveStaleTemporaries(int folderFd);
