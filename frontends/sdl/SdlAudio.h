#pragma once
// The game's three sounds through SDL's audio: each wave is converted once to
// what the device wants, and playing one cuts off the one playing. Without
// an audio device the game plays silently.

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace vilmar::sdl {

// A WAVE file's samples converted (resampled, re-formatted) to the given
// format; nothing when the bytes are not a wave SDL can read or convert.
std::optional<std::vector<std::uint8_t>> convertWave(std::span<const std::uint8_t> wave,
                                                     const SDL_AudioSpec& to);

class SdlAudio {
 public:
  // wave(id) gives the bytes of a wave resource.
  explicit SdlAudio(std::function<std::span<const std::uint8_t>(int)> wave);
  ~SdlAudio();
  SdlAudio(const SdlAudio&) = delete;
  SdlAudio& operator=(const SdlAudio&) = delete;

  bool open();  // false: no device, the game stays silent
  void close();  // stops the device; before SDL itself is shut down
  void play(int waveId);
  bool playing();
  // 0 to 100; 0 or muted plays nothing. Takes effect at once.
  void setVolume(int percent, bool mute);
  const SDL_AudioSpec& deviceFormat() const { return format_; }

 private:
  static void fill(void* self, Uint8* stream, int length);

  std::function<std::span<const std::uint8_t>(int)> wave_;
  bool opened_ = false;  // the audio subsystem is ours to shut down
  SDL_AudioDeviceID device_ = 0;
  SDL_AudioSpec format_{};
  // Converted sounds; an empty one stands for a wave that cannot be played.
  std::map<int, std::vector<std::uint8_t>> sounds_;
  // What the device callback plays, guarded by the device lock.
  const std::vector<std::uint8_t>* current_ = nullptr;
  std::size_t position_ = 0;
  int mixVolume_ = SDL_MIX_MAXVOLUME;  // guarded by the device lock
};

}  // namespace vilmar::sdl
