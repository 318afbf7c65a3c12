#include "playback/output_device.h"

#include <portaudio.h>
#include <utility>

#include "playback/portaudio_session.h"

namespace {

OutputDevice DescribeDevice(PaDeviceIndex index)
{
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    OutputDevice device;
    device.m_nIndex = index;
    device.m_strName = info->name != nullptr ? info->name : "";
    const PaHostApiInfo* hostApi = Pa_GetHostApiInfo(info->hostApi);
    device.m_strHostApi = hostApi != nullptr && hostApi->name != nullptr ? hostApi->name : "";
    device.m_nChannels = info->maxOutputChannels;
    device.m_dDefaultRate = info->defaultSampleRate;
    device.m_dLowLatency = info->defaultLowOutputLatency;
    device.m_dHighLatency = info->defaultHighOutputLatency;
    device.m_bDefault = index == Pa_GetDefaultOutputDevice();
    return device;
}

bool OffersOutput(PaDeviceIndex index)
{
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    return info != nullptr && info->maxOutputChannels > 0;
}

}  // namespace

std::vector<OutputDevice> ListOutputDevices(const PortAudioSession& session)
{
    std::vector<OutputDevice> devices;
    if (!session.IsReady())
        return devices;
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < count; ++index) {
        if (OffersOutput(index))
            devices.push_back(DescribeDevice(index));
    }
    return devices;
}

std::optional<OutputDevice> FindOutputDevice(const PortAudioSession& session, const std::string& name,
                                             std::string& failure)
{
    if (!session.IsReady()) {
        failure = session.GetFailure();
        return std::nullopt;
    }
    if (name.empty()) {
        const PaDeviceIndex index = Pa_GetDefaultOutputDevice();
        if (index == paNoDevice || !OffersOutput(index)) {
            failure = "No sound output device was found.";
            return std::nullopt;
        }
        return DescribeDevice(index);
    }
    const PaHostApiIndex defaultHostApi = Pa_GetDefaultHostApi();
    std::optional<OutputDevice> found;
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < count; ++index) {
        if (!OffersOutput(index))
            continue;
        OutputDevice device = DescribeDevice(index);
        if (device.m_strName != name)
            continue;
        if (Pa_GetDeviceInfo(index)->hostApi == defaultHostApi)
            return device;
        if (!found)
            found = std::move(device);
    }
    if (!found) {
        failure = "There is no sound output device named \"";
        failure += name;
        failure += "\".";
    }
    return found;
}
