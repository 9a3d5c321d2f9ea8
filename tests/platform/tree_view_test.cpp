// The tree view and the cell grid over their Qt widgets.
#include "platform/tree_view.h"

#include <gtest/gtest.h>

#include <QTableWidget>
#include <QTreeWidget>
#include <memory>

#include "platform/cell_grid.h"
#include "platform/exception.h"

namespace platform {
namespace {

TEST(TreeViewTest, NodesAndIdentifiersThatOutliveThem) {
  auto widget = std::make_unique<QTreeWidget>();
  QtTreeView tree(widget.get());
  EXPECT_EQ(tree.FirstNode(), 0u);
  const TreeItemId root = tree.AddChild(0, "Drawing", 0, 0);
  const TreeItemId layer = tree.AddChild(root, "Layer", 1, 1);
  const TreeItemId a = tree.AddChild(layer, "a", 3, -7);
  const TreeItemId b = tree.AddChild(layer, "b", 3, 8);
  EXPECT_EQ(tree.FirstNode(), root);
  EXPECT_EQ(tree.Children(layer), (std::vector<TreeItemId>{a, b}));
  EXPECT_EQ(tree.Parent(b), layer);
  EXPECT_EQ(tree.Text(a), "a");
  EXPECT_EQ(tree.Data(a), -7);
  EXPECT_EQ(tree.ImageIndex(layer), 1);
  EXPECT_EQ(tree.Count(), 4);
  EXPECT_EQ(widget->topLevelItem(0)->child(0)->child(1)->text(0), "b");

  // A node goes with its children; their identifiers then name nothing, and are never given again
  // (not even by another tree).
  tree.Delete(layer);
  EXPECT_EQ(tree.Count(), 1);
  for (TreeItemId gone : {layer, a, b}) {
    EXPECT_FALSE(tree.Exists(gone));
    EXPECT_EQ(tree.Text(gone), "");
  }
  tree.Delete(a);
  EXPECT_THROW(tree.AddChild(b, "x", 0, 0), Exception);
  QTreeWidget other;
  const TreeItemId fresh = QtTreeView(&other).AddChild(0, "x", 0, 0);
  EXPECT_GT(fresh, b);
  EXPECT_FALSE(tree.Exists(fresh));

  // Nodes removed behind the view's back, and a widget that is gone.
  widget->clear();
  EXPECT_FALSE(tree.Exists(root));
  EXPECT_EQ(tree.Count(), 0);
  widget.reset();
  EXPECT_EQ(tree.FirstNode(), 0u);
  EXPECT_THROW(tree.AddChild(0, "x", 0, 0), Exception);
}

TEST(CellGridTest, CellsGrowClearAndSurviveTheirTable) {
  auto table = std::make_unique<QTableWidget>();
  QtCellGrid grid(table.get());
  grid.BeginUpdate();
  grid.BeginUpdate();
  grid.SetCell(1, 4, "2.5");
  grid.SetCell(-1, 0, "ignored");
  grid.EndUpdate();
  EXPECT_FALSE(table->updatesEnabled()) << "updates nest";
  grid.EndUpdate();
  EXPECT_TRUE(table->updatesEnabled());
  EXPECT_EQ(table->columnCount(), 2);
  EXPECT_EQ(table->rowCount(), 5);
  EXPECT_EQ(grid.Cell(1, 4), "2.5");
  EXPECT_EQ(grid.Cell(7, 7), "");
  grid.Clear();
  EXPECT_EQ(grid.Cell(1, 4), "");
  EXPECT_EQ(table->rowCount(), 5);
  table.reset();
  grid.SetCell(0, 0, "x");
  EXPECT_EQ(grid.Cell(0, 0), "");
}

}  // namespace
}  // namespace platform
