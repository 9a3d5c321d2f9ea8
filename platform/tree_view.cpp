#include "platform/tree_view.h"

#include <QTreeWidget>
#include <atomic>

#include "platform/exception.h"

namespace platform {

namespace {

constexpr int kDataRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kIdRole = Qt::UserRole + 2;

// QTreeWidget keeps its own item-to-index mapping to itself: the index is found by the rows.
QModelIndex IndexOf(QTreeWidget* tree, QTreeWidgetItem* item) {
  QTreeWidgetItem* parent = item->parent();
  if (!parent) return tree->model()->index(tree->indexOfTopLevelItem(item), 0);
  return tree->model()->index(parent->indexOfChild(item), 0, IndexOf(tree, parent));
}

std::atomic<TreeItemId> g_nextId{1};

int CountBelow(const QTreeWidgetItem* item) {
  int n = item->childCount();
  for (int i = 0; i < item->childCount(); ++i) n += CountBelow(item->child(i));
  return n;
}

}  // namespace

QtTreeView::QtTreeView(QTreeWidget* tree, std::vector<QIcon> images) : tree_(tree), images_(std::move(images)) {}

QTreeWidget* QtTreeView::Widget() const { return tree_; }

QTreeWidgetItem* QtTreeView::Item(TreeItemId id) const {
  if (!tree_ || id == 0) return nullptr;
  const auto found = nodes_.find(id);
  if (found == nodes_.end() || !found->second.index.isValid()) return nullptr;
  return found->second.item;
}

TreeItemId QtTreeView::IdOf(const QTreeWidgetItem* item) const {
  return item ? TreeItemId(item->data(0, kIdRole).toULongLong()) : 0;
}

TreeItemId QtTreeView::AddChild(TreeItemId parent, const std::string& text, int imageIndex, int64_t data) {
  if (!tree_) throw Exception("TreeView.AddChild: The tree view is gone");
  QTreeWidgetItem* parentItem = nullptr;
  if (parent != 0) {
    parentItem = Item(parent);
    if (!parentItem) throw Exception("TreeView.AddChild: The parent node does not exist");
  }
  auto* item = new QTreeWidgetItem;
  item->setText(0, QString::fromStdString(text));
  item->setData(0, kDataRole, qlonglong(data));
  item->setData(0, kImageRole, imageIndex);
  const TreeItemId id = g_nextId.fetch_add(1);
  item->setData(0, kIdRole, qulonglong(id));
  if (imageIndex >= 0 && size_t(imageIndex) < images_.size()) item->setIcon(0, images_[size_t(imageIndex)]);
  if (parentItem) parentItem->addChild(item);
  else tree_->addTopLevelItem(item);
  nodes_[id] = Node{item, QPersistentModelIndex(IndexOf(tree_, item))};
  return id;
}

void QtTreeView::Forget(QTreeWidgetItem* item) {
  for (int i = 0; i < item->childCount(); ++i) Forget(item->child(i));
  nodes_.erase(IdOf(item));
}

void QtTreeView::Delete(TreeItemId id) {
  QTreeWidgetItem* item = Item(id);
  if (!item) {
    nodes_.erase(id);
    return;
  }
  Forget(item);
  delete item;  // takes its children and leaves its parent
}

bool QtTreeView::Exists(TreeItemId id) const { return Item(id) != nullptr; }

TreeItemId QtTreeView::FirstNode() const {
  if (!tree_ || tree_->topLevelItemCount() == 0) return 0;
  return IdOf(tree_->topLevelItem(0));
}

int QtTreeView::Count() const {
  if (!tree_) return 0;
  int n = tree_->topLevelItemCount();
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) n += CountBelow(tree_->topLevelItem(i));
  return n;
}

TreeItemId QtTreeView::Parent(TreeItemId id) const {
  const QTreeWidgetItem* item = Item(id);
  return item ? IdOf(item->parent()) : 0;
}

std::vector<TreeItemId> QtTreeView::Children(TreeItemId id) const {
  std::vector<TreeItemId> children;
  if (!tree_) return children;
  if (id == 0) {
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) children.push_back(IdOf(tree_->topLevelItem(i)));
  } else if (const QTreeWidgetItem* item = Item(id)) {
    for (int i = 0; i < item->childCount(); ++i) children.push_back(IdOf(item->child(i)));
  }
  return children;
}

std::string QtTreeView::Text(TreeItemId id) const {
  const QTreeWidgetItem* item = Item(id);
  return item ? item->text(0).toStdString() : std::string();
}

int QtTreeView::ImageIndex(TreeItemId id) const {
  const QTreeWidgetItem* item = Item(id);
  return item ? item->data(0, kImageRole).toInt() : 0;
}

int64_t QtTreeView::Data(TreeItemId id) const {
  const QTreeWidgetItem* item = Item(id);
  return item ? int64_t(item->data(0, kDataRole).toLongLong()) : 0;
}

}  // namespace platform
