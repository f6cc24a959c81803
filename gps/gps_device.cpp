// The program's one GPS device object, in a file of its own so that only
// programs that use it carry it.
#include "gps/gps.h"

GpsPort GpsDevice;
