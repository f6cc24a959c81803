// app/simulation_editor.h - the editor of the whole simulation list
// ("Edit existing..."), and the text it shows and reads back.
//
// The template "DIALOG_SIMDATA" is a resource of the executable. UI thread;
// nothing throws.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// "Edit existing...": the simulation list as text, one sentence a line;
// closing the window makes the text the list.
void ShowSimulationEditor(HWND owner);

// What the simulation editor shows: every sentence followed by CR LF.
std::wstring SimulationEditorText(const std::vector<std::string>& sentences);
// What closing it makes of the text: one entry per line feed, each piece
// with its line feed (and any CR before it), and the rest after the last
// line feed with a line feed added (a lone one when the text ends there).
std::vector<std::string> SimulationFromEditorText(const std::wstring& text);
