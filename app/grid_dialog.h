// The grid dialog "frmGrid": grid spacing, sub-divisions and snap steps of the 2D view. Every change
// applies at once through its host (the main window); closing other than with "&Ok" puts back what
// the host had when the dialog opened.
#pragma once

#include <QDialog>

#include "platform/form.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace app {

// The grid and snap values of the 2D view and the interaction program.
struct GridValues {
  double gridX = 10.0;
  double gridY = 10.0;
  int subX = 0;
  int subY = 0;
  double snapX = 10.0;
  double snapY = 10.0;
  bool snapToGrid = false;
  bool showGrid = true;
  bool operator==(const GridValues&) const = default;
};

// What the dialog changes.
class GridHost {
 public:
  virtual ~GridHost() = default;
  virtual GridValues Grid() const = 0;
  // The view and the interaction program take the values (not the two switches).
  virtual void SetGrid(const GridValues& values) = 0;
  // The grid button goes down (up); the view's grid follows it.
  virtual void SetGridButton(bool down) = 0;
  // Snapping to the grid on or off; the snap button's glyph follows.
  virtual void SetSnapToGrid(bool on) = 0;
};

// One value of the set, for the linked boxes.
inline void SetGridX(GridValues& v, double value) { v.gridX = value; }
inline void SetGridY(GridValues& v, double value) { v.gridY = value; }
inline void SetSubX(GridValues& v, double value) { v.subX = static_cast<int>(value); }
inline void SetSubY(GridValues& v, double value) { v.subY = static_cast<int>(value); }
inline void SetSnapX(GridValues& v, double value) { v.snapX = value; }
inline void SetSnapY(GridValues& v, double value) { v.snapY = value; }

// The values of the boxes: the steps offered for grid and snap, and the sub-divisions.
extern const char* const kGridSteps[15];
extern const char* const kGridSubdivisions[6];

// A box of a linked pair changed: `set` takes its number; when `linked`, the other box shows the
// same text and `setOther` takes the same number. A text that is no number (or not above 0 for a
// step) changes nothing.
void LinkedBoxChange(QComboBox* changed, QComboBox* other, bool linked, bool positive,
                     void (*set)(GridValues&, double), void (*setOther)(GridValues&, double), GridHost& host);

class TfrmGrid : public platform::DialogForm {
  Q_OBJECT

 public:
  explicit TfrmGrid(GridHost& host, QWidget* parent = nullptr);

  // The main window fills the boxes before it shows the dialog.
  void Fill(const GridValues& values);
  bool Restore() const { return restore_; }

  void FormShow();
  void btnOkClick();
  void btnCancelClick();
  void FormClose();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  GridHost& host_;
  GridValues saved_;
  bool restore_ = false;
  bool closing_ = false;
  QComboBox* gridX_ = nullptr;
  QComboBox* gridY_ = nullptr;
  QComboBox* subX_ = nullptr;
  QComboBox* subY_ = nullptr;
  QComboBox* snapX_ = nullptr;
  QComboBox* snapY_ = nullptr;
  QCheckBox* unisceGrid_ = nullptr;
  QCheckBox* unisceSubGrid_ = nullptr;
  QCheckBox* snap_ = nullptr;
  QCheckBox* showGrid_ = nullptr;
  QCheckBox* snap2Grid_ = nullptr;
};

}  // namespace app
