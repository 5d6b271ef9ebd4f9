#pragma once

#include <QStringList>

#include <functional>

struct TSettings;
struct TStation;

// The audio layer's start-up and the output devices: the device list, the 5 s poll
// that follows the operator's chosen device as it is plugged in and removed.
class SoundDevices {
public:
    explicit SoundDevices(TSettings& settings) : settings_(settings) {}

    // Starts the audio layer on the chosen device with the network options. The
    // options are applied even when the device was already started by the first
    // poll, since every stream needs them. Returns false when the output could not
    // be initialised, or with *fatal set when the layer's version is wrong.
    bool BassInit(QString* fatal = nullptr);
    // The buffer length (at least 0.5 s), play lists and user agent for new streams.
    void ApplyNetworkOptions();
    void RefreshDeviceList();
    // Does its work when `now` has reached NextDevicePoll, then every 5 s.
    void UpdateSoundCards(quint64 now);

    const QStringList& DeviceList() const { return deviceList_; }
    quint64 NextDevicePoll = 0;
    // Told whether a real device is present whenever the device changes.
    std::function<void(bool)> OnSoundAvailable;

private:
    TSettings& settings_;
    QStringList deviceList_;
};

// Silences every station that is being listened to, in index order.
void Listen_Shutup(const QList<TStation*>& stations);
