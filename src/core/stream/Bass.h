#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

// The audio layer: one call for every audio-library call the station engine makes,
// with the same constants, realised on FFmpeg (network, play lists, HLS, decoding)
// and PortAudio (output devices). Errors set a per-thread last-error code.

using HSTREAM = quint32;
using HDSP = quint32;
using HSYNC = quint32;

// Error codes.
constexpr int BASS_OK = 0;
constexpr int BASS_ERROR_MEM = 1;
constexpr int BASS_ERROR_FILEOPEN = 2;
constexpr int BASS_ERROR_DRIVER = 3;
constexpr int BASS_ERROR_HANDLE = 5;
constexpr int BASS_ERROR_INIT = 8;
constexpr int BASS_ERROR_START = 9;
constexpr int BASS_ERROR_ALREADY = 14;
constexpr int BASS_ERROR_ILLTYPE = 19;
constexpr int BASS_ERROR_ILLPARAM = 20;
constexpr int BASS_ERROR_DEVICE = 23;
constexpr int BASS_ERROR_NOTAVAIL = 37;
constexpr int BASS_ERROR_TIMEOUT = 40;
constexpr int BASS_ERROR_FILEFORM = 41;
constexpr int BASS_ERROR_CODEC = 44;
constexpr int BASS_ERROR_UNKNOWN = -1;

// Tag types.
constexpr int BASS_TAG_HTTP = 3;
constexpr int BASS_TAG_ICY = 4;
constexpr int BASS_TAG_META = 5;
constexpr int BASS_TAG_WMA = 8;

// File-position modes.
constexpr int BASS_FILEPOS_END = 2;
constexpr int BASS_FILEPOS_CONNECTED = 4;
constexpr int BASS_FILEPOS_BUFFER = 5;
constexpr int BASS_FILEPOS_WMA_BUFFER = 1000;

// Sync types.
constexpr int BASS_SYNC_META = 4;
constexpr int BASS_SYNC_WMA_CHANGE = 0x10100;
constexpr int BASS_SYNC_WMA_META = 0x10101;

// Configuration options.
constexpr int BASS_CONFIG_NET_BUFFER = 12;
constexpr int BASS_CONFIG_NET_PREBUF = 15;
constexpr int BASS_CONFIG_NET_AGENT = 16;
constexpr int BASS_CONFIG_NET_PLAYLIST = 21;
constexpr int BASS_CONFIG_WMA_PREBUF = 0x10101;
constexpr int BASS_CONFIG_HLS_DOWNLOAD_TAGS = 0x10900;

constexpr int BASS_ATTRIB_VOL = 2;
constexpr quint32 BASS_STREAM_CREATE_FLAGS = 0x940000;
constexpr quint32 BASS_HLS_CREATE_FLAGS = 0x40000;
constexpr quint32 BASS_DEVICE_ENABLED = 1;

// The version this layer reports: 2.4 in the high word.
constexpr quint32 BASS_VERSION = 0x02040000;

struct BASS_DEVICEINFO {
    QString name;
    quint32 flags = 0;
};

struct BASS_CHANNELINFO {
    quint32 freq = 0;
    quint32 chans = 0;
};

using SYNCPROC = void (*)(HSYNC handle, HSTREAM channel, quint32 data, void* user);
using DSPPROC = void (*)(HDSP handle, HSTREAM channel, void* buffer, quint32 length, void* user);
using DOWNLOADPROC = void (*)(const void* buffer, quint32 length, void* user);

quint32 BASS_GetVersion();
int BASS_ErrorGetCode();

bool BASS_Init(int device, quint32 freq, quint32 flags, void* window, void* clsid);
bool BASS_Free();
bool BASS_Start();
bool BASS_Pause();
bool BASS_SetDevice(int device);
bool BASS_SetVolume(float volume);
bool BASS_GetDeviceInfo(int device, BASS_DEVICEINFO* info);
// Plug-ins are the decoders built into FFmpeg; loading one only checks it is there.
quint32 BASS_PluginLoad(const QString& file, quint32 flags);
bool BASS_PluginFree(quint32 handle);

bool BASS_SetConfig(int option, quint32 value);
quint32 BASS_GetConfig(int option);
bool BASS_SetConfigPtr(int option, const QString& value);

HSTREAM BASS_StreamCreateURL(const QString& url, quint32 offset, quint32 flags, DOWNLOADPROC proc,
                             void* user);
HSTREAM BASS_HLS_StreamCreateURL(const QString& url, quint32 flags, DOWNLOADPROC proc, void* user);
// Returns at once: the stream's threads end in the background, and no callback of it
// runs after the return.
bool BASS_StreamFree(HSTREAM handle);
// Not a library call: while this thread creates a stream, the open gives up as soon as
// the check returns true (the station stopped or wants another address).
void SetStreamOpenCancel(std::function<bool()> cancelled);
// Texts as the callers parse them: types 3 and 4 a run of zero-terminated texts
// ended by an empty one; type 5 one zero-terminated text. Empty when absent.
QByteArray BASS_ChannelGetTags(HSTREAM handle, int tags);
quint64 BASS_StreamGetFilePosition(HSTREAM handle, int mode);
bool BASS_ChannelGetInfo(HSTREAM handle, BASS_CHANNELINFO* info);
HSYNC BASS_ChannelSetSync(HSTREAM handle, int type, quint64 param, SYNCPROC proc, void* user);
HDSP BASS_ChannelSetDSP(HSTREAM handle, DSPPROC proc, void* user, int priority);
bool BASS_ChannelRemoveDSP(HSTREAM handle, HDSP dsp);
bool BASS_ChannelPlay(HSTREAM handle, bool restart);
bool BASS_ChannelSetAttribute(HSTREAM handle, int attrib, float value);
quint32 BASS_ChannelGetLevel(HSTREAM handle);
