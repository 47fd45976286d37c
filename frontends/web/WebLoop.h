#pragma once
// The browser's main loop: the same pass of the game as every frontend, with
// the page's events in the place of window messages.

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace vilmar {
class App;
}

namespace vilmar::web {

// Menu commands from the page, carried out between two passes, never while a
// pass (and with it a tick or a dialog) is waiting for the browser.
class CommandQueue {
 public:
  static constexpr std::size_t LIMIT = 32;  // clicks beyond this are dropped

  void post(int id) {
    if (commands_.size() < LIMIT) commands_.push_back(id);
  }
  std::optional<int> next() {
    if (commands_.empty()) return std::nullopt;
    const int id = commands_.front();
    commands_.pop_front();
    return id;
  }

 private:
  std::deque<int> commands_;
};

// What the loop needs of the page besides the platform.
class PageEvents {
 public:
  virtual ~PageEvents() = default;
  // The tab is not shown (another tab, a minimised window).
  virtual bool hidden() = 0;
  // Gives the browser its turn until the tab is shown again.
  virtual void waitUntilShown() = 0;
  // The next menu command, if one was chosen.
  virtual std::optional<int> nextCommand() = 0;
  // Gives the browser its turn if the loop has kept it waiting too long
  // (ticks that catch up run back to back without waiting).
  virtual void breathe() = 0;
  // The page's title after a pass: "Övningsläge" joins it in a practice game.
  virtual void showTitle(const std::string& title) { (void)title; }
};

// Runs passes until the game quits. A tab that was hidden resynchronises the
// clock as a closing dialog does: play goes on where it stood instead of
// replaying the minutes it was away without drawing.
void runWebLoop(App& app, PageEvents& page);

}  // namespace vilmar::web
