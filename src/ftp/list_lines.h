// Cutting a received listing into its lines.
#pragma once

#include <string_view>
#include <vector>

// The lines of a listing's text as views into it. Lines end at CR LF, a lone
// LF or a lone CR; a final line end adds no empty line.
std::vector<std::string_view> SplitListingLines(std::string_view text);
