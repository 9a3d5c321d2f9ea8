#include "scene3d/base_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <numeric>

#include "fake_context.h"
#include "scene3d/gl_constants.h"
#include "scene3d/gl_egl_context.h"
#include "scene3d/gl_image.h"
#include "scene3d/gl_output_device.h"
#include "scene3d/pixel_conversion.h"

using namespace scene3d;
using testing_support::FakeContext;
using testing_support::FakeGL;
using testing_support::RecordingLog;
using enum TGLInternalFormat;

namespace {

struct Description {
  int32_t width, height, depth, levels;
  GLenum colorFormat, dataType;
  TGLInternalFormat format;
  bool cubeMap, array;
};

// An allocated image of that description, each byte its offset's low bits.
std::unique_ptr<TGLImage> Described(const Description& d) {
  auto image = std::make_unique<TGLImage>();
  image->SetWidth(d.width);
  image->SetHeight(d.height);
  image->SetDepth(d.depth);
  image->SetCubeMap(d.cubeMap);
  image->SetTextureArray(d.array);
  image->SetMipLevels(d.levels);
  image->SetInternalFormat(d.format);
  image->ChangeFormat(d.colorFormat, d.dataType);
  image->SetUnallocated(false);
  std::iota(image->PixelData().begin(), image->PixelData().end(), uint8_t(0));
  return image;
}

std::string Call(const std::string& name, std::initializer_list<int64_t> args) {
  std::string text = name + "(";
  for (int64_t a : args) text += std::to_string(a) + ",";
  if (args.size()) text.pop_back();
  return text + ")";
}

// A fake driver with a current context of its own, the calls of getting there forgotten.
struct FakeUpload {
  explicit FakeUpload(std::vector<std::string> extensions) {
    gl.strings[GL_VERSION] = "4.5";
    gl.extensions = std::move(extensions);
    rc = std::make_unique<FakeContext>(manager, gl);
    rc->CreateOnDevice(nullptr);
    rc->Activate();
    gl.ClearCalls();
  }
  ~FakeUpload() { rc->Deactivate(); }
  // The calls that define the texture, and with `pixelStore` those that set how pixels are read.
  std::vector<std::string> Uploads(bool pixelStore = false) const {
    std::vector<std::string> uploads;
    for (const std::string& call : gl.Trace())
      if (call.find("TexImage") != std::string::npos || call.find("Mipmap") != std::string::npos ||
          call.find("TexParameteri") != std::string::npos || (pixelStore && call.find("PixelStore") == 0))
        uploads.push_back(call);
    return uploads;
  }
  FakeGL gl;
  TGLContextManager manager;
  std::unique_ptr<FakeContext> rc;
};

// A real context on Mesa, current for the object's life; Skip() says why there is none.
struct MesaContext {
  MesaContext() {
    if (GLProgramDisplay() == EGL_NO_DISPLAY) return;
    rc.reset(GLContextManager().CreateContext());
    rc->CreateOnDevice(&device);
    rc->Activate();
  }
  ~MesaContext() {
    if (rc) rc->Deactivate();
  }
  std::string Skip() const { return rc ? "" : "EGL is missing here: no display"; }
  TGLOutputDevice device{dkMemory, 16, 16};
  std::unique_ptr<TGLContext> rc;
};

}  // namespace

TEST(GLBaseImage, LevelAndDataSizesFollowTheDescription) {
  struct Case {
    const char* what;
    Description d;
    int32_t level;
    int64_t levelSize, dataSize;
  } cases[] = {
      {"3 x 3 RGB rounds 27 up to 28", {3, 3, 0, 1, GL_RGB, GL_UNSIGNED_BYTE, tfRGB8, false, false}, 0, 28, 28},
      {"256 x 256 RGBA, 9 levels", {256, 256, 0, 9, GL_RGBA, GL_UNSIGNED_BYTE, tfRGBA8, false, false}, 8, 4, 349524},
      {"a cube map holds six faces", {4, 4, 0, 3, GL_RGBA, GL_UNSIGNED_BYTE, tfRGBA8, true, false}, 1, 16, 6 * 84},
      {"a 3D level halves its depth", {4, 4, 4, 3, GL_RGBA, GL_UNSIGNED_BYTE, tfRGBA8, false, false}, 1, 32, 292},
      {"an array keeps its layers", {4, 4, 4, 3, GL_RGBA, GL_UNSIGNED_BYTE, tfRGBA8, false, true}, 1, 64, 336},
      {"DXT5 counts 4 x 4 blocks", {5, 5, 0, 1, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT,
                                    tfCOMPRESSED_RGBA_S3TC_DXT5, false, false}, 0, 64, 64},
      {"no height, no data", {8, 0, 0, 1, GL_RGBA, GL_UNSIGNED_BYTE, tfRGBA8, false, false}, 0, 32, 0},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TGLImage> image = Described(c.d);
    EXPECT_EQ(image->LevelSizeInBytes(c.level), c.levelSize) << c.what;
    EXPECT_EQ(image->DataSize(), c.dataSize) << c.what;
    EXPECT_EQ(int64_t(image->PixelData().size()), c.dataSize) << c.what;
  }
  EXPECT_EQ(MipLevelCount(256, 256, 0), 9);
  EXPECT_EQ(MipLevelCount(1, 5, 2), 3);
  EXPECT_EQ(HalveDimension(1), 1);
}

TEST(GLBaseImage, HugeDescriptionsAreRefusedAndNeverWrapPastTheCheck) {
  // 2147483647 squared overflows 64 bits once times four bytes; 65536 x 65536 x 2^30 layers wraps
  // to 0 bytes exactly. Both must meet "Image too large", not allocate what the wrapped size says.
  const struct {
    const char* what;
    int32_t width, height, depth;
    bool cube;
  } cases[] = {
      {"2147483647 squared", 2147483647, 2147483647, 0, false},
      {"65536 x 65536 x 2^30", 65536, 65536, 1 << 30, false},
      {"a cube of 2^31 - 1 squared", 2147483647, 2147483647, 0, true},
      {"just past 2 GiB", 32768, 16385, 0, false},
  };
  for (const auto& c : cases) {
    TGLImage image;
    image.SetWidth(c.width);
    image.SetHeight(c.height);
    image.SetDepth(c.depth);
    image.SetCubeMap(c.cube);
    image.ChangeFormat(GL_RGBA, GL_UNSIGNED_BYTE);
    EXPECT_GT(image.DataSize(), int64_t(std::numeric_limits<int32_t>::max())) << c.what;
    EXPECT_THROW(image.SetUnallocated(false), EGLImageUtils) << c.what;
    EXPECT_TRUE(image.PixelData().empty()) << c.what;
  }
}

TEST(GLBaseImage, LevelDataFindsEachFaceAndLevelAndDropMipmapsKeepsLevelZeroOfEach) {
  std::unique_ptr<TGLImage> cube = Described({4, 4, 0, 3, GL_RGBA, GL_UNSIGNED_BYTE, tfRGBA8, true, false});
  const int64_t faceSize = 64 + 16 + 4;
  EXPECT_EQ(cube->LevelData(1, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y) - cube->PixelData().data(), 3 * faceSize + 64);
  EXPECT_EQ(cube->LevelData(3, GL_TEXTURE_CUBE_MAP_POSITIVE_X), nullptr) << "no level 3";
  for (int face = 0; face < 6; ++face) *cube->LevelData(0, GL_TEXTURE_CUBE_MAP_POSITIVE_X + face) = uint8_t(100 + face);
  cube->DropMipmaps();
  EXPECT_EQ(cube->MipLevels(), 1);
  EXPECT_EQ(cube->PixelData().size(), 6u * 64);
  EXPECT_EQ(cube->Levels(), (std::vector<int32_t>{0, 64, 128, 192, 256, 320, 384}));
  for (int face = 0; face < 6; ++face) EXPECT_EQ(cube->PixelData()[size_t(face) * 64], 100 + face) << face;
}

// Narrowing gives one 8-bit RGBA level of the first layer, opaque where the source has no alpha, and
// no depth left over; what cannot be converted becomes the error picture and is logged.
TEST(GLBaseImage, NarrowToRGBA8DropsDepthAndFallsBackToTheErrorPicture) {
  RecordingLog log;
  std::unique_ptr<TGLImage> volume = Described({2, 2, 2, 2, GL_RGB, GL_UNSIGNED_BYTE, tfRGB8, false, false});
  volume->NarrowToRGBA8();
  EXPECT_EQ(volume->Depth(), 0);
  EXPECT_EQ(volume->MipLevels(), 1);
  EXPECT_EQ(volume->ColorFormat(), GLenum(GL_RGBA));
  EXPECT_EQ(volume->DataSize(), 16);
  EXPECT_EQ(volume->PixelData(), (std::vector<uint8_t>{0, 1, 2, 255, 3, 4, 5, 255, 6, 7, 8, 255, 9, 10, 11, 255}));

  std::unique_ptr<TGLImage> odd = Described({2, 2, 0, 1, GL_RGBA, 0x1234, tfRGBA8, false, false});
  odd->NarrowToRGBA8();
  EXPECT_TRUE(log.Has("(EE)   TGLImage: can't convert image to RGBA8 format"));
  EXPECT_EQ(odd->Width(), 64);
  EXPECT_EQ(odd->InternalFormat(), tfRGB8);
  EXPECT_EQ(odd->ColorFormat(), GLenum(GL_RGB));
  EXPECT_EQ(odd->PixelData().size(), 64u * 64 * 3) << "as many bytes as GL_RGB reads";

  odd->SetMipLevels(3);
  odd->SetUnallocated(false);
  odd->BuildMipmaps();
  EXPECT_EQ(odd->MipLevels(), 1);
  EXPECT_TRUE(log.Has("(EE)   TGLImage: can't generate mipmap levels"));
}

TEST(GLBaseImage, VTCOrderGroupsFourLayersBlockByBlock) {
  // Two blocks a layer, five layers, one byte a block: the byte is its layer-major index.
  std::vector<uint8_t> layers(10);
  std::iota(layers.begin(), layers.end(), uint8_t(0));
  std::vector<uint8_t> vtc(10), back(10);
  LayersToVTCBlocks(layers, vtc, 2, 1, 5, 1);
  EXPECT_EQ(vtc, (std::vector<uint8_t>{0, 2, 4, 6, 1, 3, 5, 7, 8, 9}));
  VTCBlocksToLayers(vtc, back, 2, 1, 5, 1);
  EXPECT_EQ(back, layers);
  EXPECT_THROW(LayersToVTCBlocks(layers, vtc, 2, 2, 5, 1), EGLImageUtils);
}

// Without non-power-of-two textures a 2D level is resized and goes up alone, with rows packed
// tightly; what cannot be resized defines the texture without pixels.
TEST(GLBaseImage, UploadResizesToPowersOfTwoAndSetsTheMipmapWish) {
  FakeUpload fake({"GL_SGIS_generate_mipmap", "GL_SGIS_texture_lod"});
  std::unique_ptr<TGLImage> picture = Described({10, 3, 0, 1, GL_RGB, GL_UNSIGNED_BYTE, tfRGB8, false, false});
  int32_t w = 0, h = 0, d = -1;
  picture->UploadToTexture(GL_TEXTURE_2D, 5, GL_RGB8, w, h, d);
  EXPECT_EQ((std::vector<int32_t>{w, h, d}), (std::vector<int32_t>{16, 4, 0}));
  EXPECT_EQ(fake.Uploads(true),
            (std::vector<std::string>{Call("TexParameteri", {GL_TEXTURE_2D, GL_GENERATE_MIPMAP, 1}),
                                      Call("PixelStoref", {GL_UNPACK_ALIGNMENT, 1}),
                                      Call("TexImage2D", {GL_TEXTURE_2D, 0, GL_RGB8, 16, 4, 0, GL_RGB,
                                                          GL_UNSIGNED_BYTE, 1}),
                                      Call("PixelStoref", {GL_UNPACK_ALIGNMENT, 4})}));
  EXPECT_FALSE(picture->Unallocated());

  fake.gl.ClearCalls();
  std::unique_ptr<TGLImage> levels = Described({8, 8, 0, 4, GL_RGBA, GL_UNSIGNED_BYTE, tfRGBA8, false, false});
  levels->UploadToTexture(GL_TEXTURE_2D, 5, GL_RGBA8, w, h, d);
  std::vector<std::string> expected = {Call("TexParameteri", {GL_TEXTURE_2D, GL_GENERATE_MIPMAP, 0}),
                                       Call("TexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 3})};
  for (int level = 0, side = 8; level < 4; ++level, side /= 2)
    expected.push_back(
        Call("TexImage2D", {GL_TEXTURE_2D, level, GL_RGBA8, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE, 1}));
  EXPECT_EQ(fake.Uploads(), expected) << "every level, and no generation";

  fake.gl.ClearCalls();
  const GLenum dxt1 = GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
  std::unique_ptr<TGLImage> blocks = Described({10, 10, 0, 1, dxt1, dxt1, tfCOMPRESSED_RGBA_S3TC_DXT1, false, false});
  blocks->UploadToTexture(GL_TEXTURE_2D, 1, dxt1, w, h, d);
  EXPECT_EQ(fake.Uploads().back(), Call("CompressedTexImage2D", {GL_TEXTURE_2D, 0, dxt1, 16, 16, 0, 128, 0}))
      << "compressed pixels are not resized: the texture's size, no pixels";
  EXPECT_TRUE(blocks->Unallocated());
}

TEST(GLBaseImage, UploadOfACubeMapSendsSixFacesAndAForwardContextGeneratesMipmapsItself) {
  FakeUpload fake({"GL_ARB_texture_non_power_of_two", "GL_SGIS_generate_mipmap"});
  fake.rc->GLStates().SetForwardContext(true);
  std::unique_ptr<TGLImage> cube = Described({3, 3, 0, 1, GL_RGBA, GL_UNSIGNED_BYTE, tfRGBA8, true, false});
  int32_t w = 0, h = 0, d = 0;
  cube->UploadToTexture(GL_TEXTURE_CUBE_MAP, 3, GL_RGBA8, w, h, d);
  std::vector<std::string> expected;
  for (int face = 0; face < 6; ++face)
    expected.push_back(Call("TexImage2D", {GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA8, 3, 3, 0, GL_RGBA,
                                           GL_UNSIGNED_BYTE, 1}));
  expected.push_back(Call("GenerateMipmap", {GL_TEXTURE_CUBE_MAP}));
  EXPECT_EQ(fake.Uploads(), expected);
}

// On Mesa: a picture of 10 BGR pixels a row (30 bytes, not a multiple of 4) goes up and comes back
// byte for byte, and so does every level of every face of a cube map.
TEST(GLBaseImage, PicturesRoundTripThroughMesaTextures) {
  MesaContext mesa;
  if (!mesa.Skip().empty()) GTEST_SKIP() << mesa.Skip();
  struct Case {
    const char* what;
    Description d;
    GLenum target;
    uint8_t targetIndex;
    size_t pixelBytes;  // before the padding of the level's end
  } cases[] = {
      {"10 x 3 BGR", {10, 3, 0, 1, GL_BGR, GL_UNSIGNED_BYTE, tfRGB8, false, false}, GL_TEXTURE_2D,
       ttTexture2D, 90},
      {"cube map with levels", {4, 4, 0, 3, GL_RGBA, GL_UNSIGNED_BYTE, tfRGBA8, true, false},
       GL_TEXTURE_CUBE_MAP, ttTextureCube, 6 * 84},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TGLImage> picture = Described(c.d);
    TGLTextureHandle handle(GLContextManager());
    handle.AllocateIdentifier();
    handle.SetTarget(c.targetIndex);
    TGLStateCache& states = mesa.rc->GLStates();
    states.SetTextureBinding(states.ActiveTextureUnit(), TGLTextureTarget(c.targetIndex), handle.Identifier());
    int32_t w = 0, h = 0, d = 0;
    picture->UploadToTexture(c.target, 1, GLConstantOfFormat(c.d.format), w, h, d);
    TGLImage back;
    ASSERT_TRUE(back.ReadFromTexture(handle, false, c.d.dataType, c.d.colorFormat, c.d.format)) << c.what;
    EXPECT_EQ(back.Width(), c.d.width) << c.what;
    EXPECT_EQ(back.MipLevels(), c.d.levels) << c.what;
    EXPECT_EQ(back.CubeMap(), c.d.cubeMap) << c.what;
    ASSERT_EQ(back.PixelData().size(), picture->PixelData().size()) << c.what;
    EXPECT_TRUE(std::equal(picture->PixelData().begin(), picture->PixelData().begin() + c.pixelBytes,
                           back.PixelData().begin()))
        << c.what;
    EXPECT_EQ(ActiveGLTable().GetError(), GLenum(GL_NO_ERROR)) << c.what;
  }
}

TEST(GLBaseImage, ReadFromTextureSaysFalseWhenNothingWasRead) {
  TGLImage image;
  TGLTextureHandle handle(GLContextManager());
  EXPECT_FALSE(image.ReadFromTexture(handle, true, 0, 0, tfRGBA8)) << "no context at all";
  MesaContext mesa;
  if (!mesa.Skip().empty()) GTEST_SKIP() << mesa.Skip();
  EXPECT_FALSE(image.ReadFromTexture(handle, true, 0, 0, tfRGBA8)) << "no texture";
  handle.AllocateIdentifier();
  handle.SetTarget(ttTexture2D);
  EXPECT_FALSE(image.ReadFromTexture(handle, true, 0, 0, tfRGBA8)) << "a texture without levels";
  EXPECT_TRUE(image.IsEmpty());
}
