#pragma once
#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace kavo {

// kavo-cli target: a target to print, as PDF or SVG. Registers its options on the program's parser;
// run() writes the page once the arguments were parsed.
class TargetCommand {
public:
  explicit TargetCommand(CLI::App& app);
  bool parsed() const;
  int run(std::ostream& out, std::ostream& err);

private:
  CLI::App* command_ = nullptr;
  std::string pattern_;
  std::string size_;
  double square_ = 0.0;
  double marker_ = 0.0;
  std::string dictionary_;
  std::string paper_ = "A4";
  std::string out_;
};

} // namespace kavo
