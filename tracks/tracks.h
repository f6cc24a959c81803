// tracks/tracks.h - tracks, waypoints and routes.
//
// The waypoints stored in the settings document with their list and
// commands (tracks/waypoints.h), the track document "pathvextrk.xml" with
// its list (tracks/track_document.h), the recording, route and track list
// commands with normalisation (tracks/track_commands.h), and the KML and
// LOC exchange (tracks/exchange.h). The live track they start, stop and
// follow is gps/live_track.h; their settings are kit/settings.h.
//
// Names typed by the user or read from files are stored through the XML
// library's escaping setters, so any character survives a save and reload.
// Everything but the live track belongs to the UI thread. Nothing here
// throws; failures are return values, and the one failure the user must
// know of (a damaged track file) is told in a message box.
#pragma once
#include "gps/live_track.h"
#include "kit/settings.h"
#include "tracks/exchange.h"
#include "tracks/track_commands.h"
#include "tracks/track_document.h"
#include "tracks/waypoints.h"
