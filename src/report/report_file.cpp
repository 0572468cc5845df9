#include "report/report_file.h"

#include "platform/atomic_file.h"
#include "report/report_page.h"

#include <cstdio>
#include <ctime>

namespace kavo {

ReportWriteResult writeReport(const std::string& path, const ReportInput& input) {
  const std::string why = writeFileAtomically(path, buildReportPage(input));
  if (why.empty()) {
    return {};
  }
  return {false, "Ошибка записи отчёта!", "Отчёт " + path + " не записан: " + why};
}

std::string reportDateNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) == nullptr) {
    return {};
  }
  char text[64];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", local.tm_mday, local.tm_mon + 1,
                local.tm_year + 1900, local.tm_hour, local.tm_min);
  return text;
}

} // namespace kavo
