#include "detect/output_folder.h"

#include "platform/leftovers.h"

#include "platform/system_error_text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace kavo::detect {

namespace fs = std::filesystem;

namespace {

std::string systemText(int error) {
  return systemErrorText(error);
}

// The folder as an absolute path with links resolved where it exists, so that two names of one
// folder compare equal.
fs::path resolved(const std::string& folder) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  if (ec) {
    p = fs::absolute(folder, ec).lexically_normal();
  }
  std::string text = p.string();
  while (text.size() > 1 && text.back() == '/') {
    text.pop_back();
  }
  return text;
}

// The relative path of inner within outer, or nothing when inner is not inside outer ("" when equal).
std::optional<std::string> inside(const fs::path& inner, const fs::path& outer) {
  const std::string in = inner.string(), out = outer.string();
  if (in == out) {
    return std::string();
  }
  const std::string prefix = out == "/" ? out : out + "/";
  if (in.compare(0, prefix.size(), prefix) == 0) {
    return in.substr(prefix.size());
  }
  return std::nullopt;
}

// The first entry of an existing folder that the rule does not own, as a relative path; "" when all
// are owned. A folder entry that is owned is looked into.
std::string firstForeign(const fs::path& folder, const std::string& base, const OwnedEntry& owned,
                         std::error_code& ec) {
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    const std::string relative = base.empty() ? name : base + "/" + name;
    const bool isFolder = entry.is_directory(ec) && !entry.is_symlink(ec);
    if (!owned(relative, isFolder)) {
      return relative;
    }
    if (isFolder) {
      const std::string deeper = firstForeign(entry.path(), relative, owned, ec);
      if (!deeper.empty()) {
        return deeper;
      }
    }
  }
  return {};
}

std::string randomSuffix() {
  static thread_local std::mt19937_64 engine{std::random_device{}()};
  const char* digits = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string s;
  for (int i = 0; i < 8; ++i) {
    s += digits[engine() % 36];
  }
  return s;
}

struct Planned {
  fs::path folder;
  OwnedEntry owned;
  OwnedEntry kept;
  std::optional<std::size_t> outer; // the target it is written inside
  std::string relative;             // its path inside the outer target
};

// The rule of outer target j: its own rule, and the inner targets' rules at their places inside it;
// with leadingFolders, the folders on the way to an inner target as well. A target without the rule
// has nothing under it.
OwnedEntry composed(const std::vector<Planned>& planned, std::size_t j, const std::vector<std::size_t>& inner,
                    OwnedEntry Planned::*rule, bool leadingFolders) {
  return [planned, j, inner, rule, leadingFolders](const std::string& relative, bool folder) {
    const auto holds = [&](std::size_t k, const std::string& path) {
      const OwnedEntry& r = planned[k].*rule;
      return r && r(path, folder);
    };
    for (const std::size_t i : inner) {
      const std::string& at = planned[i].relative;
      if (at.empty()) {
        if (holds(i, relative)) {
          return true;
        }
        continue;
      }
      if (leadingFolders && folder &&
          (relative == at || at.compare(0, relative.size() + 1, relative + "/") == 0)) {
        return true;
      }
      if (relative.compare(0, at.size() + 1, at + "/") == 0 && holds(i, relative.substr(at.size() + 1))) {
        return true;
      }
    }
    return holds(j, relative);
  };
}

// Links (or, where the file system cannot, copies) every file of the old folder that the rule keeps
// into the same place in the new one; a file the run wrote there itself stays. Returns "" or why not.
std::string carryKept(const fs::path& from, const fs::path& to, const std::string& base,
                      const OwnedEntry& kept, const OwnedEntry& lookInto) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(from, ec)) {
    const std::string name = entry.path().filename().string();
    const std::string relative = base.empty() ? name : base + "/" + name;
    const bool isFolder = entry.is_directory(ec) && !entry.is_symlink(ec);
    if (isFolder && lookInto(relative, true)) {
      if (std::string why = carryKept(entry.path(), to / name, relative, kept, lookInto); !why.empty()) {
        return why;
      }
      continue;
    }
    if (isFolder || !kept(relative, false) || fs::exists(to / name, ec)) {
      continue;
    }
    fs::create_directories(to, ec);
    if (::link(entry.path().c_str(), (to / name).c_str()) != 0) {
      fs::copy_file(entry.path(), to / name, ec);
      if (ec) {
        return relative + ": файл не удаётся сохранить в новой папке: " + systemText(ec.value());
      }
    }
  }
  if (ec) {
    return from.string() + ": папку не удаётся просмотреть: " + systemText(ec.value());
  }
  return {};
}

} // namespace

std::optional<StagedOutput> StagedOutput::prepare(const std::vector<OutputTarget>& targets,
                                                  std::string& why) {
  std::vector<Planned> planned;
  for (const auto& t : targets) {
    planned.push_back({resolved(t.folder), t.owned, t.kept, std::nullopt, {}});
  }
  // A target inside another (or the same) is written inside the outermost one that holds it.
  for (std::size_t i = 0; i < planned.size(); ++i) {
    for (std::size_t j = 0; j < planned.size(); ++j) {
      if (i == j || planned[j].outer) {
        continue;
      }
      const auto relative = inside(planned[i].folder, planned[j].folder);
      const bool sameButLater = relative && relative->empty() && j > i;
      if (relative && !sameButLater) {
        planned[i].outer = j;
        planned[i].relative = *relative;
        break;
      }
    }
  }
  StagedOutput out;
  out.staged_.resize(planned.size());
  for (std::size_t j = 0; j < planned.size(); ++j) {
    if (planned[j].outer) {
      continue;
    }
    std::vector<std::size_t> inner;
    for (std::size_t i = 0; i < planned.size(); ++i) {
      if (planned[i].outer == j) {
        inner.push_back(i);
      }
    }
    const OwnedEntry owned = composed(planned, j, inner, &Planned::owned, true);
    const OwnedEntry kept = composed(planned, j, inner, &Planned::kept, false);
    const OwnedEntry ownedOrKept = [owned, kept](const std::string& relative, bool folder) {
      return owned(relative, folder) || kept(relative, folder);
    };

    const fs::path& target = planned[j].folder;
    std::error_code ec;
    const auto status = fs::status(target, ec);
    if (fs::exists(status)) {
      if (!fs::is_directory(status)) {
        why = target.string() + ": это файл, а не папка";
        return std::nullopt;
      }
      const std::string foreign = firstForeign(target, {}, ownedOrKept, ec);
      if (ec) {
        why = target.string() + ": папку не удаётся просмотреть: " + systemText(ec.value());
        return std::nullopt;
      }
      if (!foreign.empty()) {
        why = target.string() + ": папка уже существует и в ней есть не записанное этой командой (" +
              foreign + "); укажите пустую или новую папку";
        return std::nullopt;
      }
    }
    const fs::path parent = target.parent_path();
    fs::create_directories(parent, ec);
    if (ec) {
      why = parent.string() + ": папку не удаётся создать: " + systemText(ec.value());
      return std::nullopt;
    }
    // The hidden folders of a run that was killed on the way go now.
    removeLeftTemporaries(parent.string());
    std::string staging;
    for (int attempt = 0;; ++attempt) {
      staging = (parent / (temporaryName(target.filename().string()) + "." + randomSuffix())).string();
      if (::mkdir(staging.c_str(), 0777) == 0) {
        break;
      }
      if (errno != EEXIST || attempt > 100) {
        why = parent.string() + ": не удаётся создать временную папку: " + systemText(errno);
        return std::nullopt;
      }
    }
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
      ::chmod(staging.c_str(), old.st_mode & 07777);
    }
    out.roots_.push_back({target.string(), staging, ownedOrKept, kept});
    out.staged_[j] = staging + "/";
    for (const std::size_t i : inner) {
      out.staged_[i] =
          planned[i].relative.empty() ? staging + "/" : staging + "/" + planned[i].relative + "/";
      fs::create_directories(out.staged_[i], ec);
      if (ec) {
        why = out.staged_[i] + ": папку не удаётся создать: " + systemText(ec.value());
        return std::nullopt;
      }
    }
  }
  return out;
}

StagedOutput::StagedOutput(StagedOutput&& other) noexcept
    : roots_(std::move(other.roots_)), staged_(std::move(other.staged_)), published_(other.published_) {
  other.roots_.clear();
}

StagedOutput::~StagedOutput() {
  if (published_) {
    return;
  }
  for (const auto& root : roots_) {
    std::error_code ec;
    fs::remove_all(root.staging, ec);
  }
}

std::string StagedOutput::publish() {
  // First everything that may refuse, for every folder: nothing is replaced unless all can be.
  for (const auto& root : roots_) {
    std::error_code ec;
    if (!fs::exists(root.target, ec)) {
      continue;
    }
    // The user may have put something into the old folder while the photos were searched.
    const std::string foreign = firstForeign(root.target, {}, root.owned, ec);
    if (!foreign.empty() || ec) {
      return root.target + ": пока шёл поиск, в папке появилось не записанное этой командой (" + foreign +
             "); ничего не заменено";
    }
    // What the run keeps of the old folder comes along into the new one before the swap.
    if (std::string why = carryKept(root.target, root.staging, {}, root.kept, root.owned); !why.empty()) {
      return root.target + ": " + why + "; ничего не заменено";
    }
  }
  // Then the swaps, each undone when a later one fails, so that the folders are either all new or all
  // as they were; the old contents are removed only once every folder is in place.
  enum class Done { Created, Exchanged, SetAside };
  std::vector<std::pair<const Root*, Done>> done;
  const auto undo = [&done] {
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
      const Root& root = *it->first;
      switch (it->second) {
      case Done::Created:
        std::rename(root.target.c_str(), root.staging.c_str());
        break;
      case Done::Exchanged:
        ::renameat2(AT_FDCWD, root.staging.c_str(), AT_FDCWD, root.target.c_str(), RENAME_EXCHANGE);
        break;
      case Done::SetAside:
        std::rename(root.target.c_str(), root.staging.c_str());
        std::rename((root.staging + ".old").c_str(), root.target.c_str());
        break;
      }
    }
  };
  for (const auto& root : roots_) {
    std::error_code ec;
    if (!fs::exists(root.target, ec)) {
      if (std::rename(root.staging.c_str(), root.target.c_str()) != 0) {
        const int error = errno;
        undo();
        return root.target + ": папку не удаётся поставить на место: " + systemText(error) +
               "; ничего не заменено";
      }
      done.emplace_back(&root, Done::Created);
      continue;
    }
    // One rename swaps the old folder for the new one; the old one then sits in the hidden folder's
    // place.
    if (::renameat2(AT_FDCWD, root.staging.c_str(), AT_FDCWD, root.target.c_str(), RENAME_EXCHANGE) == 0) {
      done.emplace_back(&root, Done::Exchanged);
      continue;
    }
    const int error = errno;
    if (error != EINVAL && error != ENOSYS) {
      undo();
      return root.target + ": папку не удаётся заменить: " + systemText(error) + "; ничего не заменено";
    }
    // A file system without the exchange: the old folder steps aside for a moment.
    const std::string aside = root.staging + ".old";
    if (std::rename(root.target.c_str(), aside.c_str()) != 0) {
      const int failed = errno;
      undo();
      return root.target + ": папку не удаётся заменить: " + systemText(failed) + "; ничего не заменено";
    }
    if (std::rename(root.staging.c_str(), root.target.c_str()) != 0) {
      const int failed = errno;
      std::rename(aside.c_str(), root.target.c_str());
      undo();
      return root.target + ": папку не удаётся заменить: " + systemText(failed) + "; ничего не заменено";
    }
    done.emplace_back(&root, Done::SetAside);
  }
  for (const auto& [root, how] : done) {
    std::error_code ec;
    if (how == Done::Exchanged) {
      fs::remove_all(root->staging, ec);
    } else if (how == Done::SetAside) {
      fs::remove_all(root->staging + ".old", ec);
    }
  }
  published_ = true;
  return {};
}

} // namespace kavo::detect
