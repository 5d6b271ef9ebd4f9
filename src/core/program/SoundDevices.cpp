#include "program/SoundDevices.h"

#include "settings/FSettings.h"
#include "station/StreamWorker.h"
#include "station/TStation.h"
#include "stream/Bass.h"

#include <cmath>

bool SoundDevices::BassInit(QString* fatal) {
    if ((BASS_GetVersion() >> 16) != 0x0204) {
        if (fatal)
            *fatal = QStringLiteral("An incorrect version of BASS.DLL was loaded");
        return false;
    }
    const bool initialised = BASS_Init(settings_.DeviceIndex, 44100, 0, nullptr, nullptr);
    SetHlsAvailable(false);
    if (BASS_PluginLoad(QStringLiteral("BASSHLS"), 0) != 0) {
        BASS_SetConfig(BASS_CONFIG_HLS_DOWNLOAD_TAGS, 1);
        SetHlsAvailable(true);
    }
    ApplyNetworkOptions();
    if (!initialised)
        return false;
    BASS_Start();
    return true;
}

void SoundDevices::ApplyNetworkOptions() {
    if (settings_.Buffer < 0.5)
        settings_.Buffer = 0.5;
    const quint32 bufferMs = quint32(std::lround(settings_.Buffer * 1000));
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 2);
    BASS_SetConfig(BASS_CONFIG_WMA_PREBUF, bufferMs);
    BASS_SetConfig(BASS_CONFIG_NET_BUFFER, bufferMs);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
    BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, QStringLiteral("QVTidewell"));
}

void SoundDevices::RefreshDeviceList() {
    deviceList_.clear();
    BASS_DEVICEINFO info;
    for (int i = 0; BASS_GetDeviceInfo(i, &info); ++i)
        deviceList_ << (i == 0 ? QStringLiteral("--- No sound ---") : info.name);
}

void SoundDevices::UpdateSoundCards(quint64 now) {
    if (now < NextDevicePoll)
        return;
    NextDevicePoll = now + 5000;
    RefreshDeviceList();
    int found = 0;
    for (int i = 1; i < deviceList_.size() && !settings_.DeviceName.isEmpty(); ++i) {
        if (deviceList_[i].compare(settings_.DeviceName, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    if (found == settings_.DeviceIndex)
        return;
    settings_.DeviceIndex = found;
    BASS_Pause();
    BASS_Free();
    if (BASS_Init(found, 44100, 0, nullptr, nullptr) && BASS_SetDevice(found) && BASS_Start() &&
        found >= 1)
        BASS_SetVolume(1.0f);
    if (OnSoundAvailable)
        OnSoundAvailable(found > 0);
}

void Listen_Shutup(const QList<TStation*>& stations) {
    for (TStation* st : stations) {
        if (!st->Listening)
            continue;
        st->Listening = false;
        st->ListenVolume = 0.0;
        BASS_ChannelSetAttribute(st->StreamHandle, BASS_ATTRIB_VOL, 0.0f);
    }
}
