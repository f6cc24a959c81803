// app/settings_store.h - opening and closing the settings document
// "pathvex.xml", with its one-time migration.
//
// Opening carries old documents forward: coordinates in integer
// milliseconds of arc become degrees, then the tracks move out into
// "pathvextrk.xml". It sets the track document's path and the waypoints'
// element (tracks/), so it sits above them. A settings file that does not
// parse is kept aside as "pathvex.xml.bad" and the run starts from
// defaults. The keys themselves are kit/settings.h.
//
// UI thread only. Nothing throws; failures are return values.
#pragma once
#include <windows.h>

// Opens "pathvex.xml" in directory (null: the executable's own directory)
// into SettingsDocument, creating it in memory when missing, forms
// TrackDocumentPath, finds WaypointsElement, and runs exactly one migration
// step (which may save the settings and the track document). A file that
// does not parse is renamed to "pathvex.xml.bad" (or ".bad2" ... when
// taken), reported once in a message box, and replaced by defaults; when it
// cannot be renamed the run uses defaults and never writes over it.
// Replaces an open store.
void OpenSettingsStore(const wchar_t* directory = nullptr);
// Shutdown: saves SettingsDocument to its own file when it passes the
// integrity check, then frees it. A document that fails the check is
// neither saved nor freed (its tree cannot be walked safely). 1 saved.
int CloseSettingsStore();
