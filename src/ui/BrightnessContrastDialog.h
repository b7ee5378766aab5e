#pragma once
// The dialog "Helligkeit und Kontrast": two sliders, a preview button and OK. It never touches
// the picture itself: the main window's preview callback restores its backup, applies the two
// values and repaints, so preview and OK run the very same code.
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QSlider;

namespace tessaro {

class THKForm : public QDialog {
  Q_OBJECT
 public:
  using PreviewFn = std::function<void(int offset, int percent)>;
  explicit THKForm(PreviewFn preview, QWidget* parent = nullptr);

  // "&Vorschau": the picture as the sliders stand now, from the untouched copy.
  void TrackBar1Change();
  // OK: the current slider values once more, even if moved since the last preview, then accept.
  void OkBitBtn1Click();
  // "&Zurücksetzen": sliders back to 0 and 100, nothing else; also the start of every run.
  void BacksetBitBtn3Click();

  QSlider* TrackBar1;  // brightness offset -127..127
  QSlider* TrackBar2;  // contrast percent 0..200
  QLabel* TrackBar1Value;
  QLabel* TrackBar2Value;
  QPushButton* VschauBitBtn4;
  QPushButton* BacksetBitBtn3;
  QPushButton* OkBitBtn1;
  QPushButton* CancelBitBtn2;

 private:
  PreviewFn preview_;
};

}  // namespace tessaro
