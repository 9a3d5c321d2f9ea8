#include "gif/extensions.h"

#include <algorithm>
#include <cstring>

#include "gif/sub_image.h"

namespace gif {

std::vector<std::string> ReadTextSubBlocks(platform::ByteReader& stream, const TGIFItem& warn) {
  std::vector<std::string> text;
  for (;;) {
    const int size = ReadByte(stream);
    if (size < 0) {
      warn.Warning(TGIFSeverity::Warning, texts::kPrematureEnd);
      break;
    }
    if (size == 0) break;
    const size_t present = std::min<size_t>(size_t(size), stream.Remaining());
    std::string block(present, '\0');
    stream.Read(block.data(), present);
    text.push_back(std::move(block));
    if (present < size_t(size)) {
      warn.Warning(TGIFSeverity::Warning, texts::kPrematureEnd);
      break;
    }
  }
  return text;
}

void WriteTextSubBlocks(platform::ByteWriter& stream, const std::vector<std::string>& text) {
  for (const std::string& s : text) {
    for (size_t at = 0; at < s.size(); at += 255) {
      const size_t n = std::min<size_t>(255, s.size() - at);
      stream.U8(uint8_t(n));
      stream.Write(s.data() + at, n);
    }
  }
  stream.U8(0);
}

TGIFExtension::TGIFExtension(TGIFSubImage* subImage)
    : TGIFItem(subImage ? subImage->Image() : nullptr), subImage_(subImage) {}

void TGIFExtension::LoadFromStream(platform::ByteReader& stream) {
  uint8_t head[2];
  ReadRecord(stream, head, 2);
  if (head[0] != kExtensionIntroducer) throw GIFException(texts::kInvalidIntroducer);
  if (head[1] != Label()) throw GIFException(texts::kExtensionMismatch);
  LoadData(stream);
}

void TGIFExtension::SaveToStream(platform::ByteWriter& stream) {
  stream.U8(kExtensionIntroducer);
  stream.U8(Label());
  SaveData(stream);
}

// Graphic control

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {
  if (subImage && !subImage->GraphicControlExtension()) subImage->SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (SubImage() && SubImage()->GraphicControlExtension() == this) SubImage()->SetGraphicControlExtension(nullptr);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int index) {
  const TGIFColorMap* map = SubImage() ? &SubImage()->ActiveColorMap() : nullptr;
  if (index < 0 || index > 255 || (map && !map->Empty() && index >= map->Count())) {
    Warning(TGIFSeverity::Warning, texts::kInvalidColorIndex);
    index = 0;
  }
  transparentIndex_ = uint8_t(index);
}

void TGIFGraphicControlExtension::LoadData(platform::ByteReader& stream) {
  // Zeroed first: a short record leaves no stale bytes in the fields.
  uint8_t record[6] = {};
  const size_t present = std::min<size_t>(6, stream.Remaining());
  stream.Read(record, present);
  if (present < 6) Warning(TGIFSeverity::Warning, texts::kPrematureEnd);
  packed_ = record[1];
  delay_ = uint16_t(record[2] | (record[3] << 8));
  transparentIndex_ = record[4];
}

void TGIFGraphicControlExtension::SaveData(platform::ByteWriter& stream) const {
  stream.U8(4);
  stream.U8(packed_);
  stream.U16(delay_);
  stream.U8(transparentIndex_);
  stream.U8(0);
}

// Plain text and comment

void TGIFTextExtension::LoadData(platform::ByteReader& stream) {
  uint8_t record[13];
  ReadRecord(stream, record, 13);
  auto word = [&](int at) { return uint16_t(record[at] | (record[at + 1] << 8)); };
  Left = word(1);
  Top = word(3);
  GridWidth = word(5);
  GridHeight = word(7);
  CharWidth = record[9];
  CharHeight = record[10];
  ForegroundColorIndex = record[11];
  BackgroundColorIndex = record[12];
  Text = ReadTextSubBlocks(stream, *this);
}

void TGIFTextExtension::SaveData(platform::ByteWriter& stream) const {
  stream.U8(12);
  for (uint16_t w : {Left, Top, GridWidth, GridHeight}) stream.U16(w);
  for (uint8_t b : {CharWidth, CharHeight, ForegroundColorIndex, BackgroundColorIndex}) stream.U8(b);
  WriteTextSubBlocks(stream, Text);
}

void TGIFCommentExtension::LoadData(platform::ByteReader& stream) { Text = ReadTextSubBlocks(stream, *this); }

void TGIFCommentExtension::SaveData(platform::ByteWriter& stream) const { WriteTextSubBlocks(stream, Text); }

// Application extensions

TGIFApplicationIdentifier MakeIdentifier(const char* text) {
  TGIFApplicationIdentifier id{};
  for (size_t i = 0; i < id.size() && text[i]; ++i) id[i] = uint8_t(text[i]);
  return id;
}

void TGIFApplicationExtension::LoadData(platform::ByteReader& stream) {
  const int size = ReadByte(stream);
  if (size < 0) throw GIFException(texts::kPrematureEnd);
  Identifier.fill(0);
  if (size == 10) {
    ReadRecord(stream, Identifier.data(), 10);
  } else if (size < 11) {
    throw GIFException(texts::kAppBlockSize);
  } else {
    ReadRecord(stream, Identifier.data(), 11);
    if (stream.Remaining() < size_t(size - 11)) throw GIFException(texts::kPrematureEnd);
    stream.Skip(size_t(size - 11));
  }
  LoadApplicationData(stream);
}

void TGIFApplicationExtension::SaveData(platform::ByteWriter& stream) const {
  stream.U8(11);
  stream.Write(Identifier.data(), Identifier.size());
  SaveApplicationData(stream);
}

void TGIFUnknownAppExtension::LoadApplicationData(platform::ByteReader& stream) {
  Blocks.clear();
  for (;;) {
    const int size = ReadByte(stream);
    if (size < 0) {
      Warning(TGIFSeverity::Warning, texts::kPrematureEnd);
      break;
    }
    if (size == 0) break;
    const size_t present = std::min<size_t>(size_t(size), stream.Remaining());
    Blocks.push_back(TGIFBlock{stream.ReadBytes(present)});
    if (present < size_t(size)) {
      Warning(TGIFSeverity::Warning, texts::kPrematureEnd);
      break;
    }
  }
}

void TGIFUnknownAppExtension::SaveApplicationData(platform::ByteWriter& stream) const {
  for (const TGIFBlock& block : Blocks) {
    if (block.Data.empty()) continue;
    // A block kept from a file is at most 255 bytes; one filled by a caller may be longer.
    for (size_t at = 0; at < block.Data.size(); at += 255) {
      const size_t n = std::min<size_t>(255, block.Data.size() - at);
      stream.U8(uint8_t(n));
      stream.Write(block.Data.data() + at, n);
    }
  }
  stream.U8(0);
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage) {
  Identifier = MakeIdentifier("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::LoadApplicationData(platform::ByteReader& stream) {
  for (;;) {
    const int size = ReadByte(stream);
    if (size <= 0) break;
    uint8_t block[255];
    ReadRecord(stream, block, size_t(size));
    const int id = block[0] & 7;
    if (id == 1) {
      if (size < 3) throw GIFException(texts::kInvalidData);
      const uint32_t repeats = uint32_t(block[1] | (block[2] << 8));
      Loops = repeats == 0 ? 0 : repeats + 1;
    } else if (id == 2) {
      if (size < 5) throw GIFException(texts::kInvalidData);
      BufferSize = uint32_t(block[1]) | (uint32_t(block[2]) << 8) | (uint32_t(block[3]) << 16) |
                   (uint32_t(block[4]) << 24);
    }
  }
}

void TGIFAppExtNSLoop::SaveData(platform::ByteWriter& stream) const {
  // Written under the name every reader knows, whichever name it was read under.
  const TGIFApplicationIdentifier netscape = MakeIdentifier("NETSCAPE2.0");
  stream.U8(11);
  stream.Write(netscape.data(), netscape.size());
  SaveApplicationData(stream);
}

void TGIFAppExtNSLoop::SaveToStream(platform::ByteWriter& stream) {
  if (Loops != 1) TGIFApplicationExtension::SaveToStream(stream);
}

void TGIFAppExtNSLoop::SaveApplicationData(platform::ByteWriter& stream) const {
  stream.U8(3);
  stream.U8(1);
  stream.U16(uint16_t(Loops == 0 ? 0 : std::min<uint32_t>(Loops - 1, 65535)));
  if (BufferSize > 0) {
    stream.U8(5);
    stream.U8(2);
    stream.U32(BufferSize);
  }
  stream.U8(0);
}

// Registries

void TExtensionList::Register(uint8_t label, TGIFExtensionFactory factory) {
  std::lock_guard<std::mutex> guard(lock_);
  entries_.emplace_back(label, std::move(factory));
}

TGIFExtensionFactory TExtensionList::Find(uint8_t label) const {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (it->first == label) return it->second;
  return nullptr;
}

void TAppExtensionList::Register(const TGIFApplicationIdentifier& identifier, TGIFExtensionFactory factory) {
  std::lock_guard<std::mutex> guard(lock_);
  entries_.emplace_back(identifier, std::move(factory));
}

TGIFExtensionFactory TAppExtensionList::Find(const TGIFApplicationIdentifier& identifier) const {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (it->first == identifier) return it->second;
  return nullptr;
}

namespace {
template <class T>
TGIFExtensionFactory Factory() {
  return [](TGIFSubImage* subImage) { return std::make_unique<T>(subImage); };
}
}  // namespace

TExtensionList& ExtensionRegistry() {
  static TExtensionList* registry = [] {
    static TExtensionList list;
    list.Register(kGraphicControlLabel, Factory<TGIFGraphicControlExtension>());
    list.Register(kPlainTextLabel, Factory<TGIFTextExtension>());
    list.Register(kCommentLabel, Factory<TGIFCommentExtension>());
    // An application extension whose identifier could not be read first keeps its data as it is.
    list.Register(kApplicationLabel, Factory<TGIFUnknownAppExtension>());
    return &list;
  }();
  return *registry;
}

TAppExtensionList& AppExtensionRegistry() {
  static TAppExtensionList* registry = [] {
    static TAppExtensionList list;
    list.Register(MakeIdentifier("NETSCAPE2.0"), Factory<TGIFAppExtNSLoop>());
    list.Register(MakeIdentifier("ANIMEXTS1.0"), Factory<TGIFAppExtNSLoop>());
    return &list;
  }();
  return *registry;
}

void TGIFExtensionList::LoadFromStream(platform::ByteReader& stream, TGIFSubImage* subImage) {
  for (;;) {
    const int next = PeekByte(stream);
    if (next < 0 || next == kImageSeparator || next == kTrailerByte) break;
    if (next != kExtensionIntroducer) {
      subImage->Warning(TGIFSeverity::Warning, texts::kInvalidIntroducer);
      break;
    }
    const size_t start = stream.Position();
    uint8_t head[2];
    ReadRecord(stream, head, 2);
    TGIFExtensionFactory factory;
    if (head[1] == kApplicationLabel) {
      const int size = ReadByte(stream);
      if (size < 0) throw GIFException(texts::kPrematureEnd);
      if (size == 10 || size == 11) {
        TGIFApplicationIdentifier id{};
        ReadRecord(stream, id.data(), size_t(size));
        if (size == 11) factory = AppExtensionRegistry().Find(id);
        if (!factory) factory = Factory<TGIFUnknownAppExtension>();
      }
    }
    if (!factory) factory = ExtensionRegistry().Find(head[1]);
    if (!factory) throw GIFException(texts::kUnknownExtension);
    stream.Seek(start);
    std::unique_ptr<TGIFExtension> extension = factory(subImage);
    extension->LoadFromStream(stream);
    Add(std::move(extension));
  }
}

void TGIFExtensionList::SaveToStream(platform::ByteWriter& stream) const {
  for (const auto& extension : *this) extension->SaveToStream(stream);
}

}  // namespace gif
