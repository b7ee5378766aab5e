#include "app/MainForm.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QScreen>
#include <QTabBar>

#include "app/DotCache.h"
#include "app/LoadTab.h"
#include "app/PassportTab.h"
#include "app/PosterSizeTab.h"
#include "app/PrintTab.h"
#include "app/Remembered.h"
#include "app/RetouchTab.h"
#include "app/SettingsTab.h"
#include "layout/PaperMetrics.h"
#include "picture/CodecRegistry.h"
#include "vector/VectorFileTypes.h"
#include "platform/MessageBoxes.h"
#include "platform/QtPrintService.h"
#include "print/PosterPrintSize.h"
#include "ui/AboutBox.h"
#include "ui/Controls.h"
#include "ui/HelpWindow.h"
#include "ui/Icons.h"

namespace tessaro {

namespace {
constexpr int kBottomBarHeight = 41;

// Narrower horizontal padding of the tabs, so all seven fit the start width.
class CompactTabStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_TabBarTabHSpace) return 6;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};
constexpr int kPageBorder = 8;
const QString kHelpFileName = QStringLiteral("tessaro2.html");

// Screen readers take a plain top-level widget for a filler: the main window is a frame, named
// by its title.
QAccessibleInterface* mainWindowAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String(TMainForm::staticMetaObject.className())) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

// Beside the program in the build tree; in the data folder once installed.
QString findHelpFile(const QString& programDir) {
  const QString beside = programDir + kHelpFileName;
  if (QFileInfo::exists(beside)) return beside;
  const QString installed = QDir::cleanPath(programDir + QStringLiteral(TESSARO_HELP_FROM_BIN "/") + kHelpFileName);
  return QFileInfo::exists(installed) ? installed : beside;
}

// The printed size beside the sheet edits, from the page metrics the layout uses.
void showPrintSize(PosterSizeTab& tab, const PageMetrics& m, const MainState& s, const GlueMargins& glue) {
  tab.showPrintSize(posterPrintSize(m, posterLayout(s.Picture, s.poster), s.options, glue));
}
}  // namespace

TMainForm::TMainForm(PrintService& printer, std::function<void(QWidget*)> printerSetup, QWidget* parent)
    : QWidget(parent),
      printer_(printer),
      printerSetup_(std::move(printerSetup)),
      dotCache_(std::make_unique<DotCache>()) {
  [[maybe_unused]] static const bool frameForReaders = [] {
    QAccessible::installFactory(&mainWindowAccessible);
    return true;
  }();
  setObjectName("MainForm");
  setWindowTitle(kProgramTitle);
  setWindowIcon(programIcon());

  Panel6 = new QWidget(this);
  Panel6->setObjectName("Panel6");
  pageControl_ = new QTabWidget(Panel6);
  pageControl_->setObjectName("PageControl1");
  load_ = new LoadTab;
  scan_ = nullptr;
  QWidget* scanTab = buildScanTab();
  retouch_ = new RetouchTab;
  settings_ = new SettingsTab;
  posterSize_ = new PosterSizeTab;
  print_ = new PrintTab;
  passport_ = new PassportTab;

  const std::pair<QWidget*, QString> tabs[] = {
      {load_, QStringLiteral("Motiv laden")},      {scanTab, QStringLiteral("Scannen")},
      {retouch_, QStringLiteral("Retuschieren")},  {settings_, QStringLiteral("Einstellungen")},
      {posterSize_, QStringLiteral("Druckgröße")}, {print_, QStringLiteral("Drucken")},
      {passport_, QStringLiteral("Paßbilder")}};
  int icon = 0;
  for (const auto& [w, caption] : tabs) pageControl_->addTab(w, tabIcon(icon++), caption);
  pageControl_->setCurrentIndex(0);
  // Seven captions with icons must fit the start width without scroll arrows.
  QFont tabFont = pageControl_->tabBar()->font();
  tabFont.setPointSizeF(tabFont.pointSizeF() * 0.85);
  pageControl_->tabBar()->setFont(tabFont);
  auto* compact = new CompactTabStyle;
  compact->setParent(pageControl_);
  pageControl_->tabBar()->setStyle(compact);
  pageControl_->setIconSize(QSize(14, 14));

  buildBottomBar();

  // Every scrollable tab stores its visible size as the shared zoom base when it is resized;
  // "Paßbilder" through TabSheet9Resize.
  for (ScrollTab* t : {static_cast<ScrollTab*>(retouch_), static_cast<ScrollTab*>(posterSize_)})
    t->onZoomBase = [this](int w, int h) {
      state_.ZoomBaseWidth = w;
      state_.ZoomBaseHeight = h;
    };

  FormCreate();

  // Below the start size the tabs cut their controls.
  setMinimumSize(630, 440);
  resize(630, 440);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(315, 220));
  }
  restoreRemembered();
  setAcceptDrops(true);
}

TMainForm::~TMainForm() = default;

void TMainForm::buildBottomBar() {
  Panel7 = new QWidget(this);
  Panel7->setObjectName("Panel7");
  auto* Panel8 = new QWidget(Panel7);
  Panel8->setObjectName("Panel8");
  Panel8->setFixedSize(342, kBottomBarHeight);
  ueberbtn = new PictureButton("ueberbtn", QStringLiteral("Info"), QStringLiteral("Informationen über das Programm"),
                               QSize(101, 30), Panel8);
  HilfeBtn = new PictureButton("HilfeBtn", QStringLiteral("Hilfe"),
                               QStringLiteral("Klicken Sie hier, falls Sie Hilfe benötigen"), QSize(101, 30), Panel8);
  EndeBtn = new PictureButton("EndeBtn", QStringLiteral("Ende"), QStringLiteral("Hiermit verlassen Sie das Programm"),
                              QSize(101, 30), Panel8);
  ueberbtn->move(25, 4);
  HilfeBtn->move(129, 4);
  EndeBtn->move(233, 4);
  connect(ueberbtn, &PictureButton::clicked, this, [this] { AboutBitBtnClick(); });
  connect(HilfeBtn, &PictureButton::clicked, this, [this] { HelpBtnClick(); });
  connect(EndeBtn, &PictureButton::clicked, this, [this] { QuitBtnClick(); });
}

void TMainForm::FormCreate() {
  programDir_ = QCoreApplication::applicationDirPath();
  if (!programDir_.endsWith('/')) programDir_ += '/';
  state_.SheetOff.clear();
  state_.Dragging = 0;
  state_.poster = PosterState{};
  load_->setFilter(QString::fromStdString(GetDIBOpenFilter(vectorFileTypes())));
  // "." rather than QDir::currentPath(): the working folder's name need not be UTF-8.
  load_->showDirectory(QStringLiteral("."));
  state_.Picture = newdib(320, 200, 8, nullptr, 0);
  state_.StartPictureId = state_.Picture.Id;
  state_.StartPictureGeneration = state_.Picture.Generation;
  state_.CropLeft = 0;
  state_.CropTop = 0;
  state_.CropRight = DibWidth(state_.Picture) - 1;
  state_.CropBottom = DibHeight(state_.Picture) - 1;
  UpdatePaperFormat();
  connectOptions();
  connectRetouch();
  UpdateOptions();
  state_.poster.WidthLeads = true;
  by_anpassen();
  helpFile_ = findHelpFile(programDir_);
}

void TMainForm::connectOptions() {
  SettingsTab* s = settings_;
  for (QCheckBox* box : {s->CheckBox1, s->CheckBox2, s->CheckBox3, s->CheckBox8, s->CheckBox9, s->CheckBox10,
                         s->CutHintsCheck, s->CheckBox4, s->CheckBox5, s->CheckBox6, posterSize_->KrShowCheck})
    connect(box, &QCheckBox::toggled, this, [this] { UpdateOptions(); });
  connect(s->KrandxlEd, &QSpinBox::valueChanged, this, [this] { KrandxlEdChange(); });
  connect(s->KrandylEd, &QSpinBox::valueChanged, this, [this] { KrandxlEdChange(); });
  connect(s->SetupBtn, &PictureButton::clicked, this, [this] { BitBtn3Click(); });
  connect(s->CalibrateBtn, &QPushButton::clicked, this, [this] { CalibrateBtnClick(); });
  connect(posterSize_->BreitEd, &FloatEdit::changed, this, [this] { BreitEdChange(); });
  connect(posterSize_->HochEd, &FloatEdit::changed, this, [this] { HochEdChange(); });
  connect(posterSize_->ActualSizeBtn, &QPushButton::clicked, this,
          [this] { setPhysicalSize(state_.poster, *this, 1.0); });
  connect(posterSize_->IncEd, &FloatEdit::changed, this, [this] { IncEdChange(); });
  connect(posterSize_->ZoomEd, &FloatEdit::changed, this, [this] { ZoomEdChange(); });
  connect(load_, &LoadTab::fileChosen, this, [this] { FileListBox1DblClick(); });
  // The save dialog first opens where the load tab stands.
  runSaveDialog = [this](QWidget* parent, const QStringList& filters, int& filterIndex, QString& fileName) {
    return runQtSaveDialog(parent, filters, filterIndex, fileName, load_->currentDirectory());
  };
  load_->PaintBox1->onPaint = [this](QPainter& p) { PaintBox1Paint(p); };
  posterSize_->VorschauBox()->onPaint = [this](QPainter& p) { VorschauBoxPaint(p); };
  posterSize_->VorschauBox()->onMouseDown = [this](QMouseEvent* e) {
    VorschauBoxMouseDown(e->position().toPoint().x(), e->position().toPoint().y());
  };
  connect(print_->GoBtn1, &PictureButton::clicked, this, [this] { PrintBtnClick(); });
  connect(print_->PdfBtn, &QPushButton::clicked, this, [this] { PdfBtnClick(); });
  connectPassport();
  connectDots();
  runPdfDialog = [this](QWidget* parent, QString& fileName) {
    fileName = QFileDialog::getSaveFileName(parent, QStringLiteral("Als PDF speichern"), load_->currentDirectory(),
                                            QStringLiteral("PDF-Dateien (*.pdf)"));
    return !fileName.isEmpty();
  };
  connect(retouch_->SaveBtn, &QPushButton::clicked, this, [this] { SaveBtnClick(); });
  connect(retouch_->ZoomEd2, &FloatEdit::changed, this,
          [this] { retouch_->applyZoom(state_.ZoomBaseWidth, state_.ZoomBaseHeight); });
}

void TMainForm::UpdateOptions() {
  SettingsTab* s = settings_;
  Options& o = state_.options;
  o.OptCutLines = s->CheckBox1->isChecked();
  o.OptGlueLines = s->CheckBox2->isChecked();
  o.OptNoEdgeLines = s->CheckBox3->isChecked();
  o.OptGlueMargin = s->CheckBox8->isChecked();
  o.OptPrintGlue = s->CheckBox9->isChecked();
  o.OptNoEdgeGlue = s->CheckBox10->isChecked();
  o.OptEdgeHints = s->CutHintsCheck->isChecked();
  o.OptCenter = s->CheckBox4->isChecked();
  o.OptFullSheet = s->CheckBox5->isChecked();
  o.OptKeepAspect = s->CheckBox6->isChecked();
  o.OptShowGlue = posterSize_->KrShowCheck->isChecked();
  // Printing onto the glue strip always comes with glue lines; checking the box runs this
  // handler once more, nested.
  if (o.OptPrintGlue) {
    s->CheckBox2->setChecked(true);
    o.OptGlueLines = s->CheckBox2->isChecked();
  }
  for (QWidget* w : std::initializer_list<QWidget*>{s->CheckBox9, s->CheckBox10, s->CheckBox2, s->KrandxlEd,
                                                    s->KrandylEd, s->Edit1, s->Edit2, s->CutHintsCheck})
    w->setEnabled(o.OptGlueMargin);
  by_anpassen();
  posterSize_->IncEd->setEnabled(!o.OptFullSheet);
  const Ext step = o.OptFullSheet ? 1 : posterSize_->IncEd->value();
  posterSize_->BreitEd->setSingleStep(step);
  posterSize_->HochEd->setSingleStep(step);
}

void TMainForm::UpdatePaperFormat() {
  metrics_ = printer_.metrics();
  const PaperTexts t = paperTexts(metrics_, glueMargins());
  SettingsTab* s = settings_;
  s->PrinterEdit->setText(printerCaption());
  const auto* qt = dynamic_cast<const QtPrintService*>(&printer_);
  s->CalibrateBtn->setEnabled(qt && !qt->printsToFile());
  s->Edit6->setText(QString::fromStdString(t.paper));
  s->Edit7->setText(QString::fromStdString(t.top));
  s->Edit8->setText(QString::fromStdString(t.left));
  s->Edit9->setText(QString::fromStdString(t.right));
  s->Edit10->setText(QString::fromStdString(t.bottom));
  s->Edit1->setText(QString::fromStdString(t.glueRight));
  s->Edit2->setText(QString::fromStdString(t.glueBottom));
  // The glue strips change the printed size although the sheet edits wait for their next change.
  showPrintSize(*posterSize_, metrics_, state_, glueMargins());
  // A chosen photo size keeps its millimetres on the new paper.
  PhotoSizeBoxChange();
}

GlueMargins TMainForm::glueMargins() const {
  return GlueMargins{settings_->KrandxlEd->value(), settings_->KrandylEd->value()};
}

void TMainForm::by_anpassen() { tessaro::by_anpassen(state_.poster, *this); }
void TMainForm::BreitEdChange() { tessaro::BreitEdChange(state_.poster, *this); }
void TMainForm::HochEdChange() { tessaro::HochEdChange(state_.poster, *this); }

void TMainForm::IncEdChange() {
  posterSize_->BreitEd->setSingleStep(posterSize_->IncEd->value());
  posterSize_->HochEd->setSingleStep(posterSize_->IncEd->value());
}

// Only the millimetre display follows a glue percentage; the geometry waits for its next change,
// except that a physical size is kept.
void TMainForm::KrandxlEdChange() {
  UpdatePaperFormat();
  if (state_.poster.PhysicalScale > 0) by_anpassen();
}

void TMainForm::WMUser(int percent) {
  percent = std::clamp(percent, 0, 100);
  load_->ShowProzent->setValue(percent);
  retouch_->ProRetusche->setValue(percent);
}

void TMainForm::ZoomEdChange() {
  posterSize_->applyZoom(state_.ZoomBaseWidth, state_.ZoomBaseHeight);
  posterSize_->VorschauBox()->update();
}

GeometryInputs TMainForm::geometryInputs() {
  GeometryInputs in;
  in.PW = metrics_.pageWidth;
  in.PH = metrics_.pageHeight;
  in.W = DibWidth(state_.Picture);
  in.H = DibHeight(state_.Picture);
  in.glue = glueMargins();
  in.options = state_.options;
  in.dpiX = metrics_.dpiX;
  in.dpiY = metrics_.dpiY;
  in.resolution = state_.Picture.Dpi;
  return in;
}

Ext TMainForm::breitValue() { return posterSize_->BreitEd->value(); }
void TMainForm::setBreitValue(Ext v) { posterSize_->BreitEd->setValue(v); }
Ext TMainForm::hochValue() { return posterSize_->HochEd->value(); }
void TMainForm::setHochValue(Ext v) { posterSize_->HochEd->setValue(v); }
// Every change of the sheets, the options or the picture passes here.
void TMainForm::repaintPreview() {
  posterSize_->VorschauBox()->update();
  print_->Dots->ZoomView->update();
  posterSize_->ActualSizeBtn->setEnabled(physicalSizeAvailable(geometryInputs()));
  showPrintSize(*posterSize_, metrics_, state_, glueMargins());
}

void TMainForm::pictureChanged() {
  load_->PaintBox1->update();
  retouch_->PaintBox2()->update();
  passport_->PaintBox3()->update();
  // The passport size and its shape hint follow also while their tab is hidden.
  showPassSize();
  repaintPreview();
}

void TMainForm::QuitBtnClick() {
  EndeBtn->release();
  close();
}

void TMainForm::BitBtn3Click() {
  settings_->SetupBtn->release();
  if (printerSetup_) printerSetup_(this);
  UpdatePaperFormat();
  by_anpassen();
}

void TMainForm::HelpBtnClick() {
  HilfeBtn->release();
  if (!help_) help_ = std::make_unique<HelpWindow>();
  if (!help_->showContents(helpFile_))
    messageBoxes().tell(this, QStringLiteral("Fehler"),
                        QStringLiteral("Die Hilfedatei %1 konnte nicht geöffnet werden!").arg(helpFile_),
                        MessageBoxes::Icon::Error);
}

void TMainForm::AboutBitBtnClick() {
  ueberbtn->release();
  TAboutBox box(this);
  box.exec();
}

bool TMainForm::FormCloseQuery() {
  return messageBoxes().askOkCancel(this, QStringLiteral("Programm beenden"),
                                    QStringLiteral("Hiermit beenden Sie Tessaro 2.1"), MessageBoxes::Icon::Information);
}

void TMainForm::FormClose() {
  rememberGeometry(saveGeometry());
  if (help_) help_->close();
}

void TMainForm::closeEvent(QCloseEvent* e) {
  if (!FormCloseQuery()) {
    e->ignore();
    return;
  }
  FormClose();
  e->accept();
}

void TMainForm::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Panel6->setGeometry(0, 0, width(), std::max(0, height() - kBottomBarHeight));
  Panel7->setGeometry(0, std::max(0, height() - kBottomBarHeight), width(), kBottomBarHeight);
  if (QWidget* p8 = Panel7->findChild<QWidget*>("Panel8")) p8->move(std::max(0, width() - p8->width()), 0);
  Panel6Resize();
}

void TMainForm::Panel6Resize() {
  pageControl_->setGeometry(kPageBorder, kPageBorder, std::max(0, Panel6->width() - 2 * kPageBorder),
                            std::max(0, Panel6->height() - 2 * kPageBorder));
}

}  // namespace tessaro
