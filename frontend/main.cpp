#include <QApplication>

#include "run/MainFrm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TMainForm form;
    form.show();
    return QApplication::exec();
}
