#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kavo::detect {

// Which entries of an existing folder a run may replace: a path relative to the folder ('/' between
// names) and whether it is a folder itself.
using OwnedEntry = std::function<bool(const std::string& relative, bool folder)>;

// owned: what of an existing folder a run replaces (the files of an earlier run). kept: files that are
// neither the run's nor in its way (a report, a copy of the camera file written beside the series):
// they stay in the new folder as they were, and are never removed.
struct OutputTarget {
  std::string folder;
  OwnedEntry owned;
  OwnedEntry kept = nullptr;
};

// Folders of results that appear complete or not at all. Everything is written into a fresh hidden
// folder next to each target and moved into place by publish(): a target that does not exist is
// created, and an existing one is swapped for the new one in a single rename, so a reader sees either
// the old folder or the new one. An existing target may only hold entries its rules own or keep; one
// that holds anything else is refused, so nothing of the user's is ever removed. The files kept are
// linked (or else copied) into the new folder just before it takes the old one's place. A target
// inside another is written inside the other's hidden folder.
class StagedOutput {
public:
  static std::optional<StagedOutput> prepare(const std::vector<OutputTarget>& targets, std::string& why);

  StagedOutput(StagedOutput&& other) noexcept;
  StagedOutput& operator=(StagedOutput&&) = delete;
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;
  // Removes the hidden folders unless they were published.
  ~StagedOutput();

  // Where to write the files of target i (ends in '/').
  const std::string& stagedFolder(std::size_t target) const { return staged_[target]; }

  // Moves the hidden folders into place, inner targets' with their outer one. Returns "" or why not.
  std::string publish();

private:
  struct Root {
    std::string target;  // the folder that is replaced
    std::string staging; // the hidden folder next to it
    OwnedEntry owned;    // what of an existing target may go with it
    OwnedEntry kept;     // what of it is carried into the new folder
  };
  StagedOutput() = default;
  std::vector<Root> roots_;
  std::vector<std::string> staged_;
  bool published_ = false;
};

} // namespace kavo::detect
