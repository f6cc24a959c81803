// app/startup.h - start-up and shutdown: RunApplication, which is the whole
// program, with the arithmetic it rests on (time-zone bias, colour scheme,
// command line) and the simulation files.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// The program: instance handle and the narrow command line (without the
// program's name); the process's argument vector is read as well. Returns 0
// in every case.
int RunApplication(HINSTANCE instance, const char* commandLine);

// Minutes; UTC = local + bias. The zone's daylight bias applies strictly
// between its two change days; a zone without changes (both months 0)
// always gets the standard bias.
int ComputeTimeZoneBias(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& localNow);
// Day of the month on which a zone change falls in year: the wDay-th
// wDayOfWeek of wMonth (5 the last), or wDay itself for an absolute date
// (wYear not 0).
int ZoneChangeDay(const SYSTEMTIME& change, int year);
// 1 (night) for hours after 19 or before 6, else 0 (day).
int SchemeForLocalHour(int hour);
// The command id that leads a command line, as atol reads it (0 when it does
// not start with a number), saturated instead of overflowing.
long ParseCommandNumber(const char* text);

// Simulation lists from files: every line (CR and LF at its end removed,
// longer lines cut into pieces of kSimulationLineBytes) becomes one entry;
// an empty line an empty entry. False, and the list untouched, when the file
// cannot be opened. At most kMaxSimulationLines entries are taken.
inline constexpr size_t kSimulationLineBytes = 999;
inline constexpr size_t kMaxSimulationLines = 1u << 20;
bool ReadSimulationFile(const wchar_t* path, std::vector<std::string>* lines);
// ReadSimulationFile into SimulationList.
bool LoadSimulationFile(const wchar_t* path);

