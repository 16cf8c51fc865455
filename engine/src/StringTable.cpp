#include "StringTable.h"

CStringW LoadEngineString(UINT id) {
    switch (id) {
    case IDS_ANALYZING:
        return u"Analyzing the source file ...";
    case IDS_ERROR_OPEN:
        return u"Error 1: Cannot open the file to be repaired. %s";
    case IDS_ERROR_GENERAL:
        return u"Error 2: General error. %s";
    case IDS_ERROR_UNKNOWN:
        return u"Error 3: Unknown error in %s.";
    case IDS_SHARE_VIOLATION:
        return u"Share violation when opening the source file '%s'.\n"
               u"Please close any other applications accessing the file and try again.\n"
               u"If this still cannot work, then please make a copy of the source PST file, "
               u"then use Pelmark to repair the copy instead.";
    case IDS_WHOLE_PROCESS:
        return u"whole recovery process";
    default:
        return {};
    }
}
