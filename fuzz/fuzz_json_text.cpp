// metascope's JSON text on any bytes, read back by a strict JSON reader
// written here (RFC 8259: no raw control characters, no lone surrogate
// escapes, no leading zeros, nothing after the value):
// - JsonQuote(bytes) is exactly one string literal whose value is the bytes
//   when they are well-formed UTF-8, and otherwise the bytes with each
//   maximal ill-formed subsequence replaced by U+FFFD;
// - an object line with text, integer and floating-point members is one
//   line holding one object with exactly those members and values (a
//   number that JSON cannot spell is null).

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "JsonText.h"

namespace {

// ---- UTF-8: the value JsonQuote promises ---------------------------------

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The bytes as well-formed UTF-8: each maximal subpart of an ill-formed
// sequence (the longest start of a well-formed sequence, or one byte)
// becomes U+FFFD.
std::string Sanitised(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
    if (b0 <= 0x7F) {
      out += static_cast<char>(b0);
      ++i;
      continue;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      n = 3;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      n = 4;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    }
    std::size_t k = 1;
    char32_t code = n == 2 ? (b0 & 0x1Fu) : n == 3 ? (b0 & 0x0Fu) : (b0 & 0x07u);
    while (n != 0 && k < n && i + k < text.size()) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      const unsigned char low = k == 1 ? lo : 0x80;
      const unsigned char high = k == 1 ? hi : 0xBF;
      if (b < low || b > high) break;
      code = (code << 6) | (b & 0x3Fu);
      ++k;
    }
    if (n != 0 && k == n) {
      AppendUtf8(out, code);
    } else {
      AppendUtf8(out, 0xFFFD);
    }
    i += k;
  }
  return out;
}

// ---- A strict JSON reader -------------------------------------------------

struct Value {
  enum Kind { kNull, kTrue, kFalse, kNumber, kString, kObject, kArray } kind = kNull;
  std::string text;  // the string's value, or the number as written
  std::vector<std::string> keys;  // an object's keys, in order
  std::vector<Value> values;      // an object's values, or an array's items
};

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  // The one value that makes up the whole text, or false.
  bool ReadDocument(Value& value) {
    SkipSpace();
    if (!ReadValue(value, 0)) return false;
    SkipSpace();
    return pos_ == text_.size();
  }

  bool ReadString(std::string& out) {
    if (!Take('"')) return false;
    for (;;) {
      if (pos_ >= text_.size()) return false;
      const auto c = static_cast<unsigned char>(text_[pos_]);
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        ++pos_;
        if (!ReadEscape(out)) return false;
        continue;
      }
      if (c < 0x80) {
        out += static_cast<char>(c);
        ++pos_;
        continue;
      }
      // Raw UTF-8 must be well-formed.
      std::size_t end = pos_ + 1;
      while (end < text_.size() && end < pos_ + 4 && (static_cast<unsigned char>(text_[end]) & 0xC0) == 0x80) ++end;
      const std::string_view sequence = text_.substr(pos_, end - pos_);
      if (Sanitised(sequence) != sequence) return false;
      out += sequence;
      pos_ = end;
    }
  }

 private:
  bool ReadValue(Value& value, int depth) {
    if (depth > 64 || pos_ >= text_.size()) return false;
    const char c = text_[pos_];
    if (c == '{') return ReadObject(value, depth);
    if (c == '[') return ReadArray(value, depth);
    if (c == '"') {
      value.kind = Value::kString;
      return ReadString(value.text);
    }
    if (c == '-' || (c >= '0' && c <= '9')) return ReadNumber(value);
    for (const auto& [word, kind] : {std::pair{std::string_view("null"), Value::kNull},
                                     std::pair{std::string_view("true"), Value::kTrue},
                                     std::pair{std::string_view("false"), Value::kFalse}}) {
      if (text_.substr(pos_, word.size()) == word) {
        pos_ += word.size();
        value.kind = kind;
        return true;
      }
    }
    return false;
  }

  bool ReadObject(Value& value, int depth) {
    value.kind = Value::kObject;
    ++pos_;
    SkipSpace();
    if (Take('}')) return true;
    for (;;) {
      std::string key;
      Value member;
      SkipSpace();
      if (!ReadString(key)) return false;
      SkipSpace();
      if (!Take(':')) return false;
      SkipSpace();
      if (!ReadValue(member, depth + 1)) return false;
      for (const auto& existing : value.keys) {
        if (existing == key) return false;  // no key twice
      }
      value.keys.push_back(std::move(key));
      value.values.push_back(std::move(member));
      SkipSpace();
      if (Take('}')) return true;
      if (!Take(',')) return false;
    }
  }

  bool ReadArray(Value& value, int depth) {
    value.kind = Value::kArray;
    ++pos_;
    SkipSpace();
    if (Take(']')) return true;
    for (;;) {
      Value item;
      SkipSpace();
      if (!ReadValue(item, depth + 1)) return false;
      value.values.push_back(std::move(item));
      SkipSpace();
      if (Take(']')) return true;
      if (!Take(',')) return false;
    }
  }

  bool ReadNumber(Value& value) {
    const std::size_t start = pos_;
    Take('-');
    if (Take('0')) {
    } else if (!Digits()) {
      return false;
    }
    if (Take('.') && !Digits()) return false;
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      if (!Digits()) return false;
    }
    value.kind = Value::kNumber;
    value.text = std::string(text_.substr(start, pos_ - start));
    return true;
  }

  bool ReadEscape(std::string& out) {
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_++];
    switch (c) {
      case '"': out += '"'; return true;
      case '\\': out += '\\'; return true;
      case '/': out += '/'; return true;
      case 'b': out += '\b'; return true;
      case 'f': out += '\f'; return true;
      case 'n': out += '\n'; return true;
      case 'r': out += '\r'; return true;
      case 't': out += '\t'; return true;
      case 'u': break;
      default: return false;
    }
    char32_t unit = 0;
    if (!Hex4(unit)) return false;
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;  // a lone low surrogate
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      char32_t low = 0;
      if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(out, unit);
    return true;
  }

  bool Hex4(char32_t& unit) {
    if (text_.size() - pos_ < 4) return false;
    for (int k = 0; k < 4; ++k) {
      const char h = text_[pos_++];
      unit <<= 4;
      if (h >= '0' && h <= '9') {
        unit |= static_cast<char32_t>(h - '0');
      } else if (h >= 'a' && h <= 'f') {
        unit |= static_cast<char32_t>(h - 'a' + 10);
      } else if (h >= 'A' && h <= 'F') {
        unit |= static_cast<char32_t>(h - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }

  bool Digits() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    return pos_ > start;
  }

  bool Take(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  void SkipSpace() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
      ++pos_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

const Value* Member(const Value& object, std::string_view key) {
  for (std::size_t i = 0; i < object.keys.size(); ++i) {
    if (object.keys[i] == key) return &object.values[i];
  }
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string key = input.ConsumeRandomLengthString(16);
  const std::string message = input.ConsumeRandomLengthString(64);
  const auto integer = input.ConsumeIntegral<std::int64_t>();
  const auto real = input.ConsumeFloatingPoint<double>();
  double anyBits = 0.0;  // NaNs and infinities too
  const std::uint64_t bits = input.ConsumeIntegral<std::uint64_t>();
  std::memcpy(&anyBits, &bits, sizeof anyBits);
  const std::string file = input.ConsumeRemainingBytesAsString();

  // One string literal.
  const std::string quoted = metascope::tool::JsonQuote(file);
  Value literal;
  FUZZ_CHECK(Reader(quoted).ReadDocument(literal));
  FUZZ_CHECK(literal.kind == Value::kString && quoted.front() == '"');
  FUZZ_CHECK(literal.text == Sanitised(file));

  // One object on one line. The tool's keys are fixed; a key from the input
  // only has to come back as itself (made well-formed).
  const bool taken = key.empty() || key == "file" || key == "error" || key == "duration" ||
                     key == "framerate" || key == "aspect";
  const std::string ownKey = taken ? "x" + key : key;
  const std::string line = metascope::tool::JsonObjectLine()
                               .Add("file", file)
                               .Add("error", message)
                               .Add("duration", integer)
                               .Add("framerate", real)
                               .Add("aspect", anyBits)
                               .Add(ownKey, std::int64_t{1})
                               .Text();
  FUZZ_CHECK(line.find('\n') == std::string::npos && line.find('\r') == std::string::npos);
  Value object;
  FUZZ_CHECK(Reader(line).ReadDocument(object));
  FUZZ_CHECK(object.kind == Value::kObject && object.keys.size() == 6);
  const Value* v = Member(object, "file");
  FUZZ_CHECK(v != nullptr && v->kind == Value::kString && v->text == Sanitised(file));
  v = Member(object, "error");
  FUZZ_CHECK(v != nullptr && v->kind == Value::kString && v->text == Sanitised(message));
  v = Member(object, "duration");
  FUZZ_CHECK(v != nullptr && v->kind == Value::kNumber && v->text == std::to_string(integer));
  for (const auto& [name, number] : {std::pair{"framerate", real}, std::pair{"aspect", anyBits}}) {
    v = Member(object, name);
    FUZZ_CHECK(v != nullptr);
    if (!std::isfinite(number)) {
      FUZZ_CHECK(v->kind == Value::kNull);
    } else {
      FUZZ_CHECK(v->kind == Value::kNumber);
      FUZZ_CHECK(std::strtod(v->text.c_str(), nullptr) == number);
    }
  }
  v = Member(object, Sanitised(ownKey));
  FUZZ_CHECK(v != nullptr && v->kind == Value::kNumber && v->text == "1");
  return 0;
}
