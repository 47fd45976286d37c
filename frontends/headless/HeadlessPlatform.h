#pragma once
// The platform of the simulator, the tests and the benchmarks: a virtual
// clock that moves only while the program waits, scripted keys, a frame kept
// in memory, and a log of what was played, opened and shown.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/KeyLatch.h"
#include "platform/Platform.h"

namespace vilmar {

struct DialogRecord {
  int templateId = 0;
  std::string caption;
  std::map<int, std::string> items;  // control id -> text
  int focusedItem = 0;               // the control given the keyboard focus, 0 for none
};

class HeadlessPlatform : public Platform {
 public:
  explicit HeadlessPlatform(std::uint32_t clockStart = 0);
  ~HeadlessPlatform() override;

  // Scripted keys, as the input script's actions name them.
  void keyDown(Key key) { keys_.press(key); }
  void keyUp(Key key) { keys_.release(key); }
  void keyTap(Key key) { keys_.tap(key); }

  // Forgets the per-pass logs (sounds, dialogs, pages).
  void beginPass();

  // The transport for score submissions; without one every submission
  // fails as if the library were missing.
  void useTransport(std::unique_ptr<HttpTransport> transport);

  // Entries for the sign-in dialog. When set, the submit question is answered
  // "Ja" and the sign-in dialog gets these entries and OK once, then
  // "Avbryt" if it is still open. The password is left out of the dialog log.
  struct SignInEntries {
    std::string email;
    std::string password;
  };
  std::optional<SignInEntries> signIn;

  // Resources come from the compiled table unless a test supplies its own.
  void setResource(ResourceType type, int id, std::vector<std::uint8_t> bytes);
  void useCompiledResources(bool use) { useCompiled_ = use; }

  std::span<const std::uint8_t> resource(ResourceType type, int id) override;
  void present(std::span<const std::uint8_t> pixels, int width, int height, const Palette& palette) override;
  std::uint16_t keyState(Key key) override { return keys_.read(key); }
  bool hasFocus() override { return focus; }
  std::uint32_t milliseconds() override { return now; }
  void sleep(std::uint32_t ms) override { now += ms; }
  void spin() override { now += 1; }
  void playSound(int waveId) override { sounds.push_back(waveId); }
  void runDialog(Dialog& dialog) override;
  void openUrl(std::string_view url) override { pages.emplace_back(url); }
  HttpTransport& http() override;
  int processorType() override { return 586; }
  std::uint32_t secondsOfDay() override;
  bool readProgramFile(std::string& bytes) override;
  void debugOutput(std::string_view text) override { debug += text; }

  // The virtual clock and the window's focus, free for tests to move.
  std::uint32_t now;
  bool focus = true;
  // A file that stands in for the program's own, for the facts a score
  // carries; none by default, so a score carries no file facts.
  std::string programFile;

  // The last frame shown.
  std::vector<std::uint8_t> frame;
  Palette palette{};
  int presentCount = 0;

  // Logs since beginPass().
  std::vector<int> sounds;
  std::vector<DialogRecord> dialogs;
  std::vector<std::string> pages;
  std::string debug;

 private:
  KeyLatch keys_;
  std::map<std::pair<int, int>, std::vector<std::uint8_t>> resources_;
  bool useCompiled_ = true;
  std::uint64_t wallMs_ = 12ull * 3600 * 1000;  // a virtual wall clock, noon
  std::unique_ptr<HttpTransport> http_;
};

}  // namespace vilmar
