// Texts from the program's string table, in one language, converted to the
// system's ANSI code page.
#pragma once

#include <windows.h>

#include <string>

// Entry id of the string table in the given language, at most size - 1
// bytes and terminated; null when the entry is missing or empty.
char* LoadStringForLanguage(HINSTANCE instance, UINT id, WORD language, char* buffer, int size);

// The tooltip text id, in US English; empty when there is none.
void LoadResString(std::string* text, UINT id);
