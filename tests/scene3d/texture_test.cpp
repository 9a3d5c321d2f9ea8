// Textures: pictures from files and bitmaps drawn on Mesa, the error texture, the alpha modes, the
// image sources and the texture-ex items.
#include "scene3d/texture.h"

#include <gtest/gtest.h>

#include "fake_gl.h"
#include "platform/bmp.h"
#include "platform/dialogs.h"
#include "scene3d/gl_image.h"
#include "scene3d/gl_multitexture.h"
#include "scene3d/texture_image.h"
#include "scene_fixture.h"
#include "scratch_dir.h"

using namespace scene3d;
using testing_support::RecordingLog;
using testing_support::Rgb;
using testing_support::SceneFixture;

namespace {

// A quad over the whole ±10 view with texture coordinates 0..1, drawn through the coordinator.
class TexturedQuad : public TGLStageObject {
 public:
  using TGLStageObject::TGLStageObject;
  void BuildList(RenderContextInfo&) override {
    TGLExtensionsAndEntryPoints& gl = ActiveGLTable();
    TGLMultitextureCoordinator& coordinator = CurrentCoordinator();
    gl.Begin(GL_QUADS);
    for (auto [s, t] : {std::pair{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}}) {
      coordinator.TexCoord2f(s, t);
      gl.Vertex3f(-10 + 20 * s, -10 + 20 * t, 0);
    }
    gl.End();
  }
};

// 2 x 2: red and green on top, blue and white below.
platform::Bitmap Quadrants() {
  platform::Bitmap picture(2, 2, 24);
  picture.SetPixel(0, 0, platform::Rgb(255, 0, 0));
  picture.SetPixel(1, 0, platform::Rgb(0, 255, 0));
  picture.SetPixel(0, 1, platform::Rgb(0, 0, 255));
  picture.SetPixel(1, 1, platform::Rgb(255, 255, 255));
  return picture;
}

struct TexturedScene : SceneFixture {
  TexturedScene() {
    viewer.Buffer().SetLighting(false);
    quad = new TexturedQuad(&scene);
    scene.Objects()->AddChild(quad);
    TGLTexture& texture = quad->Material().Texture();
    texture.SetMinFilter(miNearest);
    texture.SetMagFilter(maNearest);
    texture.SetTextureMode(tmReplace);
    texture.SetDisabled(false);
  }
  TGLTexture& Texture() { return quad->Material().Texture(); }
  TexturedQuad* quad;
};

uint8_t AlphaAt(TGLImage& image, int x, int row) { return image.RowPointer(row)[4 * x + 3]; }

}  // namespace

TEST(Texture, PictureFilesAreDrawnUprightAndMissingOnesBecomeTheErrorTexture) {
  SKIP_WITHOUT_EGL();
  testing_support::ScratchDir dir("texture");
  const std::string file = dir.File("quadrants.bmp");
  platform::WriteBmpFile(file, Quadrants());
  TexturedScene s;
  s.Texture().SetImageClassName("TGLPicFileImage");
  static_cast<TGLPicFileImage&>(s.Texture().Image()).SetPictureFileName(file);
  s.Render();
  EXPECT_EQ(s.At(50, 50), (Rgb{255, 0, 0})) << "the picture's top left at the view's top left";
  EXPECT_EQ(s.At(150, 50), (Rgb{0, 255, 0}));
  EXPECT_EQ(s.At(50, 150), (Rgb{0, 0, 255}));
  EXPECT_EQ(s.At(150, 150), (Rgb{255, 255, 255}));
  EXPECT_FALSE(s.Texture().IsErrorTexture());
  EXPECT_EQ(s.Texture().RequiredMemory(), 2 * 2 * 4);

  s.Texture().SetTextureMode(tmModulate);
  s.quad->Material().FrontProperties().Diffuse().SetColor({1, 0, 1, 1});
  s.Render();
  EXPECT_EQ(s.At(150, 150), (Rgb{255, 0, 255})) << "modulated by the colour drawn";
  s.Texture().SetDisabled(true);
  s.Render();
  EXPECT_EQ(s.At(50, 50), (Rgb{255, 0, 255})) << "a disabled texture draws the plain colour";

  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scope(&dialogs);
  RecordingLog log;
  s.Texture().SetDisabled(false);
  static_cast<TGLPicFileImage&>(s.Texture().Image()).SetPictureFileName(dir.File("missing.bmp"));
  s.Render();
  s.Render();
  ASSERT_EQ(dialogs.messages.size(), 1u) << "one warning for the missing file";
  EXPECT_EQ(dialogs.messages[0].caption, "Error!");
  EXPECT_EQ(dialogs.messages[0].text.rfind("Could not open file: " + dir.File("missing.bmp") + "\r\n(Current directory is ", 0), 0u);
  EXPECT_TRUE(s.Texture().IsErrorTexture());
  EXPECT_EQ(s.Texture().ImageClassName(), "TGLBlankImage");
  const int failures = int(std::count_if(log.lines.begin(), log.lines.end(), [](const std::string& line) {
    return line.rfind("(EE)   Texture", 0) == 0;
  }));
  EXPECT_EQ(failures, 1) << "a failing texture is logged once";
  EXPECT_NE(s.At(100, 100), (Rgb{255, 0, 255})) << "the error picture is drawn";

  // The frame can be taken back into a texture.
  TGLTexture copy(nullptr);
  copy.SetMinFilter(miNearest);
  s.viewer.CopyImageToTexture(copy);
  EXPECT_EQ(copy.ImageClassName(), "TGLBlankImage");
  EXPECT_EQ(static_cast<TGLBlankImage&>(copy.Image()).Width(), 200);
}

TEST(Texture, AlphaModesAndTheKeyPixels) {
  // Four wide, so that the image takes it as it is: red, green over blue, white, two pixels each.
  platform::Bitmap picture(4, 2, 24);
  for (int x = 0; x < 4; ++x) {
    picture.SetPixel(x, 0, x < 2 ? platform::Rgb(255, 0, 0) : platform::Rgb(0, 255, 0));
    picture.SetPixel(x, 1, x < 2 ? platform::Rgb(0, 0, 255) : platform::Rgb(255, 255, 255));
  }
  struct Case {
    TGLTextureImageAlpha mode;
    // Alphas of top left (red), top right (green), bottom left (blue), bottom right (white).
    int alpha[4];
  };
  const Case cases[] = {
      {tiaDefault, {255, 255, 255, 255}},
      {tiaOpaque, {255, 255, 255, 255}},
      {tiaTopLeftPointColorTransparent, {0, 255, 255, 255}},
      {tiaBottomRightPointColorTransparent, {255, 255, 255, 0}},
      {tiaAlphaFromIntensity, {85, 85, 85, 255}},
      {tiaInverseLuminance, {170, 170, 170, 0}},
  };
  for (const Case& c : cases) {
    TGLImage image;
    image.Assign(picture);
    ApplyImageAlpha(image, c.mode);
    image.NarrowToRGBA8();
    // Row 0 is the picture's bottom.
    ASSERT_EQ(image.Width(), 4);
    const int alphas[4] = {AlphaAt(image, 0, 1), AlphaAt(image, 3, 1), AlphaAt(image, 0, 0), AlphaAt(image, 3, 0)};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(alphas[i], c.alpha[i]) << "mode " << int(c.mode) << ", pixel " << i;
  }
}

TEST(Texture, SettersImageSourcesAndTextureEx) {
  TGLTexture texture(nullptr);
  int changes = 0;
  texture.OnChange = [&](TObject*) { ++changes; };
  EXPECT_TRUE(texture.Disabled());
  EXPECT_EQ(texture.ImageClassName(), "TGLPersistentImage");
  EXPECT_EQ(texture.MinFilter(), miLinearMipmapLinear);
  EXPECT_THROW(texture.SetImageClassName("TGLNoImage"), EClassNotFound);
  texture.SetTextureFormat(TGLTextureFormat::tfLuminance);
  EXPECT_EQ(texture.TextureFormatEx(), TGLInternalFormat::tfLUMINANCE8);
  texture.SetTextureFormat(TGLTextureFormat::tfDefault);
  EXPECT_EQ(texture.TextureFormatEx(), TGLInternalFormat::tfRGBA8);
  changes = 0;
  texture.SetMagFilter(maNearest);
  texture.SetImageGamma(2);
  texture.EnvColor().SetRed(1);
  EXPECT_EQ(changes, 3);

  TGLBlankImage blank(nullptr);
  blank.SetWidth(0);
  EXPECT_EQ(blank.Width(), 1);
  blank.SetDepth(-2);
  EXPECT_EQ(blank.Depth(), 0);
  blank.SetWidth(64);
  EXPECT_EQ(blank.FriendlyDescription(), "Blank Image (64x256x0)");
  texture.SetImage(&blank);
  EXPECT_EQ(texture.ImageClassName(), "TGLBlankImage") << "the source takes the class of the one given";
  EXPECT_EQ(static_cast<TGLBlankImage&>(texture.Image()).Width(), 64);
  texture.SetImage(nullptr);
  EXPECT_EQ(texture.ImageClassName(), "TGLPersistentImage");

  testing_support::ScratchDir dir("blank");
  blank.SaveToFile(dir.File("blank.txt"));
  TGLBlankImage loaded(nullptr);
  loaded.LoadFromFile(dir.File("blank.txt"));
  EXPECT_EQ(loaded.Width(), 64);
  EXPECT_EQ(loaded.Depth(), 0);
  {
    std::FILE* f = std::fopen(dir.File("nodepth.txt").c_str(), "w");
    std::fputs("[BlankImage]\nWidth=8\nHeight=4\n", f);
    std::fclose(f);
  }
  loaded.LoadFromFile(dir.File("nodepth.txt"));
  EXPECT_EQ(loaded.Depth(), 1) << "a missing depth reads as 1";

  TGLPersistentImage persistent(nullptr);
  persistent.SetPicture(Quadrants());
  try {
    persistent.LoadFromFile(dir.File("nothing.bmp"));
    ADD_FAILURE() << "a missing file raises";
  } catch (const ETexture& error) {
    EXPECT_EQ(std::string(error.what()), "Could not open file: " + dir.File("nothing.bmp"));
  }
  EXPECT_TRUE(persistent.Picture().Empty()) << "and empties the picture";

  TGLCubeMapImage cube(nullptr);
  EXPECT_FALSE(cube.Usable());
  for (int face = 0; face < 6; ++face) cube.SetPicture(TGLCubeMapImage::Face(face), platform::Bitmap(4, 4, 24));
  EXPECT_TRUE(cube.Usable());
  cube.SetPicture(TGLCubeMapImage::cmtNZ, platform::Bitmap(4, 2, 24));
  EXPECT_FALSE(cube.Usable()) << "only square faces of one size";

  TGLTextureEx items(nullptr);
  TGLTextureExItem& item = items.Add();
  item.SetTextureIndex(-3);
  EXPECT_EQ(item.TextureIndex(), 0);
  item.SetTextureIndex(2);
  EXPECT_EQ(item.GetDisplayName(), "Tex [2]");
  EXPECT_FALSE(items.IsTextureEnabled(2)) << "its texture starts disabled";
  item.Texture().SetDisabled(false);
  EXPECT_TRUE(items.IsTextureEnabled(2));
  EXPECT_FALSE(items.IsTextureEnabled(0));
}
