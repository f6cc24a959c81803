// platform/handheld/device_state.h - the layer's own writers of the device
// state that handheld.h lets other processes read.
#pragma once
#include <windows.h>

// The number of power requirements this process holds now.
void PublishHeldRequirements(int count);
// The display power state asked for last.
void PublishDisplayPower(int state);
