// resources/resource.h - the numbers shared by pathvex.rc and the C++ code.
//
// Menu resources, menu command ids, the main window's child controls and the
// controls of the dialog templates are macros, because the resource script
// needs them too. Window messages, timer ids and the other numbers that only
// code uses are typed constants below RC_INVOKED.
//
// Command ids travel as the low word of a WM_COMMAND's wParam: from the
// menus, from hot keys and keys, from the command line (a number there is a
// command id) and between subsystems. Ranges that belong to one subsystem's
// command handler have _FIRST/_LAST pairs; the shell passes every id in such
// a range on unchanged, also ids that nothing in the range acts on.
#pragma once

// ---------------------------------------------------------------------------
// Menu resources (by number). The window shows one at a time (SetViewMenu).
#define IDR_MENU_PICK           90   // a list opened for picking: "OK", "Back"
#define IDR_MENU_CALC           91   // measuring tool screens 21-23
#define IDR_MENU_BACK           92   // "Back" only
#define IDR_MENU_WAYPOINTS      93   // waypoint list, screen 7
#define IDR_MENU_PLAN           94   // route planning; shown by no screen
#define IDR_MENU_TRACKS         95   // track list, screen 6
#define IDR_MENU_WEBMAP         96   // web map, screen 8
#define IDR_MENU_MAPS           97   // offline map list, screen 10
#define IDR_MENU_MAIN           99   // main menu

// ---------------------------------------------------------------------------
// Commands of the shell: GPS and program.
#define IDM_GPS_SETUP           101  // "GPS Setup..."
#define IDM_GPS_CONNECT         102  // "GPS Connect"; also sent at start-up with auto-connect
#define IDM_GPS_DISCONNECT      103  // "GPS Disconnect"
#define IDM_GPS_TIME_TO_SYSTEM  104  // "GPS Time to System"
#define IDM_DISPLAY_OFF         105  // "Display off"
#define IDM_SUPPORT_FORUM       195  // "Support Forum"
#define IDM_DONATE              196  // "Donate!"
#define IDM_CHECK_UPDATES       197  // "Check for updates..."; also the start-up question's Yes
#define IDM_ABOUT               198  // "About..."
#define IDM_SHUTDOWN            199  // "Shutdown"

// Screens: command IDM_SCREEN_BASE + screen id enters that screen; the raw
// log (screen 99) is entered by 299. The handheld builds leave full screen for
// every command from 201 to IDM_FULLSCREEN_LEAVE_LAST.
#define IDM_SCREEN_BASE         200
#define IDM_SCREEN_GPS          201  // "GPS"
#define IDM_SCREEN_MAP          204  // "Map"
#define IDM_SCREEN_SATELLITE    205  // "Satellite"
#define IDM_SCREEN_TRACKS       206  // "Tracks", "Select Track"
#define IDM_SCREEN_WAYPOINTS    207  // "Waypoints", "Select Waypoint", "Distance from Waypoint..."
#define IDM_SCREEN_WEBMAP       208  // no menu item: the web map commands enter it
#define IDM_SCREEN_STATISTICS   209  // "Statistics"
#define IDM_SCREEN_MAPS         210  // "Custom maps"
#define IDM_SCREEN_SUN          211  // "Sun info"
#define IDM_SCREEN_MOON         212  // "Moon info"
#define IDM_SCREEN_PATH         213  // "Path"
#define IDM_SCREEN_COMPASS      214  // "Compass"
#define IDM_SCREEN_CALC_1D      221  // "1D Distance Calculator"
#define IDM_SCREEN_CALC_2D      222  // "2D Area Calculator"
#define IDM_SCREEN_CALC_3D      223  // "3D Volume Calculator"
#define IDM_SCREEN_RAW          299  // "Raw log"
#define IDM_FULLSCREEN_LEAVE_LAST 230

// Colour scheme and window.
#define IDM_SCHEME_DAY          321  // "Day"
#define IDM_SCHEME_NIGHT        322  // "Night"
#define IDM_SCHEME_CUSTOM       323  // "Custom"
#define IDM_TOGGLE_FULLSCREEN   329  // "Toggle Full"

// Map view ("Tools/Map"). The zoom ids are also the zoom hot key ids.
#define IDM_ZOOM_IN             331  // "Zoom in"
#define IDM_ZOOM_OUT            332  // "Zoom out"
#define IDM_MOVE_UP             333  // "Move up"
#define IDM_MOVE_RIGHT          334  // "Move right"; result 0 at the world's edge
#define IDM_MOVE_DOWN           335  // "Move down"
#define IDM_MOVE_LEFT           336  // "Move left"; result 0 at the world's edge
#define IDM_CENTER_WAYPOINT     337  // "Center Waypoint"; also the pick purpose
#define IDM_ROTATE_ENTER        338  // "Rotate..."
#define IDM_ROTATE_RIGHT        339  // "Right"
#define IDM_ROTATE_LEFT         340  // "Left"
#define IDM_VIEW_CARTESIAN      341  // "Cartesian"
#define IDM_VIEW_POLAR          342  // "Polar"
#define IDM_POLAR_MORE_LINES    343  // "More Lines"
#define IDM_POLAR_LESS_LINES    344  // "Less Lines"
#define IDM_NEXT_SCREEN         345  // keys and list view only
#define IDM_PREV_SCREEN         346  // keys and list view only
#define IDM_CALIBRATOR          347  // "Calibrator"; not in pathvex-wm
#define IDM_HZOOM_IN            351  // "HZoom in"
#define IDM_HZOOM_OUT           352  // "HZoom out"
#define IDM_VZOOM_IN            353  // "VZoom in"
#define IDM_VZOOM_OUT           354  // "VZoom out"
#define IDM_DRAW_TRACK          355  // "Draw Track"

// Debug: receiver input, NMEA log and simulation.
#define IDM_SEND_GPWPL          361  // "Send Position as GPWPL"
#define IDM_GPS_LOG_ON          371  // "GPS Log on."
#define IDM_GPS_LOG_OFF         372  // "GPS Log off."
#define IDM_SIM_TAPPING         378  // "Tapping"
#define IDM_SIM_TIMER           379  // "Timer"
#define IDM_CHOOSE_FONT         381  // no menu item
#define IDM_SIM_FROM_TRACK      388  // "Load from Track..."; also the pick purpose
#define IDM_SIM_EDIT            389  // "Edit existing..."
#define IDM_LOG_CLEAR           399  // "Log clear"

// SiRF receiver commands ("Tools/SIRF"), handed to the SiRF command handler.
#define IDM_SIRF_FIRST          400
#define IDM_SIRF_TO_BINARY      401  // "Switch to SIRF Binary"
#define IDM_SIRF_TO_NMEA        402  // "Switch to NMEA..."
#define IDM_SIRF_DEBUG_ON       404  // "Debug NMEA" / "On"
#define IDM_SIRF_DEBUG_OFF      405  // "Debug NMEA" / "Off"
#define IDM_SIRF_RATE_GGA       411  // "Set rates" / "GGA"
#define IDM_SIRF_RATE_GLL       412  // "Set rates" / "GLL"
#define IDM_SIRF_RATE_GSA       413  // "Set rates" / "GSA"
#define IDM_SIRF_RATE_GSV       414  // "Set rates" / "GSV"
#define IDM_SIRF_RATE_RMC       415  // "Set rates" / "RMC"
#define IDM_SIRF_RATE_VTG       416  // "Set rates" / "VTG"
#define IDM_SIRF_RESET_COLD     421  // "Reset" / "Cold"
#define IDM_SIRF_RESET_WARM     422  // "Reset" / "Warm"
#define IDM_SIRF_RESET_HOT      423  // "Reset" / "Hot"
#define IDM_SIRF_RESET_FACTORY  424  // "Reset" / "Factory"
#define IDM_SIRF_WAAS_ON        428  // "WAAS" / "On"
#define IDM_SIRF_WAAS_OFF       429  // "WAAS" / "Off"
#define IDM_SIRF_LAST           500

// Client-area sizes ("Screen"; desktop builds).
#define IDM_SIZE_240X320        801  // "240x320"
#define IDM_SIZE_320X240        802  // "320x240"
#define IDM_SIZE_240X240        803  // "240x240"
#define IDM_SIZE_320X320        804  // "320x320"
#define IDM_SIZE_640X480        805  // "640x480": 480 wide, 640 high

#define IDM_HELP_INDEX          901  // "Index" (desktop builds)
#define IDM_PICK_OK             998  // "OK"
#define IDM_BACK                999  // "Back"

// Option dialogs ("Tools/Options").
#define IDM_OPTIONS_MAP         1901 // "Map Options..."
#define IDM_OPTIONS_SPEED       1902 // "Speed Options..."
#define IDM_OPTIONS_PROGRAM     1903 // "Pathvex Options..."
#define IDM_OPTIONS_RECORD      1904 // "Record Options..."
#define IDM_OPTIONS_DISTANCE    1905 // "Distance Options..."
#define IDM_OPTIONS_TRACKING    1906 // "Tracking Options..."
#define IDM_OPTIONS_PLAY        1907 // "Play Options..."
#define IDM_OPTIONS_COLORS      1908 // "Custom Colors..."

// ---------------------------------------------------------------------------
// Commands passed on to other subsystems' handlers.

// Measuring tool (menu 91).
#define IDM_CALC_FIRST          1101
#define IDM_CALC_OPTIONS        1101 // "Precision and Axis..."
#define IDM_CALC_ENTER_POINT    1102 // "Enter point..."
#define IDM_CALC_POINT_FROM_GPS 1103 // "Get point from GPS"
#define IDM_CALC_CLEAR          1104 // "Clear all points"
#define IDM_CALC_MEASURE        1105 // "Measure!"
#define IDM_CALC_POINT_FROM_WPT 1106 // "Get point from Waypoint..."
#define IDM_CALC_LAST           1109

// Recording and go-to ("Tools/Track Record", "Tools/GoTo").
#define IDM_TRACK_FIRST         1201
#define IDM_TRACK_REFRESH       1201 // no menu item
#define IDM_TRACK_START         1202 // "Start Recording"
#define IDM_TRACK_PAUSE         1203 // "Pause/Resume"
#define IDM_TRACK_END           1204 // "End Recording", "End Playing"; also sent on close
#define IDM_TRACK_ENTER_XY      1205 // "Enter XY..."
#define IDM_TRACK_RECALCULATE   1206 // "Recalculate route"
#define IDM_TRACK_FROM_HERE     1207 // "Distance from Here..."
#define IDM_TRACK_LAST          1209

// Waypoint list (menu 93, "Waypoint").
#define IDM_WAYPOINT_FIRST      1240
#define IDM_WAYPOINT_EDIT       1240 // "Edit..."
#define IDM_WAYPOINT_ADD        1241 // "Add manually..."
#define IDM_WAYPOINT_ADD_HERE   1242 // "Add current position"
#define IDM_WAYPOINT_DELETE     1244 // "Delete selected"
#define IDM_WAYPOINT_GO         1245 // "Go"
#define IDM_WAYPOINT_MOVE       1246 // "Move to Category"
#define IDM_WAYPOINT_GMAP       1247 // no menu item: proxy page, provider 1
#define IDM_WAYPOINT_YMAP       1248 // no menu item: proxy page, provider 2
#define IDM_WAYPOINT_ADD_CATEGORY 1249 // "Add Category..."
#define IDM_WAYPOINT_GO_DISTANCE 1250 // "Go at distance..."
#define IDM_WAYPOINT_LAST       1250

// Track list (menu 95, "Track"); handled with the recording commands.
#define IDM_TRACKLIST_FIRST     1251
#define IDM_TRACKLIST_VIEW      1251 // "View in map"
#define IDM_TRACKLIST_RUN       1253 // "Run Straight"
#define IDM_TRACKLIST_DELETE    1254 // "Delete selected"
#define IDM_TRACKLIST_LENGTH    1255 // "Calculate Length"
#define IDM_TRACKLIST_RUN_REVERSED 1256 // "Run Reversed"
#define IDM_TRACKLIST_RENAME    1257 // "Rename track"
#define IDM_TRACKLIST_ADD_CATEGORY 1258 // "Add Category..."
#define IDM_TRACKLIST_NORMALIZE 1259 // "Normalize"
#define IDM_TRACKLIST_MOVE      1260 // "Move to Category..."
#define IDM_TRACKLIST_LAST      1260

// Route planning (menu 94): reserved, no handler acts on these.
#define IDM_PLAN_FIRST          1261
#define IDM_PLAN_LAST           1277

// Offline map list (menu 97, "Map").
#define IDM_MAPLIST_FIRST       1291
#define IDM_MAPLIST_VIEW        1291 // "View"
#define IDM_MAPLIST_DELETE      1292 // "Delete"
#define IDM_MAPLIST_LOAD        1293 // "Load in Map"; not in pathvex-wm
#define IDM_MAPLIST_LAST        1299

// KML and LOC exchange ("Export", "Import" of the waypoint and track menus).
#define IDM_EXCHANGE_FIRST      1301
#define IDM_EXPORT_WAYPOINT_KML 1301 // Waypoint / "To KML..."
#define IDM_EXPORT_TRACK_KML    1302 // Track / "To KML..."
#define IDM_EXPORT_WAYPOINT_LOC 1311 // Waypoint / "To LOC..."
#define IDM_EXPORT_TRACK_LOC    1312 // Track / "To LOC..."
#define IDM_EXPORT_ALL_WAYPOINTS_KML 1317 // "ALL waypoints to KML"
#define IDM_EXPORT_ALL_TRACKS_KML 1318 // "ALL tracks to KML"
#define IDM_IMPORT_WAYPOINTS    1321 // Waypoint / "From KML or LOC..."
#define IDM_IMPORT_TRACK        1331 // Track / "From KML or LOC..."
#define IDM_EXCHANGE_LAST       1399

// Showing the selected waypoint on a map ("Waypoint/View in Map", "G/Y Map").
#define IDM_SHOWONMAP_FIRST     1400
#define IDM_SHOWONMAP_PATHVEX   1400 // "Pathvex"
#define IDM_SHOWONMAP_GMAP      1401 // "Google"
#define IDM_WEBMAP_ZOOM_IN      1402 // "Zoom In"
#define IDM_WEBMAP_ZOOM_OUT     1403 // "Zoom Out"
#define IDM_SHOWONMAP_YMAP      1411 // "Yahoo"
#define IDM_SHOWONMAP_LAST      1499

// Public map pages ("Waypoint/View in External Map"): id - 1700 is the page type.
#define IDM_EXTMAP_FIRST        1701
#define IDM_EXTMAP_GOOGLE       1701 // "Google"
#define IDM_EXTMAP_YAHOO        1702 // "Yahoo"
#define IDM_EXTMAP_LIVE         1703 // "Live"
#define IDM_EXTMAP_LAST         1799

// ---------------------------------------------------------------------------
// Child windows of the main window.
#define IDC_MAIN_LISTVIEW       901  // the list view shared by all list screens
#define IDC_WEBMAP              878  // the web map window (browser host or HTML view)

// ---------------------------------------------------------------------------
// Controls of the dialog templates, by template. IDOK (1) and IDCANCEL (2)
// are the platform's.

// "DIALOG_GPSCFG"
#define IDC_GPSCFG_PORT         101  // combo "Port:"
#define IDC_GPSCFG_BAUD         102  // combo "Baud:"
#define IDC_GPSCFG_SIMULATION   201  // "Simulation"
#define IDC_GPSCFG_GPSAPI       202  // "Use GPS Api (WM5+)"

// "DIALOG_SPDOPTIONS"
#define IDC_SPDOPT_UNIT         101  // combo of the four speed units
#define IDC_SPDOPT_WARN         203  // "Speed Warn"

// "DIALOG_DSTOPTIONS"
#define IDC_DSTOPT_UNIT         101  // combo of the three distance units

// "DIALOG_PATHVEXOPTIONS"
#define IDC_PRGOPT_AUTOCONNECT  201  // "Auto connect"
#define IDC_PRGOPT_SOLID_COMPASS 202 // "Solid Compass"
#define IDC_PRGOPT_COMPASS_LETTERS 203 // "Show Compass Letters"
#define IDC_PRGOPT_DECIMAL_XY   204  // "Decimal XY view"
#define IDC_PRGOPT_BACKLIGHT    205  // "Keep backlight on"

// "DIALOG_RECORDOPTIONS"
#define IDC_RECOPT_MIN_SPEED    101  // combo, km/h
#define IDC_RECOPT_MIN_ANGLE    102  // combo, degrees
#define IDC_RECOPT_NORMALIZE    103  // "Normalization Value (m):"
#define IDC_RECOPT_CELLID       201  // "Record Cell-ID changes"
#define IDC_RECOPT_DRAW_PATH    202  // "Draw path to map"
#define IDC_RECOPT_SPEED        203  // "Record Speed"
#define IDC_RECOPT_TIME         204  // "Record Time"

// "DIALOG_PLAYOPTIONS"
#define IDC_PLAYOPT_RECALC_SECS 101  // "Recalculate seconds:"
#define IDC_PLAYOPT_REACH_METERS 102 // "Meters:"
#define IDC_PLAYOPT_REACH_SECS  103  // "Seconds:"
#define IDC_PLAYOPT_TURN_ANGLE  104  // combo
#define IDC_PLAYOPT_WARN_UNITS  105  // "Turn warn (units):"
#define IDC_PLAYOPT_WARN_SECS   106  // "Turn warn (secs):"
#define IDC_PLAYOPT_PATH_SIZE   111  // "Path size:"
#define IDC_PLAYOPT_CENTER      201  // "Current Position in Map Center"
#define IDC_PLAYOPT_TURN_SOUND  202  // "Sound warn on turns."
#define IDC_PLAYOPT_CELLID_MAP  203  // "CellID track map."
#define IDC_PLAYOPT_WARN_UNITS_SPIN 904 // up-down of IDC_PLAYOPT_WARN_UNITS

// "DIALOG_TRACKINGOPTIONS"
#define IDC_TRKOPT_INTERVAL     101  // "Send information each seconds:"
#define IDC_TRKOPT_URL          102  // the URL template
#define IDC_TRKOPT_ENABLE       201  // "Enable internet tracking"

// "DIALOG_COLOROPTIONS": edit n shows "c1".."c6"; button n + 100 picks it.
#define IDC_COLOROPT_EDIT_FIRST 101
#define IDC_COLOROPT_EDIT_LAST  106
#define IDC_COLOROPT_PICK_FIRST 201
#define IDC_COLOROPT_PICK_LAST  206

// "DIALOG_SPEEDLIMIT"
#define IDC_SPEEDLIMIT_LOW_UP   401  // "Up"
#define IDC_SPEEDLIMIT_LOW_DOWN 402  // "Down"
#define IDC_SPEEDLIMIT_HIGH_UP  403
#define IDC_SPEEDLIMIT_HIGH_DOWN 404
#define IDC_SPEEDLIMIT_LOW_SPIN 601
#define IDC_SPEEDLIMIT_HIGH_SPIN 602
#define IDC_SPEEDLIMIT_LOW      701  // static "Low"
#define IDC_SPEEDLIMIT_HIGH     702  // static "High"

// "DIALOG_SPEEDLIMIT2": each button's id is its speed in km/h; "CLOSE" is IDCANCEL.
#define IDC_SPEEDMARK_FIRST     30
#define IDC_SPEEDMARK_LAST      140
#define IDC_SPEEDMARK_STEP      10

// "DIALOG_CALC1", "DIALOG_CALC2", "DIALOG_CALC3"
#define IDC_CALC_PRECISION_LOW  201  // "Low"
#define IDC_CALC_PRECISION_MEDIUM 202 // "Medium"
#define IDC_CALC_PRECISION_HIGH 203  // "High"
#define IDC_CALC_AXIS_XY        301  // "X-Y"; "X-Y-Z" in the 3D dialog
#define IDC_CALC_AXIS_XZ        302  // "X-Z"
#define IDC_CALC_AXIS_YZ        303  // "Y-Z"

// "AT_DIALOG_EN", "ATL_DIALOG_EN", "ATL1_DIALOG_EN"
#define IDC_ENTRY_PROMPT        101  // static
#define IDC_ENTRY_TEXT          102  // edit (AT_) or list box (ATL_, ATL1_)

// "DIALOG_XYZ"
#define IDC_XYZ_X               101
#define IDC_XYZ_Y               102
#define IDC_XYZ_Z               103
#define IDC_XYZ_X_LABEL         701  // "X:"
#define IDC_XYZ_Y_LABEL         702  // "Y:"
#define IDC_XYZ_Z_LABEL         703  // "Z:"

// "DIALOG_SIMDATA"
#define IDC_SIMDATA_TEXT        101  // multi-line edit

// "DIALOG_BACKNMEA": the rate edits in message order, then the baud rate.
#define IDC_BACKNMEA_GGA        101
#define IDC_BACKNMEA_GLL        102
#define IDC_BACKNMEA_GSA        103
#define IDC_BACKNMEA_GSV        104
#define IDC_BACKNMEA_RMC        105
#define IDC_BACKNMEA_VTG        106
#define IDC_BACKNMEA_MSS        107
#define IDC_BACKNMEA_BAUD       108

// "DIALOG_GOOGLECALIBRATE" (IDOK is "Save")
#define IDC_CALIBRATE_X         101  // "X:"
#define IDC_CALIBRATE_Y         102  // "Y:"
#define IDC_CALIBRATE_ZOOM      103  // "Zoom:"
#define IDC_CALIBRATE_IMAGE     104  // "Src Image:"
#define IDC_CALIBRATE_BROWSE    201  // "..."

// "DIALOG_MAPOPTIONS"
#define IDC_MAPOPT_FOLDER       101  // "Maps dir:"
#define IDC_MAPOPT_DYNAMIC      201  // "Use Dynamic Maps"
#define IDC_MAPOPT_FOLLOW       202  // "Map to position"
#define IDC_MAPOPT_COMPASS      204  // "Compass to map"
#define IDC_MAPOPT_OFFLINE      205  // "Load Offline Maps"
#define IDC_MAPOPT_SAVE_DYNAMIC 206  // "Save Dynamic Maps"
#define IDC_MAPOPT_ROTATE       207  // "Map Rotates Position"
#define IDC_MAPOPT_GRID         208  // "Use Grid"

// "DIALOG_UPDATE"
#define IDC_UPDATE_TEXT         701  // "Downloading: ..." progress text
#define IDC_UPDATE_OVERALL_LABEL 702 // "Overall process:"
#define IDC_UPDATE_FILE_PROGRESS 901
#define IDC_UPDATE_OVERALL_PROGRESS 902

// ---------------------------------------------------------------------------
#ifndef RC_INVOKED
#include <windows.h>

// Window messages of the main window.
inline constexpr UINT WM_TRAYICON = WM_USER + 101;   // 1125: lParam is the mouse message
inline constexpr UINT WM_GPSDATA = WM_USER + 102;    // 1126: wParam the input, lParam the GpsPort

// Route following: the reader thread tells the main window that a route
// arrived; timer 4 is stopped on the UI thread.
inline constexpr UINT WM_ROUTEARRIVED = WM_USER + 103;   // 1127
// The reader thread's new speed or altitude maximum: the statistics list
// refreshes while it shows.
inline constexpr UINT WM_STATISTICSREFRESH = WM_APP + 19;

// Window messages of the updater's dialog.
inline constexpr UINT WM_UPDATETRAY = WM_USER + 10;  // 1034: its tray icon's callback
inline constexpr UINT WM_UPDATEDONE = WM_USER + 11;  // 1035: posted by the worker when done

// Window messages of the browser host window (class "AX").
inline constexpr UINT WM_AXQUERYINTERFACE = WM_USER + 1;  // 1025
inline constexpr UINT WM_AXACTIVATE = WM_USER + 2;        // 1026
inline constexpr UINT WM_AXGETSITE = WM_USER + 3;         // 1027
inline constexpr UINT WM_AXCONNECTSINK = WM_USER + 4;     // 1028
inline constexpr UINT WM_AXDISCONNECTSINK = WM_USER + 5;  // 1029
inline constexpr UINT WM_AXDATAADVISE = WM_USER + 6;      // 1030
inline constexpr UINT WM_AXSETCOMMANDWINDOW = WM_USER + 8; // 1032
inline constexpr UINT WM_AXSETNOTIFYWINDOW = WM_USER + 9; // 1033

// Messages to the handheld shell's controls, which the MinGW headers lack.
inline constexpr UINT WM_HTMLVIEW_NAVIGATE = WM_USER + 120;  // 1144: lParam the address
inline constexpr UINT WM_MENUBAR_OVERRIDEKEY = 0x593;        // grab or release a soft key

// Tray icon ids.
inline constexpr UINT TRAY_ID_MAIN = 0;
inline constexpr UINT TRAY_ID_UPDATE = 1034;

// Timers of the main window and their periods.
inline constexpr UINT_PTR TIMER_IDLE = 1;       // handheld: keeps the device awake
inline constexpr UINT_PTR TIMER_COUNTERS = 2;   // run-time counters, statistics screen
inline constexpr UINT_PTR TIMER_TRACKING = 3;   // position reporting, every "its" seconds
inline constexpr UINT_PTR TIMER_ROUTE = 4;      // route guidance: the turn sound
inline constexpr UINT kTimerIdleMs = 60000;
inline constexpr UINT kTimerCountersMs = 5000;
inline constexpr UINT kTimerRouteTrackMs = 7000;     // track runs, Enter XY, Distance from Here
inline constexpr UINT kTimerRouteWaypointMs = 3000;  // Go, Go at distance

// lParam of a screen command that opens a list for picking an item.
inline constexpr LPARAM kPickMarker = 0xEEEE;

#endif  // RC_INVOKED
