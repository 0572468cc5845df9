#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kavo {

// kavo-cli detect: photos of a flat target to the camera file, scene file, coordinate files and list
// file that compute reads. Registers its options on the program's parser; run() does the work once
// the arguments were parsed.
class DetectCommand {
public:
  explicit DetectCommand(CLI::App& app);
  bool parsed() const;
  int run(std::ostream& out, std::ostream& err);

private:
  CLI::App* command_ = nullptr;
  std::string pattern_;
  std::string size_;
  double square_ = 0.0;
  double marker_ = 0.0;
  std::string dictionary_;
  double step_ = 0.0;
  std::string outFolder_;
  std::string overlayFolder_;
  std::string separator_;
  bool skipUndetected_ = false;
  bool json_ = false;
  int threads_ = 0;
  std::vector<std::string> photos_;
};

} // namespace kavo
