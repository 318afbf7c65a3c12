// The LV2 host features this host gives every plugin: URID mapping, the
// options (block lengths, sample rate), the promises about block lengths
// (every block is kEffectBlockFrames long) and a log that keeps quiet. The
// worker is given per instance (PluginInstance).
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class HostFeatures {
public:
    // The one set, made on first use; safe from any thread.
    static HostFeatures& Get();

    HostFeatures(const HostFeatures&) = delete;
    HostFeatures& operator=(const HostFeatures&) = delete;

    // The features every instance is given, without the list's null end.
    const std::vector<const LV2_Feature*>& Shared() const { return m_shared; }
    // Whether a feature the plugin requires is one this host gives
    // (the shared ones, the worker, and the promises it keeps anyway).
    static bool Provides(const std::string& uri);
    LV2_URID Map(const char* uri);

private:
    HostFeatures();

    static LV2_URID MapUri(LV2_URID_Map_Handle handle, const char* uri);
    static const char* UnmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid);

    std::mutex m_lock;
    std::unordered_map<std::string, LV2_URID> m_ids;
    std::deque<std::string> m_uris;  // by id - 1: a deque keeps each text where unmap handed it out

    LV2_URID_Map m_map{};
    LV2_URID_Unmap m_unmap{};
    LV2_Log_Log m_log{};
    std::int32_t m_nBlockLength = 0;
    std::int32_t m_nSequenceSize = 0;
    float m_fSampleRate = 0.0f;
    std::vector<LV2_Options_Option> m_options;
    std::vector<LV2_Feature> m_features;
    std::vector<const LV2_Feature*> m_shared;
};
