#pragma once
// The catalogue of the system's own texts (messages, captions, file-name patterns, check text).
// Sources stay UTF-8; each text is converted to CP949 once, on first use, and kept for the run.
// Each area owns one file under basesrc/texts/ with lines OSTRADA_TEXT(Id, "UTF-8 text").
#include <string>

namespace ostrada {

enum class Txt : int {
// Qt's moc cannot follow includes inside an enum and needs none of these names.
#ifndef Q_MOC_RUN
// clang-format off: the enum and the table must list the areas in one order.
#define OSTRADA_TEXT(id, utf8) id,
#include "basesrc/texts/all.inc"
#undef OSTRADA_TEXT
// clang-format on
#endif
  kCount
};

// The CP949 bytes of a catalogue text.
const std::string& Text(Txt id);
inline const char* TextC(Txt id) {
  return Text(id).c_str();
}
// A catalogue text with its "%s" filled by a path (CP949), for messages that name a file.
std::string TextWithPath(Txt format, const std::string& path);

}  // namespace ostrada
