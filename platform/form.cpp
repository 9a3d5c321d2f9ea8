#include "platform/form.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QAbstractItemView>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <algorithm>

namespace platform {

namespace {

std::vector<FormBase*>& LiveForms() {
  static std::vector<FormBase*> forms;
  return forms;
}

// The tab widget that shows `widget` as one of its pages, and the page's index.
QTabWidget* OwningTabWidget(const QWidget* widget, int& index) {
  const QWidget* stack = widget->parentWidget();
  if (!stack || !qobject_cast<const QStackedWidget*>(stack)) return nullptr;
  auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
  if (!tabs) return nullptr;
  index = tabs->indexOf(const_cast<QWidget*>(widget));
  return index >= 0 ? tabs : nullptr;
}

bool IsWindow(const QObject* component) {
  auto* widget = qobject_cast<const QWidget*>(component);
  return widget && (widget->isWindow() || dynamic_cast<const FormBase*>(component));
}

// A property the component's own class declared under exactly this name.
bool HasDeclaredProperty(const QObject* component, const char* name) {
  return component->metaObject()->indexOfProperty(name) >= 0;
}

}  // namespace

FormBase::FormBase(QWidget* self, const char* name) : self_(self) {
  self_->setObjectName(QString::fromUtf8(name));
  LiveForms().push_back(this);
}

FormBase::~FormBase() {
  auto& forms = LiveForms();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

std::vector<QObject*> FormBase::Components() const {
  std::vector<QObject*> alive;
  for (const auto& c : components_)
    if (c) alive.push_back(c.data());
  return alive;
}

QObject* FormBase::FindComponent(std::string_view name) const {
  QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  for (const auto& c : components_)
    if (c && c->objectName() == wanted) return c.data();
  return nullptr;
}

std::vector<FormBase*> FormBase::AllForms() { return LiveForms(); }

FormBase* FormBase::FindForm(std::string_view name) {
  QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  for (FormBase* form : LiveForms())
    if (form->Window()->objectName() == wanted) return form;
  return nullptr;
}

// --- RadioGroup ---

RadioGroup::RadioGroup(QWidget* parent)
    : QGroupBox(parent), layout_(new QGridLayout(this)), group_(new QButtonGroup(this)) {
  group_->setExclusive(true);
  connect(group_, &QButtonGroup::idClicked, this, [this](int id) { emit ItemIndexChanged(id); });
}

QString RadioGroup::Item(int index) const {
  return index >= 0 && index < Count() ? buttons_[static_cast<size_t>(index)]->text() : QString();
}

QStringList RadioGroup::Items() const {
  QStringList items;
  for (auto* b : buttons_) items << b->text();
  return items;
}

void RadioGroup::SetItems(const QStringList& items) {
  for (auto* b : buttons_) {
    group_->removeButton(b);
    delete b;
  }
  buttons_.clear();
  for (const auto& text : items) AddItem(text);
}

void RadioGroup::AddItem(const QString& text) {
  auto* button = new QRadioButton(text, this);
  group_->addButton(button, Count());
  buttons_.push_back(button);
  Relayout();
}

bool RadioGroup::SetItemText(int index, const QString& text) {
  if (index < 0 || index >= Count()) return false;
  buttons_[static_cast<size_t>(index)]->setText(text);
  return true;
}

QRadioButton* RadioGroup::Button(int index) const {
  return index >= 0 && index < Count() ? buttons_[static_cast<size_t>(index)] : nullptr;
}

int RadioGroup::ItemIndex() const { return group_->checkedId(); }

void RadioGroup::SetItemIndex(int index) {
  if (index == ItemIndex()) return;
  if (index >= 0 && index < Count()) {
    buttons_[static_cast<size_t>(index)]->setChecked(true);
  } else {
    // An exclusive group never unchecks its last button by itself.
    group_->setExclusive(false);
    for (auto* b : buttons_) b->setChecked(false);
    group_->setExclusive(true);
    index = -1;
  }
  emit ItemIndexChanged(index);
}

void RadioGroup::SetColumns(int columns) {
  columns_ = std::max(1, columns);
  Relayout();
}

void RadioGroup::Relayout() {
  for (auto* b : buttons_) layout_->removeWidget(b);
  int rows = (Count() + columns_ - 1) / columns_;
  // Column by column, as a radio group fills its columns.
  for (int i = 0; i < Count(); ++i)
    layout_->addWidget(buttons_[static_cast<size_t>(i)], rows ? i % rows : 0, rows ? i / rows : 0);
}

// --- string properties and items ---

bool SetStringProperty(QObject* component, std::string_view property, const QString& value) {
  if (!component) return false;
  if (property == "Caption") {
    if (HasDeclaredProperty(component, "Caption")) return component->setProperty("Caption", value);
    if (auto* b = qobject_cast<QAbstractButton*>(component)) return b->setText(value), true;
    if (auto* l = qobject_cast<QLabel*>(component)) return l->setText(value), true;
    if (auto* a = qobject_cast<QAction*>(component)) return a->setText(value), true;
    if (auto* g = qobject_cast<QGroupBox*>(component)) return g->setTitle(value), true;
    if (auto* m = qobject_cast<QMenu*>(component)) return m->setTitle(value), true;
    if (auto* w = qobject_cast<QWidget*>(component)) {
      int index = -1;
      if (QTabWidget* tabs = OwningTabWidget(w, index)) return tabs->setTabText(index, value), true;
      if (IsWindow(component)) return w->setWindowTitle(value), true;
    }
    return false;
  }
  if (property == "Hint") {
    if (HasDeclaredProperty(component, "Hint")) return component->setProperty("Hint", value);
    if (auto* a = qobject_cast<QAction*>(component)) return a->setToolTip(value), true;
    if (auto* w = qobject_cast<QWidget*>(component)) return w->setToolTip(value), true;
    return false;
  }
  return false;
}

QString StringProperty(const QObject* component, std::string_view property) {
  if (!component) return {};
  if (property == "Caption") {
    if (HasDeclaredProperty(component, "Caption")) return component->property("Caption").toString();
    if (auto* b = qobject_cast<const QAbstractButton*>(component)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(component)) return l->text();
    if (auto* a = qobject_cast<const QAction*>(component)) return a->text();
    if (auto* g = qobject_cast<const QGroupBox*>(component)) return g->title();
    if (auto* m = qobject_cast<const QMenu*>(component)) return m->title();
    if (auto* w = qobject_cast<const QWidget*>(component)) {
      int index = -1;
      if (QTabWidget* tabs = OwningTabWidget(w, index)) return tabs->tabText(index);
      if (IsWindow(component)) return w->windowTitle();
    }
    return {};
  }
  if (property == "Hint") {
    if (HasDeclaredProperty(component, "Hint")) return component->property("Hint").toString();
    if (auto* a = qobject_cast<const QAction*>(component)) return a->toolTip();
    if (auto* w = qobject_cast<const QWidget*>(component)) return w->toolTip();
  }
  return {};
}

int ItemCount(const QObject* component) {
  if (auto* r = qobject_cast<const RadioGroup*>(component)) return r->Count();
  if (auto* c = qobject_cast<const QComboBox*>(component)) return c->count();
  return -1;
}

QString ItemText(const QObject* component, int index) {
  if (auto* r = qobject_cast<const RadioGroup*>(component)) return r->Item(index);
  if (auto* c = qobject_cast<const QComboBox*>(component)) return index >= 0 ? c->itemText(index) : QString();
  return {};
}

namespace {

// The width of a combo box's widest item: its text, and with `icons` the icon beside it.
int ComboItemsWidth(const QComboBox* box, bool icons) {
  const QFontMetrics metrics = box->fontMetrics();
  int widest = 0;
  for (int i = 0; i < box->count(); ++i) {
    int width = metrics.horizontalAdvance(box->itemText(i));
    if (icons && !box->itemIcon(i).isNull()) width += box->iconSize().width() + 4;
    widest = std::max(widest, width);
  }
  return widest;
}

// The open list is a window of its own, as wide as the box unless told otherwise, and the style
// draws its items as menu items, each text after a column for its icon and a margin on either side,
// cut in the middle where that does not fit: it opens as wide as its widest item draws.
void FitComboListToItems(QComboBox* box) {
  QAbstractItemView* view = box->view();
  const int widest = ComboItemsWidth(box, false);
  // The icon column (at least 20 pixels), the item's frame and margins, the menu's right border and
  // a few pixels to spare: Fusion cuts a text that would come closer to the edge.
  constexpr int kItemMargins = 40;
  int width = widest + std::max(box->iconSize().width() + 4, 20) + kItemMargins;
  width += view->width() - view->viewport()->width();
  if (box->count() > box->maxVisibleItems()) width += view->verticalScrollBar()->sizeHint().width();
  view->setMinimumWidth(width);
  // The list's window is resized to the box's width when it opens; only its own minimum holds it.
  QWidget* popup = view->parentWidget();
  if (popup && popup != box) {
    const QMargins margins = popup->contentsMargins();
    popup->setMinimumWidth(width + margins.left() + margins.right());
  }
}

}  // namespace

int TextFitWidth(const QWidget* control) {
  if (auto* label = qobject_cast<const QLabel*>(control))
    return label->wordWrap() || label->text().isEmpty() ? 0 : label->sizeHint().width();
  if (qobject_cast<const QCheckBox*>(control) || qobject_cast<const QRadioButton*>(control))
    return static_cast<const QAbstractButton*>(control)->text().isEmpty() ? 0 : control->sizeHint().width();
  if (auto* button = qobject_cast<const QPushButton*>(control)) {
    if (button->text().isEmpty()) return 0;
    // The style's size hint has a floor of its own (80 pixels in Fusion) that would widen buttons
    // whose text shows: only the text, its frame and the style's margin count.
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.features = button->autoDefault() ? QStyleOptionButton::AutoDefaultButton : QStyleOptionButton::None;
    const QStyle* style = button->style();
    const int frame = button->width() - style->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    int text = button->fontMetrics().horizontalAdvance(QString(button->text()).remove(QLatin1Char('&')));
    if (!button->icon().isNull()) text += button->iconSize().width() + 4;
    return text + frame + style->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
  }
  if (auto* box = qobject_cast<const QComboBox*>(control)) {
    if (box->count() == 0 || box->isEditable()) return 0;
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = false;
    const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
    // The field's text starts a few pixels in; the same again at its end keeps the last letter clear.
    constexpr int kFieldPadding = 4;
    return box->width() - field.width() + ComboItemsWidth(box, true) + kFieldPadding;
  }
  return 0;
}

void FitControlsToText(const FormBase& form) {
  constexpr int kGap = 2;
  for (QObject* component : form.Components()) {
    auto* control = qobject_cast<QWidget*>(component);
    if (!control) continue;
    if (auto* box = qobject_cast<QComboBox*>(control)) FitComboListToItems(box);
    const int needed = TextFitWidth(control);
    QWidget* parent = control->parentWidget();
    if (needed == 0 || !parent || parent->layout()) continue;
    const QRect box = control->geometry();
    if (needed <= box.width()) continue;
    int right = parent->width();
    for (const QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (sibling != control && !sibling->isWindow()) right = std::max(right, sibling->geometry().right() + 1);
    for (const QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const QRect other = sibling->geometry();
      const bool sameRow = other.top() <= box.bottom() && other.bottom() >= box.top();
      if (sibling != control && !sibling->isWindow() && sameRow && other.left() > box.left())
        right = std::min(right, other.left() - kGap);
    }
    const int width = std::min(needed, right - box.left());
    if (width > box.width()) control->resize(width, box.height());
  }
}

QWidget* RestoreDesignedGeometry(QWidget* widget) {
  const QVariant designed = widget->property("designedGeometry");
  if (designed.isValid()) widget->setGeometry(designed.toRect());
  return widget;
}

void FitRowToText(std::span<const RowControl> row, int right) {
  if (row.empty()) return;
  for (const RowControl& control : row) RestoreDesignedGeometry(control.widget);
  const size_t n = row.size();
  std::vector<int> width(n), floor(n), gap(n, 0);
  int total = 0;
  for (size_t i = 0; i < n; ++i) {
    const QRect box = row[i].widget->geometry();
    const int fit = row[i].least == kToItsText ? TextFitWidth(row[i].widget) : 0;
    width[i] = std::max(box.width(), fit);
    floor[i] = std::min(box.width(), row[i].least == kToItsText ? fit : row[i].least);
    if (i > 0) gap[i] = box.left() - row[i - 1].widget->geometry().right() - 1;
    total += gap[i] + width[i];
  }
  const int left = row[0].widget->geometry().left();
  int shortage = left + total - std::max(right, row[n - 1].widget->geometry().right() + 1);
  // First the others give way, then the widening controls widen less, never below their own width.
  for (int pass = 0; pass < 2 && shortage > 0; ++pass)
    for (size_t i = n; i-- > 0 && shortage > 0;) {
      const int own = row[i].widget->width();
      const bool widening = width[i] > own;
      if (pass == 0 && widening) continue;
      const int lowest = widening ? own : floor[i];
      const int give = std::min(shortage, width[i] - lowest);
      width[i] -= give;
      shortage -= give;
    }
  int x = left;
  for (size_t i = 0; i < n; ++i) {
    x += gap[i];
    const QRect box = row[i].widget->geometry();
    row[i].widget->setGeometry(x, box.top(), width[i], box.height());
    x += width[i];
  }
}

bool SetItemText(QObject* component, int index, const QString& text) {
  if (auto* r = qobject_cast<RadioGroup*>(component)) return r->SetItemText(index, text);
  if (auto* c = qobject_cast<QComboBox*>(component)) {
    if (index < 0 || index >= c->count()) return false;
    c->setItemText(index, text);
    return true;
  }
  return false;
}

}  // namespace platform
