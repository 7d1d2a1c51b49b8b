#include "platform/mixer/AudioMixer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/mixer/AudioDecoder.h"

namespace {

enum Kind : DWORD { kSample = 1, kChannel = 2, kStream = 3 };
constexpr uint32_t kMaxSlots = 0xFFFF;
constexpr DWORD kMinFreq = 100;
constexpr DWORD kMaxFreq = 384000;
// Longest sample decoded whole, in frames (about six minutes at 44.1 kHz).
constexpr int64_t kMaxSampleFrames = int64_t{1} << 24;
constexpr int64_t kDecodeChunk = 4096;

thread_local int32_t threadError = BASS_OK;

DWORD makeHandle(Kind kind, uint32_t slot, uint16_t generation) {
  return (static_cast<DWORD>(kind) << 28) | (static_cast<DWORD>(generation & 0xFFF) << 16) | slot;
}
Kind kindOf(DWORD handle) { return static_cast<Kind>(handle >> 28); }
uint32_t slotOf(DWORD handle) { return handle & 0xFFFF; }
uint16_t generationOf(DWORD handle) { return (handle >> 16) & 0xFFF; }
uint16_t nextGeneration(uint16_t generation) { return generation >= 0xFFF ? 1 : generation + 1; }

}  // namespace

// An empty slot whose next handle no longer matches the old ones.
AudioMixer::Sample AudioMixer::freshSample(uint16_t generation) {
  Sample sample;
  sample.generation = nextGeneration(generation);
  return sample;
}

namespace {

BOOL ok() {
  threadError = BASS_OK;
  return 1;
}
BOOL fail(int32_t code) {
  threadError = code;
  return 0;
}

}  // namespace

AudioMixer& AudioMixer::instance() {
  static AudioMixer mixer;
  return mixer;
}

int32_t AudioMixer::lastError() { return threadError; }
void AudioMixer::setError(int32_t code) { threadError = code; }

void AudioMixer::setOutput(std::unique_ptr<AudioOutput> newOutput) {
  if (device != -2) free();
  std::lock_guard lock(mutex);
  output = std::move(newOutput);
  devices.clear();
}

BOOL AudioMixer::setConfig(DWORD option, DWORD value) {
  std::lock_guard lock(mutex);
  switch (option) {
    case BASS_CONFIG_GVOL_SAMPLE:
    case BASS_CONFIG_GVOL_STREAM:
    case BASS_CONFIG_GVOL_MUSIC:
      globalVolume[option - BASS_CONFIG_GVOL_SAMPLE] = std::min<DWORD>(value, 10000);
      return ok();
    case BASS_CONFIG_DEV_DEFAULT: config[0] = value; return ok();
    case BASS_CONFIG_UNICODE: config[1] = value; return ok();
    default: return fail(BASS_ERROR_ILLTYPE);
  }
}

DWORD AudioMixer::getConfig(DWORD option) {
  std::lock_guard lock(mutex);
  switch (option) {
    case BASS_CONFIG_GVOL_SAMPLE:
    case BASS_CONFIG_GVOL_STREAM:
    case BASS_CONFIG_GVOL_MUSIC: ok(); return globalVolume[option - BASS_CONFIG_GVOL_SAMPLE];
    case BASS_CONFIG_DEV_DEFAULT: ok(); return config[0];
    case BASS_CONFIG_UNICODE: ok(); return config[1];
    default: fail(BASS_ERROR_ILLTYPE); return static_cast<DWORD>(-1);
  }
}

BOOL AudioMixer::getDeviceInfo(DWORD index, BASS_DEVICEINFO* info) {
  std::lock_guard lock(mutex);
  if (!info) return fail(BASS_ERROR_ILLPARAM);
  // The list is read afresh from its start; the names stay valid until then.
  if (output && (index == 0 || devices.empty())) devices = output->listDevices();
  const DWORD initFlag = [&](int32_t number) { return device == number ? BASS_DEVICE_INIT : 0u; }(static_cast<int32_t>(index));
  if (index == 0) {
    *info = {"No sound", nullptr, BASS_DEVICE_ENABLED | initFlag};
    return ok();
  }
  if (devices.empty()) return fail(BASS_ERROR_DEVICE);
  if (index == 1) {
    *info = {"Default", devices.front().driver.c_str(), BASS_DEVICE_ENABLED | BASS_DEVICE_DEFAULT | initFlag};
    return ok();
  }
  if (index - 2 >= devices.size()) return fail(BASS_ERROR_DEVICE);
  const AudioOutput::Device& d = devices[index - 2];
  *info = {d.name.c_str(), d.driver.empty() ? nullptr : d.driver.c_str(), BASS_DEVICE_ENABLED | initFlag};
  return ok();
}

BOOL AudioMixer::init(int32_t number, DWORD freq, DWORD flags) {
  std::unique_lock lock(mutex);
  if (device != -2) return fail(BASS_ERROR_ALREADY);
  if (number < -1) return fail(BASS_ERROR_DEVICE);
  if (number == 0) {
    // The no-sound device: nothing is opened, nothing can fail.
    outRate = std::clamp(freq, kMinFreq, kMaxFreq);
  } else {
    if (freq < kMinFreq || freq > kMaxFreq) return fail(BASS_ERROR_FORMAT);
    if (output && devices.empty()) devices = output->listDevices();
    if (devices.empty()) return fail(BASS_ERROR_DEVICE);
    const int32_t index = number <= 1 ? -1 : number - 2;
    if (index >= static_cast<int32_t>(devices.size())) return fail(BASS_ERROR_DEVICE);
    AudioOutput* const out = output.get();
    // Opened paused, so the pull cannot wait on the lock held here.
    const int32_t result = out->open(index, freq, [this](float* stereo, int frames) { render(stereo, frames); });
    if (result != BASS_OK) return fail(result);
    outRate = freq;
  }
  device = number == -1 ? 1 : number;
  initFlags = flags;
  paused = false;
  if (number != 0) {
    AudioOutput* const out = output.get();
    lock.unlock();
    out->setPaused(false);
  }
  return ok();
}

BOOL AudioMixer::free() {
  std::unique_lock lock(mutex);
  if (device == -2) return fail(BASS_ERROR_INIT);
  const bool opened = device != 0;
  AudioOutput* const out = output.get();
  lock.unlock();
  // The pull may be waiting for the lock: close without holding it.
  if (opened) out->close();
  lock.lock();
  freeAll();
  device = -2;
  return ok();
}

void AudioMixer::freeAll() {
  for (Sample& s : samples)
    if (s.used) s = freshSample(s.generation);
  for (uint32_t slot = 0; slot < channels.size(); ++slot)
    if (channels[slot].used) releaseChannel(slot);
}

bool AudioMixer::ready() {
  if (device == -2) return fail(BASS_ERROR_INIT);
  return true;
}

BOOL AudioMixer::getInfo(BASS_INFO* info) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  if (!info) return fail(BASS_ERROR_ILLPARAM);
  const DWORD latency = device != 0 && output ? output->latencyMs() : 0;
  *info = BASS_INFO{.flags = DSCAPS_CONTINUOUSRATE | DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO | DSCAPS_SECONDARY16BIT,
                    .hwsize = 0, .hwfree = 0, .freesam = 0, .free3d = 0,
                    .minrate = kMinFreq, .maxrate = kMaxFreq, .eax = 0,
                    .minbuf = latency, .dsver = 9, .latency = latency, .initflags = initFlags,
                    .speakers = 2, .freq = outRate};
  return ok();
}

BOOL AudioMixer::pause() { return setPaused(true); }

BOOL AudioMixer::start() { return setPaused(false); }

BOOL AudioMixer::setPaused(bool bPaused) {
  std::unique_lock lock(mutex);
  if (!ready()) return 0;
  paused = bPaused;
  AudioOutput* const out = device != 0 ? output.get() : nullptr;
  lock.unlock();
  if (out) out->setPaused(bPaused);
  return ok();
}

BOOL AudioMixer::update(DWORD length) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  for (Channel& c : channels) {
    if (!c.used || !c.isStream || !c.playing) continue;
    const double rate = static_cast<double>(c.freq > 0 ? c.freq : c.stream->rate) / outRate;
    const double ahead = static_cast<double>(std::min<DWORD>(length, 5000)) * outRate / 1000.0 * rate;
    decodeTo(*c.stream, static_cast<int64_t>(c.pos + ahead) + 2);
  }
  return ok();
}

float AudioMixer::getCpu() {
  std::lock_guard lock(mutex);
  ok();
  return static_cast<float>(cpu);
}

// ---- samples and streams

HSAMPLE AudioMixer::sampleLoad(const void* data, QWORD length, DWORD max, DWORD flags) {
  {
    std::lock_guard lock(mutex);
    if (!ready()) return 0;
  }
  if (max < 1 || max > 65535) return fail(BASS_ERROR_ILLPARAM);
  int32_t error = BASS_OK;
  const auto decoder = openAudioDecoder(data, length, error);
  if (!decoder) return fail(error);
  // Decoded outside the lock: the output keeps playing meanwhile.
  Sample sample;
  sample.chans = decoder->channels;
  sample.freq = decoder->rate;
  std::vector<int16_t> chunk(static_cast<size_t>(kDecodeChunk * sample.chans));
  for (;;) {
    const int64_t n = decoder->readShort(chunk.data(), kDecodeChunk);
    if (n <= 0) break;
    if (sample.frames + n > kMaxSampleFrames) return fail(BASS_ERROR_MEM);
    const size_t at = sample.pcm.size(), count = static_cast<size_t>(n * sample.chans);
    sample.pcm.resize(at + count);
    for (size_t i = 0; i < count; ++i) sample.pcm[at + i] = chunk[i] * (1.0f / 32768);
    sample.frames += n;
  }
  if (sample.frames == 0) return fail(BASS_ERROR_EMPTY);
  sample.max = max;
  sample.flags = flags;
  sample.used = true;

  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  uint32_t slot = 0;
  while (slot < samples.size() && samples[slot].used) ++slot;
  if (slot >= kMaxSlots) return fail(BASS_ERROR_MEM);
  if (slot == samples.size()) samples.emplace_back();
  sample.generation = samples[slot].generation;
  samples[slot] = std::move(sample);
  ok();
  return makeHandle(kSample, slot, samples[slot].generation);
}

AudioMixer::Sample* AudioMixer::findSample(DWORD handle) {
  const uint32_t slot = slotOf(handle);
  if (kindOf(handle) != kSample || slot >= samples.size() || !samples[slot].used ||
      samples[slot].generation != generationOf(handle)) {
    fail(BASS_ERROR_HANDLE);
    return nullptr;
  }
  return &samples[slot];
}

AudioMixer::Channel* AudioMixer::findChannel(DWORD handle) {
  const uint32_t slot = slotOf(handle);
  const Kind kind = kindOf(handle);
  if ((kind != kChannel && kind != kStream) || slot >= channels.size() || !channels[slot].used ||
      channels[slot].generation != generationOf(handle) || channels[slot].isStream != (kind == kStream)) {
    fail(BASS_ERROR_HANDLE);
    return nullptr;
  }
  return &channels[slot];
}

DWORD AudioMixer::channelHandle(uint32_t slot) const {
  return makeHandle(channels[slot].isStream ? kStream : kChannel, slot, channels[slot].generation);
}

uint32_t AudioMixer::allocChannel() {
  uint32_t slot = 0;
  while (slot < channels.size() && channels[slot].used) ++slot;
  if (slot >= kMaxSlots) return kMaxSlots;
  if (slot == channels.size()) channels.emplace_back();
  Channel& c = channels[slot];
  const uint16_t generation = c.generation;
  c = Channel{};
  c.generation = generation;
  c.used = true;
  return slot;
}

void AudioMixer::releaseChannel(uint32_t slot) {
  Channel& c = channels[slot];
  const uint16_t generation = nextGeneration(c.generation);
  c = Channel{};
  c.generation = generation;
}

BOOL AudioMixer::sampleFree(HSAMPLE handle) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  Sample* sample = findSample(handle);
  if (!sample) return 0;
  const uint32_t slot = slotOf(handle);
  for (uint32_t c = 0; c < channels.size(); ++c)
    if (channels[c].used && !channels[c].isStream && channels[c].sample == slot) releaseChannel(c);
  *sample = freshSample(sample->generation);
  return ok();
}

BOOL AudioMixer::sampleGetInfo(HSAMPLE handle, BASS_SAMPLE* info) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  const Sample* sample = findSample(handle);
  if (!sample) return 0;
  if (!info) return fail(BASS_ERROR_ILLPARAM);
  *info = BASS_SAMPLE{};
  info->freq = sample->freq;
  info->volume = 1;
  info->flags = sample->flags;
  info->length = static_cast<DWORD>(sample->frames * sample->chans * 2);
  info->max = sample->max;
  info->origres = 16;
  info->chans = static_cast<DWORD>(sample->chans);
  return ok();
}

HCHANNEL AudioMixer::sampleGetChannel(HSAMPLE handle, BOOL onlyNew) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  const Sample* sample = findSample(handle);
  if (!sample) return 0;
  const uint32_t sampleSlot = slotOf(handle);
  DWORD count = 0;
  // The one to take over: started before the rest (unstarted ones last).
  uint32_t victim = kMaxSlots;
  for (uint32_t slot = 0; slot < channels.size(); ++slot) {
    const Channel& c = channels[slot];
    if (!c.used || c.isStream || c.sample != sampleSlot) continue;
    ++count;
    if (victim == kMaxSlots) {
      victim = slot;
      continue;
    }
    const Channel& v = channels[victim];
    if (c.started && (!v.started || c.playSerial < v.playSerial)) victim = slot;
  }
  if (count >= sample->max) {
    if (onlyNew || !(sample->flags & BASS_SAMPLE_OVER_POS) || victim == kMaxSlots) return fail(BASS_ERROR_NOCHAN);
    releaseChannel(victim);
  }
  const uint32_t slot = allocChannel();
  if (slot == kMaxSlots) return fail(BASS_ERROR_NOCHAN);
  channels[slot].sample = sampleSlot;
  ok();
  return channelHandle(slot);
}

DWORD AudioMixer::sampleGetChannels(HSAMPLE handle, HCHANNEL* out) {
  std::lock_guard lock(mutex);
  if (!ready()) return static_cast<DWORD>(-1);
  if (!findSample(handle)) return static_cast<DWORD>(-1);
  DWORD count = 0;
  for (uint32_t slot = 0; slot < channels.size(); ++slot) {
    const Channel& c = channels[slot];
    if (!c.used || c.isStream || c.sample != slotOf(handle)) continue;
    if (out) out[count] = channelHandle(slot);
    ++count;
  }
  ok();
  return count;
}

HSTREAM AudioMixer::streamCreate(const void* data, QWORD length, DWORD flags) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  int32_t error = BASS_OK;
  auto decoder = openAudioDecoder(data, length, error);
  if (!decoder) return fail(error);
  if (decoder->frames <= 0) return fail(BASS_ERROR_EMPTY);
  const uint32_t slot = allocChannel();
  if (slot == kMaxSlots) return fail(BASS_ERROR_MEM);
  Channel& c = channels[slot];
  c.isStream = true;
  c.stream = std::make_unique<Stream>();
  Stream& s = *c.stream;
  s.chans = decoder->channels;
  s.rate = decoder->rate;
  s.length = decoder->frames;
  s.loop = (flags & BASS_SAMPLE_LOOP) != 0;
  s.decoder = std::move(decoder);
  s.scratch.resize(static_cast<size_t>(kDecodeChunk * s.chans));
  ok();
  return channelHandle(slot);
}

BOOL AudioMixer::streamFree(HSTREAM handle) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  if (kindOf(handle) != kStream) return fail(BASS_ERROR_HANDLE);
  if (!findChannel(handle)) return 0;
  releaseChannel(slotOf(handle));
  return ok();
}

void AudioMixer::decodeTo(Stream& s, int64_t index) {
  // Frames far behind the play index are no longer needed.
  bool retried = false;
  while (s.decodedTo < index && !s.ended) {
    const int64_t n = s.decoder->readFloat(s.scratch.data(), kDecodeChunk);
    if (n <= 0) {
      // The end of the file: a looping stream goes on from its start, seamlessly.
      if (!s.loop || retried || !s.decoder->seek(0)) s.ended = true;
      retried = true;
      continue;
    }
    retried = false;
    const size_t at = s.buffer.size(), count = static_cast<size_t>(n * s.chans);
    s.buffer.resize(at + count);
    for (size_t i = 0; i < count; ++i) {
      const float v = s.scratch[i];
      s.buffer[at + i] = std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
    }
    s.decodedTo += n;
  }
}

// ---- channels

DWORD AudioMixer::sourceRate(const Channel& c) const { return c.isStream ? c.stream->rate : samples[c.sample].freq; }
int32_t AudioMixer::sourceChans(const Channel& c) const { return c.isStream ? c.stream->chans : samples[c.sample].chans; }
int64_t AudioMixer::sourceFrames(const Channel& c) const {
  return c.isStream ? c.stream->length : samples[c.sample].frames;
}

void AudioMixer::rewind(Channel& c, int64_t frame) {
  c.pos = 0;
  if (!c.isStream) {
    c.pos = static_cast<double>(frame);
    return;
  }
  Stream& s = *c.stream;
  s.buffer.clear();
  s.bufStart = s.decodedTo = 0;
  s.base = frame;
  s.ended = !s.decoder->seek(frame);
}

BOOL AudioMixer::channelPlay(DWORD handle, BOOL restart) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  Channel* c = findChannel(handle);
  if (!c) return 0;
  if (restart) rewind(*c, 0);
  else if (c->playing) return ok();
  else if (c->isStream && c->stream->ended && c->pos >= static_cast<double>(c->stream->decodedTo)) rewind(*c, 0);
  c->playing = c->started = true;
  c->playSerial = ++playCounter;
  return ok();
}

BOOL AudioMixer::channelStop(DWORD handle) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  Channel* c = findChannel(handle);
  if (!c) return 0;
  if (c->isStream) {
    c->playing = false;
    for (Slide& slide : c->slides) slide = Slide{};
  } else {
    releaseChannel(slotOf(handle));
  }
  return ok();
}

DWORD AudioMixer::channelIsActive(DWORD handle) {
  std::lock_guard lock(mutex);
  if (!ready()) return BASS_ACTIVE_STOPPED;
  const Channel* c = findChannel(handle);
  if (!c) return BASS_ACTIVE_STOPPED;
  ok();
  return c->playing ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

BOOL AudioMixer::channelSetAttribute(DWORD handle, DWORD attrib, float value) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  Channel* c = findChannel(handle);
  if (!c) return 0;
  if (attrib < BASS_ATTRIB_FREQ || attrib > BASS_ATTRIB_PAN) return fail(BASS_ERROR_ILLTYPE);
  if (!std::isfinite(value)) return fail(BASS_ERROR_ILLPARAM);
  c->slides[attrib - 1] = Slide{};
  switch (attrib) {
    case BASS_ATTRIB_FREQ:
      if (value < 0) return fail(BASS_ERROR_ILLPARAM);
      c->freq = value == 0 ? 0 : std::clamp(value, static_cast<float>(kMinFreq), static_cast<float>(kMaxFreq));
      break;
    case BASS_ATTRIB_VOL: c->vol = std::clamp(value, 0.0f, 1.0f); break;
    case BASS_ATTRIB_PAN: c->pan = std::clamp(value, -1.0f, 1.0f); break;
  }
  return ok();
}

BOOL AudioMixer::channelGetAttribute(DWORD handle, DWORD attrib, float* value) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  const Channel* c = findChannel(handle);
  if (!c) return 0;
  if (!value) return fail(BASS_ERROR_ILLPARAM);
  switch (attrib) {
    case BASS_ATTRIB_FREQ: *value = c->freq > 0 ? c->freq : static_cast<float>(sourceRate(*c)); break;
    case BASS_ATTRIB_VOL: *value = c->vol; break;
    case BASS_ATTRIB_PAN: *value = c->pan; break;
    default: return fail(BASS_ERROR_ILLTYPE);
  }
  return ok();
}

BOOL AudioMixer::channelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD time) {
  std::unique_lock lock(mutex);
  if (!ready()) return 0;
  Channel* c = findChannel(handle);
  if (!c) return 0;
  if (attrib < BASS_ATTRIB_FREQ || attrib > BASS_ATTRIB_PAN) return fail(BASS_ERROR_ILLTYPE);
  if (!std::isfinite(value)) return fail(BASS_ERROR_ILLPARAM);
  Slide slide;
  switch (attrib) {
    case BASS_ATTRIB_FREQ:
      if (value < 0) return fail(BASS_ERROR_ILLPARAM);
      slide.from = c->freq > 0 ? c->freq : static_cast<float>(sourceRate(*c));
      slide.to = value == 0 ? static_cast<float>(sourceRate(*c))
                            : std::clamp(value, static_cast<float>(kMinFreq), static_cast<float>(kMaxFreq));
      break;
    case BASS_ATTRIB_VOL:
      slide.from = c->vol;
      slide.stopAtEnd = value < 0;
      slide.to = std::clamp(value, 0.0f, 1.0f);
      break;
    case BASS_ATTRIB_PAN:
      slide.from = c->pan;
      slide.to = std::clamp(value, -1.0f, 1.0f);
      break;
  }
  slide.total = static_cast<uint64_t>(time) * outRate / 1000;
  if (slide.total == 0) {
    // No time to slide over: the value is set at once.
    const bool stop = slide.stopAtEnd;
    lock.unlock();
    const BOOL result = channelSetAttribute(handle, attrib, slide.to);
    if (stop && result) channelStop(handle);
    return result ? ok() : 0;
  }
  slide.active = true;
  c->slides[attrib - 1] = slide;
  return ok();
}

QWORD AudioMixer::channelGetLength(DWORD handle) {
  std::lock_guard lock(mutex);
  if (!ready()) return static_cast<QWORD>(-1);
  const Channel* c = findChannel(handle);
  if (!c) return static_cast<QWORD>(-1);
  ok();
  return static_cast<QWORD>(sourceFrames(*c)) * static_cast<QWORD>(sourceChans(*c)) * 2;
}

QWORD AudioMixer::channelGetPosition(DWORD handle) {
  std::lock_guard lock(mutex);
  if (!ready()) return static_cast<QWORD>(-1);
  const Channel* c = findChannel(handle);
  if (!c) return static_cast<QWORD>(-1);
  int64_t frame = static_cast<int64_t>(c->pos);
  if (c->isStream) {
    const Stream& s = *c->stream;
    frame += s.base;
    frame = s.loop ? frame % s.length : std::min(frame, s.length);
  }
  ok();
  return static_cast<QWORD>(frame) * static_cast<QWORD>(sourceChans(*c)) * 2;
}

BOOL AudioMixer::channelSetPosition(DWORD handle, QWORD pos) {
  std::lock_guard lock(mutex);
  if (!ready()) return 0;
  Channel* c = findChannel(handle);
  if (!c) return 0;
  const QWORD frame = pos / (static_cast<QWORD>(sourceChans(*c)) * 2);
  if (frame >= static_cast<QWORD>(sourceFrames(*c))) return fail(BASS_ERROR_POSITION);
  rewind(*c, static_cast<int64_t>(frame));
  return ok();
}

// ---- mixing

// Advances the channel's slides by one output frame; false when a fade to
// silence has ended and the channel stops.
bool AudioMixer::stepSlides(Channel& c) {
  bool keep = true;
  for (int32_t a = 0; a < 3; ++a) {
    Slide& s = c.slides[a];
    if (!s.active) continue;
    float value = s.to;
    if (++s.done >= s.total) {
      s.active = false;
      if (s.stopAtEnd) keep = false;
    } else {
      value = s.from + (s.to - s.from) * static_cast<float>(static_cast<double>(s.done) / static_cast<double>(s.total));
    }
    if (a == 0) c.freq = value;
    else if (a == 1) c.vol = value;
    else c.pan = value;
  }
  return keep;
}

template <class Fetch>
void AudioMixer::mixVoice(Channel& c, float* out, int frames, float gain, DWORD rate, Fetch fetch) {
  const bool sliding = c.slides[0].active || c.slides[1].active || c.slides[2].active;
  const double outFrames = static_cast<double>(outRate);
  double step = (c.freq > 0 ? c.freq : static_cast<double>(rate)) / outFrames;
  float left = c.vol * gain * (c.pan > 0 ? 1 - c.pan : 1);
  float right = c.vol * gain * (c.pan < 0 ? 1 + c.pan : 1);
  for (int i = 0; i < frames; ++i) {
    const auto index = static_cast<int64_t>(c.pos);
    const auto frac = static_cast<float>(c.pos - static_cast<double>(index));
    float l0, r0, l1, r1;
    if (!fetch(index, l0, r0)) {
      c.finished = true;
      return;
    }
    if (frac != 0 && fetch(index + 1, l1, r1)) {
      l0 += (l1 - l0) * frac;
      r0 += (r1 - r0) * frac;
    }
    out[2 * i] += l0 * left;
    out[2 * i + 1] += r0 * right;
    c.pos += step;
    if (sliding) {
      if (!stepSlides(c)) {
        c.finished = true;
        return;
      }
      step = (c.freq > 0 ? c.freq : static_cast<double>(rate)) / outFrames;
      left = c.vol * gain * (c.pan > 0 ? 1 - c.pan : 1);
      right = c.vol * gain * (c.pan < 0 ? 1 + c.pan : 1);
    }
  }
}

// The common case: a sample's channel with nothing sliding. Runs between the
// sample's edges without bounds checks; the frames at an edge go one by one.
template <int Chans>
void AudioMixer::mixSampleSteady(Channel& c, const Sample& s, float* out, int frames, float gain) {
  const double step = (c.freq > 0 ? c.freq : static_cast<double>(s.freq)) / static_cast<double>(outRate);
  const float scale = c.vol * gain;
  const float left = scale * (c.pan > 0 ? 1 - c.pan : 1);
  const float right = scale * (c.pan < 0 ? 1 + c.pan : 1);
  const bool loop = (s.flags & BASS_SAMPLE_LOOP) != 0;
  const int64_t length = s.frames;
  const float* pcm = s.pcm.data();
  const auto lastSafe = static_cast<double>(length - 1);  // below it, frame index + 1 exists
  // Positions in 32.32 fixed point inside a run: cheaper than doubles per frame.
  constexpr double kOne = 4294967296.0;
  const auto fixedStep = static_cast<uint64_t>(step * kOne);
  int i = 0;
  while (i < frames) {
    int run = 0;
    if (c.pos < lastSafe) run = static_cast<int>(std::min<double>(frames - i, std::floor((lastSafe - c.pos) / step - 1e-9) + 1));
    const auto whole = static_cast<uint64_t>(c.pos);
    uint64_t fixed = (whole << 32) + static_cast<uint64_t>((c.pos - static_cast<double>(whole)) * kOne);
    float* o = out + 2 * i;
    for (int k = 0; k < run; ++k, fixed += fixedStep) {
      const float* f = pcm + (fixed >> 32) * Chans;
      const float frac = static_cast<float>(static_cast<uint32_t>(fixed)) * (1.0f / 4294967296.0f);
      const float l = f[0] + (f[Chans] - f[0]) * frac;
      o[2 * k] += l * left;
      if constexpr (Chans == 1) {
        o[2 * k + 1] += l * right;
      } else {
        o[2 * k + 1] += (f[1] + (f[3] - f[1]) * frac) * right;
      }
    }
    if (run > 0) c.pos = static_cast<double>(fixed >> 32) + static_cast<double>(static_cast<uint32_t>(fixed)) / kOne;
    i += run;
    if (i >= frames) break;
    // At the last frame or past the end.
    const auto index = static_cast<int64_t>(c.pos);
    if (index >= length) {
      if (!loop) {
        c.finished = true;
        return;
      }
      c.pos = std::fmod(c.pos, static_cast<double>(length));
      continue;
    }
    const auto frac = static_cast<float>(c.pos - static_cast<double>(index));
    const float* f = pcm + index * Chans;
    const float* next = loop ? pcm : f;
    out[2 * i] += (f[0] + (next[0] - f[0]) * frac) * left;
    out[2 * i + 1] += (f[Chans - 1] + (next[Chans - 1] - f[Chans - 1]) * frac) * right;
    c.pos += step;
    ++i;
  }
}

void AudioMixer::render(float* out, int frames) {
  const auto begin = std::chrono::steady_clock::now();
  std::fill(out, out + 2 * static_cast<size_t>(std::max(frames, 0)), 0.0f);
  std::lock_guard lock(mutex);
  if (frames <= 0 || device == -2 || paused) return;
  for (uint32_t slot = 0; slot < channels.size(); ++slot) {
    Channel& c = channels[slot];
    if (!c.used || !c.playing) continue;
    if (c.isStream) {
      Stream& s = *c.stream;
      const float gain = static_cast<float>(globalVolume[1]) / 10000.0f;
      // Enough for this block at the fastest rate it may reach.
      const double fastest = std::max({c.freq > 0 ? c.freq : static_cast<float>(s.rate),
                                       c.slides[0].active ? c.slides[0].to : 0.0f});
      decodeTo(s, static_cast<int64_t>(c.pos + fastest / outRate * frames) + 2);
      const int32_t chans = s.chans;
      mixVoice(c, out, frames, gain, s.rate, [&s, chans](int64_t index, float& l, float& r) {
        if (index >= s.decodedTo) return false;
        const float* frame = s.buffer.data() + (index - s.bufStart) * chans;
        l = frame[0];
        r = frame[chans - 1];
        return true;
      });
      // Keep a little behind the play index, drop the rest.
      const int64_t keepFrom = std::min(static_cast<int64_t>(c.pos), s.decodedTo);
      if (keepFrom - s.bufStart > 8192) {
        s.buffer.erase(s.buffer.begin(), s.buffer.begin() + (keepFrom - s.bufStart) * chans);
        s.bufStart = keepFrom;
      }
      // Ended with the last frame out, not one pull later.
      if (c.finished || (s.ended && c.pos >= static_cast<double>(s.decodedTo))) {
        c.finished = false;
        c.playing = false;
      }
    } else {
      const Sample& s = samples[c.sample];
      const float gain = static_cast<float>(globalVolume[0]) / 10000.0f;
      const bool loop = (s.flags & BASS_SAMPLE_LOOP) != 0;
      const int32_t chans = s.chans;
      const int64_t length = s.frames;
      const float* pcm = s.pcm.data();
      if (loop && c.pos >= static_cast<double>(length)) c.pos = std::fmod(c.pos, static_cast<double>(length));
      if (!c.slides[0].active && !c.slides[1].active && !c.slides[2].active) {
        if (chans == 1) mixSampleSteady<1>(c, s, out, frames, gain);
        else mixSampleSteady<2>(c, s, out, frames, gain);
        if (c.finished || (!loop && c.pos >= static_cast<double>(length))) releaseChannel(slot);
        continue;
      }
      mixVoice(c, out, frames, gain, s.freq, [&, chans, length, pcm](int64_t index, float& l, float& r) {
        if (index >= length) {
          if (!loop) return false;
          index %= length;
          // Keep the play position within the sample as it wraps.
          if (c.pos >= static_cast<double>(length)) c.pos = std::fmod(c.pos, static_cast<double>(length));
        }
        const float* frame = pcm + index * chans;
        l = frame[0];
        r = frame[chans - 1];
        return true;
      });
      if (c.finished || (!loop && c.pos >= static_cast<double>(length))) releaseChannel(slot);
    }
  }
  const double spent = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  const double share = 100.0 * spent * outRate / frames;
  cpu = cpu * 0.9 + share * 0.1;
}
