// TVornPanel: a layout panel that either fills itself with its colour or,
// when Transparent, lets its parent's background show through. The look of
// both comes from the application's style sheet.
#pragma once

#include <QFrame>

class TVornPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
public:
    explicit TVornPanel(QWidget* AParent = nullptr);

    bool Transparent() const { return FTransparent; }
    // Changing it repaints the panel and its children.
    void SetTransparent(bool AValue);

private:
    bool FTransparent = false;
};
