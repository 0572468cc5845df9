#include "cli/target_command.h"

#include "cli/cli.h"
#include "target/target_drawing.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace kavo {

TargetCommand::TargetCommand(CLI::App& app) {
  command_ = app.add_subcommand("target", "Write a target to print (PDF or SVG) at 1:1");
  command_->add_option("--pattern", pattern_, "Kind of target")
      ->required()
      ->check(CLI::IsMember({"chessboard", "circles", "acircles", "charuco"}));
  command_->add_option("--size", size_, "Inner corners or circles (charuco: squares), COLUMNSxROWS")
      ->required();
  command_->add_option("--square", square_, "Pitch, mm")->required();
  command_->add_option("--marker", marker_, "charuco: side of a marker, mm");
  command_->add_option("--dictionary", dictionary_, "charuco: the markers' dictionary, e.g. DICT_5X5_100");
  command_->add_option("--paper", paper_, "A4, A3, letter or WxH in millimetres")->capture_default_str();
  command_->add_option("--out", out_, "The page to write: FILE.pdf or FILE.svg")->required();
}

bool TargetCommand::parsed() const {
  return command_->parsed();
}

int TargetCommand::run(std::ostream& out, std::ostream& err) {
  std::string problem;
  const auto target = targetFromOptions(pattern_, size_, square_, marker_, dictionary_, problem);
  const auto paper = paperFromName(paper_);
  if (!target || !paper) {
    err << "kavo-cli target: "
        << (target ? "--paper must be A4, A3, letter or WxH in millimetres (at least 50x50)" : problem)
        << '\n';
    return kExitBadArguments;
  }
  if (!targetPageFormat(out_)) {
    err << "kavo-cli target: --out must name a .pdf or .svg file\n";
    return kExitBadArguments;
  }
  if (problem = writeTargetPage(*target, *paper, out_); !problem.empty()) {
    err << "kavo-cli target: " << problem << "; ничего не записано\n";
    return kExitNoResult;
  }
  out << out_ << '\n';
  err << "Мишень записана: " << out_ << ". Снимки с ней читает: " << detectCommandText(*target) << '\n';
  return kExitComputed;
}

} // namespace kavo
