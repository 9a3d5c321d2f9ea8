// The STL-choice dialog "frmStlDxf": the relief written as its surface alone or as a closed solid.
#pragma once

#include <QDialog>
#include <string>

#include "platform/form.h"

class QRadioButton;

namespace app {

class TfrmStlDxf : public platform::DialogForm {
  Q_OBJECT

 public:
  explicit TfrmStlDxf(QWidget* parent = nullptr);

  // Shows the dialog modally with `caption` (the output file's name); true when confirmed with Ok.
  bool Choose(const std::string& caption);
  bool Confirmed() const { return ok_; }
  bool Solid() const;

  void FormShow();
  void sbtOkClick();
  void bntCancelClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool ok_ = false;
  QRadioButton* rbtOutSh_ = nullptr;
  QRadioButton* rbtOutSo_ = nullptr;
};

}  // namespace app
