#include "resources/VornStyle.h"

#include <QFile>

QString VornStyleSheet() {
    QFile file(QStringLiteral(":/vorn/vorn.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}
