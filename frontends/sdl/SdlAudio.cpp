#include "frontends/sdl/SdlAudio.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vilmar::sdl {

std::optional<std::vector<std::uint8_t>> convertWave(std::span<const std::uint8_t> wave,
                                                     const SDL_AudioSpec& to) {
  if (wave.empty() || wave.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;
  SDL_RWops* source = SDL_RWFromConstMem(wave.data(), static_cast<int>(wave.size()));
  if (source == nullptr) return std::nullopt;
  SDL_AudioSpec from{};
  Uint8* samples = nullptr;
  Uint32 length = 0;
  if (SDL_LoadWAV_RW(source, 1, &from, &samples, &length) == nullptr) return std::nullopt;

  std::optional<std::vector<std::uint8_t>> result;
  SDL_AudioCVT cvt{};
  const int built = SDL_BuildAudioCVT(&cvt, from.format, from.channels, from.freq, to.format, to.channels, to.freq);
  if (built >= 0 && length <= static_cast<Uint32>(std::numeric_limits<int>::max() / std::max(1, cvt.len_mult))) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(length) * static_cast<std::size_t>(std::max(1, cvt.len_mult)));
    std::memcpy(buffer.data(), samples, length);
    cvt.buf = buffer.data();
    cvt.len = static_cast<int>(length);
    if (built == 0 || SDL_ConvertAudio(&cvt) == 0) {
      buffer.resize(built == 0 ? length : static_cast<std::size_t>(cvt.len_cvt));
      result = std::move(buffer);
    }
  }
  SDL_FreeWAV(samples);
  return result;
}

SdlAudio::SdlAudio(std::function<std::span<const std::uint8_t>(int)> wave) : wave_(std::move(wave)) {}

SdlAudio::~SdlAudio() { close(); }

void SdlAudio::close() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
  current_ = nullptr;
  if (opened_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  opened_ = false;
}

bool SdlAudio::open() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  opened_ = true;
  SDL_AudioSpec want{};
  want.freq = 48000;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 512;  // about 10 ms: a sound starts with the tick that plays it
  want.callback = &SdlAudio::fill;
  want.userdata = this;
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &format_, SDL_AUDIO_ALLOW_ANY_CHANGE);
  if (device_ == 0) return false;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlAudio::play(int waveId) {
  if (device_ == 0) return;
  auto found = sounds_.find(waveId);
  if (found == sounds_.end()) {
    auto converted = convertWave(wave_(waveId), format_);
    found = sounds_.emplace(waveId, converted ? std::move(*converted) : std::vector<std::uint8_t>{}).first;
  }
  SDL_LockAudioDevice(device_);
  current_ = found->second.empty() ? nullptr : &found->second;
  position_ = 0;
  SDL_UnlockAudioDevice(device_);
}

void SdlAudio::setVolume(int percent, bool mute) {
  const int volume = mute ? 0 : std::clamp(percent, 0, 100) * SDL_MIX_MAXVOLUME / 100;
  if (device_ == 0) {
    mixVolume_ = volume;
    return;
  }
  SDL_LockAudioDevice(device_);
  mixVolume_ = volume;
  SDL_UnlockAudioDevice(device_);
}

bool SdlAudio::playing() {
  if (device_ == 0) return false;
  SDL_LockAudioDevice(device_);
  const bool busy = current_ != nullptr;
  SDL_UnlockAudioDevice(device_);
  return busy;
}

// Runs on SDL's audio thread with the device locked.
void SdlAudio::fill(void* self, Uint8* stream, int length) {
  auto& audio = *static_cast<SdlAudio*>(self);
  const auto want = static_cast<std::size_t>(std::max(0, length));
  std::size_t done = 0;
  if (audio.current_ != nullptr) {
    const std::vector<std::uint8_t>& sound = *audio.current_;
    done = std::min(want, sound.size() - audio.position_);
    if (audio.mixVolume_ >= SDL_MIX_MAXVOLUME) {
      std::memcpy(stream, sound.data() + audio.position_, done);
    } else {
      // Quieter: mixed onto silence at the volume.
      std::memset(stream, audio.format_.silence, done);
      SDL_MixAudioFormat(stream, sound.data() + audio.position_, audio.format_.format, static_cast<Uint32>(done),
                         audio.mixVolume_);
    }
    audio.position_ += done;
    if (audio.position_ >= sound.size()) audio.current_ = nullptr;
  }
  std::memset(stream + done, audio.format_.silence, want - done);
}

}  // namespace vilmar::sdl
