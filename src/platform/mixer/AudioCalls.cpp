// The BASS-style calls over the one mixer.
#include "platform/Audio.h"

#include "platform/mixer/AudioMixer.h"

namespace {
AudioMixer& mixer() { return AudioMixer::instance(); }
}  // namespace

DWORD BASS_GetVersion() {
  AudioMixer::setError(BASS_OK);
  return BASSVERSION_PACKED;
}
BOOL BASS_SetConfig(DWORD option, DWORD value) { return mixer().setConfig(option, value); }
DWORD BASS_GetConfig(DWORD option) { return mixer().getConfig(option); }
BOOL BASS_GetDeviceInfo(DWORD device, BASS_DEVICEINFO* info) { return mixer().getDeviceInfo(device, info); }
BOOL BASS_Init(int32_t device, DWORD freq, DWORD flags, void*, const void*) { return mixer().init(device, freq, flags); }
BOOL BASS_Free() { return mixer().free(); }
BOOL BASS_GetInfo(BASS_INFO* info) { return mixer().getInfo(info); }
int32_t BASS_ErrorGetCode() { return AudioMixer::lastError(); }
BOOL BASS_Pause() { return mixer().pause(); }
BOOL BASS_Start() { return mixer().start(); }
BOOL BASS_Update(DWORD length) { return mixer().update(length); }
float BASS_GetCPU() { return mixer().getCpu(); }

HSAMPLE BASS_SampleLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD max, DWORD flags) {
  // Only samples from memory are needed; files come through the file manager.
  if (!mem || !file) {
    AudioMixer::setError(mem ? BASS_ERROR_ILLPARAM : BASS_ERROR_NOTAVAIL);
    return 0;
  }
  return mixer().sampleLoad(static_cast<const uint8_t*>(file) + offset, length, max, flags);
}
BOOL BASS_SampleFree(HSAMPLE handle) { return mixer().sampleFree(handle); }
BOOL BASS_SampleGetInfo(HSAMPLE handle, BASS_SAMPLE* info) { return mixer().sampleGetInfo(handle, info); }
HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BOOL onlyNew) { return mixer().sampleGetChannel(handle, onlyNew); }
DWORD BASS_SampleGetChannels(HSAMPLE handle, HCHANNEL* channels) { return mixer().sampleGetChannels(handle, channels); }

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
  if (!mem || !file) {
    AudioMixer::setError(mem ? BASS_ERROR_ILLPARAM : BASS_ERROR_NOTAVAIL);
    return 0;
  }
  return mixer().streamCreate(static_cast<const uint8_t*>(file) + offset, length, flags);
}
BOOL BASS_StreamFree(HSTREAM handle) { return mixer().streamFree(handle); }

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) { return mixer().channelPlay(handle, restart); }
BOOL BASS_ChannelStop(DWORD handle) { return mixer().channelStop(handle); }
DWORD BASS_ChannelIsActive(DWORD handle) { return mixer().channelIsActive(handle); }
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
  return mixer().channelSetAttribute(handle, attrib, value);
}
BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value) {
  return mixer().channelGetAttribute(handle, attrib, value);
}
BOOL BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD time) {
  return mixer().channelSlideAttribute(handle, attrib, value, time);
}
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
  if (mode != BASS_POS_BYTE) {
    AudioMixer::setError(BASS_ERROR_NOTAVAIL);
    return static_cast<QWORD>(-1);
  }
  return mixer().channelGetLength(handle);
}
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
  if (mode != BASS_POS_BYTE) {
    AudioMixer::setError(BASS_ERROR_NOTAVAIL);
    return static_cast<QWORD>(-1);
  }
  return mixer().channelGetPosition(handle);
}
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
  if (mode != BASS_POS_BYTE) {
    AudioMixer::setError(BASS_ERROR_NOTAVAIL);
    return 0;
  }
  return mixer().channelSetPosition(handle, pos);
}

void setAudioOutput(std::unique_ptr<AudioOutput> output) { mixer().setOutput(std::move(output)); }
