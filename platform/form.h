// The program's windows on Qt. The language file translates a window by the names of its components,
// in the order the window created them, so every window keeps a small registry of its components:
//
//   class TfrmGrid : public platform::DialogForm {
//    public:
//     TfrmGrid() : DialogForm("frmGrid") {
//       auto* lblStep = Add(new QLabel(this), "lblStep");           // objectName = "lblStep"
//       auto* rgpUnit = Add(new platform::RadioGroup(this), "rgpUnit");
//       auto* actOk   = Add(new QAction(this), "actOk");           // non-widget components too
//       ...
//     }
//   };
//
// Form (a QWidget), DialogForm (a QDialog, for windows shown modally) and MainForm (a QMainWindow) share
// FormBase, which holds the registry. A window's objectName is its own name ("frmTool"), which is also its
// section in the language file. Every live window is listed in creation order (AllForms).
//
// The language file speaks of the string properties "Caption" and "Hint"; SetStringProperty maps them on
// Qt (see there). A widget class of our own may instead declare Q_PROPERTY(QString Caption ...) or
// Q_PROPERTY(QString Hint ...), which then wins. Radio groups and combo boxes have items (ItemCount,
// SetItemText).
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <span>
#include <string_view>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace platform {

class FormBase {
 public:
  FormBase(QWidget* self, const char* name);
  virtual ~FormBase();
  FormBase(const FormBase&) = delete;
  FormBase& operator=(const FormBase&) = delete;

  // Records `component` as the window's next component and gives it `name` as objectName. The window
  // (or any widget inside it) must already be its Qt parent; the registry owns nothing.
  template <class T>
  T* Add(T* component, const char* name) {
    component->setObjectName(QString::fromUtf8(name));
    components_.emplace_back(component);
    return component;
  }

  QWidget* Window() const { return self_; }
  std::string Name() const { return self_->objectName().toStdString(); }

  // The registered components still alive, in the order they were added.
  std::vector<QObject*> Components() const;
  // The registered component named `name` (exact spelling), or null.
  QObject* FindComponent(std::string_view name) const;
  template <class T>
  T* Find(std::string_view name) const {
    return qobject_cast<T*>(FindComponent(name));
  }

  // Every live window in creation order.
  static std::vector<FormBase*> AllForms();
  // The live window named `name`, or null.
  static FormBase* FindForm(std::string_view name);

 private:
  QWidget* self_;
  std::vector<QPointer<QObject>> components_;
};

template <class W>
class BasicForm : public W, public FormBase {
 public:
  explicit BasicForm(const char* name, QWidget* parent = nullptr) : W(parent), FormBase(this, name) {}
};

using Form = BasicForm<QWidget>;
using DialogForm = BasicForm<QDialog>;
using MainForm = BasicForm<QMainWindow>;

// A titled frame of radio buttons, one per item, of which at most one is chosen.
class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit RadioGroup(QWidget* parent = nullptr);

  int Count() const { return static_cast<int>(buttons_.size()); }
  QString Item(int index) const;
  QStringList Items() const;
  // Replaces all items; the choice is cleared.
  void SetItems(const QStringList& items);
  void AddItem(const QString& text);
  // Changes the text of an existing item; false when `index` is out of range.
  bool SetItemText(int index, const QString& text);
  QRadioButton* Button(int index) const;

  // The chosen item, -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int index);

  // Items are laid out row by row in this many columns (at least 1).
  int Columns() const { return columns_; }
  void SetColumns(int columns);

 signals:
  // The user (or SetItemIndex) chose another item.
  void ItemIndexChanged(int index);

 private:
  void Relayout();

  QGridLayout* layout_;
  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
  int columns_ = 1;
};

// Sets the string property "Caption" or "Hint" of a component; false when the component's kind has no
// such property (then nothing changes).
//   Caption: a declared Qt property "Caption"; else the text of buttons, check boxes, radio buttons,
//            labels and actions; the title of group boxes (radio groups too) and menus; the tab text of a
//            page of a QTabWidget; the window title of a window (a Form, or any top-level widget).
//   Hint:    a declared Qt property "Hint"; else the tool tip of any widget or action.
bool SetStringProperty(QObject* component, std::string_view property, const QString& value);
// The current value of the same property; a null QString when the component's kind has none.
QString StringProperty(const QObject* component, std::string_view property);

// Items of radio groups and combo boxes; -1 for a component without items.
int ItemCount(const QObject* component);
QString ItemText(const QObject* component, int index);
// Replaces the text of an existing item; false when there is no such item.
bool SetItemText(QObject* component, int index, const QString& text);

// The width `control` needs to show its whole text: a label's, a check box's or radio button's own
// size hint; a push button's text with its frame and margins; a combo box's widest item in its edit
// field. 0 for a control whose text is not fitted (none, wrapped, a tool button's glyph).
int TextFitWidth(const QWidget* control);

// Widens each label, button, check box, radio button and combo box of the window that is narrower
// than its text (TextFitWidth), as far as the room to its right allows: up to the next widget on its
// row, else to the row's right edge (the parent's width or the rightmost of its other widgets).
// Controls in a layout are left to it; a control is never narrowed. A combo box's list opens wide
// enough for its widest item wherever the box stands.
void FitControlsToText(const FormBase& form);

// The geometry a control was built with, noted as it is built; put back before a translation fits
// texts again, so a shorter language gets the designed widths back. Returns the widget.
template <class T>
T* NoteDesignedGeometry(T* widget) {
  widget->setProperty("designedGeometry", widget->geometry());
  return widget;
}
// Back to the noted geometry; a widget without one stays as it is.
QWidget* RestoreDesignedGeometry(QWidget* widget);

// A control of a row laid out by FitRowToText and the width it may give way down to (its own width:
// it keeps it). kToItsText: a control with text, which widens to its text and gives way down to it.
inline constexpr int kToItsText = -1;
struct RowControl {
  QWidget* widget;
  int least = kToItsText;
};
// Lays a row out again (from its designed geometry where noted) from its first control's left edge,
// in order and with the gaps it had: a
// control whose text is cut widens to it, and where the row up to `right` has no room for that the
// others give way (right to left) down to their least widths. What is still missing is taken from
// the widening controls, so nothing passes `right` that did not already.
void FitRowToText(std::span<const RowControl> row, int right);

}  // namespace platform
