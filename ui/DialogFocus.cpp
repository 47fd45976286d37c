#include "ui/DialogFocus.h"

#include <utility>

#include "platform/Dialog.h"

namespace vilmar {

DialogFocus::DialogFocus(std::vector<TabStop> stops, int defaultButton)
    : stops_(std::move(stops)), default_(defaultButton) {}

int DialogFocus::focused() const { return stops_.empty() ? 0 : stops_[at_].id; }

StopKind DialogFocus::focusedKind() const { return stops_.empty() ? StopKind::Text : stops_[at_].kind; }

bool DialogFocus::focus(int id) {
  for (std::size_t i = 0; i < stops_.size(); ++i) {
    if (stops_[i].id == id) {
      at_ = i;
      return true;
    }
  }
  return false;
}

int DialogFocus::defaultButton() const {
  return !stops_.empty() && stops_[at_].kind == StopKind::Button ? stops_[at_].id : default_;
}

void DialogFocus::step(int by, bool buttonsOnly) {
  const std::size_t n = stops_.size();
  for (std::size_t tries = 0; tries < n; ++tries) {
    const auto size = static_cast<long>(n);
    at_ = static_cast<std::size_t>((static_cast<long>(at_) + by % size + size) % size);
    if (!buttonsOnly || stops_[at_].kind == StopKind::Button) return;
  }
}

std::optional<int> DialogFocus::key(DialogKey key) {
  if (key == DialogKey::Escape) return ID_CANCEL;
  if (stops_.empty()) return key == DialogKey::Enter ? std::optional<int>(default_) : std::nullopt;
  const bool onButton = stops_[at_].kind == StopKind::Button;
  switch (key) {
    case DialogKey::Tab: step(1, false); return std::nullopt;
    case DialogKey::BackTab: step(-1, false); return std::nullopt;
    case DialogKey::Enter: return defaultButton();
    case DialogKey::Space:
      if (onButton) return stops_[at_].id;
      return std::nullopt;  // typed into an entry
    case DialogKey::Left:
    case DialogKey::Up:
      if (onButton) step(-1, true);  // in an entry the caret moves instead
      return std::nullopt;
    case DialogKey::Right:
    case DialogKey::Down:
      if (onButton) step(1, true);
      return std::nullopt;
    case DialogKey::Escape: break;
  }
  return std::nullopt;
}

}  // namespace vilmar
