// The engine's string table: every text the engine sends, in English, UTF-16.
#pragma once

#include "afx/AfxString.h"
#include "afx/AfxTypes.h"

enum EngineStringId : UINT {
    IDS_ANALYZING = 7,
    IDS_ERROR_OPEN = 10,
    IDS_ERROR_GENERAL = 11,
    IDS_ERROR_UNKNOWN = 12,
    IDS_SHARE_VIOLATION = 28,
    IDS_WHOLE_PROCESS = 29,
};

// The text stored under `id`; an empty text for an id the table lacks.
CStringW LoadEngineString(UINT id);
