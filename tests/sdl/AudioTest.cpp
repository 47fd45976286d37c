// The game's sounds converted to what an audio device wants, broken waves,
// and a new sound cutting off the one playing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "frontends/sdl/SdlAudio.h"
#include "resources/CompiledResources.h"

namespace vilmar::sdl {
namespace {

constexpr int MUG_LAUNCHED = 230;

SDL_AudioSpec deviceFormat(int freq, SDL_AudioFormat format, Uint8 channels) {
  SDL_AudioSpec s{};
  s.freq = freq;
  s.format = format;
  s.channels = channels;
  return s;
}

std::span<const std::uint8_t> mugWave() { return compiledResource(ResourceType::Wave, MUG_LAUNCHED); }

// The samples of a plain PCM wave: the bytes of its "data" chunk.
std::vector<std::uint8_t> dataChunk(std::span<const std::uint8_t> wave) {
  for (std::size_t at = 12; at + 8 <= wave.size();) {
    const std::uint32_t size = wave[at + 4] | (wave[at + 5] << 8) | (wave[at + 6] << 16) | (std::uint32_t{wave[at + 7]} << 24);
    if (std::memcmp(wave.data() + at, "data", 4) == 0)
      return {wave.begin() + static_cast<std::ptrdiff_t>(at + 8), wave.begin() + static_cast<std::ptrdiff_t>(at + 8 + size)};
    at += 8 + size + (size & 1);
  }
  return {};
}

TEST(SoundConversion, TheWaveInItsOwnFormatComesBackUnchanged) {
  const auto samples = dataChunk(mugWave());
  ASSERT_FALSE(samples.empty());
  const auto same = convertWave(mugWave(), deviceFormat(8000, AUDIO_U8, 1));
  ASSERT_TRUE(same);
  EXPECT_EQ(*same, samples);
}

TEST(SoundConversion, ResamplesToTheDeviceRateWidthAndChannels) {
  const std::size_t frames = dataChunk(mugWave()).size();  // 8-bit mono: one byte a frame
  const auto converted = convertWave(mugWave(), deviceFormat(48000, AUDIO_S16SYS, 2));
  ASSERT_TRUE(converted);
  // Six times the frames, four bytes each; the resampler may round the end.
  const double expected = static_cast<double>(frames) * 6 * 4;
  EXPECT_NEAR(static_cast<double>(converted->size()), expected, expected * 0.01);
  EXPECT_EQ(converted->size() % 4, 0u);  // whole frames only
  // Not silence: the sound is still there after the conversion.
  const auto* samples = reinterpret_cast<const std::int16_t*>(converted->data());
  int loud = 0;
  for (std::size_t i = 0; i < converted->size() / 2; ++i) loud += std::abs(samples[i]) > 2000;
  EXPECT_GT(loud, 100);
}

TEST(SoundConversion, BrokenWavesGiveNothingAndNeverReadPastTheirEnd) {
  const auto wave = mugWave();
  EXPECT_FALSE(convertWave({}, deviceFormat(48000, AUDIO_S16SYS, 2)));
  for (std::size_t cut : {std::size_t{4}, std::size_t{12}, std::size_t{30}, std::size_t{43}}) {
    std::vector<std::uint8_t> head(wave.begin(), wave.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(convertWave(head, deviceFormat(48000, AUDIO_S16SYS, 2))) << "cut at " << cut;
  }
  std::vector<std::uint8_t> noise(4096);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 37 + 11);
  EXPECT_FALSE(convertWave(noise, deviceFormat(48000, AUDIO_S16SYS, 2)));
}

TEST(SoundPlayer, ANewSoundCutsOffTheOneAndAnUnplayableOneLeavesSilence) {
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  SdlAudio audio([](int id) { return compiledResource(ResourceType::Wave, id); });
  ASSERT_TRUE(audio.open());
  EXPECT_FALSE(audio.playing());
  audio.play(MUG_LAUNCHED);
  EXPECT_TRUE(audio.playing());
  audio.play(229);
  EXPECT_TRUE(audio.playing());
  audio.play(9999);  // no such sound: the one playing stops, nothing starts
  EXPECT_FALSE(audio.playing());
}

TEST(SoundPlayer, WithoutADeviceTheGameIsSilent) {
  ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  SdlAudio audio([](int id) { return compiledResource(ResourceType::Wave, id); });
  EXPECT_FALSE(audio.open());
  audio.play(MUG_LAUNCHED);  // nothing happens, nothing breaks
  EXPECT_FALSE(audio.playing());
}

}  // namespace
}  // namespace vilmar::sdl
