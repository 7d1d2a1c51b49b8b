#pragma once
// A BASS-style audio layer: samples decoded whole from memory, streams decoded
// while they play, channels with frequency, volume, pan and timed slides, one
// output device. The mixing is our own (platform/mixer); an output backend
// (SDL in the program, null, or an offline one in tests) pulls the mix.
//
// Every call sets the calling thread's error code (BASS_ErrorGetCode): BASS_OK
// on success, else one of the codes below. Handles carry a generation, so a
// handle whose object was freed gets BASS_ERROR_HANDLE even after its slot is
// reused. Callable from any thread; the output pulls on a thread of its own.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using DWORD = uint32_t;
using QWORD = uint64_t;
using BOOL = int32_t;
using HSAMPLE = DWORD;
using HCHANNEL = DWORD;
using HSTREAM = DWORD;

constexpr DWORD BASSVERSION_PACKED = 0x02040a08;  // what BASS_GetVersion reports

// Error codes.
constexpr int32_t BASS_OK = 0;
constexpr int32_t BASS_ERROR_MEM = 1;
constexpr int32_t BASS_ERROR_FILEOPEN = 2;
constexpr int32_t BASS_ERROR_DRIVER = 3;
constexpr int32_t BASS_ERROR_HANDLE = 5;
constexpr int32_t BASS_ERROR_FORMAT = 6;
constexpr int32_t BASS_ERROR_POSITION = 7;
constexpr int32_t BASS_ERROR_INIT = 8;
constexpr int32_t BASS_ERROR_START = 9;
constexpr int32_t BASS_ERROR_ALREADY = 14;
constexpr int32_t BASS_ERROR_NOCHAN = 18;
constexpr int32_t BASS_ERROR_ILLTYPE = 19;
constexpr int32_t BASS_ERROR_ILLPARAM = 20;
constexpr int32_t BASS_ERROR_DEVICE = 23;
constexpr int32_t BASS_ERROR_NOPLAY = 24;
constexpr int32_t BASS_ERROR_FREQ = 25;
constexpr int32_t BASS_ERROR_EMPTY = 31;
constexpr int32_t BASS_ERROR_NOTAVAIL = 37;
constexpr int32_t BASS_ERROR_DECODE = 38;
constexpr int32_t BASS_ERROR_FILEFORM = 41;
constexpr int32_t BASS_ERROR_UNKNOWN = -1;

// BASS_SetConfig options: global volumes 0 to 10000, and the two start-up switches.
constexpr DWORD BASS_CONFIG_GVOL_SAMPLE = 4;
constexpr DWORD BASS_CONFIG_GVOL_STREAM = 5;
constexpr DWORD BASS_CONFIG_GVOL_MUSIC = 6;
constexpr DWORD BASS_CONFIG_DEV_DEFAULT = 36;
constexpr DWORD BASS_CONFIG_UNICODE = 42;

constexpr DWORD BASS_DEVICE_3D = 4;
// BASS_DEVICEINFO flags.
constexpr DWORD BASS_DEVICE_ENABLED = 1;
constexpr DWORD BASS_DEVICE_DEFAULT = 2;
constexpr DWORD BASS_DEVICE_INIT = 4;

// Sample and stream flags.
constexpr DWORD BASS_SAMPLE_LOOP = 4;
constexpr DWORD BASS_SAMPLE_VAM = 0x40;
constexpr DWORD BASS_SAMPLE_OVER_POS = 0x20000;

constexpr DWORD BASS_ATTRIB_FREQ = 1;  // Hz, 0 = the source's own rate
constexpr DWORD BASS_ATTRIB_VOL = 2;   // 0 to 1
constexpr DWORD BASS_ATTRIB_PAN = 3;   // -1 (left) to 1 (right)

constexpr DWORD BASS_POS_BYTE = 0;  // positions in bytes of 16-bit PCM frames

constexpr DWORD BASS_ACTIVE_STOPPED = 0;
constexpr DWORD BASS_ACTIVE_PLAYING = 1;

// DirectSound capability bits of BASS_INFO::flags.
constexpr DWORD DSCAPS_CONTINUOUSRATE = 0x10;
constexpr DWORD DSCAPS_EMULDRIVER = 0x20;
constexpr DWORD DSCAPS_CERTIFIED = 0x40;
constexpr DWORD DSCAPS_SECONDARYMONO = 0x100;
constexpr DWORD DSCAPS_SECONDARYSTEREO = 0x200;
constexpr DWORD DSCAPS_SECONDARY8BIT = 0x400;
constexpr DWORD DSCAPS_SECONDARY16BIT = 0x800;

struct BASS_DEVICEINFO {
  const char* name;    // UTF-8; valid until the device list changes
  const char* driver;  // UTF-8, null for none
  DWORD flags;
};

struct BASS_INFO {
  DWORD flags, hwsize, hwfree, freesam, free3d, minrate, maxrate;
  BOOL eax;
  DWORD minbuf, dsver, latency, initflags, speakers, freq;
};

struct BASS_SAMPLE {
  DWORD freq;  // default rate, Hz
  float volume, pan;
  DWORD flags;
  DWORD length;  // bytes of 16-bit PCM
  DWORD max, origres, chans, mingap, mode3d;
  float mindist, maxdist;
  DWORD iangle, oangle;
  float outvol;
  DWORD vam, priority;
};
static_assert(sizeof(BASS_SAMPLE) == 68);

DWORD BASS_GetVersion();
BOOL BASS_SetConfig(DWORD option, DWORD value);
DWORD BASS_GetConfig(DWORD option);
// Device 0 is the no-sound device, 1 "Default" (the system's default output),
// then the output backend's devices. False past the last.
BOOL BASS_GetDeviceInfo(DWORD device, BASS_DEVICEINFO* info);
// device -1: the default device. Device 0 always succeeds (nothing is heard).
BOOL BASS_Init(int32_t device, DWORD freq, DWORD flags, void* window, const void* clsid);
BOOL BASS_Free();
BOOL BASS_GetInfo(BASS_INFO* info);
int32_t BASS_ErrorGetCode();
// Pauses or restarts the whole output; channels keep their state.
BOOL BASS_Pause();
BOOL BASS_Start();
// Decodes the playing streams ahead by `length` milliseconds.
BOOL BASS_Update(DWORD length);
// The mixer's share of the output's time, in percent.
float BASS_GetCPU();

HSAMPLE BASS_SampleLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD max, DWORD flags);
BOOL BASS_SampleFree(HSAMPLE handle);
BOOL BASS_SampleGetInfo(HSAMPLE handle, BASS_SAMPLE* info);
// A new channel of the sample; when `max` of them exist, the longest playing
// one is taken over (its handle goes stale). 0 on failure.
HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BOOL onlyNew);
// The number of the sample's channels; with `channels`, their handles too.
DWORD BASS_SampleGetChannels(HSAMPLE handle, HCHANNEL* channels);

// Decodes from the caller's memory block, which must stay valid until BASS_StreamFree.
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
// A sample's channel ends when stopped (its handle goes stale); a stream stays.
BOOL BASS_ChannelStop(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value);
// Moves the attribute to `value` over `time` ms, replacing a slide of the same
// attribute. A volume slide to a negative value ends at 0 and stops the channel.
BOOL BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD time);
// (QWORD)-1 on failure.
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
// Aligned down to a whole frame; at or past the end: BASS_ERROR_POSITION.
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);

// The output side: lists its devices, opens one and pulls the mix from the
// render function on a thread of its own (or, offline, when asked).
class AudioOutput {
 public:
  // Fills `frames` stereo float frames.
  using Render = std::function<void(float* stereo, int frames)>;
  struct Device {
    std::string name, driver;  // UTF-8
  };

  virtual ~AudioOutput() = default;
  virtual std::vector<Device> listDevices() = 0;
  // Opens device `index` of the list (-1: the system's default) at `frequency`
  // Hz, stereo, paused. Returns BASS_OK or the error code.
  virtual int32_t open(int32_t index, DWORD frequency, Render render) = 0;
  virtual void setPaused(bool paused) = 0;
  virtual void close() = 0;
  // The output's buffering delay in ms.
  virtual DWORD latencyMs() { return 0; }
};

// Makes `output` the one the next BASS_Init uses; without one there are no
// devices and only the no-sound device starts. Frees the layer first when it
// is started.
void setAudioOutput(std::unique_ptr<AudioOutput> output);
