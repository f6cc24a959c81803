// panes/pane_settings.h - the stored settings the panes read: the
// coordinate format and the compass rose's look and place, which the
// settings code fills from "cfg\pathvex".
#pragma once

extern int CoordinateMode;         // "xmv": 0 degrees-minutes-seconds, 1 decimal
extern bool SolidCompass;          // "ics": filled needles; default on
extern bool ShowCompassLetters;    // "scl": N, E, S, W on the rose; default on
extern int CompassX;               // offset of the GPS data screen's rose
extern int CompassY;
extern int CompassZ;               // pixels taken off the rose's size; default 15
