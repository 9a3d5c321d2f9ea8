// GIF89a extensions: graphic control (delay, disposal, transparency), plain text, comment and
// application extensions (the looping extension, and any other kept as its raw sub-blocks), with
// the registries that map a label or an application identifier to the class that reads it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gif/gif_item.h"

namespace gif {

class TGIFSubImage;

inline constexpr uint8_t kExtensionIntroducer = 0x21;  // '!'
inline constexpr uint8_t kImageSeparator = 0x2C;       // ','
inline constexpr uint8_t kTrailerByte = 0x3B;          // ';'
inline constexpr uint8_t kGraphicControlLabel = 0xF9;
inline constexpr uint8_t kPlainTextLabel = 0x01;
inline constexpr uint8_t kCommentLabel = 0xFE;
inline constexpr uint8_t kApplicationLabel = 0xFF;

// Text sub-blocks: one string per sub-block when reading. Writing skips empty strings and splits a
// string longer than 255 bytes over several sub-blocks; both end with the 0 terminator.
std::vector<std::string> ReadTextSubBlocks(platform::ByteReader& stream, const TGIFItem& warn);
void WriteTextSubBlocks(platform::ByteWriter& stream, const std::vector<std::string>& text);

class TGIFExtension : public TGIFItem {
 public:
  explicit TGIFExtension(TGIFSubImage* subImage);
  TGIFSubImage* SubImage() const { return subImage_; }
  virtual uint8_t Label() const = 0;
  TGIFVersion Version() const override { return TGIFVersion::gv89a; }
  // Introducer and label first ("Invalid extension introducer", "Internal error: Extension
  // Instance does not match Extension Label"), then the label's own block.
  void LoadFromStream(platform::ByteReader& stream) override;
  void SaveToStream(platform::ByteWriter& stream) override;

 protected:
  virtual void LoadData(platform::ByteReader& stream) = 0;
  virtual void SaveData(platform::ByteWriter& stream) const = 0;

 private:
  TGIFSubImage* subImage_;
};

enum TDisposalMethod : int { dmNone = 0, dmNoDisposal = 1, dmBackground = 2, dmPrevious = 3 };

class TGIFGraphicControlExtension : public TGIFExtension {
 public:
  // The first one made for a frame is the frame's own (its delay, disposal and transparency).
  explicit TGIFGraphicControlExtension(TGIFSubImage* subImage);
  ~TGIFGraphicControlExtension() override;
  uint8_t Label() const override { return kGraphicControlLabel; }

  int Disposal() const { return (packed_ >> 2) & 7; }
  void SetDisposal(int method) { packed_ = uint8_t((packed_ & ~0x1C) | ((method & 7) << 2)); }
  bool UserInput() const { return (packed_ & 0x02) != 0; }
  void SetUserInput(bool on) { packed_ = uint8_t(on ? packed_ | 0x02 : packed_ & ~0x02); }
  bool Transparent() const { return (packed_ & 0x01) != 0; }
  void SetTransparent(bool on) { packed_ = uint8_t(on ? packed_ | 0x01 : packed_ & ~0x01); }
  // Hundredths of a second.
  uint16_t Delay() const { return delay_; }
  void SetDelay(uint16_t delay) { delay_ = delay; }
  uint8_t TransparentColorIndex() const { return transparentIndex_; }
  // An index not below the count of the frame's active colour map (when that has entries) warns
  // "Invalid color index" and stores 0.
  void SetTransparentColorIndex(int index);
  uint8_t PackedFields() const { return packed_; }

 protected:
  // Six bytes; a short read is tolerated with the warning "Premature end of data" (the fields not
  // read stay zero).
  void LoadData(platform::ByteReader& stream) override;
  void SaveData(platform::ByteWriter& stream) const override;

 private:
  uint8_t packed_ = 0;
  uint16_t delay_ = 0;
  uint8_t transparentIndex_ = 0;
};

class TGIFTextExtension : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  uint8_t Label() const override { return kPlainTextLabel; }
  uint16_t Left = 0, Top = 0, GridWidth = 0, GridHeight = 0;
  uint8_t CharWidth = 0, CharHeight = 0, ForegroundColorIndex = 0, BackgroundColorIndex = 0;
  std::vector<std::string> Text;

 protected:
  void LoadData(platform::ByteReader& stream) override;
  void SaveData(platform::ByteWriter& stream) const override;
};

class TGIFCommentExtension : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  uint8_t Label() const override { return kCommentLabel; }
  std::vector<std::string> Text;

 protected:
  void LoadData(platform::ByteReader& stream) override;
  void SaveData(platform::ByteWriter& stream) const override;
};

using TGIFApplicationIdentifier = std::array<uint8_t, 11>;  // 8-byte name and 3-byte authentication
TGIFApplicationIdentifier MakeIdentifier(const char* text);  // first 11 characters, zero padded

class TGIFApplicationExtension : public TGIFExtension {
 public:
  using TGIFExtension::TGIFExtension;
  uint8_t Label() const override { return kApplicationLabel; }
  TGIFApplicationIdentifier Identifier{};

 protected:
  // Block size 11 (a larger block's extra bytes are skipped); an old 10-byte identifier is taken
  // with its 11th byte zero; any other size raises "Unsupported Application Extension block size".
  void LoadData(platform::ByteReader& stream) final;
  void SaveData(platform::ByteWriter& stream) const override;
  virtual void LoadApplicationData(platform::ByteReader& stream) = 0;
  virtual void SaveApplicationData(platform::ByteWriter& stream) const = 0;
};

// Any application extension we do not know: its data sub-blocks are kept and written back.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
 public:
  using TGIFApplicationExtension::TGIFApplicationExtension;
  std::vector<TGIFBlock> Blocks;

 protected:
  void LoadApplicationData(platform::ByteReader& stream) override;
  void SaveApplicationData(platform::ByteWriter& stream) const override;
};

// The looping extension ("NETSCAPE2.0", also read as "ANIMEXTS1.0"). Loops counts runs of the
// animation the way browsers and ImageMagick play it: the file holds the repeats after the first
// run, so a file count of 2 is read as 3 runs, and 3 runs are written as 2. A single run cannot be
// said in the extension (its 0 means forever), so an extension of one run is not written.
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
 public:
  explicit TGIFAppExtNSLoop(TGIFSubImage* subImage);
  uint32_t Loops = 0;       // runs; 0 = forever
  uint32_t BufferSize = 0;  // 0 = not written
  void SaveToStream(platform::ByteWriter& stream) override;

 protected:
  void SaveData(platform::ByteWriter& stream) const override;
  void LoadApplicationData(platform::ByteReader& stream) override;
  void SaveApplicationData(platform::ByteWriter& stream) const override;
};

using TGIFExtensionFactory = std::function<std::unique_ptr<TGIFExtension>(TGIFSubImage*)>;

// Label -> extension class. Lookups run from the last registered entry to the first, so a later
// registration overrides an earlier one.
class TExtensionList {
 public:
  void Register(uint8_t label, TGIFExtensionFactory factory);
  TGIFExtensionFactory Find(uint8_t label) const;

 private:
  mutable std::mutex lock_;
  std::vector<std::pair<uint8_t, TGIFExtensionFactory>> entries_;
};

// Application identifier -> application extension class.
class TAppExtensionList {
 public:
  void Register(const TGIFApplicationIdentifier& identifier, TGIFExtensionFactory factory);
  TGIFExtensionFactory Find(const TGIFApplicationIdentifier& identifier) const;

 private:
  mutable std::mutex lock_;
  std::vector<std::pair<TGIFApplicationIdentifier, TGIFExtensionFactory>> entries_;
};

// The two registries, made with the built-in classes on first use.
TExtensionList& ExtensionRegistry();
TAppExtensionList& AppExtensionRegistry();

// A frame's extensions in file order.
class TGIFExtensionList : public TGIFList<TGIFExtension> {
 public:
  // Reads extensions while the next byte is neither ',' nor ';' (nor the end of the stream).
  void LoadFromStream(platform::ByteReader& stream, TGIFSubImage* subImage);
  void SaveToStream(platform::ByteWriter& stream) const;
};

}  // namespace gif
