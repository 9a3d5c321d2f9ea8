// The NC listing page: the listing ricIso with its status line, find and save, and the backplot of
// the program (Step, Simulate, Rewind, End, Stop). The moves go through the seams below: the 3D ones
// to the 3D view, the 2D ones onto the 2D view's screen.
#include <QAction>
#include <QCoreApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/find_dialog.h"
#include "app/main_window.h"
#include "app/save_target.h"
#include "app/nc_file_name.h"
#include "app/page_control.h"
#include "cad/layers.h"
#include "lang/lang.h"
#include "machining/backplot.h"
#include "machining/nc_reader.h"
#include "platform/binary_stream.h"
#include "platform/dialogs.h"
#include "platform/numbers.h"
#include "platform/qt_dialogs.h"
#include "platform/text_measure.h"

namespace app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Lines between two rounds of window messages while Simulate plays at full speed.
constexpr int kPlayBatch = 15;
// Where Rewind parks the tool body, out of sight.
constexpr float kParkedTool = 9999.0f;

// Hands every press in the listing to `onPress` with the line the press puts the caret on; the press
// itself goes on to the listing.
class ListingPressFilter : public QObject {
 public:
  ListingPressFilter(QPlainTextEdit* listing, std::function<void(int)> onPress)
      : QObject(listing), listing_(listing), onPress_(std::move(onPress)) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) {
      const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
      const int line = listing_->cursorForPosition(at).blockNumber();
      platform::RunGuarded([&] { onPress_(line); });
    }
    return false;
  }

 private:
  QPlainTextEdit* listing_;
  std::function<void(int)> onPress_;
};

// How often a play lets the 3D view and the listing show its progress: about 30 frames a second at
// most, and never more time painting than reading, however slow a frame is. Meanwhile their changes
// ask for no repaint, so a round of window messages paints nothing but what else is due.
class PlayFrames {
 public:
  explicit PlayFrames(std::function<void(bool)> hold) : hold_(std::move(hold)) {
    hold_(true);
    sinceFrame_.start();
  }
  ~PlayFrames() { hold_(false); }
  PlayFrames(const PlayFrames&) = delete;
  PlayFrames& operator=(const PlayFrames&) = delete;

  // True when the next round of window messages paints a frame.
  bool FrameDue() const { return sinceFrame_.elapsed() >= std::max(kFrameMilliseconds, lastFrame_); }
  // Before a round of window messages: lets a frame be painted in it when one is due.
  void BeforeMessages() {
    if (!FrameDue()) return;
    hold_(false);
    hold_(true);
    painting_ = true;
    sinceFrame_.restart();
  }
  void AfterMessages() {
    if (!painting_) return;
    painting_ = false;
    lastFrame_ = sinceFrame_.restart();
  }

 private:
  static constexpr qint64 kFrameMilliseconds = 33;
  std::function<void(bool)> hold_;
  QElapsedTimer sinceFrame_;
  qint64 lastFrame_ = 0;
  bool painting_ = false;
};

double FieldValue(const QLineEdit* field, double fallback) {
  const auto value = platform::ParseDouble(field->text().toStdString());
  return value ? *value : fallback;
}

}  // namespace

// The backplot's drawing goes to the window's seams.
class TfrmMain::BackplotSeams final : public machining::BackplotView {
 public:
  explicit BackplotSeams(TfrmMain& window) : w_(window) {}

  void AddNode(bool rapid, float x, float y, float z) override { w_.Scene3DAddToolpathNode(rapid, x, y, z); }
  void AddArc(float cx, float cy, float z, float radius, float startAngle, float stopAngle, int count) override {
    w_.Scene3DAddToolpathArc(cx, cy, z, radius, startAngle, stopAngle, count);
  }
  void MoveTool(float x, float y, float z) override { w_.PlaceTool(x, y, z); }
  void DrawLine(uint32_t color, double x1, double y1, double x2, double y2) override {
    UsePenColor(color);
    w_.View2DDrawNcLine(x1, y1, x2, y2);
  }
  void DrawArc(uint32_t color, double cx, double cy, double radius, double startAngle, double endAngle) override {
    UsePenColor(color);
    w_.View2DDrawNcArc(cx, cy, radius, startAngle, endAngle);
  }
  void DrawPoint(uint32_t color, double x, double y) override {
    UsePenColor(color);
    w_.View2DDrawNcPoint(x, y);
  }

 private:
  // The entities are drawn with the current layer's pen, which takes the move's colour.
  void UsePenColor(uint32_t color) {
    platform::Pen pen = w_.CurrentLayerPen();
    if (pen.Color == color) return;
    pen.Color = color;
    w_.SetCurrentLayerPen(pen);
  }

  TfrmMain& w_;
};

// --- the seams the backplot draws through ---

cad::TLayer& TfrmMain::PenLayer() {
  // A play draws with the layer that was current when it started, even when the user picks another
  // one meanwhile: that one's pen is never touched, and the play's layer gets its own pen back.
  const int layer = penLayer_ >= 0 ? penLayer_ : currentLayer_;
  return Cad2DLayers().Layer(static_cast<uint8_t>(std::clamp(layer, 0, cad::TLayers::kCount - 1)));
}

platform::Pen TfrmMain::CurrentLayerPen() { return PenLayer().Pen(); }

void TfrmMain::SetCurrentLayerPen(const platform::Pen& pen) {
  cad::TLayer& layer = PenLayer();
  const bool modified = layer.Modified;
  layer.SetPen(pen);
  layer.Modified = modified;
}

void TfrmMain::View2DDrawNcLine(double x1, double y1, double x2, double y2) {
  NcDrawing2D line;
  line.color = CurrentLayerPen().Color;
  line.x1 = x1;
  line.y1 = y1;
  line.x2 = x2;
  line.y2 = y2;
  ncDrawing_.push_back(line);
  View2DShowNcEntity(line);
}

void TfrmMain::View2DDrawNcArc(double cx, double cy, double radius, double startAngle, double endAngle) {
  NcDrawing2D arc;
  arc.kind = NcDrawing2D::Arc;
  arc.color = CurrentLayerPen().Color;
  arc.x1 = cx;
  arc.y1 = cy;
  arc.radius = radius;
  arc.startAngle = startAngle;
  arc.endAngle = endAngle;
  ncDrawing_.push_back(arc);
  View2DShowNcEntity(arc);
}

void TfrmMain::View2DDrawNcPoint(double x, double y) {
  NcDrawing2D point;
  point.kind = NcDrawing2D::Point;
  point.color = CurrentLayerPen().Color;
  point.x1 = x;
  point.y1 = y;
  ncDrawing_.push_back(point);
  View2DShowNcEntity(point);
}

void TfrmMain::PlaceTool(float x, float y, float z) {
  toolPosition_ = {false, x, y, z};
  Scene3DMoveTool(x, y, z);
}

// --- wiring ---

void TfrmMain::ConnectListingHandlers() {
  findDialog_ = Add(new TFindDialog(this), "FindDialog1");
  mnuShowTool_ = Get<QAction>("mnuShowTool");
  TrackBar1_ = Get<QSlider>("TrackBar1");
  const char* limits[] = {"stxLimXmin", "stxLimXmax", "stxLimYmin", "stxLimYmax"};
  for (int i = 0; i < 4; ++i) stxLimits_[i] = Get<QLabel>(limits[i]);
  isoStatus1_ = Get<QLabel>("nol_IsoStatus1");
  // Nothing to save until the listing holds something.
  Get<QPushButton>("sbtIsoSave")->setEnabled(false);

  auto guarded = [this](void (TfrmMain::*handler)()) { return [this, handler] { platform::RunGuarded([&] { (this->*handler)(); }); }; };
  const std::pair<const char*, void (TfrmMain::*)()> buttons[] = {
      {"sbtIsoStep", &TfrmMain::sbtIsoStepClick}, {"sbtIsoPlay", &TfrmMain::sbtIsoPlayClick},
      {"sbtIsoRev", &TfrmMain::sbtIsoRevClick},   {"sbtIsoEnd", &TfrmMain::sbtIsoEndClick},
      {"sbtIsoStop", &TfrmMain::sbtIsoStopClick}, {"sbtIsoFind", &TfrmMain::sbtIsoFindClick},
      {"sbtIsoSave", &TfrmMain::sbtIsoSaveClick}, {"sbtIsoExit", &TfrmMain::sbtIsoExitClick}};
  for (const auto& [name, handler] : buttons) connect(Get<QPushButton>(name), &QPushButton::clicked, this, guarded(handler));
  connect(findDialog_, &TFindDialog::Find, this, guarded(&TfrmMain::FindDialog1Find));
  connect(ricIso_, &QPlainTextEdit::textChanged, this, guarded(&TfrmMain::ricIsoChange));
  connect(TrackBar1_, &QSlider::valueChanged, this, guarded(&TfrmMain::TrackBar1Change));
  ricIso_->viewport()->installEventFilter(new ListingPressFilter(ricIso_, [this](int line) { ricIsoMouseDown(line); }));
}

// --- the listing ---

int TfrmMain::ListingLineCount() const {
  const QTextDocument* document = ricIso_->document();
  int count = document->blockCount();
  // The line break that ends the last line starts no line of its own.
  if (count > 0 && document->lastBlock().length() <= 1) --count;
  return count;
}

std::string TfrmMain::ListingLine(int line) const {
  return ricIso_->document()->findBlockByNumber(line).text().toStdString();
}

void TfrmMain::SelectListingLine(int line) {
  const QTextBlock block = ricIso_->document()->findBlockByNumber(line);
  if (!block.isValid()) return;
  QTextCursor cursor(block);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  ricIso_->setTextCursor(cursor);
  // Step and Simulate select the line they read: the status follows them.
  ShowListingStatus(line);
}

void TfrmMain::ShowListingStatus(int caretLine) {
  // The caret after the last line break (Find's "not found" puts it there) is on the last line.
  const int count = ListingLineCount();
  if (count > 0) caretLine = std::min(caretLine, count - 1);
  isoStatus1_->setText(Q(lang::LangString("717") + std::to_string(caretLine + 1) + "/" + std::to_string(count)));
}

void TfrmMain::ShowExtents() {
  const float values[] = {backplot_.MinX(), backplot_.MaxX(), backplot_.MinY(), backplot_.MaxY()};
  for (int i = 0; i < 4; ++i) stxLimits_[i]->setText(Q(Formatta(values[i])));
  // The autozoom of the backplot in 2D fits it.
  SetNcExtent(backplot_.MinX(), backplot_.MinY(), backplot_.MaxX(), backplot_.MaxY());
}

void TfrmMain::tabIsoShow() {
  // Shown again while a play runs (the user came back to it): that play is over.
  sbtIsoStopClick();
  auto* name = Get<QLabel>("nol_lblNomeNcFile1");
  const platform::FontTextMeasure measure(name->font());
  name->setText(Q(machining::FitTextToWidth(measure, job_.nc.ncFileName, name->width())));
  Get<QLabel>("nol_IsoStatus2")->setText(Q(settings_.pst));
  ResetBackplot();
  DisegnaUtensile();
  for (const char* button : {"sbtIsoRev", "sbtIsoPlay", "sbtIsoEnd", "sbtIsoStep"})
    Get<QWidget>(button)->setEnabled(writer_.settings.simulate);
}

void TfrmMain::ResetBackplot() {
  backplot_.Reset(writer_.settings, txtFeedPlane_->text().toStdString());
  SetNcExtent(backplot_.MinX(), backplot_.MinY(), backplot_.MaxX(), backplot_.MaxY());
}

void TfrmMain::ricIsoChange() {
  ++listingRevision_;
  ShowListingStatus(ricIso_->textCursor().blockNumber());
  Get<QWidget>("sbtIsoSave")->setEnabled(true);
}

void TfrmMain::ricIsoMouseDown(int line) {
  currentLine_ = line + 1;
  ShowListingStatus(line);
}

void TfrmMain::sbtIsoFindClick() {
  findDialog_->Execute(ricIso_->mapToGlobal(QPoint(ricIso_->width(), 0)));
}

void TfrmMain::FindDialog1Find() {
  const QString text = findDialog_->FindText();
  if (text.isEmpty()) return;
  QTextCursor cursor = ricIso_->textCursor();
  const int from = cursor.hasSelection() ? cursor.selectionEnd() : 0;
  const QTextCursor found = ricIso_->document()->find(text, from, QTextDocument::FindCaseSensitively);
  if (found.isNull()) cursor.movePosition(QTextCursor::End);
  else cursor = found;
  ricIso_->setTextCursor(cursor);
  ricIso_->ensureCursorVisible();
  ShowListingStatus(cursor.blockNumber());
}

void TfrmMain::sbtIsoSaveClick() {
  const std::string extension = writer_.settings.fileExtension;
  const std::string start = std::filesystem::path(job_.nc.ncFileName).replace_extension().string();
  const std::string filter = NcFileFilter(lang::LangString("701"), extension);
  const std::string chosen = ChooseFileToWrite(start, filter, extension);
  if (chosen.empty()) return;
  // Every line with the CR LF the program's NC files end their lines with.
  QByteArray text;
  const int lines = ListingLineCount();
  for (QTextBlock block = ricIso_->document()->begin(); block.isValid() && block.blockNumber() < lines;
       block = block.next()) {
    text += block.text().toUtf8();
    text += "\r\n";
  }
  platform::WriteFileText(chosen, std::string_view(text.constData(), static_cast<size_t>(text.size())));
}

void TfrmMain::sbtIsoExitClick() {
  sbtIsoStopClick();
  VisPagine({kPageRestoreSet});
  modo3d(false, false);
  AbilitaBt3d(false);
  Scene3DClearToolpath();
  ClearNcDrawing();
  AbilitaPnl(true, true);
}

void TfrmMain::TrackBar1Change() { ricIso_->setFocus(); }

// --- the backplot ---

void TfrmMain::DisegnaUtensile() {
  if (!tool_) return;
  auto field = [this](const char* name) { return FieldValue(tool_->Find<QLineEdit>(name), 0.0); };
  machining::ToolShape shape;
  shape.toolType = tool_->Find<QComboBox>("cboTipoUt")->currentIndex();
  shape.diameter = field("txtDiametro");
  shape.cornerRadius = field("txtC_Raggio");
  shape.flatDiameter = field("txtDiamFlat");
  shape.taperAngle = field("txtAngolo");
  Scene3DSetToolProfile(machining::ToolBodyProfile(shape, field("txtUtLen")));
  Scene3DShowTool(mnuShowTool_->isChecked());
  PlaceTool(toolPosition_.x, toolPosition_.y, static_cast<float>(FieldValue(txtFeedPlane_, job_.nc.referenceHeight)));
}

void TfrmMain::DisegnaNc3d(const machining::NcMove& move) {
  BackplotSeams seams(*this);
  if (backplot_.Draw3D(seams, move, mnuShowTool_->isChecked())) ShowExtents();
}

void TfrmMain::DisegnaNc(const machining::NcMove& move) {
  BackplotSeams seams(*this);
  if (backplot_.Draw2D(seams, move)) ShowExtents();
}

bool TfrmMain::StartListingPath(const machining::NcMove& move) {
  if (!backplot_.Placed() || backplot_.HasStart()) return false;
  // The first position the listing gives after its page is entered or after Rewind is where the
  // drawn path starts: what was drawn before (Calculate's path, an earlier run) goes, and no move is
  // drawn to it, from there or from anywhere.
  Scene3DClearToolpath();
  ClearNcDrawing();
  if (backplot_.SetStart(move.x, move.y)) ShowExtents();
  return true;
}

void TfrmMain::sbtIsoStepClick() {
  if (playing_) return;
  modo3d(true, false);
  AbilitaBt3d(true);
  const platform::Pen pen = CurrentLayerPen();
  platform::Pen wide = pen;
  wide.Width = 2;
  SetCurrentLayerPen(wide);
  try {
    if (currentLine_ >= 0 && currentLine_ < ListingLineCount()) {
      SelectListingLine(currentLine_);
      // Past the line before it is read: a refused line is said once, and the next step goes on.
      const int line = currentLine_++;
      ricIso_->ensureCursorVisible();
      if (backplot_.Read(ListingLine(line), line + 1)) {
        const machining::NcMove move = backplot_.Move();
        if (!StartListingPath(move)) DisegnaNc3d(move);
      }
    }
  } catch (...) {
    SetCurrentLayerPen(pen);
    throw;
  }
  SetCurrentLayerPen(pen);
}

void TfrmMain::sbtIsoPlayClick() {
  if (playing_) return;
  const machining::NcDialect dialect = writer_.settings.dialect;
  if (dialect != machining::NcDialect::ISO && dialect != machining::NcDialect::CSH)
    platform::ShowMessage(lang::LangString("782"));

  // The play ends when Stop clears the flag, when the listing it reads changes, when its page is left
  // or when the window goes; whatever the window messages between the lines do, it never reads a line
  // of another listing or touches a window that is gone.
  QPointer<TfrmMain> alive(this);
  penLayer_ = currentLayer_;
  const platform::Pen pen = CurrentLayerPen();
  const bool readOnly = ricIso_->isReadOnly();
  const uint64_t revision = listingRevision_;
  const int page = ActivePage();
  SimulOnOff(false);
  ricIso_->setReadOnly(true);
  playing_ = true;
  auto finish = [&] {
    playing_ = false;
    ricIso_->setReadOnly(readOnly);
    SetCurrentLayerPen(pen);
    penLayer_ = -1;
    SimulOnOff(true);
  };

  try {
    // The listing and its status line are held too: they select, scroll and count every 15 lines,
    // painted only with the frames.
    PlayFrames frames([this, alive](bool hold) {
      if (!alive) return;
      Scene3DHoldFrames(hold);
      ricIso_->setUpdatesEnabled(!hold);
      isoStatus1_->setUpdatesEnabled(!hold);
    });
    int line = ricIso_->textCursor().blockNumber();
    bool first = true;
    int batch = 0;
    // The listing follows the play only in the frames that are painted: it scrolls by what the
    // batches since the last frame add up to, then selects. Selecting every batch unseen would lay
    // out (and keep a layout for) every line of the program on the way.
    int unscrolled = 0, unselected = -1;
    auto follow = [&] {
      if (unselected < 0) return;
      QScrollBar* scroll = ricIso_->verticalScrollBar();
      scroll->setValue(scroll->value() + unscrolled);
      SelectListingLine(unselected);
      unscrolled = 0;
      unselected = -1;
    };
    for (; playing_ && line < ListingLineCount(); ++line) {
      if (backplot_.Read(ListingLine(line), line + 1)) {
        const machining::NcMove move = backplot_.Move();
        if (first) {
          // The first position the listing gives is the start; a line before it gives none.
          if (backplot_.Placed()) {
            if (!StartListingPath(move) && backplot_.SetStart(move.x, move.y)) ShowExtents();
            first = false;
          }
        } else if (mode3d_) {
          DisegnaNc3d(move);
        } else {
          DisegnaNc(move);
        }
      }
      const int wait = machining::PlayWaitMilliseconds(TrackBar1_->value());
      if (wait > 0) {
        SelectListingLine(line);
        frames.BeforeMessages();
        DelayWithMessages(wait);
        if (!alive) return;
        frames.AfterMessages();
      }
      if (++batch == kPlayBatch) {
        batch = 0;
        unselected = line;
        unscrolled += kPlayBatch;
        if (frames.FrameDue()) follow();
        frames.BeforeMessages();
        QCoreApplication::processEvents();
        if (!alive) return;
        frames.AfterMessages();
      }
      if (listingRevision_ != revision || ActivePage() != page) playing_ = false;
    }
    if (playing_) {
      unselected = std::min(line, ListingLineCount()) - 1;
      follow();
    } else if (listingRevision_ == revision) {
      follow();  // stopped: where the last batch had come
    }
  } catch (...) {
    if (alive) finish();
    throw;
  }
  finish();
}

void TfrmMain::sbtIsoRevClick() {
  if (playing_) return;
  Scene3DClearToolpath();
  PlaceTool(kParkedTool, kParkedTool, static_cast<float>(FieldValue(txtFeedPlane_, job_.nc.referenceHeight)));
  ricIso_->moveCursor(QTextCursor::Start);
  ricIso_->verticalScrollBar()->setValue(0);
  currentLine_ = 0;
  ShowListingStatus(0);
  ClearNcDrawing();
  // Read again from the start: the tool stands nowhere the listing said until a line places it.
  ResetBackplot();
}

void TfrmMain::ClearNcDrawing() {
  // The repaint wipes what the backplot drew on the 2D view.
  ncDrawing_.clear();
  View2DRepaint();
}

void TfrmMain::sbtIsoEndClick() {
  if (playing_) return;
  QScrollBar* scroll = ricIso_->verticalScrollBar();
  scroll->setValue(scroll->maximum());
  ricIso_->moveCursor(QTextCursor::End);
  currentLine_ = ListingLineCount() - 1;
  ShowListingStatus(ricIso_->textCursor().blockNumber());
}

void TfrmMain::sbtIsoStopClick() { playing_ = false; }

void TfrmMain::SimulOnOff(bool on) {
  for (const char* name : {"sbtIsoRev", "sbtIsoPlay", "sbtIsoEnd", "sbtIsoStep", "sbtPrevB7", "sbtOpen", "sbtSave",
                           "sbtSetting", "sbtAbout", "sbtExit"})
    Get<QWidget>(name)->setEnabled(on);
}

void TfrmMain::DelayWithMessages(int milliseconds) {
  const uint64_t start = platform::CurrentDialogs().TickCount();
  for (;;) {
    QCoreApplication::processEvents();
    if (platform::CurrentDialogs().TickCount() - start >= static_cast<uint64_t>(std::max(milliseconds, 0))) return;
    // Not a busy wait: the messages that come meanwhile run at the next round.
    QThread::msleep(1);
  }
}

}  // namespace app
