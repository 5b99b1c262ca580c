#include "ftp/list_columns.h"

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr size_t ChunkSize = 64;

// The bytes of one chunk that matter to the split, a bit per byte.
struct TChunkMasks {
    // The separators; bits past the chunk's size are set too, so that a
    // column reaching the end of the text ends there.
    uint64_t Separators = 0;
    // Bytes of value 32 or less other than the separator: only a column
    // holding one needs trimming.
    uint64_t Trimmable = 0;
};

TChunkMasks ChunkMasksOf(const char* chunk, size_t size, char separator) {
    TChunkMasks masks;
    uint64_t low = 0;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(separator);
    const __m128i blank = _mm_set1_epi8(' ');
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chunk + i));
        const __m128i equal = _mm_cmpeq_epi8(bytes, wanted);
        const __m128i atMostBlank = _mm_cmpeq_epi8(_mm_min_epu8(bytes, blank), bytes);
        masks.Separators |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(equal))} << i;
        low |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(atMostBlank))} << i;
    }
#endif
    for (; i < size; ++i) {
        masks.Separators |= uint64_t{chunk[i] == separator} << i;
        low |= uint64_t{static_cast<unsigned char>(chunk[i]) <= 32} << i;
    }
    masks.Trimmable = low & ~masks.Separators;
    if (size < ChunkSize)
        masks.Separators |= ~uint64_t{0} << size;
    return masks;
}

} // namespace

size_t SplitColumnViews(std::string_view text, char separator, TListColumn* out, size_t capacity) {
    const std::string_view whole = TrimView(text);
    const size_t offset = static_cast<size_t>(whole.data() - text.data());
    size_t count = 0;
    size_t start = 0;
    // Whether the byte before the chunk was a separator: the text begins as
    // if after one.
    uint64_t before = 1;
    bool trim = false;
    // A bit mask of the separators, 64 bytes at a time, and its edges (where a
    // column starts or ends) taken lowest first: no branch per byte, which a
    // line of padded columns would otherwise mispredict at every edge.
    for (size_t chunk = 0; chunk < whole.size() && count < capacity; chunk += ChunkSize) {
        const size_t size = std::min(ChunkSize, whole.size() - chunk);
        const TChunkMasks masks = ChunkMasksOf(whole.data() + chunk, size, separator);
        const uint64_t separators = masks.Separators;
        // Once a chunk holds a byte to trim, every later column is trimmed
        // (the one open now may have started before it).
        trim = trim || masks.Trimmable != 0;
        uint64_t edges = separators ^ ((separators << 1) | before);
        before = separators >> 63;
        while (edges != 0 && count < capacity) {
            const size_t at = chunk + static_cast<size_t>(__builtin_ctzll(edges));
            edges &= edges - 1;
            if ((separators >> (at - chunk)) & 1) {
                // Emptiness is judged before trimming, on purpose: a tab-only
                // piece is a column of its own.
                std::string_view piece = whole.substr(start, at - start);
                if (trim)
                    piece = TrimView(piece);
                out[count++] = {piece.data(), piece.size(), offset + at};
            } else {
                start = at;
            }
        }
    }
    // A column that runs to the end of a text whose length is a multiple of
    // the chunk size has not met its end in any chunk.
    if (before == 0 && count < capacity && !whole.empty()) {
        std::string_view piece = whole.substr(start);
        if (trim)
            piece = TrimView(piece);
        out[count++] = {piece.data(), piece.size(), offset + whole.size()};
    }
    return count;
}

std::vector<std::string> SplitColumns(std::string_view text, std::string_view separator) {
    std::vector<std::string> columns;
    const std::string_view whole = TrimView(text);
    if (whole.empty())
        return columns;
    if (separator.empty()) {
        columns.emplace_back(whole);
        return columns;
    }
    size_t start = 0;
    while (start <= whole.size()) {
        size_t at = whole.find(separator, start);
        if (at == std::string_view::npos)
            at = whole.size();
        if (at > start)
            columns.emplace_back(TrimView(whole.substr(start, at - start)));
        start = at + separator.size();
    }
    return columns;
}

bool IsUnixPermissions(std::string_view text) {
    if (text.size() < 10)
        return false;
    if (text[0] != '-' && text[0] != 'D' && text[0] != 'L')
        return false;
    for (size_t i = 1; i < 10; ++i) {
        const char c = text[i];
        if (c != '-' && c != 'R' && c != 'W' && c != 'X')
            return false;
    }
    return true;
}
