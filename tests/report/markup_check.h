#pragma once
// Small checks of the report's markup: every opened element closed in order, and nothing that
// would make a browser fetch or run anything from elsewhere.
#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kavo::testing {

// The first problem with the nesting of elements, or "" when every opened element is closed in
// order. Void HTML elements, comments, the doctype and the style sheet's text are skipped.
inline std::string firstMarkupProblem(std::string_view page) {
  static const std::set<std::string> kVoid = {"meta", "br", "hr", "img", "link", "input", "col", "wbr"};
  std::vector<std::string> open;
  std::size_t i = 0;
  while ((i = page.find('<', i)) != std::string_view::npos) {
    if (page.substr(i, 4) == "<!--") {
      i = page.find("-->", i);
      if (i == std::string_view::npos) {
        return "unclosed comment";
      }
      continue;
    }
    const std::size_t end = page.find('>', i);
    if (end == std::string_view::npos) {
      return "unclosed tag at " + std::to_string(i);
    }
    std::string_view tag = page.substr(i + 1, end - i - 1);
    i = end + 1;
    if (tag.empty() || tag[0] == '!') {
      continue;
    }
    const bool closing = tag[0] == '/';
    const bool selfClosing = tag.back() == '/';
    if (closing) {
      tag.remove_prefix(1);
    }
    const std::string name(tag.substr(0, tag.find_first_of(" \t\n/")));
    if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return std::isalnum(c) != 0; })) {
      return "bad tag name <" + std::string(tag) + ">";
    }
    if (closing) {
      if (open.empty() || open.back() != name) {
        return "</" + name + "> closes " + (open.empty() ? std::string("nothing") : "<" + open.back() + ">");
      }
      open.pop_back();
    } else if (!selfClosing && kVoid.count(name) == 0) {
      open.push_back(name);
      if (name == "style" || name == "title") {
        const std::size_t close = page.find("</" + name + ">", i);
        if (close == std::string_view::npos) {
          return "<" + name + "> never closed";
        }
        i = close;
      }
    }
  }
  return open.empty() ? std::string() : "<" + open.back() + "> never closed";
}

// Every place where the page refers to something outside itself: an address, a source, a style
// import, a script, or a link other than one within the page ("#...").
inline std::vector<std::string> outsideReferences(std::string_view page) {
  std::string lower(page);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  std::vector<std::string> found;
  for (const char* bad : {"http:", "https:", "ftp:", "file:", "data:", "src=", "url(", "<script", "@import",
                          "<link", "<iframe", "<object", "<embed", "<img", "javascript:"}) {
    if (lower.find(bad) != std::string::npos) {
      found.push_back(bad);
    }
  }
  for (std::size_t at = lower.find("href="); at != std::string::npos; at = lower.find("href=", at + 1)) {
    if (lower.compare(at, 7, "href=\"#") != 0) {
      found.push_back(std::string(page.substr(at, 40)));
    }
  }
  return found;
}

// The SVG elements of a page, each from <svg to </svg>.
inline std::vector<std::string> svgElements(std::string_view page) {
  std::vector<std::string> out;
  for (std::size_t at = page.find("<svg"); at != std::string_view::npos; at = page.find("<svg", at + 1)) {
    const std::size_t end = page.find("</svg>", at);
    out.emplace_back(page.substr(at, end == std::string_view::npos ? std::string_view::npos : end + 6 - at));
  }
  return out;
}

inline int occurrences(std::string_view text, std::string_view what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + what.size())) {
    ++n;
  }
  return n;
}

} // namespace kavo::testing
