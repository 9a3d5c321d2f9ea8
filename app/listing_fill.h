// Filling the NC listing with a computed program: in pieces, so the progress bar moves while a long
// program (millions of lines) goes in, and only after checking that the memory the listing will take
// is there. Qt's text document does not throw when it runs out of memory, it ends the program; so a
// listing that would not fit is refused before it is started.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

class QPlainTextEdit;

namespace app {

// The bytes a listing of `lines` lines and `chars` characters takes in the text document once it is
// shown, the layout of every line included (measured with Qt 6 on lines of 16 to 40 characters, with
// room to spare): a listing that could be filled but not shown would end the program at its page.
uint64_t ListingFillBytes(uint64_t lines, uint64_t chars);

// Replaces the listing's text with `text` (lines ending in CR LF or LF, shown as plain lines), calling
// `progress` with 0 ... 100 as it goes. `headroom` is asked, once the old text is gone, for the
// bytes the process may still take: when the listing would need more, or memory runs out on the way,
// the listing is left empty and platform::OutOfMemory is raised. The undo history is not kept.
void FillListing(QPlainTextEdit& listing, std::string_view text, const std::function<uint64_t()>& headroom,
                 const std::function<void(int)>& progress);

}  // namespace app
