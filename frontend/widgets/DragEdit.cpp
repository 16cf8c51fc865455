#include "widgets/DragEdit.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

// The first local file of a drop, or an empty string.
QString FirstLocalFile(const QMimeData* AData) {
    if (!AData || !AData->hasUrls())
        return {};
    for (const QUrl& url : AData->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

} // namespace

TDragEdit::TDragEdit(QWidget* AParent) : QLineEdit(AParent) { setAcceptDrops(false); }

void TDragEdit::SetAcceptFiles(bool AValue) { setAcceptDrops(AValue); }

void TDragEdit::dragEnterEvent(QDragEnterEvent* AEvent) {
    if (!FirstLocalFile(AEvent->mimeData()).isEmpty())
        AEvent->acceptProposedAction();
    else
        QLineEdit::dragEnterEvent(AEvent);
}

void TDragEdit::dragMoveEvent(QDragMoveEvent* AEvent) {
    if (!FirstLocalFile(AEvent->mimeData()).isEmpty())
        AEvent->acceptProposedAction();
    else
        QLineEdit::dragMoveEvent(AEvent);
}

void TDragEdit::dropEvent(QDropEvent* AEvent) {
    const QString file = FirstLocalFile(AEvent->mimeData());
    if (file.isEmpty()) {
        QLineEdit::dropEvent(AEvent);
        return;
    }
    AEvent->acceptProposedAction();
    emit OnDropFile(this, file);
}
