#include "platform/form.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
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

void FitLabelsToText(const FormBase& form) {
  constexpr int kGap = 2;
  for (QObject* component : form.Components()) {
    auto* label = qobject_cast<QLabel*>(component);
    if (!label || label->wordWrap() || label->text().isEmpty()) continue;
    QWidget* parent = label->parentWidget();
    if (!parent || parent->layout()) continue;
    const QRect box = label->geometry();
    const int needed = label->sizeHint().width();
    if (needed <= box.width()) continue;
    int right = parent->width();
    for (const QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (sibling != label && !sibling->isWindow()) right = std::max(right, sibling->geometry().right() + 1);
    for (const QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const QRect other = sibling->geometry();
      const bool sameRow = other.top() <= box.bottom() && other.bottom() >= box.top();
      if (sibling != label && !sibling->isWindow() && sameRow && other.left() > box.left())
        right = std::min(right, other.left() - kGap);
    }
    const int width = std::min(needed, right - box.left());
    if (width > box.width()) label->resize(width, box.height());
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
