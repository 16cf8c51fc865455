// The product's per-user settings: the options of the Options and Advanced Options tabs, kept
// beside the framework's values in the same key and section.
#pragma once

#include "settings/VornSetting.h"

class TSetting : public TVornSetting {
public:
    using TVornSetting::TVornSetting;

    bool OpenFixed = false; // open the recovered file when a recovery finishes
    QString TempDir;        // directory for temporary files, as typed or chosen
    qint32 BufSize = 0;     // internal processing buffer size, in bytes

    // The folder of the program file, with a trailing "/".
    QString GetDefaultOpenDir() const override;
    // The framework's values, then OpenFixed (REG_SZ "1" or "0"), TempDir (REG_SZ) and
    // BufSize, in that order.
    void Save() override;
    // The framework's values, then OpenFixed (an integer, non-zero meaning true; default
    // true), TempDir (default GetTempDirectory()) and BufSize (default 512), in that order.
    void Load() override;
};
