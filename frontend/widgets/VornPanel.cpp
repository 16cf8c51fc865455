#include "widgets/VornPanel.h"

#include <QStyle>

TVornPanel::TVornPanel(QWidget* AParent) : QFrame(AParent) {
    setAttribute(Qt::WA_StyledBackground, true);
}

void TVornPanel::SetTransparent(bool AValue) {
    if (AValue == FTransparent)
        return;
    FTransparent = AValue;
    // A transparent panel no longer claims to cover its parent.
    setAttribute(Qt::WA_StyledBackground, !AValue);
    setAttribute(Qt::WA_NoSystemBackground, AValue);
    setAutoFillBackground(!AValue);
    style()->unpolish(this);
    style()->polish(this);
    update();
    for (QObject* child : children())
        if (auto* widget = qobject_cast<QWidget*>(child))
            widget->update();
}
