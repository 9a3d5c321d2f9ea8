// Every numbered text the program looks up in section "String" of the language file, so a test can
// check that the shipped language file answers each one. Add a number here when code starts using it.
#pragma once

#include <array>
#include <string_view>

namespace lang {

inline constexpr auto kMessageNumbers = std::to_array<std::string_view>({
    // Image information tree: root, file, width, height, bit depth, resolution.
    "118", "110", "111", "112", "113", "114",
    // Hints of the drawing commands of the drop-down tool buttons.
    "200", "201", "202", "203", "206", "207", "208", "209", "210", "212", "213", "214", "215", "216",
    "217", "222", "223", "243", "244", "245", "246", "247", "248",
    // Scale page: the X label for uniform and for separate factors.
    "310", "311",
    // Open and save: status texts and the unsupported file type.
    "400", "401", "402",
    // Start-up status text (also the bolt-circle page).
    "406",
    // Deleting small entities: the count.
    "411",
    // Page status texts.
    "415", "416", "421", "422", "423", "424", "425", "426", "427", "428", "446", "470", "471", "472",
    "473", "474", "475", "476", "477", "478", "479", "480", "481", "482", "483", "484", "485",
    // Confirmations: the caption, leaving the program, discarding the job.
    "450", "451", "452",
    // NC file filter.
    "701",
    // Tool summary on the tool page.
    "707", "708", "709", "711", "712", "713", "714",
    // NC listing: line counter.
    "717",
    // Tool window: the flat-diameter label of conical tools.
    "718", "719",
    // Tool window captions (compact and full).
    "750", "751",
    // "Z no cut": outside the relief, the pick button before a pick.
    "752", "753",
    // Machining time estimate.
    "754",
    // Backplot of a dialect that cannot be simulated.
    "782",
    // The 3D view: the colour dialog's caption, a surface drawn coarser than asked, a surface that
    // could not be drawn (no memory, another failure).
    "1500", "1501", "1502", "1503",
    // The translator's name, shown in the About window.
    "Autor",
});

}  // namespace lang
