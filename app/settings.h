// app/settings.h - the settings as the shell uses them: the keys and
// globals (kit/settings.h) and the store it opens at start-up and closes at
// shutdown (app/settings_store.h).
#pragma once
#include "app/settings_store.h"
#include "kit/settings.h"
