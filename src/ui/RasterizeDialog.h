#pragma once
// "In ein Bild umwandeln": the resolution at which a vector page becomes an ordinary picture,
// with the picture's size in pixels that it gives.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tessaro {

class RasterizeDialog : public QDialog {
  Q_OBJECT
 public:
  // For a page of `widthMm` x `heightMm`, starting at `defaultDpi`.
  RasterizeDialog(double widthMm, double heightMm, double defaultDpi, QWidget* parent = nullptr);

  // The resolution entered; 0 when the text is no usable resolution.
  double dpi() const;
  // OK only with a resolution that gives a picture within the pixel limit; else says why.
  void accept() override;

  QLineEdit* DpiEdit;
  QLabel* PixelLabel;
  QPushButton* OkBtn;
  QPushButton* CancelBtn;

 private:
  void showPixels();

  double widthMm_, heightMm_;
};

}  // namespace tessaro
