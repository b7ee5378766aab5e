#pragma once
// The main window: seven tabs over a bar of picture buttons. It owns the program's state and
// holds the handlers that couple the tabs (options, paper format, poster geometry, progress).
#include <QTabWidget>
#include <QWidget>
#include <functional>
#include <memory>

#include "depth/ColourDepth.h"
#include "layout/PassportLayout.h"
#include "layout/PosterGeometry.h"
#include "layout/PreviewGrid.h"
#include "picture/Progress.h"
#include "print/PosterPrintJob.h"
#include "print/PrintService.h"
#include "retouch/CropFrame.h"
#include "retouch/UndoHistory.h"
#include "state/MainState.h"
#include "ui/PictureButton.h"

class QProgressBar;
class QCheckBox;
class QPainter;
class QMouseEvent;
class QDialog;
class QDragEnterEvent;
class QDropEvent;

namespace tessaro {

class SettingsTab;
class PosterSizeTab;
class LoadTab;
class RetouchTab;
class PrintTab;
class ScrollTab;
class PassportTab;
struct TFilterDef;
class HelpWindow;
class RememberedOptions;
class TDepthChangeForm;
class TDepthDownForm;
class ScannerService;
class ScanRunner;
class DotCache;
class DotScreen;

inline const QString kProgramTitle = QStringLiteral("Tessaro 2.1");

class TMainForm : public QWidget, private PosterEditsHost {
  Q_OBJECT
 public:
  // `printer` gives the page metrics and prints; `printerSetup` runs the printer set-up dialog.
  TMainForm(PrintService& printer, std::function<void(QWidget*)> printerSetup, QWidget* parent = nullptr);
  ~TMainForm() override;

  MainState& state() { return state_; }
  PrintService& printer() { return printer_; }
  const PageMetrics& metrics() const { return metrics_; }

  // Handlers under the names the window design gives them.
  void UpdateOptions();
  void UpdatePaperFormat();
  void by_anpassen();
  void BreitEdChange();
  void HochEdChange();
  void IncEdChange();
  void KrandxlEdChange();
  void WMUser(int percent);
  void QuitBtnClick();
  void BitBtn3Click();
  void HelpBtnClick();
  void AboutBitBtnClick();
  void ZoomEdChange();
  void FileListBox1DblClick();
  // Loads `file` (the file system's bytes) as the file list would, and shows its folder on the
  // load tab; a file that cannot be loaded is reported and the picture stays.
  bool openFile(const QByteArray& file);
  // "In ein Bild umwandeln…" on the load tab.
  void RasterBtnClick();
  // "Standardwerte" on "Einstellungen".
  void DefaultsBtnClick();
  void PaintBox1Paint(QPainter& painter);
  void VorschauBoxPaint(QPainter& painter);
  void VorschauBoxMouseDown(int x, int y);
  // The close-up of the dot screen on "Drucken".
  void DotZoomViewPaint(QPainter& painter);
  void PrintBtnClick();
  void PdfBtnClick();
  bool confirmStartPicture(const QString& caption);
  void SaveBtnClick();
  // The tab "Paßbilder".
  void PaintBox3Paint(QPainter& painter);
  void PassDruckClick();
  void PassPdfBtnClick();
  void PhotoSizeBoxChange();
  void FitCropBtnClick();
  void ZoomEd3Change();
  void TabSheet9Resize(int baseWidth, int baseHeight);
  PassportTab* passportTab() const { return passport_; }
  // Retouching: the view with its crop frame, the operations, undo and redo.
  void PaintBox2Paint(QPainter& painter);
  void PaintBox2MouseDown(int x, int y);
  void PaintBox2MouseMove(int x, int y);
  void PaintBox2MouseUp();
  void setcursor_(FrameCursor cursor);
  void SchnittBtnClick();
  void FlipHBtnClick();
  void FlipVBtnClick();
  void RotLeftBtnClick();
  void RotRightBtnClick();
  void HellpBtnClick();
  void SizeBtnClick();
  void FTiefeBtnClick();
  void GoFilterBtnClick();
  void UndoClick();
  void RedoClick();
  // The tab "Scannen": choose the scanner, scan into the picture.
  void TSetupBtnClick();
  // "Drucker kalibrieren…": the calibration dialog for the current queue.
  void CalibrateBtnClick();
  void ScanBtnClick();
  // The scanner service; tests put a fake in its place.
  void setScanner(std::shared_ptr<ScannerService> scanner);
  const RetouchView& retouchView() const { return view_; }
  const UndoHistory& history() const { return history_; }

  // The current glue percentages, read from their edits.
  GlueMargins glueMargins() const;
  // Repaints every view of the picture after it changed.
  void pictureChanged();

  SettingsTab* settingsTab() const { return settings_; }
  PosterSizeTab* posterSizeTab() const { return posterSize_; }
  LoadTab* loadTab() const { return load_; }
  PrintTab* printTab() const { return print_; }
  RetouchTab* retouchTab() const { return retouch_; }
  QTabWidget* pageControl() const { return pageControl_; }

  // The save dialog: shows `filters`, starts on entry `filterIndex` (1-based) and returns the
  // chosen name and entry; false when cancelled. Tests put their own in its place.
  using SaveDialogFn = std::function<bool(QWidget*, const QStringList&, int&, QString&)>;
  SaveDialogFn runSaveDialog;
  // Asks for the PDF file's name; false when cancelled. Tests put their own in its place.
  using PdfDialogFn = std::function<bool(QWidget*, QString&)>;
  PdfDialogFn runPdfDialog;
  // The random bytes a depth raise fills unused palette entries with. Tests put their own here.
  RandomByteFn depthRandom = clockSeededRandom();
  // Shows a dialog modally and gives its result. Tests put their own in its place.
  std::function<int(QDialog&)> runDialog;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  // A picture file dropped onto the window is loaded: the first of several, nothing for others.
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  // PosterEditsHost: the sheet edits as the geometry sees them.
  GeometryInputs geometryInputs() override;
  Ext breitValue() override;
  void setBreitValue(Ext v) override;
  Ext hochValue() override;
  void setHochValue(Ext v) override;
  void repaintPreview() override;

  void FormCreate();
  QWidget* buildScanTab();
  ScanRunner& scanRunner();
  bool FormCloseQuery();
  void FormClose();
  void Panel6Resize();
  void connectOptions();
  // The options, the load tab's folder and the window's place as the last run left them.
  void restoreRemembered();
  void connectRemembered();
  void buildBottomBar();
  void showPictureInfo();
  // The load tab's info for a vector page; false, with nothing written, for any other picture.
  bool showPageInfo();
  // The page of `file` to open: asked when it is a PDF file of several pages, else 1. False when
  // the user cancels.
  bool choosePage(const QByteArray& file, int& page);
  // What works on pixels first turns a vector page into a picture, as the user asks; false when
  // the picture is still a vector page (cancelled, or the page could not be drawn).
  bool offerRasterize();
  // The printer's name for the window, "PDF-Datei" for files; empty for a printer without a name.
  QString printerCaption() const;
  // The poster job of the print tab's settings, on `printer`, with the progress bar moving.
  PosterPrintResult runPosterJob(PrintService& printer);
  // Runs `job` into a PDF file the user names, or on the printer, and tells the user how it went.
  using PrintJobFn = std::function<PosterPrintResult(PrintService&)>;
  void printToPdf(const PrintJobFn& job, const std::function<void(const QString&)>& status);
  // On a queue the pages are scaled by its stored calibration; the `calibrationPage` itself never
  // is, and needs no picture.
  void printToPrinter(const PrintJobFn& job, const std::function<void(const QString&)>& status,
                      const QString& noPrinterText, bool calibrationPage = false);
  // Filters the picture, or `raised`, its copy at 24 bits, with `f`, shows the result and keeps
  // it as one undo step if the user says so.
  void DibFilter(const TFilterDef& f, TDib raised);
  void connectPassport();
  PassPreviewBox passPreviewBox() const;
  // GroesseLabel and PassCount after a preview, painted or only laid out.
  void showPassSize(const PassPreviewResult& preview);
  void showPassSize();
  PosterPrintResult runPassportJob(PrintService& printer);
  PreviewBox previewBox() const;
  void connectDots();
  // The dot screen printing would use, from the cache; nothing with "Bild" or without a poster.
  const DotScreen* dotScreen();
  // A refused dot screen says why under `caption`; true then, and nothing is to be printed.
  bool dotsRefused(const QString& caption);
  // The preview's painter of dot bands; nothing when the picture itself is shown.
  BandPainter dotBands(const PreviewBox& box);
  // What follows an operation that replaced the picture.
  enum class Refit {
    None,     // mirrors, tones: crop rectangle and poster stay
    Whole,    // turns and the crop: crop rectangle = whole picture, poster one sheet wide again
    Resized,  // a new size: the poster is refitted, a crop rectangle outside the picture reset
  };
  using PictureOperation = std::function<TDib(const TDib&, const ProgressFn&)>;
  // Runs `op` on the picture with the busy cursor and ProRetusche moving; on success the old
  // picture becomes an undo step and the new one is shown everywhere. False when `op` gave none.
  bool replacePicture(const PictureOperation& op, Refit refit, QProgressBar* bar = nullptr);
  // After any change of the picture in place: the old state `before` becomes an undo step.
  void recordStep(RetouchStep before);
  RetouchStep currentStep(TDib picture);
  void restoreStep(RetouchStep& step);
  void applyRefit(Refit refit);
  void updateUndoButtons();
  void connectRetouch();
  void connectRetouchOperations();
  void layoutView();
  // Opens in `startFolder` until a folder has been chosen in it.
  static bool runQtSaveDialog(QWidget* parent, const QStringList& filters, int& filterIndex, QString& fileName,
                              const QString& startFolder);

  PrintService& printer_;
  std::function<void(QWidget*)> printerSetup_;
  MainState state_;
  PageMetrics metrics_;
  QString programDir_;
  QString helpFile_;

  QWidget* Panel6 = nullptr;
  QWidget* Panel7 = nullptr;
  QTabWidget* pageControl_ = nullptr;
  LoadTab* load_ = nullptr;
  ScrollTab* scan_ = nullptr;
  RetouchTab* retouch_ = nullptr;
  SettingsTab* settings_ = nullptr;
  PosterSizeTab* posterSize_ = nullptr;
  PrintTab* print_ = nullptr;
  PassportTab* passport_ = nullptr;
  PictureButton *ueberbtn = nullptr, *HilfeBtn = nullptr, *EndeBtn = nullptr;
  PictureButton *TSetupBtn = nullptr, *ScanBtn = nullptr;
  std::shared_ptr<ScannerService> scanner_;
  ScanRunner* scanRunner_ = nullptr;  // a child: made on first use, stops its scan when the window goes
  std::unique_ptr<HelpWindow> help_;
  std::unique_ptr<RememberedOptions> remembered_;
  RetouchView view_;
  // Made once and kept, so the user's last choices are the next preselection.
  TDepthChangeForm* depthChange_ = nullptr;
  TDepthDownForm* depthDown_ = nullptr;
  UndoHistory history_;
  std::unique_ptr<DotCache> dotCache_;
  int saveFilterIndex_ = 1;
};

}  // namespace tessaro
