#pragma once
// The page templates: mustache files, read once at start, HTML-escaped on
// every {{value}}. Every page shares the partials "header" and "footer".
// Templates are read once; each thread parses a page once.

#include <kainjow/mustache.hpp>

#include <map>
#include <string>

namespace kortix {

using PageData = kainjow::mustache::data;

class Templates {
 public:
  // Reads every DIR/*.mustache; throws std::runtime_error naming a missing
  // folder or a template that does not parse.
  explicit Templates(const std::string& dir);

  std::string render(const std::string& name, PageData data) const;

 private:
  std::map<std::string, std::string> texts_;
};

}  // namespace kortix
