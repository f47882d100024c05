#pragma once
// The application's shared free functions: folders and paths, settings,
// messages, text conversions, the log and small helpers, the crash handler
// and the registered window messages.

#include "kvostudio/crashdump.h"
#include "kvostudio/folders.h"
#include "kvostudio/helpers.h"
#include "kvostudio/messages.h"
#include "kvostudio/registeredmessages.h"
#include "kvostudio/settings.h"
#include "kvostudio/textconv.h"
