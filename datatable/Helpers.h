// Internal helpers shared by the cell, row, table and collection code.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

namespace datatable_detail {

// Opens an update on owner, runs body and closes the update with close(),
// also when body throws, so the update depth stays balanced.
template <typename Owner, typename Body, typename Close>
void InUpdate(Owner& owner, Body&& body, Close&& close) {
  owner.BeginUpdate();
  try {
    std::forward<Body>(body)();
  } catch (...) {
    close();
    throw;
  }
  close();
}

// Calls piece(view) for each piece of text between separators, in order, up to
// the first U+0000: n separators give n + 1 pieces, an empty text one.
template <typename Piece>
void ForEachPiece(std::u16string_view text, char16_t separator, Piece&& piece) {
  text = text.substr(0, text.find(u'\0'));
  for (;;) {
    const std::size_t end = text.find(separator);
    if (end == std::u16string_view::npos) {
      piece(text);
      return;
    }
    piece(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
}

// How many of available items a copy limited to maxCount takes; a maxCount of
// 0 or less means all.
inline int CopyCount(int available, int maxCount) {
  return maxCount > 0 && maxCount < available ? maxCount : available;
}

}  // namespace datatable_detail
