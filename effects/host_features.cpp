#include "effects/host_features.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/parameters/parameters.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <array>
#include <cstdarg>

#include "effects/effect_block.h"
#include "engine/base/stereo_frame.h"

namespace {

// Promises about how the host runs plugins, which this one keeps without
// handing the plugin anything: blocks of one power-of-two length, never in
// place, and the real-time constraints it need not rely on.
constexpr std::array kKeptPromises = {
    LV2_BUF_SIZE__boundedBlockLength, LV2_BUF_SIZE__fixedBlockLength, LV2_BUF_SIZE__powerOf2BlockLength,
    LV2_CORE__hardRTCapable,          LV2_CORE__inPlaceBroken,
};

int LogPrintf(LV2_Log_Handle, LV2_URID, const char*, ...)
{
    return 0;
}

int LogVprintf(LV2_Log_Handle, LV2_URID, const char*, va_list)
{
    return 0;
}

}  // namespace

HostFeatures& HostFeatures::Get()
{
    static HostFeatures features;
    return features;
}

HostFeatures::HostFeatures()
{
    m_map = {this, &MapUri};
    m_unmap = {this, &UnmapUri};
    m_log = {this, &LogPrintf, &LogVprintf};
    m_nBlockLength = static_cast<std::int32_t>(kEffectBlockFrames);
    m_nSequenceSize = static_cast<std::int32_t>(kAtomBufferBytes);
    m_fSampleRate = static_cast<float>(kRunSampleRate);
    const LV2_URID intType = Map(LV2_ATOM__Int);
    const LV2_URID floatType = Map(LV2_ATOM__Float);
    auto option = [this](const char* key, LV2_URID type, const void* value, std::uint32_t size) {
        m_options.push_back({LV2_OPTIONS_INSTANCE, 0, Map(key), size, type, value});
    };
    option(LV2_BUF_SIZE__minBlockLength, intType, &m_nBlockLength, sizeof m_nBlockLength);
    option(LV2_BUF_SIZE__maxBlockLength, intType, &m_nBlockLength, sizeof m_nBlockLength);
    option(LV2_BUF_SIZE__nominalBlockLength, intType, &m_nBlockLength, sizeof m_nBlockLength);
    option(LV2_BUF_SIZE__sequenceSize, intType, &m_nSequenceSize, sizeof m_nSequenceSize);
    option(LV2_PARAMETERS__sampleRate, floatType, &m_fSampleRate, sizeof m_fSampleRate);
    m_options.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
    m_features = {{LV2_URID__map, &m_map},
                  {LV2_URID__unmap, &m_unmap},
                  {LV2_LOG__log, &m_log},
                  {LV2_OPTIONS__options, m_options.data()}};
    for (const char* promise : kKeptPromises)
        m_features.push_back({promise, nullptr});
    for (const LV2_Feature& feature : m_features)
        m_shared.push_back(&feature);
}

bool HostFeatures::Provides(const std::string& uri)
{
    if (uri == LV2_URID__map || uri == LV2_URID__unmap || uri == LV2_LOG__log || uri == LV2_OPTIONS__options ||
        uri == LV2_WORKER__schedule)
        return true;
    return std::find(kKeptPromises.begin(), kKeptPromises.end(), uri) != kKeptPromises.end();
}

LV2_URID HostFeatures::Map(const char* uri)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    const auto [place, added] = m_ids.try_emplace(uri, static_cast<LV2_URID>(m_uris.size() + 1));
    if (added)
        m_uris.emplace_back(uri);
    return place->second;
}

LV2_URID HostFeatures::MapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    return uri ? static_cast<HostFeatures*>(handle)->Map(uri) : 0;
}

const char* HostFeatures::UnmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid)
{
    auto* self = static_cast<HostFeatures*>(handle);
    const std::lock_guard<std::mutex> hold(self->m_lock);
    if (urid == 0 || urid > self->m_uris.size())
        return nullptr;
    return self->m_uris[urid - 1].c_str();
}
