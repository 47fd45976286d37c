#pragma once
// A text field of fixed capacity, as the score record keeps them: whatever is
// put in is cut to fit, so no entry can outgrow its field.

#include <cstddef>
#include <string>
#include <string_view>

namespace vilmar {

template <std::size_t MaxChars>
class BoundedText {
 public:
  static constexpr std::size_t MAX_CHARS = MaxChars;

  BoundedText() = default;
  explicit BoundedText(std::string_view text) { assign(text); }

  // Keeps at most MAX_CHARS bytes of text; returns whether it had to cut.
  bool assign(std::string_view text) {
    const bool cut = text.size() > MaxChars;
    text_.assign(text.substr(0, MaxChars));
    return cut;
  }
  void clear() { text_.clear(); }

  std::string_view view() const { return text_; }
  const std::string& str() const { return text_; }
  std::size_t size() const { return text_.size(); }
  bool empty() const { return text_.empty(); }

  friend bool operator==(const BoundedText& a, std::string_view b) { return a.text_ == b; }

 private:
  std::string text_;
};

}  // namespace vilmar
