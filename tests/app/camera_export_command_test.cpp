// "Экспорт камеры…" of the main window: the filter chosen in the save dialog says the format; a file
// the run read is refused, an existing one replaced only after a yes, and a result without a refined
// value says why before any dialog.
#include "app_test_support.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace kavo::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using Status = CameraExportOutcome::Status;

SynthOptions distorted() {
  SynthOptions o;
  o.noise = 0.05;
  o.k1 = -0.03;
  return o;
}

TEST(CameraExportCommand, TheFilterChosenSaysTheFormat) {
  Bench b(distorted());
  EXPECT_FALSE(b.view.exportEnabled);
  b.run();
  ASSERT_TRUE(b.state.shownResult);
  EXPECT_TRUE(b.view.exportEnabled);
  const char* const starts[] = {"%YAML:1.0", "# Kavo: refined focal length", "# Camera list", "1\r\n"};
  for (int filter = 0; filter < 4; ++filter) {
    SCOPED_TRACE(filter);
    const std::string path = b.folder.file("export" + std::to_string(filter) + ".txt");
    b.port.saveChoices.push_back(SaveChoice{path, filter});
    const CameraExportOutcome outcome = b.commands.exportCamera();
    EXPECT_EQ(outcome.status, Status::Written) << outcome.box.detail;
    EXPECT_EQ(outcome.kind, static_cast<CameraOutputKind>(filter));
    EXPECT_EQ(test::readBytes(path).rfind(starts[filter], 0), 0u) << test::readBytes(path).substr(0, 40);
  }
  const auto requests = b.port.saveRequests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].filter, cameraExportFilter());
  EXPECT_EQ(requests[0].proposedName, b.folder.file("camera.yml"));
  EXPECT_EQ(b.port.unexpected, 0);
  EXPECT_TRUE(b.port.messages().empty());
}

TEST(CameraExportCommand, AnInputOfTheRunIsRefusedAndAnExistingFileAsked) {
  Bench b(distorted());
  b.run();
  const std::string table = b.folder.file("correction.txt");
  const std::string before = test::readBytes(table);
  b.port.saveChoices.push_back(SaveChoice{table, 3});
  const CameraExportOutcome refused = b.commands.exportCamera();
  EXPECT_EQ(refused.status, Status::Failed);
  EXPECT_THAT(refused.box.detail, HasSubstr("входной файл результата (Таблица коррекции)"));
  EXPECT_EQ(test::readBytes(table), before);

  const std::string other = b.folder.write("camera.yml", "old");
  b.port.saveChoices.push_back(SaveChoice{other, 0});
  b.port.answers.push_back(false);
  EXPECT_EQ(b.commands.exportCamera().status, Status::Declined);
  EXPECT_EQ(test::readBytes(other), "old");
  b.port.saveChoices.push_back(SaveChoice{other, 0});
  b.port.answers.push_back(true);
  EXPECT_EQ(b.commands.exportCamera().status, Status::Written);
  EXPECT_EQ(test::readBytes(other).rfind("%YAML:1.0", 0), 0u);
  b.port.saveChoices.push_back(std::nullopt);
  EXPECT_EQ(b.commands.exportCamera().status, Status::Cancelled);
  EXPECT_EQ(b.port.unexpected, 0);
}

TEST(CameraExportCommand, NoRefinedValueSaysWhyWithoutADialog) {
  Bench b(distorted());
  b.commands.setRefine(false);
  b.run();
  ASSERT_TRUE(b.state.shownResult);
  const CameraExportOutcome outcome = b.commands.exportCamera();
  EXPECT_EQ(outcome.status, Status::NoCamera);
  ASSERT_EQ(b.port.messages().size(), 1u);
  EXPECT_EQ(b.port.messages()[0].text, "Камера не экспортирована!");
  EXPECT_THAT(b.port.messages()[0].detail, HasSubstr("уточнённое значение не получено"));
  EXPECT_TRUE(b.port.saveRequests().empty());
}

} // namespace
} // namespace kavo::testing
