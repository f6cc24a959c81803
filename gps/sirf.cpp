// SiRF binary messages into the live record.
#include "gps/gps.h"

// Seam: the decoder of messages 41, 2 and 13 is not written yet. Until it is,
// frames change nothing in the live record but are still logged, handed to
// the main window and followed by the recorder tick.
void DecodeSirfMessage(GpsPort* port, const SirfFrame* frame)
{
    (void)port;
    (void)frame;
}
