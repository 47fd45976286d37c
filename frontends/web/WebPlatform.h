#pragma once
// The game's platform in the browser: the frame on a canvas, keys from the
// page, the performance.now() clock, Web Audio, dialogs as HTML, fetch for
// the score. Every wait (the tick, a dialog, the score's exchange) gives the
// browser its turn through Asyncify, so the page never freezes.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Platform.h"
#include "platform/KeyLatch.h"
#include "frontends/web/WebKeys.h"
#include "frontends/web/WebLoop.h"

namespace vilmar::web {

class WebPlatform final : public Platform, public PageEvents {
 public:
  WebPlatform();
  ~WebPlatform() override;

  // From the page's event handlers (between the loop's waits).
  KeyLatch keys;
  CommandQueue commands;

  std::span<const std::uint8_t> resource(ResourceType type, int id) override;
  void present(std::span<const std::uint8_t> pixels, int width, int height, const Palette& palette) override;
  std::uint16_t keyState(Key key) override { return keys.read(key); }
  bool hasFocus() override;
  std::uint32_t milliseconds() override;
  void sleep(std::uint32_t ms) override;
  void spin() override;
  void waitUntil(std::uint32_t start, std::uint32_t due) override;
  void playSound(int waveId) override;
  void runDialog(Dialog& dialog) override;
  void openUrl(std::string_view url) override;
  HttpTransport& http() override;
  int processorType() override { return 0; }  // a browser does not tell
  std::uint32_t secondsOfDay() override;
  bool readProgramFile(std::string& bytes) override;
  void debugOutput(std::string_view text) override;

  bool hidden() override;
  void waitUntilShown() override;
  std::optional<int> nextCommand() override { return commands.next(); }
  void breathe() override;
  void showTitle(const std::string& title) override;

 private:
  void yieldFor(std::uint32_t ms);

  std::vector<std::uint8_t> shown_;  // the frame on the canvas
  Palette shownPalette_{};
  int shownWidth_ = 0;
  std::vector<std::uint8_t> rgba_;
  std::unique_ptr<HttpTransport> http_;
  double lastYield_ = 0;
  std::string title_;
};

}  // namespace vilmar::web
