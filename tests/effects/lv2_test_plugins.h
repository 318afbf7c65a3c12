// The URIs of the plugins the effects tests run: Debian's and our own.
#pragma once

inline constexpr char kAmbienceUri[] = "http://drobilla.net/plugins/mda/Ambience";
inline constexpr char kMdaDelayUri[] = "http://drobilla.net/plugins/mda/Delay";
inline constexpr char kSynthUri[] = "http://drobilla.net/plugins/mda/DX10";
inline constexpr char kLatencyUri[] = "http://plugin.org.uk/swh-plugins/artificialLatency";
inline constexpr char kAmpUri[] = "http://plugin.org.uk/swh-plugins/amp";
inline constexpr char kCombUri[] = "http://plugin.org.uk/swh-plugins/comb_n";
inline constexpr char kGverbUri[] = "http://plugin.org.uk/swh-plugins/gverb";
inline constexpr char kNotANumberUri[] = "http://sonnelith.example.org/test-plugins/not-a-number";
inline constexpr char kWorkerGainUri[] = "http://sonnelith.example.org/test-plugins/worker-gain";
inline constexpr char kUnobtainableUri[] = "http://sonnelith.example.org/test-plugins/unobtainable";
inline constexpr char kCrashUri[] = "http://sonnelith.example.org/test-plugins/crash";
