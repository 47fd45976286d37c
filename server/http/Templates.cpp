#include "http/Templates.h"

#include <filesystem>
#include <fstream>
#include <memory>
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
  // The shared partials are put in place once, so a page is parsed once.
  for (auto& [name, text] : texts_) {
    for (const char* partial : {"header", "footer", "builds", "yourplace"}) {
      if (!texts_.count(partial)) continue;
      const std::string tag = std::string("{{> ") + partial + "}}";
      for (std::size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at))
        text.replace(at, tag.size(), texts_.at(partial));
    }
  }
}

std::string Templates::render(const std::string& name, PageData data) const {
  // A parsed template is not safe to render from two threads at once: each
  // request thread keeps its own.
  thread_local std::map<std::pair<const Templates*, std::string>, std::unique_ptr<kainjow::mustache::mustache>> parsed;
  auto& page = parsed[{this, name}];
  if (!page) {
    const auto it = texts_.find(name);
    if (it == texts_.end()) throw std::runtime_error("no template " + name);
    page = std::make_unique<kainjow::mustache::mustache>(it->second);
  }
  return page->render(data);
}

}  // namespace kortix
