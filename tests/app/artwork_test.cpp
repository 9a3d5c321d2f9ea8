// The program's own artwork: every picture a window asks for exists and they differ.
#include <gtest/gtest.h>

#include <QImage>
#include <set>

#include "app/cursors.h"
#include "app/cut_pictures.h"
#include "app/glyphs.h"

namespace {

QByteArray Bits(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_ARGB32);
  return QByteArray(reinterpret_cast<const char*>(rgb.constBits()), static_cast<int>(rgb.sizeInBytes()));
}

TEST(Artwork, CutPicturesCursorsAndGlyphs) {
  // The cutting page's pictures, by the resource numbers its fields use.
  std::set<QByteArray> pictures;
  for (int resource : {101, 102, 103, 104, 105, 106, 107, 108, 109, 111, 112}) {
    const QPixmap picture = app::CutParameterPicture(resource);
    ASSERT_FALSE(picture.isNull()) << resource;
    EXPECT_EQ(picture.size(), QSize(app::kCutPictureWidth, app::kCutPictureHeight));
    pictures.insert(Bits(picture.toImage()));
  }
  EXPECT_EQ(pictures.size(), 11u) << "one picture per parameter";
  EXPECT_TRUE(app::CutParameterPicture(110).isNull());

  // The cursors of the screen's table.
  std::set<QByteArray> cursors;
  for (const char* name : {"PAN", "CROCE", "CROPF", "CROMP", "CROCT", "CROPT"}) {
    auto cursor = app::CursorResource(name);
    ASSERT_TRUE(cursor) << name;
    cursors.insert(Bits(cursor->pixmap().toImage()));
  }
  EXPECT_EQ(cursors.size(), 6u);
  EXPECT_FALSE(app::CursorResource("croce")) << "resource names are exact";
  app::CursorTable table;
  EXPECT_EQ(table.Get(app::kCursorCross).shape(), Qt::ArrowCursor) << "an empty slot is the default cursor";
  app::LoadProgramCursors(table);
  EXPECT_EQ(table.Get(app::kCursorCross).shape(), Qt::BitmapCursor);

  // The drawing commands' glyphs the menus name, each its own.
  std::set<QByteArray> glyphs;
  const int used[] = {1, 2, 3, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 19, 21, 26, 28, 29, 30, 31, 32, 33, 37, 38, 39};
  for (int index : used) {
    const QPixmap glyph = app::CommandGlyph(index);
    ASSERT_FALSE(glyph.isNull()) << index;
    EXPECT_EQ(glyph.size(), QSize(app::kGlyphSize, app::kGlyphSize));
    glyphs.insert(Bits(glyph.toImage()));
  }
  EXPECT_EQ(glyphs.size(), std::size(used));
  for (int i = 0; i < app::kSnapGlyphCount; ++i) EXPECT_FALSE(app::SnapGlyph(i).isNull()) << i;
  EXPECT_TRUE(app::SnapGlyph(app::kSnapGlyphCount).isNull());
}

}  // namespace
