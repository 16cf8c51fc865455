// TDragEdit: an edit box that accepts a file dragged onto it from the
// desktop. Only the first file of a drop is passed on.
#pragma once

#include <QLineEdit>

class TDragEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDragEdit(QWidget* AParent = nullptr);

    // Registers (true) or unregisters (false) the box as a drop target.
    void SetAcceptFiles(bool AValue);

signals:
    // A file was dropped; `AFile` is its full local path (a folder's path
    // passes the same way).
    void OnDropFile(QObject* Sender, const QString& AFile);

protected:
    void dragEnterEvent(QDragEnterEvent* AEvent) override;
    void dragMoveEvent(QDragMoveEvent* AEvent) override;
    void dropEvent(QDropEvent* AEvent) override;
};
