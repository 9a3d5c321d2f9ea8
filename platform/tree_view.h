// A tree of captioned nodes as the CAD library shows its drawing (the entity information tree): the
// library talks to this small interface, and QtTreeView puts a QTreeWidget behind it.
#pragma once

#include <QIcon>
#include <QPersistentModelIndex>
#include <QPointer>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace platform {

// Names a node until it is deleted; 0 names none. Identifiers are never reused, in any tree of the
// program, so one kept after its node went (or taken to another tree) names nothing.
using TreeItemId = uint64_t;

class TreeView {
 public:
  virtual ~TreeView() = default;

  // A new node, the last child of `parent` (none: the last top-level node), showing image
  // `imageIndex` whether selected or not. Raises Exception when `parent` does not exist.
  virtual TreeItemId AddChild(TreeItemId parent, const std::string& text, int imageIndex, int64_t data) = 0;
  // Deletes the node with its children; an identifier that names no node is ignored.
  virtual void Delete(TreeItemId item) = 0;
  virtual bool Exists(TreeItemId item) const = 0;
  // The first top-level node; none when the tree is empty.
  virtual TreeItemId FirstNode() const = 0;
  // Every node, children included.
  virtual int Count() const = 0;

  // What a node shows and holds; none, an empty text or 0 for an identifier that names no node.
  virtual TreeItemId Parent(TreeItemId item) const = 0;
  // The children in order; of none, the top-level nodes.
  virtual std::vector<TreeItemId> Children(TreeItemId item) const = 0;
  virtual std::string Text(TreeItemId item) const = 0;
  virtual int ImageIndex(TreeItemId item) const = 0;
  virtual int64_t Data(TreeItemId item) const = 0;
};

// The tree over a QTreeWidget the caller owns (it may go first: the view then holds nothing). The
// image index picks the icon from `images` when it has one.
class QtTreeView : public TreeView {
 public:
  explicit QtTreeView(QTreeWidget* tree, std::vector<QIcon> images = {});

  TreeItemId AddChild(TreeItemId parent, const std::string& text, int imageIndex, int64_t data) override;
  void Delete(TreeItemId item) override;
  bool Exists(TreeItemId item) const override;
  TreeItemId FirstNode() const override;
  int Count() const override;
  TreeItemId Parent(TreeItemId item) const override;
  std::vector<TreeItemId> Children(TreeItemId item) const override;
  std::string Text(TreeItemId item) const override;
  int ImageIndex(TreeItemId item) const override;
  int64_t Data(TreeItemId item) const override;

  QTreeWidget* Widget() const;

 private:
  struct Node {
    QTreeWidgetItem* item;
    // Invalid once the row is gone, however it went (also through the widget itself).
    QPersistentModelIndex index;
  };
  QTreeWidgetItem* Item(TreeItemId id) const;
  TreeItemId IdOf(const QTreeWidgetItem* item) const;
  void Forget(QTreeWidgetItem* item);

  QPointer<QTreeWidget> tree_;
  std::vector<QIcon> images_;
  std::unordered_map<TreeItemId, Node> nodes_;
};

}  // namespace platform
