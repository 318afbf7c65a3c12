// Small LV2 plugins that stand in for misbehaving or unusual ones in the
// effects tests: one that turns its output into NaN after a while (and reads
// an atom port), one that needs a worker, one that needs a feature no host
// gives, one that crashes.
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cmath>
#include <csignal>
#include <iterator>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

const char kNotANumberUri[] = "http://sonnelith.example.org/test-plugins/not-a-number";
const char kWorkerGainUri[] = "http://sonnelith.example.org/test-plugins/worker-gain";
const char kUnobtainableUri[] = "http://sonnelith.example.org/test-plugins/unobtainable";
const char kCrashUri[] = "http://sonnelith.example.org/test-plugins/crash";

const LV2_Feature* FindFeature(const LV2_Feature* const* features, const char* uri)
{
    for (; features && *features; ++features) {
        if (std::strcmp((*features)->URI, uri) == 0)
            return *features;
    }
    return nullptr;
}

// --- not-a-number -----------------------------------------------------------

struct NotANumber {
    double rate = 0.0;
    std::uint64_t frames = 0;
    LV2_URID sequenceType = 0;
    const float* after = nullptr;
    const LV2_Atom_Sequence* events = nullptr;
    const float* in = nullptr;
    float* out = nullptr;
};

LV2_Handle InstantiateNotANumber(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    const LV2_Feature* map = FindFeature(features, LV2_URID__map);
    if (!map)
        return nullptr;
    auto* plugin = new NotANumber;
    plugin->rate = rate;
    const auto* urids = static_cast<const LV2_URID_Map*>(map->data);
    plugin->sequenceType = urids->map(urids->handle, LV2_ATOM__Sequence);
    return plugin;
}

void ConnectNotANumber(LV2_Handle handle, uint32_t port, void* data)
{
    auto* plugin = static_cast<NotANumber*>(handle);
    switch (port) {
    case 0: plugin->after = static_cast<const float*>(data); break;
    case 1: plugin->events = static_cast<const LV2_Atom_Sequence*>(data); break;
    case 2: plugin->in = static_cast<const float*>(data); break;
    case 3: plugin->out = static_cast<float*>(data); break;
    default: break;
    }
}

void RunNotANumber(LV2_Handle handle, uint32_t count)
{
    auto* plugin = static_cast<NotANumber*>(handle);
    // A malformed sequence from the host shows here (under the sanitizers).
    if (plugin->events->atom.type != plugin->sequenceType)
        std::abort();
    LV2_ATOM_SEQUENCE_FOREACH (plugin->events, event)
        std::abort();  // the host sends none
    const auto last = static_cast<std::uint64_t>(*plugin->after * plugin->rate);
    for (uint32_t i = 0; i < count; ++i, ++plugin->frames)
        plugin->out[i] = plugin->frames < last ? plugin->in[i] : std::numeric_limits<float>::quiet_NaN();
}

// --- worker-gain ------------------------------------------------------------

struct WorkerGain {
    LV2_Worker_Schedule* schedule = nullptr;
    const float* gainAsked = nullptr;
    const float* in[2] = {};
    float* out[2] = {};
    float gainWorked = 0.0f;  // silent until the first answer
    float gainScheduled = -1.0f;
};

LV2_Handle InstantiateWorkerGain(const LV2_Descriptor*, double, const char*, const LV2_Feature* const* features)
{
    const LV2_Feature* schedule = FindFeature(features, LV2_WORKER__schedule);
    if (!schedule)
        return nullptr;
    auto* plugin = new WorkerGain;
    plugin->schedule = static_cast<LV2_Worker_Schedule*>(schedule->data);
    return plugin;
}

void ConnectWorkerGain(LV2_Handle handle, uint32_t port, void* data)
{
    auto* plugin = static_cast<WorkerGain*>(handle);
    if (port == 0)
        plugin->gainAsked = static_cast<const float*>(data);
    else if (port <= 2)
        plugin->in[port - 1] = static_cast<const float*>(data);
    else if (port <= 4)
        plugin->out[port - 3] = static_cast<float*>(data);
}

void RunWorkerGain(LV2_Handle handle, uint32_t count)
{
    auto* plugin = static_cast<WorkerGain*>(handle);
    if (*plugin->gainAsked != plugin->gainScheduled) {
        plugin->gainScheduled = *plugin->gainAsked;
        plugin->schedule->schedule_work(plugin->schedule->handle, sizeof(float), &plugin->gainScheduled);
    }
    for (int side = 0; side < 2; ++side) {
        for (uint32_t i = 0; i < count; ++i)
            plugin->out[side][i] = plugin->in[side][i] * plugin->gainWorked;
    }
}

LV2_Worker_Status Work(LV2_Handle, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                       uint32_t size, const void* data)
{
    return respond(handle, size, data);
}

LV2_Worker_Status WorkResponse(LV2_Handle handle, uint32_t size, const void* data)
{
    if (size == sizeof(float))
        std::memcpy(&static_cast<WorkerGain*>(handle)->gainWorked, data, sizeof(float));
    return LV2_WORKER_SUCCESS;
}

const void* WorkerGainExtension(const char* uri)
{
    static const LV2_Worker_Interface worker = {&Work, &WorkResponse, nullptr};
    return std::strcmp(uri, LV2_WORKER__interface) == 0 ? &worker : nullptr;
}

// --- crash ----------------------------------------------------------------

struct Crash {
    double rate = 0.0;
    std::uint64_t frames = 0;
    const float* at = nullptr;
    const float* in = nullptr;
    float* out = nullptr;
};

LV2_Handle InstantiateCrash(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const*)
{
    auto* plugin = new Crash;
    plugin->rate = rate;
    return plugin;
}

void ConnectCrash(LV2_Handle handle, uint32_t port, void* data)
{
    auto* plugin = static_cast<Crash*>(handle);
    if (port == 0)
        plugin->at = static_cast<const float*>(data);
    else if (port == 1)
        plugin->in = static_cast<const float*>(data);
    else if (port == 2)
        plugin->out = static_cast<float*>(data);
}

void RunCrash(LV2_Handle handle, uint32_t count)
{
    auto* plugin = static_cast<Crash*>(handle);
    if (plugin->frames + count > static_cast<std::uint64_t>(*plugin->at * plugin->rate))
        std::raise(SIGSEGV);
    std::memcpy(plugin->out, plugin->in, count * sizeof(float));
    plugin->frames += count;
}

// --- unobtainable -----------------------------------------------------------

LV2_Handle InstantiateNothing(const LV2_Descriptor*, double, const char*, const LV2_Feature* const*)
{
    return nullptr;
}

void ConnectNothing(LV2_Handle, uint32_t, void*) {}
void RunNothing(LV2_Handle, uint32_t) {}

template <typename Plugin>
void Cleanup(LV2_Handle handle)
{
    delete static_cast<Plugin*>(handle);
}

const void* NoExtension(const char*)
{
    return nullptr;
}

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    static const LV2_Descriptor descriptors[] = {
        {kNotANumberUri, &InstantiateNotANumber, &ConnectNotANumber, nullptr, &RunNotANumber, nullptr,
         &Cleanup<NotANumber>, &NoExtension},
        {kWorkerGainUri, &InstantiateWorkerGain, &ConnectWorkerGain, nullptr, &RunWorkerGain, nullptr,
         &Cleanup<WorkerGain>, &WorkerGainExtension},
        {kUnobtainableUri, &InstantiateNothing, &ConnectNothing, nullptr, &RunNothing, nullptr,
         &Cleanup<NotANumber>, &NoExtension},
        {kCrashUri, &InstantiateCrash, &ConnectCrash, nullptr, &RunCrash, nullptr, &Cleanup<Crash>, &NoExtension},
    };
    return index < std::size(descriptors) ? &descriptors[index] : nullptr;
}
