#pragma once
// The program's string table: German texts keyed by the numeric ids that messages, menus and
// dialogs refer to. German is the source language; a translator installed by the application
// (the English catalogue) may replace a text at lookup time.

#include <string>

// Marks a table text for the translation tools without translating it here.
#define TS_NOOP(context, text) text

namespace strings {

// Context name under which the table's texts are translated.
inline constexpr const char* kContext = "StringTable";

// German text of an id; an empty string for an id the table does not hold.
const char* German(int id);

// The text shown to the user: the installed translator's answer, else the German text.
std::string Load(int id);

// Replaces a German text by its translation; returns the German text when it has none.
using Translator = std::string (*)(const char* context, const char* german);
void SetTranslator(Translator translator);

}  // namespace strings
