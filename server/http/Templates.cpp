#include "http/Templates.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kortix {

Templates::Templates(const std::string& dir) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    if (entry.path().extension() != ".mustache") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    kainjow::mustache::mustache parsed(text.str());
    if (!parsed.is_valid())
      throw std::runtime_error("template " + entry.path().string() + ": " + parsed.error_message());
    texts_[entry.path().stem().string()] = text.str();
  }
  if (error || texts_.empty()) throw std::runtime_error("no templates in " + dir);
  for (const char* needed : {"header", "footer"})
    if (!texts_.count(needed)) throw std::runtime_error(std::string("template missing: ") + needed);
}

std::string Templates::render(const std::string& name, PageData data) const {
  const auto it = texts_.find(name);
  if (it == texts_.end()) throw std::runtime_error("no template " + name);
  for (const char* partial : {"header", "footer"}) {
    const std::string& text = texts_.at(partial);
    data.set(partial, kainjow::mustache::partial([&text] { return text; }));
  }
  kainjow::mustache::mustache page(it->second);
  return page.render(data);
}

}  // namespace kortix
