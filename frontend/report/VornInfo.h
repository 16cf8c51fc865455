// Facts about the program and its machine for the About tab and the log
// report.
#pragma once

#include <QString>

// Which of the two versions of a version record.
enum class TVersionKind { FileVersion, ProductVersion };

// The version `AWhich` of the version record embedded in the program file
// `AFileName` (cmake/VersionRecord.cmake), as "major.minor.release.build".
// Empty when the file cannot be read, is not an ELF file of this machine's
// class and byte order, or carries no record.
QString GetFileVersionText(const QString& AFileName, TVersionKind AWhich);
