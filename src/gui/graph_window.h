#pragma once
#include <QDialog>
#include <memory>
#include <optional>

#include "estimator/focal_values.h"
#include "graph/distribution_model.h"
#include "graph/distribution_numbers.h"
#include "graph/raster_picture.h"

class QLineEdit;
class QWidget;
namespace Ui {
class TRForm;
}

namespace kavo {

class FocalValues;
class UserPort;

// The worker's showDistribution step, on the GUI thread: builds the distribution window TRForm
// for the values and the numbers, shows it modally and returns the numbers current when it closed
// and whether it was left with "Выход". The values must stay untouched until it returns (the
// worker is blocked meanwhile). The save dialog and the error boxes go through the port.
DistributionOutcome showDistributionWindow(QWidget* parent, UserPort& port, const FocalValues& values,
                                           double clipFactor, double mean, double deviation,
                                           double standardDeviation, char decimalSeparator);

// The distribution window: the curve of the values over 200 bins, the mean and the clipping band,
// re-clipping on request ("Счёт"), "Сброс", saving the picture, and "OK" / "Выход". The close
// button and Escape count as "OK".
class TRForm : public QDialog {
  Q_OBJECT
public:
  TRForm(QWidget* parent, UserPort& port, const FocalValues& values, const DistributionNumbers& numbers,
         char decimalSeparator);
  ~TRForm() override;

  DistributionOutcome outcome() const;
  const DistributionModel& model() const { return distribution; }
  // The picture as shown: the background with the current markers.
  const RasterPicture& shownPicture() const { return shown; }

public slots:
  void Button1Click(); // "Сохранить"
  void Button2Click(); // "Счёт"
  void Button5Click(); // "Сброс"
  void Button3Click(); // "OK"
  void Button4Click(); // "Выход"
  void Edit4Change(const QString& text);
  void Edit4Exit();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void redrawMarkers(bool writeClipFactor);
  void setField(QLineEdit* field, double value);

  std::unique_ptr<Ui::TRForm> ui;
  UserPort& userPort;
  DistributionModel distribution;
  char separator;
  RasterPicture background;
  RasterPicture shown;
  bool exitPressed = false;
  bool writingFields = false;
};

} // namespace kavo
