#include "widgets/Skin.h"

#include <QStyle>
#include <QWidget>

void SetSkinElement(QWidget* AWidget, const char* AElement) {
    AWidget->setProperty("skinElement", AElement);
    AWidget->style()->unpolish(AWidget);
    AWidget->style()->polish(AWidget);
}
