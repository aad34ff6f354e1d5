// Cells: the stored text, its convert-column rewrite and its integer and
// boolean readings.
#include <algorithm>
#include <optional>

#include "datatable/DataTable.h"
#include "support/Errors.h"
#include "support/Text.h"

namespace {

constexpr char16_t kStoredComma = 0x1A;
constexpr char16_t kStoredBar = 0x1B;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexDigit(char16_t c) {
  if (IsDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads a run of decimal digits from text at i; true when one digit or more
// was there, and nonZero tells whether any of them was not "0".
bool ReadDigits(std::u16string_view text, std::size_t& i, bool& nonZero) {
  const std::size_t start = i;
  for (; i < text.size() && IsDigit(text[i]); ++i) nonZero = nonZero || text[i] != u'0';
  return i > start;
}

void SkipSpaces(std::u16string_view text, std::size_t& i) {
  while (i < text.size() && text[i] == u' ') ++i;
}

// Skips an optional sign; true when it was "-".
bool ReadSign(std::u16string_view text, std::size_t& i) {
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) return text[i++] == u'-';
  return false;
}

// The length of a hexadecimal prefix at i ("$", "x", "X", "0x", "0X"), or 0.
std::size_t HexPrefix(std::u16string_view text, std::size_t i) {
  if (i >= text.size()) return 0;
  if (text[i] == u'$' || text[i] == u'x' || text[i] == u'X') return 1;
  if (text[i] == u'0' && i + 1 < text.size() && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    return 2;
  }
  return 0;
}

// Up to eight hexadecimal digits, taken as a 32-bit pattern.
std::optional<std::uint32_t> ReadHex(std::u16string_view text, std::size_t i) {
  const std::size_t digits = text.size() - i;
  if (digits == 0 || digits > 8) return std::nullopt;
  std::uint32_t pattern = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return std::nullopt;
    pattern = pattern << 4 | static_cast<std::uint32_t>(digit);
  }
  return pattern;
}

// Decimal digits up to limit.
std::optional<std::uint32_t> ReadDecimal(std::u16string_view text, std::size_t i,
                                         std::uint32_t limit) {
  if (i == text.size()) return std::nullopt;
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
    value = value * 10 + (text[i] - u'0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::optional<std::int32_t> ParseInteger(std::u16string_view text) {
  std::size_t i = 0;
  SkipSpaces(text, i);
  const bool negative = ReadSign(text, i);
  const std::size_t prefix = HexPrefix(text, i);
  const std::optional<std::uint32_t> magnitude =
      prefix > 0 ? ReadHex(text, i + prefix)
                 : ReadDecimal(text, i, negative ? 0x80000000u : 0x7FFFFFFFu);
  if (!magnitude) return std::nullopt;
  return static_cast<std::int32_t>(negative ? 0u - *magnitude : *magnitude);
}

// Whether text is a decimal number, and if so whether it is not zero: spaces,
// a sign, digits with an optional fraction, an optional exponent, spaces.
std::optional<bool> ParseNumberNonZero(std::u16string_view text) {
  std::size_t i = 0;
  bool nonZero = false;
  SkipSpaces(text, i);
  ReadSign(text, i);
  bool digits = ReadDigits(text, i, nonZero);
  if (i < text.size() && text[i] == DecimalSeparator()) {
    ++i;
    digits = ReadDigits(text, i, nonZero) || digits;
  }
  if (!digits) return std::nullopt;
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
    ++i;
    ReadSign(text, i);
    bool exponentNonZero = false;
    if (!ReadDigits(text, i, exponentNonZero)) return std::nullopt;
  }
  SkipSpaces(text, i);
  if (i != text.size()) return std::nullopt;
  return nonZero;
}

std::optional<bool> ParseBool(std::u16string_view text) {
  if (const std::optional<bool> number = ParseNumberNonZero(text)) return number;
  if (SameTextAscii(text, u"True")) return true;
  if (SameTextAscii(text, u"False")) return false;
  return std::nullopt;
}

// The stored form of a convert-column text: cut at U+0000, control
// characters as spaces (tab, line feed and carriage return kept on request),
// "," and "|" as U+001A and U+001B.
std::u16string EncodeConverted(std::u16string_view text, bool keepBreaks) {
  std::u16string stored(text.substr(0, text.find(u'\0')));
  for (char16_t& c : stored) {
    const bool lineBreak = c == u'\t' || c == u'\n' || c == u'\r';
    if (c < 0x20 && !(lineBreak && keepBreaks)) c = u' ';
  }
  return StoreSeparators(std::move(stored));
}

// The reading of a convert-column text; units after a U+0000 stay as they are.
std::u16string DecodeConverted(std::u16string stored) {
  const std::size_t end = std::min(stored.find(u'\0'), stored.size());
  for (std::size_t i = 0; i < end; ++i) {
    if (stored[i] == kStoredComma) stored[i] = u',';
    if (stored[i] == kStoredBar) stored[i] = u'|';
  }
  return stored;
}

}  // namespace

std::u16string StoreSeparators(std::u16string text) {
  for (char16_t& c : text) {
    if (c == u',') c = kStoredComma;
    if (c == u'|') c = kStoredBar;
  }
  return text;
}

int TCell::GetIndex() const {
  const auto& cells = FParent.FItems;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

bool TCell::IsConvertColumn(int index) const {
  const TDataTable* table = FParent.Parent();
  return table != nullptr && table->ConvertSet().Contains(index);
}

std::u16string TCell::Text() const {
  if (FText.empty() || !IsConvertColumn(GetIndex())) return FText;
  return DecodeConverted(FText);
}

void TCell::SetText(std::u16string_view value) {
  if (value == FText) return;
  const int index = value.empty() ? -1 : GetIndex();
  if (!IsConvertColumn(index)) {
    StoreIfChanged(std::u16string(value));
    return;
  }
  const TDataTable& table = *FParent.Parent();
  const bool keepBreaks = table.ReserveLFSet().Contains(index) || (table.IOMode() & 1) != 0;
  StoreIfChanged(EncodeConverted(value, keepBreaks));
}

std::int32_t TCell::Value() {
  if (FText.empty()) FText = u"0";
  const std::optional<std::int32_t> value = ParseInteger(FText);
  if (!value) throw EConvertError(u"''" + FText + u"'' is not a valid integer value");
  return *value;
}

void TCell::SetValue(std::int32_t value) { StoreIfChanged(IntToStr(value)); }

bool TCell::AsBool() {
  if (FText.empty()) FText = u"0";
  const std::optional<bool> value = ParseBool(FText);
  if (!value) throw EConvertError(u"'" + FText + u"' is not a valid boolean value");
  return *value;
}

void TCell::SetAsBool(bool value) { StoreIfChanged(value ? u"-1" : u"0"); }

void TCell::StoreIfChanged(std::u16string text) {
  if (text == FText) return;
  FText = std::move(text);
  NotifyChanged();
}

void TCell::NotifyChanged() { FParent.DoDataChanged(cmCellEdit, this); }
