#include "platform/cp1251.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace kavo {
namespace {

// Unicode code points of the bytes 0x80..0xFF. The one unassigned byte, 0x98, maps to U+0098 so
// that every byte survives a read and a write unchanged.
constexpr std::array<std::uint16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Where the run of ASCII bytes starting at `pos` ends: the first byte at or past it with the high bit
// set, or the size. Eight bytes are tested at once, since runs of ASCII make most of every data file.
std::size_t asciiRunEnd(std::string_view text, std::size_t pos) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  while (text.size() - pos >= 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + pos, sizeof word);
    if ((word & kHighBits) != 0) {
      break;
    }
    pos += 8;
  }
  while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80) {
    ++pos;
  }
  return pos;
}

// A byte's UTF-8 form: up to three bytes, padded to four so that it is copied whole.
struct Utf8Form {
  char bytes[4];
  std::size_t length;
};

constexpr Utf8Form utf8FormOf(std::uint32_t cp) {
  Utf8Form form{};
  if (cp < 0x80) {
    form.bytes[0] = static_cast<char>(cp);
    form.length = 1;
  } else if (cp < 0x800) {
    form.bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
    form.bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
    form.length = 2;
  } else {
    form.bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
    form.bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    form.bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
    form.length = 3;
  }
  return form;
}

constexpr std::array<Utf8Form, 256> utf8Forms() {
  std::array<Utf8Form, 256> forms{};
  for (std::uint32_t b = 0; b < 256; ++b) {
    forms[b] = utf8FormOf(b < 0x80 ? b : kHighHalf[b - 0x80]);
  }
  return forms;
}

constexpr std::array<Utf8Form, 256> kUtf8Forms = utf8Forms();

// Decodes one UTF-8 sequence at text[pos]; returns false for malformed input.
bool nextCodePoint(std::string_view text, std::size_t& pos, std::uint32_t& cp) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  int extra = 0;
  if (lead < 0x80) {
    cp = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    cp = lead & 0x1Fu;
    extra = 1;
  } else if ((lead & 0xF0) == 0xE0) {
    cp = lead & 0x0Fu;
    extra = 2;
  } else if ((lead & 0xF8) == 0xF0) {
    cp = lead & 0x07u;
    extra = 3;
  } else {
    return false;
  }
  if (pos + static_cast<std::size_t>(extra) >= text.size() && extra > 0) {
    return false;
  }
  for (int i = 1; i <= extra; ++i) {
    const auto c = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
    if ((c & 0xC0) != 0x80) {
      return false;
    }
    cp = (cp << 6) | (c & 0x3Fu);
  }
  // Overlong forms (such as C0 AF for '/'), UTF-16 surrogates and values past U+10FFFF are not
  // characters; accepting them would let one text hide as another.
  static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
    return false;
  }
  pos += static_cast<std::size_t>(extra) + 1;
  return true;
}

// The byte 0x80..0xFF that stands for a code point, or -1 when Windows-1251 has none. The letters
// А..я (U+0410..U+044F) sit in order at 0xC0..0xFF; the other 64 are looked up.
constexpr bool lettersInOrder() {
  for (std::uint32_t i = 0; i < 0x40; ++i) {
    if (kHighHalf[0x40 + i] != 0x0410 + i) {
      return false;
    }
  }
  return true;
}
static_assert(lettersInOrder(), "the letters fill 0xC0..0xFF in order");

int highHalfByte(std::uint32_t cp) {
  constexpr std::uint32_t kFirstLetter = 0x0410;
  constexpr std::size_t kLettersAt = 0x40;
  if (cp >= kFirstLetter && cp < kFirstLetter + 0x40) {
    return static_cast<int>(0x80 + kLettersAt + (cp - kFirstLetter));
  }
  for (std::size_t i = 0; i < kLettersAt; ++i) {
    if (kHighHalf[i] == cp) {
      return static_cast<int>(0x80 + i);
    }
  }
  return -1;
}

} // namespace

std::string decodeCp1251(std::string_view bytes) {
  // Every byte becomes its UTF-8 form from the table: four bytes are copied and the output moves on
  // by the form's length, so no byte is tested on the way.
  std::string out(bytes.size() * 3 + 1, '\0');
  char* to = out.data();
  for (const char byte : bytes) {
    const Utf8Form& form = kUtf8Forms[static_cast<unsigned char>(byte)];
    std::memcpy(to, form.bytes, sizeof form.bytes);
    to += form.length;
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return out;
}

std::optional<std::string> encodeCp1251(std::string_view utf8, std::string* error) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t runEnd = asciiRunEnd(utf8, pos);
    out.append(utf8, pos, runEnd - pos);
    pos = runEnd;
    if (pos == utf8.size()) {
      break;
    }
    const std::size_t start = pos;
    std::uint32_t cp = 0;
    if (!nextCodePoint(utf8, pos, cp)) {
      if (error != nullptr) {
        *error = "текст не в UTF-8: неверный байт " + std::to_string(start + 1);
      }
      return std::nullopt;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    const int byte = highHalfByte(cp);
    if (byte >= 0) {
      out.push_back(static_cast<char>(byte));
    } else {
      if (error != nullptr) {
        *error =
            "символ «" + std::string(utf8.substr(start, pos - start)) + "» нельзя записать в Windows-1251";
      }
      return std::nullopt;
    }
  }
  return out;
}

} // namespace kavo
