#pragma once
// The one seam between the game and the machine it runs on. The core reaches
// the operating system only through this interface; each frontend (headless,
// Windows, ...) implements it in its own folder.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vilmar {

class HttpTransport;
class Dialog;

enum class ResourceType { RcData, Bitmap, Wave };

// The six keys the game reads.
enum class Key { Left, Right, Up, Down, Space, F1 };
inline constexpr int KEY_COUNT = 6;

// Bits of a key state, as the Windows call that reads a key reports them.
inline constexpr std::uint16_t KEY_DOWN = 0x8000;            // down right now
inline constexpr std::uint16_t KEY_PRESSED_SINCE = 0x0001;   // went down since the last query

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
using Palette = std::array<Rgb, 256>;

// How close to a due time the seam's default wait stops sleeping and spins:
// sleeping is only accurate to a millisecond or two, spinning to the clock's tick.
inline constexpr std::uint32_t SPIN_MARGIN_MS = 2;

class Platform {
 public:
  virtual ~Platform() = default;

  // The bytes of a compiled-in resource; empty when there is none.
  virtual std::span<const std::uint8_t> resource(ResourceType type, int id) = 0;

  // Shows an 8-bit frame 1:1 with the given palette.
  virtual void present(std::span<const std::uint8_t> pixels, int width, int height,
                       const Palette& palette) = 0;

  // Raw state of a key: KEY_DOWN and KEY_PRESSED_SINCE; reading clears the
  // pressed-since bit. Whether the game window has the keyboard focus is told
  // apart by hasFocus(); the core decides what a key means without it.
  virtual std::uint16_t keyState(Key key) = 0;
  virtual bool hasFocus() = 0;

  // A millisecond clock that wraps at 2^32, and two ways to wait on it:
  // sleep gives the processor away for about ms milliseconds, spin is one
  // short busy step for the last moment before a due time.
  virtual std::uint32_t milliseconds() = 0;
  virtual void sleep(std::uint32_t ms) = 0;
  virtual void spin() = 0;

  // Returns once milliseconds() - start >= due (unsigned, so the clock may
  // wrap). This default sleeps most of the time left and spins the last
  // moment; a platform with a finer timer overrides it to sleep right up to
  // the due moment and keep the processor free.
  virtual void waitUntil(std::uint32_t start, std::uint32_t due);

  // Plays a WAVE resource asynchronously, cutting off the one playing.
  virtual void playSound(int waveId) = 0;

  // Shows a modal dialog and returns when it has ended. The dialog's
  // behaviour is in the core; the frontend shows its template and forwards
  // the commands of its buttons.
  virtual void runDialog(Dialog& dialog) = 0;

  // Opens a web address in the user's browser; failures are ignored.
  virtual void openUrl(std::string_view url) = 0;

  // The HTTP client for the score submission.
  virtual HttpTransport& http() = 0;

  // Facts about the machine sent with a score.
  virtual int processorType() = 0;           // as the Windows system info names it: 386, 486, 586, ...
  virtual std::uint32_t secondsOfDay() = 0;  // wall clock in whole seconds
  // Reads the program's own executable file in one pass; false if it cannot be read.
  virtual bool readProgramFile(std::string& bytes) = 0;

  // Diagnostic text for the developer (the debugger output on Windows).
  virtual void debugOutput(std::string_view text) = 0;
};

}  // namespace vilmar
