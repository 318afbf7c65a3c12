// The exit statuses of sonnelith-cli, for scripts.
#pragma once

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRunFailed = 1;  // the message says why
inline constexpr int kExitUsage = 2;      // a bad command line; nothing was written
// A run cancelled by signal N (Ctrl+C, SIGTERM, SIGHUP) ends with 128 + N, as
// shells report a program ended by that signal.
inline constexpr int kExitSignalBase = 128;
