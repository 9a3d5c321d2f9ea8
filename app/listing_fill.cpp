#include "app/listing_fill.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <new>

#include "lang/lang.h"
#include "platform/memory.h"

namespace app {

namespace {

// About a megabyte of text a piece: few enough pieces to cost nothing, enough for the bar to move.
constexpr size_t kPieceBytes = size_t(1) << 20;
// Per line: the block, and the layout every line gets once the listing is shown (measured: about
// 300 bytes of address space a line while it is filled hidden, 1100 once shown); per character: the
// UTF-16 text and the piece being converted.
constexpr uint64_t kBytesPerLine = 1024;
constexpr uint64_t kBytesPerChar = 4;

// Restores the document's undo setting on every way out.
class NoUndo {
 public:
  explicit NoUndo(QTextDocument& document) : document_(document), was_(document.isUndoRedoEnabled()) {
    document_.setUndoRedoEnabled(false);
  }
  ~NoUndo() { document_.setUndoRedoEnabled(was_); }
  NoUndo(const NoUndo&) = delete;
  NoUndo& operator=(const NoUndo&) = delete;

 private:
  QTextDocument& document_;
  bool was_;
};

}  // namespace

uint64_t ListingFillBytes(uint64_t lines, uint64_t chars) { return lines * kBytesPerLine + chars * kBytesPerChar; }

void FillListing(QPlainTextEdit& listing, std::string_view text, const std::function<uint64_t()>& headroom,
                 const std::function<void(int)>& progress) {
  const std::string words =
      lang::LangStringOr("1781", "There is not enough memory to fill the NC listing.");
  // The old text goes first: its memory is the new one's.
  listing.clear();
  try {
    const uint64_t lines = uint64_t(std::count(text.begin(), text.end(), '\n')) + 1;
    if (ListingFillBytes(lines, text.size()) > headroom()) throw platform::OutOfMemory(words);
    QTextDocument& document = *listing.document();
    NoUndo noUndo(document);
    QTextCursor cursor(&document);
    size_t at = 0;
    while (at < text.size()) {
      // Whole lines a piece, so no CR LF is split between two.
      size_t end = text.find('\n', std::min(text.size() - 1, at + kPieceBytes));
      end = end == std::string_view::npos ? text.size() : end + 1;
      QString piece = QString::fromUtf8(text.data() + at, qsizetype(end - at));
      piece.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      cursor.movePosition(QTextCursor::End);
      cursor.insertText(piece);
      at = end;
      if (progress) progress(int(uint64_t(at) * 100 / text.size()));
    }
  } catch (const std::bad_alloc&) {
    listing.clear();
    throw platform::OutOfMemory(words);
  } catch (...) {
    listing.clear();
    throw;
  }
  // At the top, as a whole text set at once leaves it.
  listing.moveCursor(QTextCursor::Start);
}

}  // namespace app
