// What the tests of the log report share: texts as standard strings, so
// GoogleTest shows them readably when they differ, and whole files.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace reporttest {

// The line of 56 hyphens between the blocks of the report.
inline const QString kSeparator(56, u'-');

inline std::string Std(const QString& AText) {
    return AText.toStdString();
}

inline std::vector<std::string> Std(const QStringList& ALines) {
    std::vector<std::string> lines;
    for (const QString& line : ALines)
        lines.push_back(line.toStdString());
    return lines;
}

inline QString Q(const std::string& AText) {
    return QString::fromStdString(AText);
}

// The bytes of `APath`; empty, with a failure, when it cannot be read.
inline QByteArray ReadBytes(const QString& APath) {
    QFile file(APath);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << APath.toStdString();
    return file.readAll();
}

} // namespace reporttest
