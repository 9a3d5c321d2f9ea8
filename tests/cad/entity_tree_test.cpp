// The entity information tree as a drawing linked to a tree view keeps it, in the program's
// English texts.
#include "cad/entity_tree.h"

#include <QTreeWidget>

#include "cad/bitmap2d.h"
#include "cad/curves2d.h"
#include "cad/kq_bspline2d.h"
#include "cad/text2d.h"
#include "drawing_test_support.h"
#include "lang/lang.h"

namespace cad {
namespace {

class EntityTreeTest : public DrawingTestBase {
 protected:
  void SetUp() override {
    DrawingTestBase::SetUp();
    language.LangIni = std::make_unique<platform::IniFile>(VELKORA_SOURCE_DIR "/language/english.lng");
    drawing.TreeGeo = &tree;
  }

  // Text, image index and data of a node.
  std::string Node(platform::TreeItemId id) const {
    return tree.Text(id) + " | " + std::to_string(tree.ImageIndex(id)) + " | " + std::to_string(tree.Data(id));
  }

  lang::Language language;
  lang::ScopedLanguage scopedLanguage{&language};
  QTreeWidget widget;
  platform::QtTreeView tree{&widget};
  TKQCmp2D drawing;
};

TEST_F(EntityTreeTest, ObjectsAreListedUnderTheirLayers) {
  drawing.AddObject(-1, Line(0, 0, 1, 1));
  drawing.AddObject(-1, Line(0, 0, 2, 2));
  const platform::TreeItemId root = tree.FirstNode();
  ASSERT_EQ(tree.Children(0), std::vector<platform::TreeItemId>{root});
  EXPECT_EQ(Node(root), "Drawing | 0 | 0");
  const auto layers = tree.Children(root);
  ASSERT_EQ(layers.size(), 1u);
  EXPECT_EQ(Node(layers[0]), "Layer Layer_0 | 1 | 1");
  const auto lines = tree.Children(layers[0]);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Node(lines[0]), "Line | 3 | 0");
  EXPECT_EQ(Node(lines[1]), "Line | 3 | 1");

  // Deleting an object takes only its own node.
  drawing.DeleteObject(0);
  EXPECT_EQ(tree.Children(layers[0]), std::vector<platform::TreeItemId>{lines[1]});
  EXPECT_EQ(tree.Count(), 3);
  drawing.CurrentLayer = 5;
  drawing.AddObject(-1, Line(0, 0, 1, 1));
  EXPECT_EQ(Node(tree.Children(root)[1]), "Layer Layer_5 | 1 | 6");
  // Clearing the drawing takes the object nodes too; a layer node that went is made again.
  drawing.ClearObjects();
  EXPECT_EQ(tree.Count(), 3);
  tree.Delete(layers[0]);
  drawing.CurrentLayer = 0;
  drawing.AddObject(-1, Line(0, 0, 1, 1));
  EXPECT_EQ(tree.Count(), 4);
}

TEST_F(EntityTreeTest, EachClassTakesTheFirstRowItBelongsTo) {
  const TPoint2D three[] = {Point2D(0, 0), Point2D(1, 1), Point2D(2, 0)};
  const double knots[] = {0, 0, 0, 1, 1, 1};
  const double weights[] = {1, 1, 1};
  struct Case {
    std::unique_ptr<TObject2D> object;
    std::string node;
  };
  Case cases[] = {
      {std::make_unique<TPunto2D>(-1, Point2D(1, 1)), "Point | 2"},
      {std::make_unique<TRectangle2D>(-1, Point2D(0, 0), Point2D(1, 1)), "Rectangle | 4"},
      {std::make_unique<TArco2D>(-1, Point2D(0, 0), Point2D(1, 0), 0, 1), "Arc | 5"},
      {std::make_unique<TFilledCerchio2D>(-1, Point2D(0, 0), Point2D(1, 0)), "Circle | 6"},
      {std::make_unique<TEllipseOpen2D>(-1), "Ellipse | 7"},
      {std::make_unique<TPolygon2D>(-1, three), "Polyline | 8"},
      {std::make_unique<TBSpline2D>(-1, three), "Spline | 9"},
      {std::make_unique<TKQBSpline2D>(-1, three, 2, knots, weights), "Spline | 9"},
      {std::make_unique<TBitmap2D>(-1, platform::Bitmap(2, 2, 24), Point2D(0, 0), Point2D(1, 1)), "Image | 10"},
  };
  for (Case& c : cases) {
    TObject2D* object = drawing.AddObject(-1, std::move(c.object));
    EXPECT_EQ(Node(object->TreeNode), c.node + " | " + std::to_string(object->ID)) << object->ClassName();
  }
  TObject2D* text = drawing.AddObject(-1, std::make_unique<TText2D>(-1, Point2D(0, 0), Point2D(1, 1), 1, "t"));
  EXPECT_EQ(text->TreeNode, 0u) << "a class without a row gets no node";
  RemoveTreeItem(tree, 12345);  // names nothing: ignored
  EXPECT_EQ(tree.Count(), 2 + int(std::size(cases)));
}

}  // namespace
}  // namespace cad
