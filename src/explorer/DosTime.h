#pragma once
// The DOS date packing now lives in platform/FileDate.h, below the explorer
// and the album; this name stays for files not yet moved over.

#include "platform/FileDate.h"
